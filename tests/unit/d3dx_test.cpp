// D3DX math: expected values are worked out by hand from the Direct3D conventions
// (row vectors, left-handed axes, 0..1 depth), never taken from the code under test.
#include "math/d3dx/D3DX.h"

#include <gtest/gtest.h>

#include <limits>

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

D3DXMATRIX LookAt(const D3DXVECTOR3& eye) {
  const D3DXVECTOR3 at(0, 0, 0), up(0, 1, 0);
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
  // Translated, then turned a quarter about z: (0,11,0); turned, then translated: (10,1,0).
  ExpectNear(Transform(D3DXVECTOR3(1, 0, 0), t * r), 0, 11, 0);
  ExpectNear(Transform(D3DXVECTOR3(1, 0, 0), r * t), 10, 1, 0);

  // Row 0 of A times a translation by (1,2,3): (1+4*1, 2+4*2, 3+4*3, 4).
  const D3DXMATRIX a(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  const D3DXMATRIX ab(5, 10, 15, 4, 13, 22, 31, 8, 21, 34, 47, 12, 29, 46, 63, 16);
  D3DXMATRIX b, out;
  D3DXMatrixTranslation(&b, 1, 2, 3);
  EXPECT_EQ(D3DXMatrixMultiply(&out, &a, &b), &out);
  EXPECT_EQ(out, ab);
  // The output may be either input.
  out = a;
  EXPECT_EQ(*D3DXMatrixMultiply(&out, &out, &b), ab);
  out = b;
  EXPECT_EQ(*D3DXMatrixMultiply(&out, &a, &out), ab);
  out = a;
  EXPECT_EQ(out *= b, ab);
}

TEST(D3DXCamera, LookAtOfKnownCameras) {
  ExpectMatrixNear(LookAt(D3DXVECTOR3(0, 0, -10)),
                   D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 10, 1), 1e-6f);
  // From +x, forward is -x, so the camera's right (up x forward, left-handed) is world +z.
  ExpectMatrixNear(LookAt(D3DXVECTOR3(10, 0, 0)),
                   D3DXMATRIX(0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 10, 1));
}

TEST(D3DXProjection, PerspectiveAndOrthoMatchTheDocumentedMatrices) {
  ExpectMatrixNear(
      Perspective(4.0f / 3.0f),
      D3DXMATRIX(0.75f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 100.0f / 99, 1, 0, 0, -100.0f / 99, 0), 1e-6f);
  D3DXMATRIX p;
  D3DXMatrixOrthoLH(&p, 800, 600, 0, 1);
  ExpectMatrixNear(p, D3DXMATRIX(0.0025f, 0, 0, 0, 0, 2.0f / 600, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1),
                   1e-7f);
}

TEST(D3DXRotation, LeftHandedAxesAxisAngleAndYawPitchRoll) {
  D3DXMATRIX m;
  ExpectNear(Transform(D3DXVECTOR3(0, 1, 0), *D3DXMatrixRotationX(&m, kHalfPi)), 0, 0, 1);
  ExpectNear(Transform(D3DXVECTOR3(1, 0, 0), *D3DXMatrixRotationY(&m, kHalfPi)), 0, 0, -1);
  ExpectNear(Transform(D3DXVECTOR3(0, 0, 1), *D3DXMatrixRotationY(&m, kHalfPi)), 1, 0, 0);
  ExpectNear(Transform(D3DXVECTOR3(1, 0, 0), *D3DXMatrixRotationZ(&m, kHalfPi)), 0, 1, 0);

  // An axis of any length; a third of a turn about the diagonal cycles x -> y -> z.
  const D3DXVECTOR3 zAxis(0, 0, 2), diagonal(1, 1, 1);
  D3DXMATRIX z;
  ExpectMatrixNear(*D3DXMatrixRotationAxis(&m, &zAxis, 0.7f), *D3DXMatrixRotationZ(&z, 0.7f));
  D3DXMatrixRotationAxis(&m, &diagonal, 2.0f * kPi / 3.0f);
  ExpectNear(Transform(D3DXVECTOR3(1, 0, 0), m), 0, 1, 0);

  // Roll, then pitch, then yaw: pitch turns +z to -y, where yaw leaves it; roll turns +x to
  // +y, which pitch then turns to +z.
  D3DXMatrixRotationYawPitchRoll(&m, kHalfPi, kHalfPi, 0);
  ExpectNear(Transform(D3DXVECTOR3(0, 0, 1), m), 0, -1, 0);
  D3DXMatrixRotationYawPitchRoll(&m, 0, kHalfPi, kHalfPi);
  ExpectNear(Transform(D3DXVECTOR3(1, 0, 0), m), 0, 0, 1);
}

TEST(D3DXInverse, UndoesAComposedTransformAndRefusesSingularOnes) {
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
  D3DXMATRIX inPlace = m;
  ASSERT_NE(D3DXMatrixInverse(&inPlace, nullptr, &inPlace), nullptr);
  ExpectMatrixNear(inPlace, inv, 1e-6f);

  // Singular or not finite: null, and the output is untouched.
  D3DXMATRIX flat, nan = Identity();
  D3DXMatrixScaling(&flat, 1, 0, 1);
  nan._22 = std::numeric_limits<float>::quiet_NaN();
  const D3DXMATRIX sentinel(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  D3DXMATRIX out = sentinel;
  det = 99;
  EXPECT_EQ(D3DXMatrixInverse(&out, &det, &flat), nullptr);
  EXPECT_EQ(det, 0.0f);
  EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &nan), nullptr);
  EXPECT_EQ(out, sentinel);
}

TEST(D3DXTransform, CoordDividesByWAndNormalIgnoresTranslation) {
  const D3DXMATRIX p = Perspective(4.0f / 3.0f);
  // Clip (1.5, 1, 300/99, w = 4) divided by w, also in place.
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
}

TEST(D3DXProjectTest, MapsOntoTheViewportAndUnprojectReversesIt) {
  const D3DVIEWPORT9 vp = {0, 0, 640, 480, 0, 1};
  const D3DXMATRIX view = LookAt(D3DXVECTOR3(0, 0, -10));
  const D3DXMATRIX proj = Perspective(640.0f / 480.0f);
  const auto project = [&](const D3DXVECTOR3& p, const D3DXMATRIX* world) {
    D3DXVECTOR3 s;
    EXPECT_EQ(D3DXVec3Project(&s, &p, &vp, &proj, &view, world), &s);
    return s;
  };
  // Depth 90/99 at 10 in front of the eye; clip x = 5 * 0.75 / 10 and y = 5 / 10, with
  // screen y down. World applies before view: the quarter turn takes (0,0,5) to (5,0,0).
  D3DXMATRIX world;
  D3DXMatrixRotationY(&world, kHalfPi);
  ExpectNear(project({0, 0, 0}, nullptr), 320, 240, 90.0f / 99.0f, 1e-4f);
  ExpectNear(project({5, 0, 0}, nullptr), 440, 240, 90.0f / 99.0f, 1e-4f);
  ExpectNear(project({0, 5, 0}, nullptr), 320, 120, 90.0f / 99.0f, 1e-4f);
  ExpectNear(project({0, 0, 5}, &world), 440, 240, 90.0f / 99.0f, 1e-3f);
  // No matrices: the point is already in clip space. Offsets and the depth range apply.
  const D3DVIEWPORT9 inset = {10, 20, 640, 480, 0.5f, 1};
  const D3DXVECTOR3 clip(0.5f, -0.5f, 0.25f);
  D3DXVECTOR3 s;
  D3DXVec3Project(&s, &clip, &inset, nullptr, nullptr, nullptr);
  ExpectNear(s, 490, 380, 0.625f);

  D3DXMATRIX move;
  D3DXMatrixRotationYawPitchRoll(&world, 0.4f, -0.2f, 0.1f);
  world *= *D3DXMatrixTranslation(&move, 1, 2, 3);
  for (const D3DXVECTOR3& p :
       {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, -2, 3), D3DXVECTOR3(-4, 2.5f, 20)}) {
    const D3DXVECTOR3 screen = project(p, &world);
    D3DXVECTOR3 back;
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

TEST(D3DXVector, DotNormalizeOperatorsAndDivisionByReciprocal) {
  const D3DXVECTOR3 v(3, 0, 4), zero(0, 0, 0);
  EXPECT_EQ(D3DXVec3Dot(&v, &v), 25.0f);
  D3DXVECTOR3 out;
  ExpectNear(*D3DXVec3Normalize(&out, &v), 0.6f, 0, 0.8f, 1e-7f);
  EXPECT_EQ(*D3DXVec3Normalize(&out, &zero), zero);  // not NaN

  const D3DXVECTOR3 a(1, 2, 3), b(4, 5, 6);
  EXPECT_EQ(2.0f * (b - a) + -a, D3DXVECTOR3(5, 4, 3));
  D3DXVECTOR3 c = a;
  c += b;
  c -= a;
  c *= 0.5f;
  EXPECT_EQ(c, D3DXVECTOR3(2, 2.5f, 3));
  // 5 * (1/3) rounds differently from 5 / 3; D3DX uses the reciprocal.
  const D3DXVECTOR3 q = D3DXVECTOR3(5, 5, 5) / 3.0f;
  EXPECT_EQ(q.x, 5.0f * (1.0f / 3.0f));
  EXPECT_NE(q.x, 5.0f / 3.0f);
}

// Vectors compare as floats (the math game checks -0 and NaN); matrices as bytes.
TEST(D3DXEquality, MatricesCompareAsBytes) {
  D3DXMATRIX a = Identity(), b = Identity();
  a._22 = b._22 = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(a == b);  // same bytes, even though NaN != NaN as floats
  b._41 = -0.0f;
  EXPECT_TRUE(a != b);
}
