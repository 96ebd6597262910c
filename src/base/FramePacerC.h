// Holds the main loop to the configured frame rate when presentation does not.
#pragma once

#include <cstdint>

#include "platform/clock/Clock.h"

namespace BaseN {

class FramePacerC {
 public:
  explicit FramePacerC(platform::Clock& clock) : mClock(clock), mLast(clock.Milliseconds()) {}

  /// Sleeps so that this frame lasts at least the whole milliseconds of one frame,
  /// counted from the end of the previous wait. A late frame is not made up.
  void Pace(float fpsNum);

  /// Milliseconds per frame for a rate. A rate that is not a positive finite number would
  /// make a frame last forever or no time at all; such rates pace at 60 frames a second.
  static float FrameTimeFor(float fpsNum);

 private:
  platform::Clock& mClock;
  std::uint32_t mLast;
  float mFrameTime = 0.0f;
  bool mHasFrameTime = false;
};

/// Frames per second averaged over windows of `period` seconds: every call counts as one
/// frame, and the rate is recomputed when a window has passed (0 until the first has).
class FrameRateMeterC {
 public:
  explicit FrameRateMeterC(platform::Clock& clock) : mClock(clock) {}
  float Measure(float period);

 private:
  platform::Clock& mClock;
  bool mStarted = false;
  std::uint32_t mStart = 0;
  std::uint32_t mCount = 0;
  float mRate = 0.0f;
};

/// The process-wide frame-rate meter behind the scripts' GetFPS.
float MeasureFPS(float period);

}  // namespace BaseN
