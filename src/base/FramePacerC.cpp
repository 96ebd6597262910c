// Frame pacing and the frame-rate meter, on 32-bit millisecond stamps that may wrap.
#include "base/FramePacerC.h"

#include <cmath>

#include "platform/Platform.h"

namespace BaseN {

float FramePacerC::FrameTimeFor(float fpsNum) {
  // An infinite rate would give a frame time of 0 and switch pacing off, a tiny one an
  // infinite frame time: both count as unusable, like zero, negative and NaN rates.
  const float frameTime = 1000.0f / fpsNum;
  if (!(fpsNum > 0.0f) || !std::isfinite(fpsNum) || !std::isfinite(frameTime)) {
    return 1000.0f / 60.0f;
  }
  return frameTime;
}

void FramePacerC::Pace(float fpsNum) {
  if (!mHasFrameTime) {
    mFrameTime = FrameTimeFor(fpsNum);
    mHasFrameTime = true;
  }
  const std::uint32_t elapsed = mClock.Milliseconds() - mLast;
  if (mFrameTime > static_cast<float>(elapsed)) {
    // The fraction of the frame time is dropped before the subtraction, so a frame that
    // took 16 ms at 60 fps waits 0 ms.
    const double whole = std::trunc(static_cast<double>(mFrameTime));
    const std::uint32_t frameMs = whole >= 4294967295.0 ? 4294967295u
                                                        : static_cast<std::uint32_t>(whole);
    if (frameMs > elapsed) mClock.Sleep(frameMs - elapsed);
    else mClock.Sleep(0);
  }
  mLast = mClock.Milliseconds();
}

float FrameRateMeterC::Measure(float period) {
  if (!mStarted) {
    mStarted = true;
    mStart = mClock.Milliseconds();
  }
  // A period of zero or less would divide by zero; such a window never closes.
  if (period > 0.0f &&
      static_cast<float>(mClock.Milliseconds() - mStart) >= period * 1000.0f) {
    mRate = static_cast<float>(mCount) / period;
    mCount = 0;
    mStart = mClock.Milliseconds();
  }
  ++mCount;
  return mRate;
}

float MeasureFPS(float period) {
  static FrameRateMeterC meter(*platform::Installed().clock);
  return meter.Measure(period);
}

}  // namespace BaseN
