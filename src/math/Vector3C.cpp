// Vector operations in 32-bit floats, mostly through the D3DX functions.
#include "math/Vector3C.h"

#include <cmath>

Vector3C& Vector3C::Set(float nx, float ny, float nz) {
  x = nx;
  y = ny;
  z = nz;
  return *this;
}

Vector3C& Vector3C::Set(const D3DVECTOR& v) { return Set(v.x, v.y, v.z); }

Vector3C& Vector3C::Normalize() {
  D3DXVec3Normalize(this, this);
  return *this;
}

Vector3C Vector3C::GetNormal() const { return Vector3C(*this).Normalize(); }

float Vector3C::GetLength() const { return std::sqrt(x * x + y * y + z * z); }

float Vector3C::Dot(const D3DXVECTOR3& v) const { return x * v.x + y * v.y + z * v.z; }

Vector3C Vector3C::Cross(const D3DXVECTOR3& v) const {
  return Vector3C(y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x);
}

Vector3C& Vector3C::AdCross(const D3DXVECTOR3& v) { return *this = Cross(v); }

Vector3C& Vector3C::TransformCoord(const D3DXMATRIX& m) {
  D3DXVec3TransformCoord(this, this, &m);
  return *this;
}

Vector3C Vector3C::GetTransformCoord(const D3DXMATRIX& m) const {
  return Vector3C(*this).TransformCoord(m);
}

Vector3C& Vector3C::TransformNormal(const D3DXMATRIX& m) {
  D3DXVec3TransformNormal(this, this, &m);
  return *this;
}

Vector3C Vector3C::GetTransformNormal(const D3DXMATRIX& m) const {
  return Vector3C(*this).TransformNormal(m);
}

Vector3C Vector3C::MkLerp(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float t) {
  return Vector3C(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t);
}

Vector3C& Vector3C::Lerp(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float t) {
  return *this = MkLerp(a, b, t);
}

Vector3C& Vector3C::Stretch(float length) { return *this = GetStretch(length); }

Vector3C Vector3C::GetStretch(float length) const {
  Vector3C direction;
  D3DXVec3Normalize(&direction, this);
  return Vector3C(direction.x * length, direction.y * length, direction.z * length);
}

AngleC Vector3C::GetAngle(const D3DXVECTOR3& v) const {
  D3DXVECTOR3 a, b;
  D3DXVec3Normalize(&a, this);
  D3DXVec3Normalize(&b, &v);
  float dot = D3DXVec3Dot(&a, &b);
  if (dot > 1.0f) dot = 1.0f;
  if (dot < -1.0f) dot = -1.0f;
  // The arc cosine in float, scaled in double by the float constant's exact value.
  const double degrees = static_cast<double>(std::acos(dot)) * 57.2957801818847656;
  return AngleC(DegreeC(static_cast<float>(degrees)));
}

Vector3C& Vector3C::To2D(const D3DXMATRIX& projection, const D3DXMATRIX& view,
                         const D3DXMATRIX& world, const D3DVIEWPORT9& viewport) {
  D3DXVec3Project(this, this, &viewport, &projection, &view, &world);
  return *this;
}

Vector3C Vector3C::Mk3DTo2D(const D3DXVECTOR3& v, const D3DXMATRIX& projection,
                            const D3DXMATRIX& view, const D3DXMATRIX& world,
                            const D3DVIEWPORT9& viewport) {
  return Vector3C(v).To2D(projection, view, world, viewport);
}

Vector3C& Vector3C::To3D(const D3DXMATRIX& projection, const D3DXMATRIX& view,
                         const D3DXMATRIX& world, const D3DVIEWPORT9& viewport) {
  // A projection that cannot be inverted leaves the point as it was.
  D3DXVec3Unproject(this, this, &viewport, &projection, &view, &world);
  return *this;
}

Vector3C Vector3C::Mk2DTo3D(const D3DXVECTOR3& v, const D3DXMATRIX& projection,
                            const D3DXMATRIX& view, const D3DXMATRIX& world,
                            const D3DVIEWPORT9& viewport) {
  return Vector3C(v).To3D(projection, view, world, viewport);
}
