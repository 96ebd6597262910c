// The fixed-step clock: game time moves by exactly one frame time per frame and never by
// waiting, so a run lasts as long as its work and sees the same times on every run.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/clock/Clock.h"
#include "platform/clock/SimulatedTime.h"

namespace platform::testkit {

class VirtualClock final : public Clock, public TimeSource {
 public:
  /// Starts at `startMilliseconds` on the millisecond counter and at
  /// `startCalendarSeconds` on the calendar.
  VirtualClock(std::uint32_t startMilliseconds, std::int64_t startCalendarSeconds)
      : mStart(startMilliseconds), mCalendarStart(startCalendarSeconds) {}

  std::uint32_t Milliseconds() override {
    return static_cast<std::uint32_t>(mStart + mElapsed.load());
  }
  /// Time stands still while the game waits: nothing sleeps, the thread only yields.
  void Sleep(std::uint32_t milliseconds) override;

  std::int64_t CalendarSeconds() override {
    return mCalendarStart + static_cast<std::int64_t>(mElapsed.load() / 1000);
  }
  /// The game time since the start: a game uses the processor all the time it runs.
  double ProcessorSeconds() override { return static_cast<double>(mElapsed.load()) / 1000.0; }

  /// Moves game time on by one frame's worth.
  void Advance(std::uint32_t milliseconds) { mElapsed += milliseconds; }
  /// Milliseconds of game time since the start.
  std::uint64_t Elapsed() const { return mElapsed.load(); }
  std::uint32_t StartMilliseconds() const { return mStart; }
  std::int64_t StartCalendarSeconds() const { return mCalendarStart; }

  /// The whole milliseconds of one frame at `fpsNum` frames a second, the fraction
  /// dropped as the frame pacing drops it (16 at 60 fps).
  static std::uint32_t FrameMilliseconds(float fpsNum);

 private:
  std::uint32_t mStart;
  std::int64_t mCalendarStart;
  std::atomic<std::uint64_t> mElapsed{0};
};

}  // namespace platform::testkit
