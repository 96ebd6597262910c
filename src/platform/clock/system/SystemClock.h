// The clock of the running game: the monotonic system clock, truncated to 32 bits.
#pragma once

#include "platform/clock/Clock.h"

namespace platform {

class SystemClock final : public Clock {
 public:
  std::uint32_t Milliseconds() override;
  void Sleep(std::uint32_t milliseconds) override;
};

}  // namespace platform
