// Matrix builders and decomposition in 32-bit floats.
#include "math/MatrixC.h"

#include <cmath>

namespace {

float RowLength(float a, float b, float c) { return std::sqrt(a * a + b * b + c * c); }

}  // namespace

MatrixC& MatrixC::Set(const D3DMATRIX& m) {
  static_cast<D3DMATRIX&>(*this) = m;
  return *this;
}

MatrixC& MatrixC::Identity() {
  D3DXMatrixIdentity(this);
  return *this;
}

MatrixC MatrixC::MkIdentity() { return MatrixC(); }

MatrixC& MatrixC::Inverse() {
  D3DXMatrixInverse(this, nullptr, this);
  return *this;
}

MatrixC MatrixC::GetInverse() const {
  MatrixC inverse;
  D3DXMatrixInverse(&inverse, nullptr, this);
  return inverse;
}

MatrixC& MatrixC::LookAtLH(const D3DXVECTOR3& eye, const D3DXVECTOR3& at,
                           const D3DXVECTOR3& up) {
  D3DXMatrixLookAtLH(this, &eye, &at, &up);
  return *this;
}

MatrixC MatrixC::MkLookAtLH(const D3DXVECTOR3& eye, const D3DXVECTOR3& at,
                            const D3DXVECTOR3& up) {
  return MatrixC().LookAtLH(eye, at, up);
}

MatrixC& MatrixC::OrthoLH(float width, float height, float zNear, float zFar) {
  D3DXMatrixOrthoLH(this, width, height, zNear, zFar);
  return *this;
}

MatrixC MatrixC::MkOrthoLH(float width, float height, float zNear, float zFar) {
  return MatrixC().OrthoLH(width, height, zNear, zFar);
}

MatrixC& MatrixC::PerspectiveFovLH(const AngleC& fov, float aspect, float zNear, float zFar) {
  D3DXMatrixPerspectiveFovLH(this, fov.ToRad(), aspect, zNear, zFar);
  return *this;
}

MatrixC MatrixC::MkPerspectiveFovLH(const AngleC& fov, float aspect, float zNear, float zFar) {
  return MatrixC().PerspectiveFovLH(fov, aspect, zNear, zFar);
}

MatrixC& MatrixC::Translation(float x, float y, float z) {
  D3DXMatrixTranslation(this, x, y, z);
  return *this;
}

MatrixC& MatrixC::Translation(const D3DXVECTOR3& v) { return Translation(v.x, v.y, v.z); }

MatrixC MatrixC::MkTranslation(float x, float y, float z) {
  return MatrixC().Translation(x, y, z);
}

MatrixC MatrixC::MkTranslation(const D3DXVECTOR3& v) { return MatrixC().Translation(v); }

MatrixC& MatrixC::RotationX(const AngleC& angle) {
  D3DXMatrixRotationX(this, angle.ToRad());
  return *this;
}

MatrixC& MatrixC::RotationY(const AngleC& angle) {
  D3DXMatrixRotationY(this, angle.ToRad());
  return *this;
}

MatrixC& MatrixC::RotationZ(const AngleC& angle) {
  D3DXMatrixRotationZ(this, angle.ToRad());
  return *this;
}

MatrixC MatrixC::MkRotationX(const AngleC& angle) { return MatrixC().RotationX(angle); }
MatrixC MatrixC::MkRotationY(const AngleC& angle) { return MatrixC().RotationY(angle); }
MatrixC MatrixC::MkRotationZ(const AngleC& angle) { return MatrixC().RotationZ(angle); }

MatrixC& MatrixC::RotationAxis(const D3DXVECTOR3& axis, const AngleC& angle) {
  D3DXMatrixRotationAxis(this, &axis, angle.ToRad());
  return *this;
}

MatrixC MatrixC::MkRotationAxis(const D3DXVECTOR3& axis, const AngleC& angle) {
  return MatrixC().RotationAxis(axis, angle);
}

MatrixC& MatrixC::YawPitchRoll(const AngleC& yaw, const AngleC& pitch, const AngleC& roll) {
  D3DXMatrixRotationYawPitchRoll(this, yaw.ToRad(), pitch.ToRad(), roll.ToRad());
  return *this;
}

MatrixC MatrixC::MkYawPitchRoll(const AngleC& yaw, const AngleC& pitch, const AngleC& roll) {
  return MatrixC().YawPitchRoll(yaw, pitch, roll);
}

MatrixC& MatrixC::RotationQuaternion(const D3DXQUATERNION& q) {
  D3DXMatrixRotationQuaternion(this, &q);
  return *this;
}

MatrixC MatrixC::MkRotationQuaternion(const D3DXQUATERNION& q) {
  return MatrixC().RotationQuaternion(q);
}

MatrixC& MatrixC::Scaling(float x, float y, float z) {
  D3DXMatrixScaling(this, x, y, z);
  return *this;
}

MatrixC& MatrixC::Scaling(float s) { return Scaling(s, s, s); }

MatrixC MatrixC::MkScaling(float x, float y, float z) { return MatrixC().Scaling(x, y, z); }

MatrixC MatrixC::MkScaling(float s) { return MatrixC().Scaling(s); }

MatrixC MatrixC::ClipTranslate() const { return MkTranslation(_41, _42, _43); }

MatrixC MatrixC::ClipScaling() const {
  MatrixC s;
  s._11 = RowLength(_11, _12, _13);
  s._22 = RowLength(_21, _22, _23);
  s._33 = RowLength(_31, _32, _33);
  return s;
}

MatrixC MatrixC::ClipRotation() const {
  const float lengths[3] = {RowLength(_11, _12, _13), RowLength(_21, _22, _23),
                            RowLength(_31, _32, _33)};
  MatrixC r;
  for (int row = 0; row < 3; ++row) {
    // A collapsed axis has no direction to keep: its row stays zero rather than NaN.
    for (int col = 0; col < 3; ++col) {
      r.m[row][col] = lengths[row] != 0.0f ? m[row][col] / lengths[row] : 0.0f;
    }
  }
  return r;
}
