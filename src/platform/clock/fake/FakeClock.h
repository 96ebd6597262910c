// A clock for tests: time moves only when a test advances it or something sleeps.
#pragma once

#include <vector>

#include "platform/clock/Clock.h"

namespace platform {

class FakeClock final : public Clock {
 public:
  explicit FakeClock(std::uint32_t start = 0) : mNow(start) {}
  std::uint32_t Milliseconds() override { return mNow; }
  void Sleep(std::uint32_t milliseconds) override {
    mSleeps.push_back(milliseconds);
    mNow += milliseconds;
  }
  /// Lets time pass as if work had been done.
  void Advance(std::uint32_t milliseconds) { mNow += milliseconds; }
  /// Every sleep requested so far, oldest first.
  const std::vector<std::uint32_t>& Sleeps() const { return mSleeps; }

 private:
  std::uint32_t mNow;
  std::vector<std::uint32_t> mSleeps;
};

}  // namespace platform
