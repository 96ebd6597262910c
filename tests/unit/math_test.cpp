// The script-facing math classes: angles, vectors, matrices, colours, random numbers and
// eased motion. Expected values are worked out by hand (or from the published MT19937
// sequence), never computed by the code under test.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ctime>
#include <limits>
#include <random>

#include "math/AngleC.h"
#include "math/D3DARGB.h"
#include "math/MatrixC.h"
#include "math/RandomC.h"
#include "math/SmoothCurve.h"
#include "math/Vector3C.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float tol = 1e-5f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

void ExpectMatrix(const D3DXMATRIX& a, const D3DXMATRIX& b, float tol) {
  for (unsigned r = 0; r < 4; ++r)
    for (unsigned c = 0; c < 4; ++c) EXPECT_NEAR(a(r, c), b(r, c), tol) << r << "," << c;
}

float Revised(float degrees) { return AngleC(DegreeC(degrees)).Revise().ToFloat(); }

}  // namespace

TEST(AngleConversions, DegreesRadiansAndTheFloatConstants) {
  // Scripts truncate to int before the int constructor; the float one keeps fractions.
  EXPECT_EQ(DegreeC(45).ToFloat(), 45.0f);
  EXPECT_EQ(DegreeC(45.9f).ToFloat(), 45.9f);
  DegreeC d;
  EXPECT_EQ(d.Set(45.9f).ToFloat(), 45.9f);
  // Both conversions multiply by the rounded float constants, not by a double pi.
  EXPECT_EQ(DegreeC(180).TranslateRadian(), 180.0f * 0.0174532924f);
  EXPECT_EQ(RadianC(2.0f).TranslateDegree(), 2.0f * 57.2957802f);
  const AngleC fromRadian(RadianC(1.0f));
  EXPECT_EQ(fromRadian.ToDeg(), 57.2957802f);
  EXPECT_EQ(AngleC(DegreeC(90.0f)).ToRad(), 90.0f * 0.0174532924f);
}

TEST(AngleRevise, WholeDegreesCountedBackFrom360) {
  EXPECT_EQ(Revised(370.0f), 10.0f);
  EXPECT_EQ(Revised(-90.0f), 270.0f);
  EXPECT_EQ(Revised(-360.0f), 360.0f);
  EXPECT_EQ(Revised(-0.5f), 360.0f);
  EXPECT_EQ(Revised(720.0f), 0.0f);
  EXPECT_EQ(Revised(359.9f), 359.0f);
  EXPECT_EQ(Revised(0.0f), 0.0f);
  for (float odd : {1e30f, -1e30f, kNaN, kInf}) {
    const float r = Revised(odd);
    EXPECT_TRUE(std::isfinite(r)) << odd;
    EXPECT_EQ(r, std::floor(r)) << odd;
    EXPECT_GE(r, 0.0f) << odd;
    EXPECT_LE(r, 360.0f) << odd;
  }
}

TEST(Vector3Geometry, LengthStretchCrossDotLerp) {
  ExpectVec(Vector3C(), 0, 0, 0, 0);
  Vector3C v(3, 4, 0);
  EXPECT_FLOAT_EQ(v.GetLength(), 5.0f);
  ExpectVec(v.GetStretch(10.0f), 6, 8, 0);
  ExpectVec(v, 3, 4, 0, 0);  // the Get form leaves the vector alone
  v.Stretch(10.0f);
  ExpectVec(v, 6, 8, 0);

  const Vector3C x(1, 0, 0), y(0, 1, 0);
  ExpectVec(x.Cross(y), 0, 0, 1, 0);
  ExpectVec(y.Cross(x), 0, 0, -1, 0);
  Vector3C c = x;
  c.AdCross(y);
  ExpectVec(c, 0, 0, 1, 0);
  EXPECT_EQ(Vector3C(1, 2, 3).Dot(Vector3C(4, -5, 6)), 12.0f);

  const Vector3C a(0, 4, 8), b(4, 8, -8);
  ExpectVec(Vector3C::MkLerp(a, b, 0.25f), 1, 5, 4, 0);
  Vector3C l;
  l.Lerp(a, b, 0.25f);
  ExpectVec(l, 1, 5, 4, 0);
}

TEST(Vector3Geometry, AnglesBetweenDirectionsAreClamped) {
  const Vector3C x(1, 0, 0), y(0, 2, 0);
  EXPECT_NEAR(x.GetAngle(y).ToDeg(), 90.0f, 1e-4f);
  EXPECT_EQ(x.GetAngle(x).ToDeg(), 0.0f);
  EXPECT_NEAR(x.GetAngle(-x).ToDeg(), 180.0f, 1e-4f);
  // Normalised parallel vectors can have a dot product a rounding step above 1, where
  // the arc cosine would be NaN: (3, 3, 3) normalises to a dot of 1.00000024 with itself.
  const Vector3C big(3, 3, 3), small(0.3f, 0.3f, 0.3f);
  D3DXVECTOR3 unit;
  D3DXVec3Normalize(&unit, &big);
  ASSERT_GT(D3DXVec3Dot(&unit, &unit), 1.0f);  // otherwise this would not reach the clamp
  EXPECT_EQ(big.GetAngle(big).ToDeg(), 0.0f);
  EXPECT_EQ(small.GetAngle(small).ToDeg(), 0.0f);
  EXPECT_EQ(Vector3C(1, 1, 1).GetAngle(big).ToDeg(), 0.0f);
  // Rounding below 1 is left alone: a tiny angle, still a number.
  const Vector3C p(0.1f, 0.2f, 0.3f);
  EXPECT_NEAR(p.GetAngle(p).ToDeg(), 0.0f, 0.05f);
  EXPECT_FALSE(std::isnan(Vector3C(-1, -1, -1).GetAngle(Vector3C(3, 3, 3)).ToDeg()));
}

TEST(Vector3Geometry, TransformsAndScreenRoundTrip) {
  // 90 degree field of view: x and y pass unscaled, then everything divides by w = z.
  const MatrixC proj = MatrixC::MkPerspectiveFovLH(AngleC(DegreeC(90)), 1.0f, 1.0f, 100.0f);
  const Vector3C p(1, 2, 10);
  ExpectVec(p.GetTransformCoord(proj), 0.1f, 0.2f, (1000.0f / 99 - 100.0f / 99) / 10);
  ExpectVec(p, 1, 2, 10, 0);
  Vector3C q = p;
  q.TransformCoord(proj);
  ExpectVec(q, 0.1f, 0.2f, 900.0f / 990);
  ExpectVec(Vector3C(1, 2, 3).GetTransformNormal(MatrixC::MkTranslation(5, 6, 7)), 1, 2, 3, 0);

  const MatrixC view = MatrixC::MkLookAtLH(Vector3C(0, 0, -10), Vector3C(), Vector3C(0, 1, 0));
  const MatrixC world;
  const D3DVIEWPORT9 viewport(0, 0, 640, 480, 0.0f, 1.0f);
  // The point looked at lands in the middle of the viewport.
  const Vector3C centre = Vector3C::Mk3DTo2D(Vector3C(), proj, view, world, viewport);
  EXPECT_NEAR(centre.x, 320.0f, 1e-3f);
  EXPECT_NEAR(centre.y, 240.0f, 1e-3f);
  Vector3C s(1, 2, 3);
  s.To2D(proj, view, world, viewport);
  EXPECT_GT(s.x, 320.0f);
  EXPECT_LT(s.y, 240.0f);  // screen y grows downwards
  s.To3D(proj, view, world, viewport);
  ExpectVec(s, 1, 2, 3, 1e-3f);
}

TEST(MatrixBuilders, IdentityTranslationInverseProjection) {
  const MatrixC id;
  ExpectMatrix(id, MatrixC(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1), 0);
  const MatrixC t = MatrixC::MkTranslation(1, 2, 3);
  ExpectVec(t.GetPoseX(), 1, 0, 0, 0);
  ExpectVec(t.GetPoseY(), 0, 1, 0, 0);
  ExpectVec(t.ClipTranslateVector(), 1, 2, 3, 0);

  const MatrixC zero{D3DXMATRIX()};
  ExpectMatrix(zero.GetInverse(), id, 0);
  MatrixC stays = zero;
  stays.Inverse();
  ExpectMatrix(stays, zero, 0);

  const MatrixC m = MatrixC::MkScaling(2, 3, 4) * MatrixC::MkRotationX(AngleC(DegreeC(40))) *
                    MatrixC::MkTranslation(-1, 5, 9);
  ExpectMatrix(m * m.GetInverse(), id, 1e-5f);
  MatrixC inv = m;
  inv.Inverse();
  ExpectMatrix(inv * m, id, 1e-5f);

  EXPECT_NEAR(MatrixC::MkPerspectiveFovLH(AngleC(DegreeC(90)), 1.5f, 1, 10)._22, 1.0f, 1e-6f);

  const AngleC yaw(DegreeC(30)), pitch(DegreeC(-50)), roll(DegreeC(70));
  ExpectMatrix(MatrixC::MkYawPitchRoll(yaw, pitch, roll),
               MatrixC::MkRotationZ(roll) * MatrixC::MkRotationX(pitch) * MatrixC::MkRotationY(yaw),
               1e-6f);
}

TEST(MatrixDecompose, ScalingRotationTranslationRebuildTheMatrix) {
  const double rad = 30.0 * 3.14159265358979323846 / 180.0;
  const float c = static_cast<float>(std::cos(rad)), s = static_cast<float>(std::sin(rad));
  // Row vectors, left-handed: RotationY sends x to (c, 0, -s) and z to (s, 0, c).
  const MatrixC rotY(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
  const MatrixC m = MatrixC::MkScaling(2, 3, 4) * MatrixC::MkRotationY(AngleC(DegreeC(30))) *
                    MatrixC::MkTranslation(5, 6, 7);
  const MatrixC scaling = m.ClipScaling(), rotation = m.ClipRotation();
  const MatrixC translate = m.ClipTranslate();
  ExpectMatrix(scaling, MatrixC(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1), 1e-6f);
  ExpectMatrix(rotation, rotY, 1e-6f);
  ExpectMatrix(translate, MatrixC(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1), 0);
  ExpectMatrix(scaling * rotation * translate, m, 1e-5f);

  // A collapsed axis has no direction: its rotation row is zero, never NaN.
  MatrixC flat = m;
  flat._21 = flat._22 = flat._23 = 0.0f;
  const MatrixC r = flat.ClipRotation();
  ExpectVec(r.GetPoseY(), 0, 0, 0, 0);
  ExpectVec(r.GetPoseX(), c, 0, -s, 1e-6f);
  EXPECT_EQ(flat.ClipScaling()._22, 0.0f);
}

TEST(ColorPack, ChannelsAndWholeNumbersWrap) {
  EXPECT_EQ(D3DARGB(255, 255, 0, 0).mColor, 0xFFFF0000u);
  EXPECT_EQ(D3DARGB(256, 0, 0, 0).mColor, 0u);
  EXPECT_EQ(D3DARGB(-1, 0, 0, 0).mColor, 0xFF000000u);
  EXPECT_EQ(D3DARGB(1.9, 2.9, -0.9, 3).mColor, 0x01020003u);
  EXPECT_EQ(D3DARGB(kNaN, kInf, -kInf, 7).mColor, 0x00000007u);
  D3DARGB c;
  EXPECT_EQ(c.mColor, 0u);
  EXPECT_EQ(c.Set(-1.0).mColor, 0xFFFFFFFFu);
  EXPECT_EQ(c.Set(4294967296.0 + 5).mColor, 5u);
  EXPECT_EQ(c.Set(std::numeric_limits<double>::quiet_NaN()).mColor, 0u);
  EXPECT_EQ(c.Set(std::numeric_limits<double>::infinity()).mColor, 0u);
  EXPECT_EQ(c.Set(-std::numeric_limits<double>::infinity()).mColor, 0u);
  c.set_mColor(4294967295.0);
  EXPECT_EQ(c.get_mColor(), 4294967295.0);  // read back unsigned, not as -1
  c.set_mColor(0x80FF00FF);
  EXPECT_EQ(c.get_mColor(), 2164195583.0);
  EXPECT_EQ(static_cast<unsigned long>(c), 0x80FF00FFul);
  D3DARGB copy;
  EXPECT_EQ(copy.Set(c).mColor, 0x80FF00FFu);
}

TEST(RandomMt, FollowsMt19937AndSeedsFromTheSecond) {
  RandomC r(5489);
  const std::uint32_t reference[10] = {3499211612u, 581869302u,  3890346734u, 3586334585u,
                                       545404204u,  4161255391u, 3922919429u, 949333985u,
                                       2715962298u, 1323567403u};
  EXPECT_EQ(reference[0], static_cast<std::uint32_t>(-795755684));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(static_cast<std::uint32_t>(r.Get()), reference[i]) << i;
  for (int i = 11; i < 10000; ++i) r.Get();
  EXPECT_EQ(static_cast<std::uint32_t>(r.Get()), 4123659995u);  // the C++ standard's check

  // Two generators made in the same second share a sequence; retry if the clock ticked.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::time_t before = std::time(nullptr);
    RandomC a, b;
    if (std::time(nullptr) != before) continue;
    std::mt19937 expected(static_cast<std::uint32_t>(before));
    for (int i = 0; i < 10; ++i) {
      const int first = a.Get();
      EXPECT_EQ(first, b.Get()) << i;
      EXPECT_EQ(static_cast<std::uint32_t>(first), expected()) << i;
    }
    return;
  }
  FAIL() << "the clock never held still for two constructions";
}

TEST(SmoothCurve, AccelerateCruiseDecelerate) {
  EXPECT_EQ(SmoothValue(100, 10, 0, 2.0f), 0.0f);
  EXPECT_EQ(SmoothValue(100, 10, 10, 2.0f), 100.0f);
  EXPECT_EQ(GetSmoothValue(100, 10, 11), 100.0f);
  EXPECT_EQ(GetSmoothValue(100, 10, 4000000000u), 100.0f);
  // Ratio 2: peak speed 20 at step 5, acceleration 4, no cruise.
  EXPECT_NEAR(SmoothValue(100, 10, 5, 2.0f), 50.0f, 1e-4f);
  EXPECT_NEAR(SmoothValue(100, 10, 4, 2.0f), 32.0f, 1e-4f);
  EXPECT_NEAR(SmoothValue(100, 10, 6, 2.0f), 68.0f, 1e-4f);
  // Ratio 1.5: speed 15, acceleration 4.5 over 10/3 steps, cruise between.
  EXPECT_NEAR(SmoothValue(100, 10, 3, 1.5f), 20.25f, 1e-4f);
  EXPECT_NEAR(SmoothValue(100, 10, 4, 1.5f), 35.0f, 1e-4f);
  EXPECT_NEAR(SmoothValue(100, 10, 6, 1.5f), 65.0f, 1e-4f);
  EXPECT_NEAR(SmoothValue(100, 10, 7, 1.5f), 79.75f, 1e-4f);
  // Default 2.1: acceleration 21 / (110/21 / 2) = 4.00909 until step 5.
  EXPECT_NEAR(GetSmoothValue(100, 10, 5), 50.11f, 0.01f);
  EXPECT_NEAR(GetSmoothValue(100, 10, 6), 67.93f, 0.01f);

  for (float ratio : {1.5f, 2.0f, 2.1f}) {
    EXPECT_EQ(SmoothDiff(100, 10, 0, ratio), 0.0f) << ratio;
    EXPECT_EQ(GetSmoothDiff(100, 10, 11, ratio), 0.0f) << ratio;
    float sum = 0.0f;
    for (unsigned n = 1; n <= 10; ++n) sum += GetSmoothDiff(100, 10, n, ratio);
    EXPECT_NEAR(sum, 100.0f, 1e-3f) << ratio;
  }
  EXPECT_NEAR(GetSmoothDiff(100, 10, 5, 2.0f), 18.0f, 1e-4f);  // 50 - 32

  const Vector3C total(10, 20, 30);
  ExpectVec(GetSmoothValue(total, 8, 8), 10, 20, 30, 0);
  ExpectVec(GetSmoothValue(total, 10, 5, 2.0f), 5, 10, 15, 1e-4f);
  ExpectVec(GetSmoothDiff(total, 8, 9), 0, 0, 0, 0);
  ExpectVec(GetSmoothDiff(total, 8, 0), 0, 0, 0, 0);
}

TEST(SmoothCurve, UnusableArgumentsStayFinite) {
  // No steps: already there, so nothing is left to add.
  for (unsigned n : {0u, 1u, 5u}) {
    EXPECT_EQ(GetSmoothValue(100, 0, n), 100.0f) << n;
    EXPECT_EQ(GetSmoothDiff(100, 0, n), 0.0f) << n;
  }
  EXPECT_EQ(GetSmoothValue(0, 10, 3), 0.0f);
  EXPECT_EQ(GetSmoothDiff(0, 10, 3), 0.0f);
  // A peak speed no higher than the mean means constant speed.
  for (float ratio : {1.0f, 0.5f, 0.0f, -3.0f, kNaN}) {
    EXPECT_NEAR(SmoothValue(100, 10, 3, ratio), 30.0f, 1e-4f) << ratio;
    EXPECT_NEAR(GetSmoothDiff(100, 10, 7, ratio), 10.0f, 1e-4f) << ratio;
    EXPECT_EQ(SmoothValue(100, 10, 10, ratio), 100.0f) << ratio;
  }
  // Step counts whose squares overflow 32 bits.
  const float far = SmoothValue(100, 200000, 150000, 2.0f);
  EXPECT_TRUE(std::isfinite(far));
  EXPECT_GE(far, 0.0f);
  EXPECT_LE(far, 100.0f);
  EXPECT_NEAR(far, 87.5f, 0.5f);  // a quarter of the way into deceleration: 100 - 100/8
  const float early = SmoothValue(100, 200000, 70000, 2.0f);
  EXPECT_NEAR(early, 24.5f, 0.5f);  // 2 * 0.35^2 of the total
}
