// D3DX math: expected values are worked out by hand from the Direct3D conventions
// (row vectors, left-handed axes, 0..1 depth), never taken from the code under test.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "math/d3dx/D3DX.h"

namespace {

const float kPi = 3.14159265358979f;
const float kHalfPi = kPi / 2.0f;

void ExpectNear(const D3DXVECTOR3& v, float x, float y, float z, float tol = 1e-5f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float tol = 1e-5f) {
  for (unsigned r = 0; r < 4; ++r)
    for (unsigned c = 0; c < 4; ++c) EXPECT_NEAR(a(r, c), b(r, c), tol) << r << "," << c;
}

D3DXVECTOR3 Transform(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  return *D3DXMatrixIdentity(&m);
}

D3DXMATRIX CameraView() {
  const D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
  D3DXMATRIX view;
  return *D3DXMatrixLookAtLH(&view, &eye, &at, &up);
}

D3DXMATRIX Perspective(float aspect) {
  D3DXMATRIX proj;
  return *D3DXMatrixPerspectiveFovLH(&proj, kHalfPi, aspect, 1.0f, 100.0f);
}

}  // namespace

static_assert(sizeof(D3DXVECTOR3) == 12 && sizeof(D3DXMATRIX) == 64, "D3DX layouts");

TEST(D3DXMultiply, RowVectorsApplyTheLeftMatrixFirst) {
  D3DXMATRIX t, r;
  D3DXMatrixTranslation(&t, 10, 0, 0);
  D3DXMatrixRotationZ(&r, kHalfPi);
  const D3DXVECTOR3 p(1, 0, 0);
  // Translate to (11,0,0), then a quarter turn about z gives (0,11,0).
  ExpectNear(Transform(p, t * r), 0, 11, 0);
  // Turn to (0,1,0), then translate gives (10,1,0).
  ExpectNear(Transform(p, r * t), 10, 1, 0);

  // Row 0 of A times a translation by (1,2,3): (1+4*1, 2+4*2, 3+4*3, 4).
  const D3DXMATRIX a(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  D3DXMATRIX b;
  D3DXMatrixTranslation(&b, 1, 2, 3);
  D3DXMATRIX ab;
  EXPECT_EQ(D3DXMatrixMultiply(&ab, &a, &b), &ab);
  EXPECT_EQ(ab, D3DXMATRIX(5, 10, 15, 4, 13, 22, 31, 8, 21, 34, 47, 12, 29, 46, 63, 16));

  D3DXMATRIX aliased = a;
  D3DXMatrixMultiply(&aliased, &aliased, &b);
  EXPECT_EQ(aliased, ab);
  aliased = b;
  D3DXMatrixMultiply(&aliased, &a, &aliased);
  EXPECT_EQ(aliased, ab);
  D3DXMATRIX compound = a;
  compound *= b;
  EXPECT_EQ(compound, ab);
}

TEST(D3DXCamera, LookAtFromBehindTheOriginIsAPureTranslation) {
  const D3DXMATRIX view = CameraView();
  const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 10, 1};
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(static_cast<const float*>(view)[i], expected[i]);
  EXPECT_EQ(view._43, 10.0f);
}

TEST(D3DXCamera, LookAtFromPositiveXTurnsTheAxes) {
  const D3DXVECTOR3 eye(10, 0, 0), at(0, 0, 0), up(0, 1, 0);
  D3DXMATRIX view;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  // Forward is -x, so the camera's right (up x forward, left-handed) is world +z.
  ExpectMatrixNear(view, D3DXMATRIX(0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 10, 1));
  ExpectNear(Transform(D3DXVECTOR3(0, 0, 5), view), 5, 0, 10);
  ExpectNear(Transform(D3DXVECTOR3(0, 3, 0), view), 0, 3, 10);
}

TEST(D3DXProjection, PerspectiveFovMatchesTheDocumentedMatrix) {
  const D3DXMATRIX p = Perspective(4.0f / 3.0f);
  EXPECT_FLOAT_EQ(p._11, 0.75f);
  EXPECT_FLOAT_EQ(p._22, 1.0f);
  EXPECT_FLOAT_EQ(p._33, 100.0f / 99.0f);
  EXPECT_EQ(p._34, 1.0f);
  EXPECT_FLOAT_EQ(p._43, -100.0f / 99.0f);
  EXPECT_EQ(p._44, 0.0f);
  EXPECT_EQ(p._12, 0.0f);
  EXPECT_EQ(p._41, 0.0f);
  // The near plane lands on depth 0 and the far plane on depth 1.
  ExpectNear(Transform(D3DXVECTOR3(0, 0, 1), p), 0, 0, 0);
  ExpectNear(Transform(D3DXVECTOR3(0, 0, 100), p), 0, 0, 1);
}

TEST(D3DXProjection, OrthoMapsTheViewVolumeToTheUnitCube) {
  D3DXMATRIX p;
  D3DXMatrixOrthoLH(&p, 800, 600, 0, 1);
  EXPECT_FLOAT_EQ(p._11, 0.0025f);
  EXPECT_FLOAT_EQ(p._22, 2.0f / 600.0f);
  EXPECT_FLOAT_EQ(p._33, 1.0f);
  EXPECT_EQ(p._43, 0.0f);
  EXPECT_EQ(p._44, 1.0f);
  EXPECT_EQ(p._34, 0.0f);
  ExpectNear(Transform(D3DXVECTOR3(400, 300, 1), p), 1, 1, 1);
  ExpectNear(Transform(D3DXVECTOR3(-400, -150, 0.5f), p), -1, -0.5f, 0.5f);
}

TEST(D3DXRotation, QuarterTurnsFollowLeftHandedAxes) {
  D3DXMATRIX m;
  ExpectNear(Transform(D3DXVECTOR3(0, 1, 0), *D3DXMatrixRotationX(&m, kHalfPi)), 0, 0, 1);
  ExpectNear(Transform(D3DXVECTOR3(1, 0, 0), *D3DXMatrixRotationY(&m, kHalfPi)), 0, 0, -1);
  ExpectNear(Transform(D3DXVECTOR3(0, 0, 1), *D3DXMatrixRotationY(&m, kHalfPi)), 1, 0, 0);
  ExpectNear(Transform(D3DXVECTOR3(1, 0, 0), *D3DXMatrixRotationZ(&m, kHalfPi)), 0, 1, 0);
}

TEST(D3DXRotation, AxisRotationNormalisesAndAgreesWithTheAxisRotations) {
  D3DXMATRIX a, z;
  const D3DXVECTOR3 zAxis(0, 0, 2), yAxis(0, 5, 0);
  ExpectMatrixNear(*D3DXMatrixRotationAxis(&a, &zAxis, 0.7f), *D3DXMatrixRotationZ(&z, 0.7f));
  ExpectMatrixNear(*D3DXMatrixRotationAxis(&a, &yAxis, -1.1f), *D3DXMatrixRotationY(&z, -1.1f));
  // A third of a turn about the diagonal cycles the axes x -> y -> z.
  const D3DXVECTOR3 diagonal(1, 1, 1);
  D3DXMatrixRotationAxis(&a, &diagonal, 2.0f * kPi / 3.0f);
  ExpectNear(Transform(D3DXVECTOR3(1, 0, 0), a), 0, 1, 0);
  ExpectNear(Transform(D3DXVECTOR3(0, 1, 0), a), 0, 0, 1);
  ExpectNear(Transform(D3DXVECTOR3(2, 2, 2), a), 2, 2, 2);
}

TEST(D3DXRotation, YawPitchRollAppliesRollThenPitchThenYaw) {
  D3DXMATRIX m;
  // Pitch turns +z to -y; a yaw about y then leaves it there.
  D3DXMatrixRotationYawPitchRoll(&m, kHalfPi, kHalfPi, 0);
  ExpectNear(Transform(D3DXVECTOR3(0, 0, 1), m), 0, -1, 0);
  // Roll turns +x to +y; pitch then turns +y to +z.
  D3DXMatrixRotationYawPitchRoll(&m, 0, kHalfPi, kHalfPi);
  ExpectNear(Transform(D3DXVECTOR3(1, 0, 0), m), 0, 0, 1);
}

TEST(D3DXRotation, QuaternionMatchesTheSameRotationAsAMatrix) {
  const float h = std::sqrt(0.5f);
  D3DXQUATERNION q(0, h, 0, h);
  D3DXMATRIX fromQ, rotY;
  D3DXMatrixRotationQuaternion(&fromQ, &q);
  ExpectMatrixNear(fromQ, *D3DXMatrixRotationY(&rotY, kHalfPi), 1e-6f);
  q = D3DXQUATERNION(0, 0, 0, 1);
  EXPECT_EQ(*D3DXMatrixRotationQuaternion(&fromQ, &q), Identity());
}

TEST(D3DXInverse, UndoesAComposedTransform) {
  D3DXMATRIX s, r, t;
  D3DXMatrixScaling(&s, 2, 3, 4);
  D3DXMatrixRotationYawPitchRoll(&r, 0.3f, 0.5f, 0.7f);
  D3DXMatrixTranslation(&t, 1, -2, 3);
  const D3DXMATRIX m = s * r * t;
  D3DXMATRIX inv;
  float det = 0;
  ASSERT_EQ(D3DXMatrixInverse(&inv, &det, &m), &inv);
  EXPECT_NEAR(det, 24.0f, 1e-4f);  // rotations and translations keep volume
  ExpectMatrixNear(inv * m, Identity());
  ExpectMatrixNear(m * inv, Identity());
  ExpectNear(Transform(Transform(D3DXVECTOR3(4, 5, 6), m), inv), 4, 5, 6, 1e-4f);

  D3DXMATRIX inPlace = m;
  ASSERT_NE(D3DXMatrixInverse(&inPlace, nullptr, &inPlace), nullptr);
  ExpectMatrixNear(inPlace, inv, 1e-6f);
}

TEST(D3DXInverse, SingularOrNonFiniteMatricesFailWithoutTouchingTheOutput) {
  D3DXMATRIX flat;
  D3DXMatrixScaling(&flat, 1, 0, 1);
  const D3DXMATRIX sentinel(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  D3DXMATRIX out = sentinel;
  float det = 99;
  EXPECT_EQ(D3DXMatrixInverse(&out, &det, &flat), nullptr);
  EXPECT_EQ(det, 0.0f);
  EXPECT_EQ(out, sentinel);

  D3DXMATRIX nan = Identity();
  nan._22 = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &nan), nullptr);
  EXPECT_EQ(out, sentinel);
}

TEST(D3DXTransform, CoordDividesByWAndNormalIgnoresTranslation) {
  const D3DXMATRIX p = Perspective(4.0f / 3.0f);
  // Clip (1.5, 1, 300/99, w = 4) divided by w.
  ExpectNear(Transform(D3DXVECTOR3(2, 1, 4), p), 0.375f, 0.25f, 75.0f / 99.0f, 1e-6f);
  D3DXVECTOR3 v(2, 1, 4);
  D3DXVec3TransformCoord(&v, &v, &p);
  ExpectNear(v, 0.375f, 0.25f, 75.0f / 99.0f, 1e-6f);

  D3DXMATRIX s, t;
  D3DXMatrixScaling(&s, 2, 3, 4);
  D3DXMatrixTranslation(&t, 5, 6, 7);
  const D3DXMATRIX st = s * t;
  D3DXVECTOR3 n(1, 1, 1);
  D3DXVec3TransformNormal(&n, &n, &st);
  EXPECT_EQ(n, D3DXVECTOR3(2, 3, 4));
  EXPECT_EQ(Transform(D3DXVECTOR3(1, 1, 1), st), D3DXVECTOR3(7, 9, 11));
}

TEST(D3DXProjectTest, MapsClipSpaceOntoTheViewport) {
  const D3DVIEWPORT9 vp = {0, 0, 640, 480, 0, 1};
  const D3DXMATRIX view = CameraView();
  const D3DXMATRIX proj = Perspective(640.0f / 480.0f);
  D3DXVECTOR3 s;
  const D3DXVECTOR3 origin(0, 0, 0), right(5, 0, 0), above(0, 5, 0);
  ASSERT_EQ(D3DXVec3Project(&s, &origin, &vp, &proj, &view, nullptr), &s);
  ExpectNear(s, 320, 240, 90.0f / 99.0f, 1e-4f);
  D3DXVec3Project(&s, &right, &vp, &proj, &view, nullptr);  // clip x = 5 * 0.75 / 10
  ExpectNear(s, 440, 240, 90.0f / 99.0f, 1e-4f);
  D3DXVec3Project(&s, &above, &vp, &proj, &view, nullptr);  // clip y = 0.5, screen y is down
  ExpectNear(s, 320, 120, 90.0f / 99.0f, 1e-4f);
  // World applies before view: the quarter turn takes (0,0,5) to (5,0,0) first.
  D3DXMATRIX world;
  D3DXMatrixRotationY(&world, kHalfPi);
  const D3DXVECTOR3 ahead(0, 0, 5);
  D3DXVec3Project(&s, &ahead, &vp, &proj, &view, &world);
  ExpectNear(s, 440, 240, 90.0f / 99.0f, 1e-3f);

  // No matrices: the point is already in clip space. Offsets and the depth range apply.
  const D3DVIEWPORT9 inset = {10, 20, 640, 480, 0.5f, 1};
  const D3DXVECTOR3 clip(0.5f, -0.5f, 0.25f);
  D3DXVec3Project(&s, &clip, &inset, nullptr, nullptr, nullptr);
  ExpectNear(s, 490, 380, 0.625f);
}

TEST(D3DXProjectTest, UnprojectReversesProject) {
  const D3DVIEWPORT9 vp = {0, 0, 640, 480, 0, 1};
  const D3DXMATRIX view = CameraView();
  const D3DXMATRIX proj = Perspective(640.0f / 480.0f);
  D3DXMATRIX world;
  D3DXMatrixRotationYawPitchRoll(&world, 0.4f, -0.2f, 0.1f);
  D3DXMATRIX move;
  world *= *D3DXMatrixTranslation(&move, 1, 2, 3);
  const D3DXVECTOR3 points[] = {{0, 0, 0}, {1, -2, 3}, {-4, 2.5f, 20}};
  for (const D3DXVECTOR3& p : points) {
    D3DXVECTOR3 screen, back;
    D3DXVec3Project(&screen, &p, &vp, &proj, &view, &world);
    ASSERT_EQ(D3DXVec3Unproject(&back, &screen, &vp, &proj, &view, &world), &back);
    ExpectNear(back, p.x, p.y, p.z, 1e-3f);
  }
  const D3DXVECTOR3 centre(320, 240, 0);
  D3DXVECTOR3 nearCentre;
  D3DXVec3Unproject(&nearCentre, &centre, &vp, &proj, &view, nullptr);
  ExpectNear(nearCentre, 0, 0, -9, 1e-4f);  // depth 0 is the near plane, 1 in front of the eye

  D3DXMATRIX flat;
  D3DXMatrixScaling(&flat, 1, 1, 0);
  D3DXVECTOR3 untouched(7, 8, 9);
  EXPECT_EQ(D3DXVec3Unproject(&untouched, &centre, &vp, &flat, nullptr, nullptr), nullptr);
  EXPECT_EQ(untouched, D3DXVECTOR3(7, 8, 9));
}

TEST(D3DXVector, LengthDotCrossAndNormalize) {
  const D3DXVECTOR3 v(3, 0, 4), x(1, 0, 0), y(0, 1, 0);
  EXPECT_EQ(D3DXVec3Length(&v), 5.0f);
  EXPECT_EQ(D3DXVec3Dot(&v, &v), 25.0f);
  D3DXVECTOR3 out;
  EXPECT_EQ(*D3DXVec3Cross(&out, &x, &y), D3DXVECTOR3(0, 0, 1));
  ExpectNear(*D3DXVec3Normalize(&out, &v), 0.6f, 0, 0.8f, 1e-7f);
  const D3DXVECTOR3 zero(0, 0, 0);
  D3DXVec3Normalize(&out, &zero);
  EXPECT_EQ(out.x, 0.0f);
  EXPECT_EQ(out.y, 0.0f);
  EXPECT_EQ(out.z, 0.0f);
  EXPECT_EQ(D3DXVECTOR3(), zero);
}

TEST(D3DXVector, OperatorsAndDivisionByReciprocal) {
  const D3DXVECTOR3 a(1, 2, 3), b(4, 5, 6);
  EXPECT_EQ(a + b, D3DXVECTOR3(5, 7, 9));
  EXPECT_EQ(b - a, D3DXVECTOR3(3, 3, 3));
  EXPECT_EQ(-a, D3DXVECTOR3(-1, -2, -3));
  EXPECT_EQ(a * 2.0f, D3DXVECTOR3(2, 4, 6));
  EXPECT_EQ(2.0f * a, D3DXVECTOR3(2, 4, 6));
  D3DXVECTOR3 c = a;
  c += b;
  c -= a;
  c *= 0.5f;
  EXPECT_EQ(c, D3DXVECTOR3(2, 2.5f, 3));
  // 5 * (1/3) rounds differently from 5 / 3; D3DX uses the reciprocal.
  const D3DXVECTOR3 q = D3DXVECTOR3(5, 5, 5) / 3.0f;
  EXPECT_EQ(q.x, 5.0f * (1.0f / 3.0f));
  EXPECT_NE(q.x, 5.0f / 3.0f);
  const float raw[3] = {7, 8, 9};
  EXPECT_EQ(D3DXVECTOR3(raw), D3DXVECTOR3(7, 8, 9));
  EXPECT_EQ(static_cast<const float*>(a)[2], 3.0f);
}

TEST(D3DXEquality, VectorsCompareAsFloatsMatricesAsBytes) {
  EXPECT_TRUE(D3DXVECTOR3(0, 0, 0) == D3DXVECTOR3(-0.0f, 0, -0.0f));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const D3DXVECTOR3 n(nan, 0, 0);
  EXPECT_FALSE(n == n);
  EXPECT_TRUE(n != n);

  D3DXMATRIX a = Identity(), b = Identity();
  EXPECT_TRUE(a == b);
  b._41 = -0.0f;
  EXPECT_FALSE(a == b);
  EXPECT_TRUE(a != b);
  a._22 = b._22 = nan;
  b._41 = 0.0f;
  EXPECT_TRUE(a == b);  // same bytes, even though NaN != NaN as floats
  EXPECT_EQ(D3DXMATRIX(), D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
  EXPECT_EQ(Identity() * 3.0f / 3.0f, Identity());
  EXPECT_EQ(Identity() + Identity() - Identity(), Identity());
  EXPECT_EQ(Identity().m[3][3], Identity()(3, 3));
}
