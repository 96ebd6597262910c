// Angles as scripts pass them: degrees, radians, and an angle kept in degrees.
#pragma once

/// pi/180 and 180/pi as the nearest 32-bit floats; every conversion uses these.
inline constexpr float kDegreeToRadian = 0.0174532924f;
inline constexpr float kRadianToDegree = 57.2957802f;

class DegreeC {
 public:
  DegreeC() = default;
  explicit DegreeC(float degree) : mDegree(degree) {}
  /// Scripts reach this one first: the degrees truncated toward zero.
  explicit DegreeC(int degree) : mDegree(static_cast<float>(degree)) {}
  DegreeC& Set(float degree);
  float TranslateRadian() const { return mDegree * kDegreeToRadian; }
  float ToFloat() const { return mDegree; }

  float mDegree = 0.0f;
};

class RadianC {
 public:
  RadianC() = default;
  explicit RadianC(float radian) : mRadian(radian) {}
  RadianC& Set(float radian);
  float TranslateDegree() const { return mRadian * kRadianToDegree; }
  float ToFloat() const { return mRadian; }

  float mRadian = 0.0f;
};

class AngleC {
 public:
  AngleC() = default;
  AngleC(const DegreeC& degree) : mDegree(degree) {}  // NOLINT: angles convert freely
  AngleC(const RadianC& radian) : mDegree(radian.TranslateDegree()) {}  // NOLINT
  AngleC& Set(const DegreeC& degree);
  AngleC& Set(const RadianC& radian);
  AngleC& Set(const AngleC& angle);
  operator const DegreeC&() const { return mDegree; }
  operator const RadianC() const { return RadianC(ToRad()); }
  float ToDeg() const { return mDegree.mDegree; }
  float ToRad() const { return mDegree.mDegree * kDegreeToRadian; }
  /// Whole degrees in 0..360: fractions dropped, negative angles counted back from 360
  /// (so -360 and -0.5 give 360, not 0).
  DegreeC Revise() const;

  DegreeC mDegree;
};
