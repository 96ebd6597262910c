// The D3DX 9 math the engine relies on: vector and matrix types with D3DX's operators, and
// the D3DX functions (same names, pointer signatures, row-vector convention, float rounding).
#pragma once

#include "platform/gfx/D3DTypes.h"

/// A 3-component vector with D3DX's operators; converts to and from D3DVECTOR.
struct D3DXVECTOR3 : D3DVECTOR {
  /// Zero vector. D3DX leaves it uninitialised; zeroing on purpose keeps stray reads defined.
  D3DXVECTOR3();
  /// Copies a plain Direct3D vector.
  D3DXVECTOR3(const D3DVECTOR& v);  // NOLINT: implicit, as in D3DX
  /// Builds from three components.
  D3DXVECTOR3(float fx, float fy, float fz);
  /// Reads three consecutive floats (x, y, z); a null pointer gives the zero vector.
  explicit D3DXVECTOR3(const float* pf);

  /// Pointer to x, y, z for APIs taking float arrays.
  operator float*();
  /// Read-only pointer to x, y, z.
  operator const float*() const;

  /// Componentwise sum in place.
  D3DXVECTOR3& operator+=(const D3DXVECTOR3& v);
  /// Componentwise difference in place.
  D3DXVECTOR3& operator-=(const D3DXVECTOR3& v);
  /// Scales in place.
  D3DXVECTOR3& operator*=(float f);
  /// Scales in place by the reciprocal of f, as D3DX does.
  D3DXVECTOR3& operator/=(float f);

  /// The vector itself.
  D3DXVECTOR3 operator+() const;
  /// The negated vector.
  D3DXVECTOR3 operator-() const;
  /// Componentwise sum.
  D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const;
  /// Componentwise difference.
  D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const;
  /// Scaled copy.
  D3DXVECTOR3 operator*(float f) const;
  /// Copy scaled by the reciprocal of f, as D3DX does.
  D3DXVECTOR3 operator/(float f) const;

  /// Componentwise float comparison: 0 equals -0, NaN never equals anything.
  bool operator==(const D3DXVECTOR3& v) const;
  /// Negation of ==.
  bool operator!=(const D3DXVECTOR3& v) const;
};

/// Scaled copy with the scalar on the left.
D3DXVECTOR3 operator*(float f, const D3DXVECTOR3& v);

/// A 4x4 row-major matrix with D3DX's operators; vectors are rows multiplied on the left.
struct D3DXMATRIX : D3DMATRIX {
  /// Zero matrix. D3DX leaves it uninitialised; zeroing on purpose keeps stray reads defined.
  D3DXMATRIX();
  /// Copies a plain Direct3D matrix.
  D3DXMATRIX(const D3DMATRIX& mat);  // NOLINT: implicit, as in D3DX
  /// Builds from sixteen elements in row order.
  D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23,
             float f24, float f31, float f32, float f33, float f34, float f41, float f42,
             float f43, float f44);
  /// Reads sixteen consecutive floats in row order; a null pointer gives the zero matrix.
  explicit D3DXMATRIX(const float* pf);

  /// Element at a zero-based row and column.
  float& operator()(unsigned row, unsigned col);
  /// Element at a zero-based row and column.
  float operator()(unsigned row, unsigned col) const;

  /// Pointer to the sixteen elements in row order.
  operator float*();
  /// Read-only pointer to the sixteen elements in row order.
  operator const float*() const;

  /// Multiplies on the right in place (this = this * mat).
  D3DXMATRIX& operator*=(const D3DXMATRIX& mat);
  /// Elementwise sum in place.
  D3DXMATRIX& operator+=(const D3DXMATRIX& mat);
  /// Elementwise difference in place.
  D3DXMATRIX& operator-=(const D3DXMATRIX& mat);
  /// Scales every element in place.
  D3DXMATRIX& operator*=(float f);
  /// Scales every element in place by the reciprocal of f, as D3DX does.
  D3DXMATRIX& operator/=(float f);

  /// The matrix itself.
  D3DXMATRIX operator+() const;
  /// Every element negated.
  D3DXMATRIX operator-() const;
  /// Matrix product this * mat (this applied first).
  D3DXMATRIX operator*(const D3DXMATRIX& mat) const;
  /// Elementwise sum.
  D3DXMATRIX operator+(const D3DXMATRIX& mat) const;
  /// Elementwise difference.
  D3DXMATRIX operator-(const D3DXMATRIX& mat) const;
  /// Every element scaled.
  D3DXMATRIX operator*(float f) const;
  /// Every element scaled by the reciprocal of f, as D3DX does.
  D3DXMATRIX operator/(float f) const;

  /// Bitwise comparison of all 64 bytes: 0 and -0 differ, identical NaNs are equal.
  bool operator==(const D3DXMATRIX& mat) const;
  /// Negation of ==.
  bool operator!=(const D3DXMATRIX& mat) const;
};

/// Every element scaled, with the scalar on the left.
D3DXMATRIX operator*(float f, const D3DXMATRIX& mat);

/// A rotation quaternion (x, y, z vector part, w scalar part).
struct D3DXQUATERNION {
  /// Zero quaternion, zeroed on purpose like the other D3DX types here.
  D3DXQUATERNION();
  /// Builds from four components.
  D3DXQUATERNION(float fx, float fy, float fz, float fw);
  float x, y, z, w;
};

/// Sets *pOut to the identity matrix.
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut);
/// *pOut = M1 * M2 (M1 applied first); pOut may alias either input.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
/// Inverts *pM; stores the determinant if asked; returns NULL, *pOut untouched, if singular.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM);
/// Left-handed view matrix for a camera at *pEye looking at *pAt with *pUp as up.
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
/// Left-handed orthographic projection of a w x h view volume from zn to zf.
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);
/// Left-handed perspective projection from a vertical field of view in radians.
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float Aspect, float zn,
                                       float zf);
/// Rotation about the x axis by angle radians.
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle);
/// Rotation about the y axis by angle radians.
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle);
/// Rotation about the z axis by angle radians.
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle);
/// Rotation about an arbitrary axis (normalised first) by angle radians.
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, float angle);
/// RotationZ(roll) * RotationX(pitch) * RotationY(yaw): roll first, then pitch, then yaw.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, float yaw, float pitch, float roll);
/// Rotation matrix of a unit quaternion.
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ);
/// Scaling by sx, sy, sz along the axes.
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz);
/// Translation by (x, y, z).
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);

/// Unit vector in the direction of *pV; a zero vector gives (0, 0, 0).
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
/// Euclidean length.
float D3DXVec3Length(const D3DXVECTOR3* pV);
/// Dot product.
float D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
/// Cross product V1 x V2; pOut may alias either input.
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
/// Transforms (x, y, z, 1) by *pM and divides by the resulting w; pOut may alias pV.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                    const D3DXMATRIX* pM);
/// Transforms (x, y, z, 0) by *pM: rotation and scale, no translation; pOut may alias pV.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                     const D3DXMATRIX* pM);
/// Object space to screen space through world, view, projection (NULL = identity) and viewport.
D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                             const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                             const D3DXMATRIX* pView, const D3DXMATRIX* pWorld);
/// Screen space back to object space; NULL, *pOut untouched, if the combined matrix is singular.
D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                               const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                               const D3DXMATRIX* pView, const D3DXMATRIX* pWorld);
