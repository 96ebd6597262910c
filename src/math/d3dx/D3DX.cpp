// The D3DX 9 math the engine relies on, written from Microsoft's published formulas.
// Everything is computed in 32-bit float, one rounding per operation, like D3DX itself.
#include "math/d3dx/D3DX.h"

#include <cmath>
#include <cstring>

// ---- D3DXVECTOR3 ----

D3DXVECTOR3::D3DXVECTOR3() : D3DVECTOR{0.0f, 0.0f, 0.0f} {}
D3DXVECTOR3::D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
D3DXVECTOR3::D3DXVECTOR3(float fx, float fy, float fz) : D3DVECTOR{fx, fy, fz} {}
D3DXVECTOR3::D3DXVECTOR3(const float* pf) : D3DVECTOR{0.0f, 0.0f, 0.0f} {
  if (pf) {
    x = pf[0];
    y = pf[1];
    z = pf[2];
  }
}

D3DXVECTOR3::operator float*() { return &x; }
D3DXVECTOR3::operator const float*() const { return &x; }

D3DXVECTOR3& D3DXVECTOR3::operator+=(const D3DXVECTOR3& v) {
  x += v.x;
  y += v.y;
  z += v.z;
  return *this;
}

D3DXVECTOR3& D3DXVECTOR3::operator-=(const D3DXVECTOR3& v) {
  x -= v.x;
  y -= v.y;
  z -= v.z;
  return *this;
}

D3DXVECTOR3& D3DXVECTOR3::operator*=(float f) {
  x *= f;
  y *= f;
  z *= f;
  return *this;
}

D3DXVECTOR3& D3DXVECTOR3::operator/=(float f) {
  // D3DX multiplies by the reciprocal; dividing would round differently.
  const float inv = 1.0f / f;
  return *this *= inv;
}

D3DXVECTOR3 D3DXVECTOR3::operator+() const { return *this; }
D3DXVECTOR3 D3DXVECTOR3::operator-() const { return D3DXVECTOR3(-x, -y, -z); }
D3DXVECTOR3 D3DXVECTOR3::operator+(const D3DXVECTOR3& v) const {
  return D3DXVECTOR3(x + v.x, y + v.y, z + v.z);
}
D3DXVECTOR3 D3DXVECTOR3::operator-(const D3DXVECTOR3& v) const {
  return D3DXVECTOR3(x - v.x, y - v.y, z - v.z);
}
D3DXVECTOR3 D3DXVECTOR3::operator*(float f) const { return D3DXVECTOR3(x * f, y * f, z * f); }
D3DXVECTOR3 D3DXVECTOR3::operator/(float f) const {
  const float inv = 1.0f / f;
  return D3DXVECTOR3(x * inv, y * inv, z * inv);
}

bool D3DXVECTOR3::operator==(const D3DXVECTOR3& v) const {
  return x == v.x && y == v.y && z == v.z;
}
bool D3DXVECTOR3::operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }

D3DXVECTOR3 operator*(float f, const D3DXVECTOR3& v) { return v * f; }

// ---- D3DXMATRIX ----

D3DXMATRIX::D3DXMATRIX() : D3DMATRIX{} {}
D3DXMATRIX::D3DXMATRIX(const D3DMATRIX& mat) : D3DMATRIX(mat) {}
D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22,
                       float f23, float f24, float f31, float f32, float f33, float f34,
                       float f41, float f42, float f43, float f44)
    : D3DMATRIX{} {
  _11 = f11; _12 = f12; _13 = f13; _14 = f14;
  _21 = f21; _22 = f22; _23 = f23; _24 = f24;
  _31 = f31; _32 = f32; _33 = f33; _34 = f34;
  _41 = f41; _42 = f42; _43 = f43; _44 = f44;
}
D3DXMATRIX::D3DXMATRIX(const float* pf) : D3DMATRIX{} {
  if (pf) std::memcpy(m, pf, sizeof(m));
}

float& D3DXMATRIX::operator()(unsigned row, unsigned col) { return m[row][col]; }
float D3DXMATRIX::operator()(unsigned row, unsigned col) const { return m[row][col]; }

D3DXMATRIX::operator float*() { return &m[0][0]; }
D3DXMATRIX::operator const float*() const { return &m[0][0]; }

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat) {
  D3DXMatrixMultiply(this, this, &mat);
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& mat) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] += mat.m[r][c];
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& mat) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] -= mat.m[r][c];
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator*=(float f) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] *= f;
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator/=(float f) {
  const float inv = 1.0f / f;
  return *this *= inv;
}

D3DXMATRIX D3DXMATRIX::operator+() const { return *this; }
D3DXMATRIX D3DXMATRIX::operator-() const { return *this * -1.0f; }
D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const {
  D3DXMATRIX out;
  D3DXMatrixMultiply(&out, this, &mat);
  return out;
}
D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& mat) const { return D3DXMATRIX(*this) += mat; }
D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& mat) const { return D3DXMATRIX(*this) -= mat; }
D3DXMATRIX D3DXMATRIX::operator*(float f) const { return D3DXMATRIX(*this) *= f; }
D3DXMATRIX D3DXMATRIX::operator/(float f) const { return D3DXMATRIX(*this) /= f; }

bool D3DXMATRIX::operator==(const D3DXMATRIX& mat) const {
  return std::memcmp(m, mat.m, sizeof(m)) == 0;
}
bool D3DXMATRIX::operator!=(const D3DXMATRIX& mat) const { return !(*this == mat); }

D3DXMATRIX operator*(float f, const D3DXMATRIX& mat) { return mat * f; }

// ---- D3DXQUATERNION ----

D3DXQUATERNION::D3DXQUATERNION() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
D3DXQUATERNION::D3DXQUATERNION(float fx, float fy, float fz, float fw)
    : x(fx), y(fy), z(fz), w(fw) {}

// ---- Matrix functions ----

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
  *pOut = D3DXMATRIX(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f,
                     0.0f, 0.0f, 0.0f, 1.0f);
  return pOut;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
  // Build in a local so that pOut may be one of the inputs.
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = pM1->m[i][0] * pM2->m[0][j] + pM1->m[i][1] * pM2->m[1][j] +
                  pM1->m[i][2] * pM2->m[2][j] + pM1->m[i][3] * pM2->m[3][j];
    }
  }
  *pOut = r;
  return pOut;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM) {
  const float(&a)[4][4] = pM->m;
  // 2x2 minors of the top two rows (s) and the bottom two rows (c); every cofactor and the
  // determinant are sums of products of one minor from each pair of rows.
  const float s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
  const float s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
  const float s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
  const float s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
  const float s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
  const float s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
  const float c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
  const float c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
  const float c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
  const float c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
  const float c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
  const float c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];

  const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
  if (pDeterminant) *pDeterminant = det;
  // A caller that gets NULL keeps its previous matrix, so never write a garbage one.
  if (det == 0.0f || !std::isfinite(det)) return nullptr;
  const float inv = 1.0f / det;

  D3DXMATRIX r;
  r.m[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * inv;
  r.m[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * inv;
  r.m[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * inv;
  r.m[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * inv;
  r.m[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * inv;
  r.m[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * inv;
  r.m[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * inv;
  r.m[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * inv;
  r.m[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * inv;
  r.m[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * inv;
  r.m[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * inv;
  r.m[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * inv;
  r.m[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * inv;
  r.m[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * inv;
  r.m[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * inv;
  r.m[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * inv;
  *pOut = r;
  return pOut;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
  D3DXVECTOR3 zaxis = *pAt - *pEye;
  D3DXVec3Normalize(&zaxis, &zaxis);
  D3DXVECTOR3 xaxis;
  D3DXVec3Cross(&xaxis, pUp, &zaxis);
  D3DXVec3Normalize(&xaxis, &xaxis);
  D3DXVECTOR3 yaxis;
  D3DXVec3Cross(&yaxis, &zaxis, &xaxis);

  *pOut = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0.0f,
                     xaxis.y, yaxis.y, zaxis.y, 0.0f,
                     xaxis.z, yaxis.z, zaxis.z, 0.0f,
                     -D3DXVec3Dot(&xaxis, pEye), -D3DXVec3Dot(&yaxis, pEye),
                     -D3DXVec3Dot(&zaxis, pEye), 1.0f);
  return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf) {
  D3DXMatrixIdentity(pOut);
  pOut->_11 = 2.0f / w;
  pOut->_22 = 2.0f / h;
  pOut->_33 = 1.0f / (zf - zn);
  pOut->_43 = zn / (zn - zf);
  return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float Aspect, float zn,
                                       float zf) {
  const float yScale = 1.0f / std::tan(fovy * 0.5f);
  const float xScale = yScale / Aspect;
  *pOut = D3DXMATRIX();
  pOut->_11 = xScale;
  pOut->_22 = yScale;
  pOut->_33 = zf / (zf - zn);
  pOut->_34 = 1.0f;
  pOut->_43 = -zn * zf / (zf - zn);
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle) {
  const float s = std::sin(angle);
  const float c = std::cos(angle);
  D3DXMatrixIdentity(pOut);
  pOut->_22 = c;
  pOut->_23 = s;
  pOut->_32 = -s;
  pOut->_33 = c;
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle) {
  const float s = std::sin(angle);
  const float c = std::cos(angle);
  D3DXMatrixIdentity(pOut);
  pOut->_11 = c;
  pOut->_13 = -s;
  pOut->_31 = s;
  pOut->_33 = c;
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle) {
  const float s = std::sin(angle);
  const float c = std::cos(angle);
  D3DXMatrixIdentity(pOut);
  pOut->_11 = c;
  pOut->_12 = s;
  pOut->_21 = -s;
  pOut->_22 = c;
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, float angle) {
  D3DXVECTOR3 n;
  D3DXVec3Normalize(&n, pV);
  const float s = std::sin(angle);
  const float c = std::cos(angle);
  const float t = 1.0f - c;
  // Rodrigues' rotation, transposed for row vectors so that a positive angle turns the
  // same way as RotationX/Y/Z do about their own axes.
  D3DXMatrixIdentity(pOut);
  pOut->_11 = t * n.x * n.x + c;
  pOut->_12 = t * n.x * n.y + s * n.z;
  pOut->_13 = t * n.x * n.z - s * n.y;
  pOut->_21 = t * n.x * n.y - s * n.z;
  pOut->_22 = t * n.y * n.y + c;
  pOut->_23 = t * n.y * n.z + s * n.x;
  pOut->_31 = t * n.x * n.z + s * n.y;
  pOut->_32 = t * n.y * n.z - s * n.x;
  pOut->_33 = t * n.z * n.z + c;
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, float yaw, float pitch, float roll) {
  D3DXMATRIX r, p, y;
  D3DXMatrixRotationZ(&r, roll);
  D3DXMatrixRotationX(&p, pitch);
  D3DXMatrixRotationY(&y, yaw);
  D3DXMatrixMultiply(&r, &r, &p);
  return D3DXMatrixMultiply(pOut, &r, &y);
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ) {
  const float x = pQ->x, y = pQ->y, z = pQ->z, w = pQ->w;
  D3DXMatrixIdentity(pOut);
  pOut->_11 = 1.0f - 2.0f * (y * y + z * z);
  pOut->_12 = 2.0f * (x * y + z * w);
  pOut->_13 = 2.0f * (x * z - y * w);
  pOut->_21 = 2.0f * (x * y - z * w);
  pOut->_22 = 1.0f - 2.0f * (x * x + z * z);
  pOut->_23 = 2.0f * (y * z + x * w);
  pOut->_31 = 2.0f * (x * z + y * w);
  pOut->_32 = 2.0f * (y * z - x * w);
  pOut->_33 = 1.0f - 2.0f * (x * x + y * y);
  return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz) {
  D3DXMatrixIdentity(pOut);
  pOut->_11 = sx;
  pOut->_22 = sy;
  pOut->_33 = sz;
  return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z) {
  D3DXMatrixIdentity(pOut);
  pOut->_41 = x;
  pOut->_42 = y;
  pOut->_43 = z;
  return pOut;
}

// ---- Vector functions ----

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
  const float len = D3DXVec3Length(pV);
  // Scripts normalise zero-length directions (a camera at its target); NaNs from that
  // would poison every later matrix, so a zero vector stays zero.
  if (len == 0.0f) {
    *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  } else {
    *pOut = D3DXVECTOR3(pV->x / len, pV->y / len, pV->z / len);
  }
  return pOut;
}

float D3DXVec3Length(const D3DXVECTOR3* pV) {
  return std::sqrt(pV->x * pV->x + pV->y * pV->y + pV->z * pV->z);
}

float D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
  return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
  const D3DXVECTOR3 r(pV1->y * pV2->z - pV1->z * pV2->y, pV1->z * pV2->x - pV1->x * pV2->z,
                      pV1->x * pV2->y - pV1->y * pV2->x);
  *pOut = r;
  return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                    const D3DXMATRIX* pM) {
  const float x = pV->x, y = pV->y, z = pV->z;
  const float w = x * pM->_14 + y * pM->_24 + z * pM->_34 + pM->_44;
  pOut->x = (x * pM->_11 + y * pM->_21 + z * pM->_31 + pM->_41) / w;
  pOut->y = (x * pM->_12 + y * pM->_22 + z * pM->_32 + pM->_42) / w;
  pOut->z = (x * pM->_13 + y * pM->_23 + z * pM->_33 + pM->_43) / w;
  return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                     const D3DXMATRIX* pM) {
  const float x = pV->x, y = pV->y, z = pV->z;
  pOut->x = x * pM->_11 + y * pM->_21 + z * pM->_31;
  pOut->y = x * pM->_12 + y * pM->_22 + z * pM->_32;
  pOut->z = x * pM->_13 + y * pM->_23 + z * pM->_33;
  return pOut;
}

namespace {

// world * view * projection, with a missing matrix standing for the identity.
D3DXMATRIX CombinedTransform(const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                             const D3DXMATRIX* pWorld) {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  if (pWorld) m = *pWorld;
  if (pView) D3DXMatrixMultiply(&m, &m, pView);
  if (pProjection) D3DXMatrixMultiply(&m, &m, pProjection);
  return m;
}

}  // namespace

D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                             const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                             const D3DXMATRIX* pView, const D3DXMATRIX* pWorld) {
  const D3DXMATRIX m = CombinedTransform(pProjection, pView, pWorld);
  D3DXVECTOR3 v;
  D3DXVec3TransformCoord(&v, pV, &m);
  // Clip space (-1..1, y up) to pixels (y down) and the viewport's depth range.
  const D3DVIEWPORT9& vp = *pViewport;
  pOut->x = static_cast<float>(vp.X) + (1.0f + v.x) * static_cast<float>(vp.Width) * 0.5f;
  pOut->y = static_cast<float>(vp.Y) + (1.0f - v.y) * static_cast<float>(vp.Height) * 0.5f;
  pOut->z = vp.MinZ + v.z * (vp.MaxZ - vp.MinZ);
  return pOut;
}

D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                               const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                               const D3DXMATRIX* pView, const D3DXMATRIX* pWorld) {
  D3DXMATRIX m = CombinedTransform(pProjection, pView, pWorld);
  if (!D3DXMatrixInverse(&m, nullptr, &m)) return nullptr;
  // Undo the viewport mapping of D3DXVec3Project, then the combined transform.
  const D3DVIEWPORT9& vp = *pViewport;
  D3DXVECTOR3 v;
  v.x = (pV->x - static_cast<float>(vp.X)) * 2.0f / static_cast<float>(vp.Width) - 1.0f;
  v.y = 1.0f - (pV->y - static_cast<float>(vp.Y)) * 2.0f / static_cast<float>(vp.Height);
  v.z = (pV->z - vp.MinZ) / (vp.MaxZ - vp.MinZ);
  return D3DXVec3TransformCoord(pOut, &v, &m);
}
