// Angle conversions and normalisation.
#include "math/AngleC.h"

#include <cmath>

DegreeC& DegreeC::Set(float degree) {
  mDegree = degree;
  return *this;
}

RadianC& RadianC::Set(float radian) {
  mRadian = radian;
  return *this;
}

AngleC& AngleC::Set(const DegreeC& degree) {
  mDegree = degree;
  return *this;
}

AngleC& AngleC::Set(const RadianC& radian) {
  mDegree = DegreeC(radian.TranslateDegree());
  return *this;
}

AngleC& AngleC::Set(const AngleC& angle) {
  mDegree = angle.mDegree;
  return *this;
}

DegreeC AngleC::Revise() const {
  const float d = mDegree.mDegree;
  // fmod keeps huge angles exact where an integer conversion would overflow; NaN and
  // infinities have no whole degrees and give 0.
  const double whole = std::floor(std::fabs(static_cast<double>(d)));
  const int r = std::isfinite(whole) ? static_cast<int>(std::fmod(whole, 360.0)) : 0;
  return DegreeC(static_cast<float>(d < 0.0f ? 360 - r : r));
}
