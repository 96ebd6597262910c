// The engine's 3-vector: D3DX's vector with the geometric operations scripts use.
#pragma once

#include "math/AngleC.h"
#include "math/d3dx/D3DX.h"

class Vector3C : public D3DXVECTOR3 {
 public:
  Vector3C() : D3DXVECTOR3(0.0f, 0.0f, 0.0f) {}
  Vector3C(const D3DXVECTOR3& v) : D3DXVECTOR3(v) {}  // NOLINT: vectors convert freely
  Vector3C(const D3DVECTOR& v) : D3DXVECTOR3(v) {}    // NOLINT
  Vector3C(float x, float y, float z) : D3DXVECTOR3(x, y, z) {}

  Vector3C& Set(float x, float y, float z);
  Vector3C& Set(const D3DVECTOR& v);
  Vector3C& Normalize();
  Vector3C GetNormal() const;
  float GetLength() const;
  float Dot(const D3DXVECTOR3& v) const;
  Vector3C Cross(const D3DXVECTOR3& v) const;
  Vector3C& AdCross(const D3DXVECTOR3& v);
  Vector3C& TransformCoord(const D3DXMATRIX& m);
  Vector3C GetTransformCoord(const D3DXMATRIX& m) const;
  Vector3C& TransformNormal(const D3DXMATRIX& m);
  Vector3C GetTransformNormal(const D3DXMATRIX& m) const;
  /// a + (b - a) * t, per component.
  static Vector3C MkLerp(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float t);
  Vector3C& Lerp(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float t);
  /// The direction of this vector with the given length.
  Vector3C& Stretch(float length);
  Vector3C GetStretch(float length) const;
  /// The angle between the two directions, 0..180 degrees.
  AngleC GetAngle(const D3DXVECTOR3& v) const;
  /// Screen position of this point through world, view, projection and viewport.
  Vector3C& To2D(const D3DXMATRIX& projection, const D3DXMATRIX& view, const D3DXMATRIX& world,
                 const D3DVIEWPORT9& viewport);
  static Vector3C Mk3DTo2D(const D3DXVECTOR3& v, const D3DXMATRIX& projection,
                           const D3DXMATRIX& view, const D3DXMATRIX& world,
                           const D3DVIEWPORT9& viewport);
  /// The point whose screen position this is (the inverse of To2D).
  Vector3C& To3D(const D3DXMATRIX& projection, const D3DXMATRIX& view, const D3DXMATRIX& world,
                 const D3DVIEWPORT9& viewport);
  static Vector3C Mk2DTo3D(const D3DXVECTOR3& v, const D3DXMATRIX& projection,
                           const D3DXMATRIX& view, const D3DXMATRIX& world,
                           const D3DVIEWPORT9& viewport);
};
