// The fixed-step clock's waits and its frame length.
#include "platform/testkit/VirtualClock.h"

#include <cmath>
#include <thread>

namespace platform::testkit {

void VirtualClock::Sleep(std::uint32_t) { std::this_thread::yield(); }

std::uint32_t VirtualClock::FrameMilliseconds(float fpsNum) {
  // The same unusable rates as the pacing's (zero, negative, NaN, infinite) run at 60.
  float frameTime = 1000.0f / fpsNum;
  if (!(fpsNum > 0.0f) || !std::isfinite(fpsNum) || !std::isfinite(frameTime)) {
    frameTime = 1000.0f / 60.0f;
  }
  const double whole = std::trunc(static_cast<double>(frameTime));
  return whole >= 4294967295.0 ? 4294967295u : static_cast<std::uint32_t>(whole);
}

}  // namespace platform::testkit
