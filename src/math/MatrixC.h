// The engine's 4x4 matrix: D3DX's matrix with builders, in-place and new (Mk...) forms,
// and the decomposition into scaling, rotation and translation.
#pragma once

#include "math/AngleC.h"
#include "math/Vector3C.h"
#include "math/d3dx/D3DX.h"

class MatrixC : public D3DXMATRIX {
 public:
  MatrixC() { D3DXMatrixIdentity(this); }
  MatrixC(const D3DXMATRIX& m) : D3DXMATRIX(m) {}  // NOLINT: matrices convert freely
  MatrixC(const D3DMATRIX& m) : D3DXMATRIX(m) {}   // NOLINT
  MatrixC(float m11, float m12, float m13, float m14, float m21, float m22, float m23,
          float m24, float m31, float m32, float m33, float m34, float m41, float m42,
          float m43, float m44)
      : D3DXMATRIX(m11, m12, m13, m14, m21, m22, m23, m24, m31, m32, m33, m34, m41, m42, m43,
                   m44) {}

  MatrixC& Set(const D3DMATRIX& m);
  MatrixC& Identity();
  static MatrixC MkIdentity();
  /// The inverse; a singular matrix is left unchanged.
  MatrixC& Inverse();
  /// The inverse as a new matrix; the identity for a singular matrix.
  MatrixC GetInverse() const;
  MatrixC& LookAtLH(const D3DXVECTOR3& eye, const D3DXVECTOR3& at, const D3DXVECTOR3& up);
  static MatrixC MkLookAtLH(const D3DXVECTOR3& eye, const D3DXVECTOR3& at,
                            const D3DXVECTOR3& up);
  MatrixC& OrthoLH(float width, float height, float zNear, float zFar);
  static MatrixC MkOrthoLH(float width, float height, float zNear, float zFar);
  MatrixC& PerspectiveFovLH(const AngleC& fov, float aspect, float zNear, float zFar);
  static MatrixC MkPerspectiveFovLH(const AngleC& fov, float aspect, float zNear, float zFar);
  MatrixC& Translation(float x, float y, float z);
  MatrixC& Translation(const D3DXVECTOR3& v);
  static MatrixC MkTranslation(float x, float y, float z);
  static MatrixC MkTranslation(const D3DXVECTOR3& v);
  MatrixC& RotationX(const AngleC& angle);
  MatrixC& RotationY(const AngleC& angle);
  MatrixC& RotationZ(const AngleC& angle);
  static MatrixC MkRotationX(const AngleC& angle);
  static MatrixC MkRotationY(const AngleC& angle);
  static MatrixC MkRotationZ(const AngleC& angle);
  MatrixC& RotationAxis(const D3DXVECTOR3& axis, const AngleC& angle);
  static MatrixC MkRotationAxis(const D3DXVECTOR3& axis, const AngleC& angle);
  MatrixC& YawPitchRoll(const AngleC& yaw, const AngleC& pitch, const AngleC& roll);
  static MatrixC MkYawPitchRoll(const AngleC& yaw, const AngleC& pitch, const AngleC& roll);
  MatrixC& RotationQuaternion(const D3DXQUATERNION& q);
  static MatrixC MkRotationQuaternion(const D3DXQUATERNION& q);
  MatrixC& Scaling(float x, float y, float z);
  MatrixC& Scaling(float s);
  static MatrixC MkScaling(float x, float y, float z);
  static MatrixC MkScaling(float s);

  /// Rows 1, 2 and 3: the transformed x, y and z axes with their scale.
  Vector3C GetPoseX() const { return Vector3C(_11, _12, _13); }
  Vector3C GetPoseY() const { return Vector3C(_21, _22, _23); }
  Vector3C GetPoseZ() const { return Vector3C(_31, _32, _33); }
  Vector3C ClipTranslateVector() const { return Vector3C(_41, _42, _43); }
  MatrixC ClipTranslate() const;
  MatrixC ClipScaling() const;
  /// The rotation part: each row of the upper 3x3 divided by its own length, so that
  /// ClipScaling * ClipRotation * ClipTranslate rebuilds any scale-rotate-translate matrix.
  MatrixC ClipRotation() const;
};
