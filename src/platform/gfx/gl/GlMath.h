// Small matrix helpers for the GL device: Direct3D's row-vector convention, so a product
// A * B applies A first, and rows are stored one after another as GL receives them.
#pragma once

#include <cmath>

#include "platform/gfx/D3DTypes.h"

namespace platform::gl_math {

inline D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

inline D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
    }
  }
  return r;
}

/// A point (w = 1) through a matrix; w of the result is ignored.
inline D3DVECTOR TransformPoint(const D3DVECTOR& v, const D3DMATRIX& m) {
  return D3DVECTOR{v.x * m._11 + v.y * m._21 + v.z * m._31 + m._41,
                   v.x * m._12 + v.y * m._22 + v.z * m._32 + m._42,
                   v.x * m._13 + v.y * m._23 + v.z * m._33 + m._43};
}

/// A direction (w = 0) through a matrix.
inline D3DVECTOR TransformDirection(const D3DVECTOR& v, const D3DMATRIX& m) {
  return D3DVECTOR{v.x * m._11 + v.y * m._21 + v.z * m._31, v.x * m._12 + v.y * m._22 + v.z * m._32,
                   v.x * m._13 + v.y * m._23 + v.z * m._33};
}

inline D3DVECTOR Normalized(const D3DVECTOR& v) {
  const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (length <= 0.0f) return v;
  return D3DVECTOR{v.x / length, v.y / length, v.z / length};
}

/// The matrix that carries normals: the inverse transpose of the upper 3x3 part, in a 4x4
/// with the rest zero. A singular matrix gives its own 3x3 part (normals then degenerate
/// as they would anyway).
inline D3DMATRIX NormalMatrix(const D3DMATRIX& m) {
  const float a = m._11, b = m._12, c = m._13;
  const float d = m._21, e = m._22, f = m._23;
  const float g = m._31, h = m._32, i = m._33;
  const float c11 = e * i - f * h, c12 = -(d * i - f * g), c13 = d * h - e * g;
  const float c21 = -(b * i - c * h), c22 = a * i - c * g, c23 = -(a * h - b * g);
  const float c31 = b * f - c * e, c32 = -(a * f - c * d), c33 = a * e - b * d;
  const float det = a * c11 + b * c12 + c * c13;
  D3DMATRIX r{};
  if (std::fabs(det) < 1e-30f) {
    r._11 = a; r._12 = b; r._13 = c;
    r._21 = d; r._22 = e; r._23 = f;
    r._31 = g; r._32 = h; r._33 = i;
    return r;
  }
  // inverse = adjugate / det = transpose(cofactors) / det; its transpose is cofactors / det.
  const float s = 1.0f / det;
  r._11 = c11 * s; r._12 = c12 * s; r._13 = c13 * s;
  r._21 = c21 * s; r._22 = c22 * s; r._23 = c23 * s;
  r._31 = c31 * s; r._32 = c32 * s; r._33 = c33 * s;
  return r;
}

}  // namespace platform::gl_math
