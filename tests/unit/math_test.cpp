// The math classes where tests/e2e/games/math and d3dx_test do not reach: rounding and odd
// inputs. Expected values are worked out by hand or published (MT19937), never computed.
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

AngleC Deg(float degrees) {
  return AngleC(DegreeC(degrees));
}

}  // namespace

TEST(Angle, FloatConstantsAndWholeDegreeRevise) {
  // Both conversions multiply by the rounded float constants, not by a double pi.
  EXPECT_EQ(DegreeC(180).TranslateRadian(), 180.0f * 0.0174532924f);
  EXPECT_EQ(AngleC(RadianC(1.0f)).ToDeg(), 57.2957802f);
  EXPECT_EQ(Deg(90.0f).ToRad(), 90.0f * 0.0174532924f);

  EXPECT_EQ(Deg(359.9f).Revise().ToFloat(), 359.0f);
  for (float odd : {1e30f, -1e30f, kNaN, kInf}) {
    const float r = Deg(odd).Revise().ToFloat();
    EXPECT_TRUE(std::isfinite(r) && r == std::floor(r) && r >= 0 && r <= 360) << odd << " " << r;
  }
}

// What the math game does not call; each in-place form shares its Get or Mk twin's code.
TEST(Vector3C, LerpTransformsAndOppositeAngle) {
  ExpectVec(Vector3C::MkLerp(Vector3C(0, 4, 8), Vector3C(4, 8, -8), 0.25f), 1, 5, 4, 0);
  // 90 degree field of view: x and y pass unscaled, then everything divides by w = z.
  const MatrixC proj = MatrixC::MkPerspectiveFovLH(Deg(90), 1.0f, 1.0f, 100.0f);
  ExpectVec(Vector3C(1, 2, 10).GetTransformCoord(proj), 0.1f, 0.2f, 900.0f / 990);
  // Opposite directions can round below -1, where the arc cosine would be NaN.
  EXPECT_EQ(Vector3C(-3, -3, -3).GetAngle(Vector3C(3, 3, 3)).ToDeg(), 180.0f);
}

TEST(MatrixC, SingularInverseYawPitchRollAndDecompose) {
  // No inverse: GetInverse gives the identity, Inverse leaves the matrix alone.
  const MatrixC zero{D3DXMATRIX()};
  ExpectMatrix(zero.GetInverse(), MatrixC(), 0);
  MatrixC stays = zero;
  stays.Inverse();
  ExpectMatrix(stays, zero, 0);

  const AngleC yaw = Deg(30), pitch = Deg(-50), roll = Deg(70);
  ExpectMatrix(MatrixC::MkYawPitchRoll(yaw, pitch, roll),
               MatrixC::MkRotationZ(roll) * MatrixC::MkRotationX(pitch) * MatrixC::MkRotationY(yaw),
               1e-6f);

  const float c = std::cos(30.0f * 0.0174532924f), s = std::sin(30.0f * 0.0174532924f);
  const MatrixC m =
      MatrixC::MkScaling(2, 3, 4) * MatrixC::MkRotationY(Deg(30)) * MatrixC::MkTranslation(5, 6, 7);
  const MatrixC scaling = m.ClipScaling(), rotation = m.ClipRotation();
  const MatrixC translate = m.ClipTranslate();
  ExpectMatrix(scaling, MatrixC(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1), 1e-6f);
  ExpectMatrix(rotation, MatrixC(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1), 1e-6f);
  ExpectMatrix(translate, MatrixC(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1), 0);

  // A collapsed axis has no direction: its rotation row is zero, never NaN.
  MatrixC flat = m;
  flat._21 = flat._22 = flat._23 = 0.0f;
  const MatrixC r = flat.ClipRotation();
  ExpectVec(r.GetPoseY(), 0, 0, 0, 0);
  ExpectVec(r.GetPoseX(), c, 0, -s, 1e-6f);
  EXPECT_EQ(flat.ClipScaling()._22, 0.0f);
}

TEST(ColorPack, ChannelsTruncateAndOddNumbersPackAsZero) {
  EXPECT_EQ(D3DARGB(1.9, 2.9, -0.9, 3).mColor, 0x01020003u);
  EXPECT_EQ(D3DARGB(kNaN, kInf, -kInf, 7).mColor, 0x00000007u);
  D3DARGB c;
  EXPECT_EQ(c.mColor, 0u);
  for (double odd : {double(kNaN), double(kInf), -double(kInf)}) {
    EXPECT_EQ(c.Set(odd).mColor, 0u) << odd;
  }
  c.set_mColor(0x80FF00FF);
  EXPECT_EQ(c.get_mColor(), 2164195583.0);  // read back unsigned
}

TEST(RandomMt, FollowsMt19937AndSeedsFromTheSecond) {
  RandomC r(5489);
  const std::uint32_t reference[10] = {3499211612u, 581869302u,  3890346734u, 3586334585u,
                                       545404204u,  4161255391u, 3922919429u, 949333985u,
                                       2715962298u, 1323567403u};
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
  EXPECT_EQ(GetSmoothValue(100, 10, 4000000000u), 100.0f);
  // Ratio 1.5: speed 15, acceleration 4.5 over 10/3 steps, cruise between.
  EXPECT_NEAR(SmoothValue(100, 10, 3, 1.5f), 20.25f, 1e-4f);
  EXPECT_NEAR(SmoothValue(100, 10, 4, 1.5f), 35.0f, 1e-4f);
  EXPECT_NEAR(SmoothValue(100, 10, 6, 1.5f), 65.0f, 1e-4f);
  EXPECT_NEAR(SmoothValue(100, 10, 7, 1.5f), 79.75f, 1e-4f);

  for (float ratio : {1.5f, 2.0f, 2.1f}) {
    EXPECT_EQ(SmoothDiff(100, 10, 0, ratio), 0.0f) << ratio;
    EXPECT_EQ(GetSmoothDiff(100, 10, 11, ratio), 0.0f) << ratio;
    float sum = 0.0f;
    for (unsigned n = 1; n <= 10; ++n) sum += GetSmoothDiff(100, 10, n, ratio);
    EXPECT_NEAR(sum, 100.0f, 1e-3f) << ratio;
  }
  // Ratio 2: peak speed 20 at step 5, acceleration 4, so step 5 adds 50 - 32.
  EXPECT_NEAR(GetSmoothDiff(100, 10, 5, 2.0f), 18.0f, 1e-4f);
  ExpectVec(GetSmoothValue(Vector3C(10, 20, 30), 10, 5, 2.0f), 5, 10, 15, 1e-4f);
}

TEST(SmoothCurve, UnusableArgumentsStayFinite) {
  // No steps: already there, so nothing is left to add.
  for (unsigned n : {0u, 1u, 5u}) {
    EXPECT_EQ(GetSmoothValue(100, 0, n), 100.0f) << n;
    EXPECT_EQ(GetSmoothDiff(100, 0, n), 0.0f) << n;
  }
  // A peak speed no higher than the mean means constant speed.
  for (float ratio : {1.0f, 0.5f, 0.0f, -3.0f, kNaN}) {
    EXPECT_NEAR(SmoothValue(100, 10, 3, ratio), 30.0f, 1e-4f) << ratio;
    EXPECT_NEAR(GetSmoothDiff(100, 10, 7, ratio), 10.0f, 1e-4f) << ratio;
    EXPECT_EQ(SmoothValue(100, 10, 10, ratio), 100.0f) << ratio;
  }
  // Step counts whose squares overflow 32 bits: a quarter of the way into deceleration
  // is 100 - 100/8, and 35 % of the way is 2 * 0.35^2 of the total.
  EXPECT_NEAR(SmoothValue(100, 200000, 150000, 2.0f), 87.5f, 0.5f);
  EXPECT_NEAR(SmoothValue(100, 200000, 70000, 2.0f), 24.5f, 0.5f);
}
