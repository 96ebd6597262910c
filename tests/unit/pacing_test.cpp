// Frame pacing, the main loop's frame order and the frame-rate meter, all on a fake clock so
// every sleep the engine asks for can be checked to the millisecond.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
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
    EXPECT_EQ(FrameSleeps(clock, pacer, 5), 11u);   // 16.67 ms frames wait for 16, not 17
    EXPECT_EQ(FrameSleeps(clock, pacer, 16), 0u);
    EXPECT_EQ(FrameSleeps(clock, pacer, 17), 0u);
    EXPECT_EQ(FrameSleeps(clock, pacer, 40), 0u);
    EXPECT_EQ(FrameSleeps(clock, pacer, 0), 16u);
}

TEST(FramePacer, LateFrameIsNotMadeUpByTheNextOne) {
    FakeClock clock;
    FramePacerC pacer(clock);
    EXPECT_EQ(FrameSleeps(clock, pacer, 50), 0u);
    // Counted from the end of the late frame, not from where it should have ended.
    EXPECT_EQ(FrameSleeps(clock, pacer, 5), 11u);
    EXPECT_EQ(clock.Milliseconds(), 50u + 5u + 11u);
}

TEST(FramePacer, MillisecondCounterWrapAround) {
    FakeClock clock(0xFFFFFFF0u);
    FramePacerC pacer(clock);
    EXPECT_EQ(FrameSleeps(clock, pacer, 5), 11u);   // the sleep itself crosses zero
    EXPECT_EQ(clock.Milliseconds(), 0u);

    FakeClock crossing(0xFFFFFFFAu);
    FramePacerC crossingPacer(crossing);
    EXPECT_EQ(FrameSleeps(crossing, crossingPacer, 10), 6u);  // the work crosses zero
    EXPECT_EQ(FrameSleeps(crossing, crossingPacer, 20), 0u);  // a late frame is not huge
}

TEST(FramePacer, FractionalRateKeepsItsFraction) {
    EXPECT_NEAR(FramePacerC::FrameTimeFor(30.5f), 1000.0f / 30.5f, 1e-3f);
    FakeClock clock;
    FramePacerC pacer(clock);
    EXPECT_EQ(FrameSleeps(clock, pacer, 5, 30.5f), 27u);   // 32.78 ms truncates to 32
    EXPECT_EQ(FrameSleeps(clock, pacer, 32, 30.5f), 0u);
}

TEST(FramePacer, UnusableRatesPaceAtSixty) {
    const float sixty = 1000.0f / 60.0f;
    const float rates[] = {0.0f, -0.0f, -30.0f, std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity()};
    for (float rate : rates) {
        SCOPED_TRACE(rate);
        EXPECT_FLOAT_EQ(FramePacerC::FrameTimeFor(rate), sixty);
        FakeClock clock;
        FramePacerC pacer(clock);
        EXPECT_EQ(FrameSleeps(clock, pacer, 5, rate), 11u);
    }
    EXPECT_FLOAT_EQ(FramePacerC::FrameTimeFor(60.0f), sixty);
    EXPECT_FLOAT_EQ(FramePacerC::FrameTimeFor(120.0f), 1000.0f / 120.0f);
}

namespace {

struct LoopRecord {
    int frames = 0;
    std::vector<int> dispatchesAtFrame;  // dispatches seen when each frame ran
    int dispatches = 0;
};

}  // namespace

TEST(MainLoop, OneMessagePerFrameAndQuitEndsAfterOneMoreFrame) {
    platform::FakeWindow window;
    FakeClock clock;
    BaseN::IniSettingsS settings;
    settings.mSynchronise = false;
    settings.mFpsNum = 60.0f;
    for (int i = 0; i < 3; ++i) window.Queue(platform::WindowMessage{});

    LoopRecord record;
    BaseN::RunFrames(
        settings, window, clock,
        [&](const platform::WindowMessage& message) {
            EXPECT_NE(message.kind, platform::WindowMessageKind::kQuit);
            ++record.dispatches;
        },
        [&] {
            ++record.frames;
            record.dispatchesAtFrame.push_back(record.dispatches);
            clock.Advance(5);
            if (record.frames == 5) window.PostQuit();
            ASSERT_LT(record.frames, 100) << "the loop did not end";
        });

    // Frame 6 retrieved the quit posted in frame 5 and still ran completely.
    EXPECT_EQ(record.frames, 6);
    EXPECT_EQ(record.dispatchesAtFrame, (std::vector<int>{1, 2, 3, 3, 3, 3}));
    EXPECT_EQ(clock.Sleeps(), (std::vector<std::uint32_t>(6, 11u)));
}

TEST(MainLoop, QuitIsRetrievedBeforeWaitingMessages) {
    platform::FakeWindow window;
    FakeClock clock;
    BaseN::IniSettingsS settings;
    int frames = 0;
    int dispatches = 0;
    BaseN::RunFrames(
        settings, window, clock, [&](const platform::WindowMessage&) { ++dispatches; },
        [&] {
            if (++frames == 1) {
                window.Queue(platform::WindowMessage{});
                window.PostQuit();
            }
            ASSERT_LT(frames, 100) << "the loop did not end";
        });
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(dispatches, 0);
}

TEST(MainLoop, SynchronisedLoopNeverSleeps) {
    platform::FakeWindow window;
    FakeClock clock;
    BaseN::IniSettingsS settings;
    settings.mSynchronise = true;
    int frames = 0;
    BaseN::RunFrames(
        settings, window, clock, [](const platform::WindowMessage&) {},
        [&] {
            clock.Advance(1);
            if (++frames == 10) window.PostQuit();
            ASSERT_LT(frames, 100) << "the loop did not end";
        });
    EXPECT_EQ(frames, 11);
    EXPECT_TRUE(clock.Sleeps().empty());
}

namespace {

// Calls the meter `callsPerFrame` times per 60 fps frame for frames [first, last), the
// clock standing at frame * 1000 / 60 ms; returns every result.
std::vector<float> MeasureFrames(FakeClock& clock, FrameRateMeterC& meter, int first, int last,
                                 int callsPerFrame, float period) {
    std::vector<float> results;
    for (int frame = first; frame < last; ++frame) {
        const std::uint32_t target = static_cast<std::uint32_t>(frame * 1000 / 60);
        clock.Advance(target - clock.Milliseconds());
        for (int call = 0; call < callsPerFrame; ++call) {
            results.push_back(meter.Measure(period));
        }
    }
    return results;
}

}  // namespace

TEST(FrameRateMeter, ReportsTheRateOfTheLastWholeWindow) {
    FakeClock clock;
    FrameRateMeterC meter(clock);
    const std::vector<float> firstSecond = MeasureFrames(clock, meter, 0, 60, 1, 1.0f);
    EXPECT_EQ(firstSecond, std::vector<float>(60, 0.0f));
    const std::vector<float> secondSecond = MeasureFrames(clock, meter, 60, 120, 1, 1.0f);
    EXPECT_EQ(secondSecond, std::vector<float>(60, 60.0f));
    EXPECT_FLOAT_EQ(meter.Measure(1.0f), 60.0f);
}

TEST(FrameRateMeter, EveryCallCountsAsAFrame) {
    FakeClock clock;
    FrameRateMeterC meter(clock);
    EXPECT_EQ(MeasureFrames(clock, meter, 0, 60, 2, 1.0f), std::vector<float>(120, 0.0f));
    EXPECT_EQ(MeasureFrames(clock, meter, 60, 120, 2, 1.0f), std::vector<float>(120, 120.0f));
    EXPECT_FLOAT_EQ(MeasureFrames(clock, meter, 120, 121, 1, 1.0f).front(), 120.0f);
}

TEST(FrameRateMeter, NonPositivePeriodNeverDivides) {
    for (float period : {0.0f, -0.0f, -1.0f}) {
        SCOPED_TRACE(period);
        FakeClock clock;
        FrameRateMeterC meter(clock);
        for (float result : MeasureFrames(clock, meter, 0, 180, 1, period)) {
            EXPECT_TRUE(std::isfinite(result));
            EXPECT_EQ(result, 0.0f);
        }
    }
}
