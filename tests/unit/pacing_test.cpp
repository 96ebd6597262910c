// Frame pacing, the main loop's frame order and the frame-rate meter, all on a fake clock so
// every sleep the engine asks for can be checked to the millisecond.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "base/FramePacerC.h"
#include "base/IniSettingsS.h"
#include "base/MessageLoop.h"
#include "platform/clock/fake/FakeClock.h"
#include "platform/window/fake/FakeWindow.h"

using BaseN::FramePacerC;
using BaseN::FrameRateMeterC;
using platform::FakeClock;

namespace {

// Runs one frame whose work takes `workMs`, then paces it; returns what was slept (0 when
// nothing was, since a Sleep(0) and no sleep at all wait the same).
std::uint32_t FrameSleeps(FakeClock& clock, FramePacerC& pacer, std::uint32_t workMs,
                          float fps = 60.0f) {
  const std::size_t before = clock.Sleeps().size();
  clock.Advance(workMs);
  pacer.Pace(fps);
  std::uint32_t slept = 0;
  for (std::size_t i = before; i < clock.Sleeps().size(); ++i) slept += clock.Sleeps()[i];
  return slept;
}

}  // namespace

TEST(FramePacer, SleepsTheRestOfTheWholeMillisecondsOfAFrame) {
  FakeClock clock(1000);
  FramePacerC pacer(clock);
  EXPECT_EQ(FrameSleeps(clock, pacer, 5), 11u);  // 16.67 ms frames wait for 16, not 17
  EXPECT_EQ(FrameSleeps(clock, pacer, 16), 0u);
  EXPECT_EQ(FrameSleeps(clock, pacer, 17), 0u);
  // A late frame is not made up by the next one: it counts from the late frame's end.
  EXPECT_EQ(FrameSleeps(clock, pacer, 50), 0u);
  EXPECT_EQ(FrameSleeps(clock, pacer, 5), 11u);
}

TEST(FramePacer, MillisecondCounterWrapAround) {
  FakeClock clock(0xFFFFFFF0u);
  FramePacerC pacer(clock);
  EXPECT_EQ(FrameSleeps(clock, pacer, 5), 11u);  // the sleep itself crosses zero

  FakeClock crossing(0xFFFFFFFAu);
  FramePacerC crossingPacer(crossing);
  EXPECT_EQ(FrameSleeps(crossing, crossingPacer, 10), 6u);  // the work crosses zero
  EXPECT_EQ(FrameSleeps(crossing, crossingPacer, 20), 0u);  // a late frame is not huge
}

TEST(FramePacer, OtherRatesAndUnusableRatesThatPaceAtSixty) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  // After 5 ms of work: 30.5 fps frames are 32.78 ms, 120 fps ones 8.33 ms.
  const std::pair<float, std::uint32_t> cases[] = {{30.5f, 27}, {120.0f, 3},  {0.0f, 11},
                                                   {-0.0f, 11}, {-30.0f, 11}, {nan, 11},
                                                   {inf, 11},   {-inf, 11}};
  for (const auto& [rate, sleep] : cases) {
    SCOPED_TRACE(rate);
    FakeClock clock;
    FramePacerC pacer(clock);
    EXPECT_EQ(FrameSleeps(clock, pacer, 5, rate), sleep);
  }
}

TEST(MainLoop, OneMessagePerFrameQuitFirstAndOneMoreFrame) {
  for (bool synchronise : {false, true}) {
    SCOPED_TRACE(synchronise);
    platform::FakeWindow window;
    FakeClock clock;
    BaseN::IniSettingsS settings;
    settings.mSynchronise = synchronise;  // 60 fps
    for (int i = 0; i < 3; ++i) window.Queue(platform::WindowMessage{});
    int dispatches = 0;
    std::vector<int> dispatchesAtFrame;  // dispatches seen when each frame ran
    BaseN::RunFrames(
        settings, window, clock,
        [&](const platform::WindowMessage& message) {
          EXPECT_NE(message.kind, platform::WindowMessageKind::kQuit);
          ++dispatches;
        },
        [&] {
          dispatchesAtFrame.push_back(dispatches);
          clock.Advance(5);
          const std::size_t frame = dispatchesAtFrame.size();
          if (frame == 5) window.Queue(platform::WindowMessage{});  // waits behind the quit
          if (frame == 5 || frame == 100) window.PostQuit();
        });
    // Frame 6 retrieved the quit posted in frame 5 and still ran completely.
    EXPECT_EQ(dispatchesAtFrame, (std::vector<int>{1, 2, 3, 3, 3, 3}));
    EXPECT_EQ(clock.Sleeps(), std::vector<std::uint32_t>(synchronise ? 0 : 6, 11u));
  }
}

namespace {

// Calls the meter `callsPerFrame` times in each 60 fps frame of [first, last); returns all.
std::vector<float> MeasureFrames(FakeClock& clock, FrameRateMeterC& meter, int first, int last,
                                 int callsPerFrame, float period = 1.0f) {
  std::vector<float> results;
  for (int frame = first; frame < last; ++frame) {
    clock.Advance(static_cast<std::uint32_t>(frame * 1000 / 60) - clock.Milliseconds());
    for (int call = 0; call < callsPerFrame; ++call) results.push_back(meter.Measure(period));
  }
  return results;
}

}  // namespace

TEST(FrameRateMeter, ReportsTheRateOfTheLastWholeWindowCountingEveryCall) {
  for (int calls : {1, 2}) {
    SCOPED_TRACE(calls);
    FakeClock clock;
    FrameRateMeterC meter(clock);
    const float rate = 60.0f * calls;
    EXPECT_EQ(MeasureFrames(clock, meter, 0, 60, calls), std::vector<float>(60 * calls, 0.0f));
    EXPECT_EQ(MeasureFrames(clock, meter, 60, 120, calls), std::vector<float>(60 * calls, rate));
    EXPECT_EQ(MeasureFrames(clock, meter, 120, 121, 1), std::vector<float>(1, rate));
  }
  // A period of no length never divides.
  for (float period : {0.0f, -0.0f, -1.0f}) {
    FakeClock clock;
    FrameRateMeterC meter(clock);
    EXPECT_EQ(MeasureFrames(clock, meter, 0, 180, 1, period), std::vector<float>(180, 0.0f))
        << period;
  }
}
