// Millisecond time and sleeping, the role timeGetTime and Sleep play for frame pacing
// and the frame-rate meter.
#pragma once

#include <cstdint>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  /// Milliseconds since an arbitrary start; wraps around after 2^32 like timeGetTime.
  virtual std::uint32_t Milliseconds() = 0;
  /// Blocks the calling thread for about this many milliseconds (0 yields).
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

}  // namespace platform
