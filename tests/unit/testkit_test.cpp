// The testing kit on fakes: the recording's text, damaged recordings, a session recorded
// and replayed through wrapped components, the command line and the fixed-step clock.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "platform/clock/fake/FakeClock.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/input/fake/FakeInput.h"
#include "platform/image/Image.h"
#include "platform/testkit/CommandLine.h"
#include "platform/testkit/Recording.h"
#include "platform/testkit/Session.h"
#include "platform/testkit/VirtualClock.h"

namespace {

using platform::testkit::FrameInput;
using platform::testkit::Recording;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

FrameInput SampleFrame() {
  FrameInput f;
  f.keyboardRead = true;
  f.keys[30] = platform::kKeyDown;
  f.keys[200] = platform::kKeyDown | 0x01;
  f.mouseRead = true;
  f.mouse.x = -7;
  f.mouse.y = 3;
  f.mouse.wheel = 240;
  f.mouse.buttons = {true, false, true};
  f.cursor = {-100, 4000};
  f.joystickRead = true;
  f.joystick.x = -1000;
  f.joystick.y = 250;
  f.joystick.z = 0;
  f.joystick.rz = 65535;
  f.joystick.buttons[0] = f.joystick.buttons[11] = true;
  return f;
}

TEST(TestkitRecording, FramesBoxesAndTheClockSurviveWritingAndReading) {
  FrameInput unfocused;  // every read failed: the window had no focus
  const std::string text =
      platform::testkit::FormatHeader(4294967000u, 1796618832, true) +
      platform::testkit::FormatBox(0, platform::DialogAnswer::kYes) +
      platform::testkit::FormatFrame(1, SampleFrame(), true) +
      platform::testkit::FormatFrame(2, unfocused, true) +
      platform::testkit::FormatBox(2, platform::DialogAnswer::kOk) +
      platform::testkit::FormatEnd(2);
  EXPECT_EQ(text,
            "hinoki-recording 1\n"
            "clock 4294967000 1796618832\n"
            "joystick 1\n"
            "box 0 yes\n"
            "frame 1 keys 30,200 mouse -7 3 240 101 -100 4000 pad -1000 250 0 65535 100000000001\n"
            "frame 2 keys off mouse off pad off\n"
            "box 2 ok\n"
            "end 2\n");

  Recording r;
  std::string error;
  ASSERT_TRUE(platform::testkit::ParseRecording(text, r, error)) << error;
  EXPECT_EQ(r.startMilliseconds, 4294967000u);
  EXPECT_EQ(r.startCalendarSeconds, 1796618832);
  EXPECT_TRUE(r.joystick);
  ASSERT_EQ(r.frames.size(), 2u);
  const FrameInput& f = r.frames[0];
  EXPECT_TRUE(f.keyboardRead && f.mouseRead && f.joystickRead);
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(f.keys[code], (code == 30 || code == 200) ? platform::kKeyDown : 0) << code;
  }
  EXPECT_EQ(f.mouse.x, -7);
  EXPECT_EQ(f.mouse.y, 3);
  EXPECT_EQ(f.mouse.wheel, 240);
  EXPECT_EQ(f.mouse.buttons, (std::array<bool, 3>{true, false, true}));
  EXPECT_EQ(f.cursor.x, -100);
  EXPECT_EQ(f.cursor.y, 4000);
  EXPECT_EQ(f.joystick.x, -1000);
  EXPECT_EQ(f.joystick.rz, 65535);
  EXPECT_TRUE(f.joystick.buttons[0] && f.joystick.buttons[11] && !f.joystick.buttons[5]);
  EXPECT_FALSE(r.frames[1].keyboardRead || r.frames[1].mouseRead || r.frames[1].joystickRead);
  ASSERT_EQ(r.boxes.size(), 2u);
  EXPECT_EQ(r.boxes[0].frame, 0u);
  EXPECT_EQ(r.boxes[0].answer, platform::DialogAnswer::kYes);
  EXPECT_EQ(r.boxes[1].answer, platform::DialogAnswer::kOk);

  // Without a controller the pad is "none", and a frame without keys shows "-".
  FrameInput idle;
  idle.keyboardRead = idle.mouseRead = true;
  EXPECT_EQ(platform::testkit::FormatFrame(7, idle, false),
            "frame 7 keys - mouse 0 0 0 000 0 0 pad none\n");
}

TEST(TestkitRecording, DamagedRecordingsAreRefusedNamingTheProblem) {
  const std::string good =
      "hinoki-recording 1\nclock 5 6\njoystick 0\n"
      "frame 1 keys - mouse 0 0 0 000 0 0 pad none\n"
      "frame 2 keys 1 mouse 0 0 0 000 0 0 pad none\nend 2\n";
  Recording r;
  std::string error;
  ASSERT_TRUE(platform::testkit::ParseRecording(good, r, error)) << error;

  struct Case {
    std::string text;
    std::string reason;
  };
  const Case cases[] = {
      {"", "empty"},
      {good.substr(0, good.size() - 6), "cut short"},
      {good.substr(0, 60), "cut short (line 4 is incomplete)"},
      {"hinoki-recording 2\nclock 5 6\njoystick 0\nend 0\n", "version 2 cannot be read"},
      {"hinoki-recording one\n", "not a number"},
      {std::string("\x89PNG\r\n\x1a\n\0\0garbage", 18), "not a hinoki recording"},
      {"hinoki-recording 1\nclock 5 6\njoystick 0\n"
       "frame 2 keys - mouse 0 0 0 000 0 0 pad none\nend 1\n",
       "line 4: frame 2 out of order"},
      {"hinoki-recording 1\nclock 5 6\njoystick 0\n"
       "frame 1 keys 256 mouse 0 0 0 000 0 0 pad none\nend 1\n",
       "line 4"},
      {"hinoki-recording 1\nclock 5 6\njoystick 0\n"
       "frame 1 keys - mouse 0 0 0 000 0 0 pad 0 0 0 0 000000000000\nend 1\n",
       "line 4"},
      {"hinoki-recording 1\nclock 5 6\njoystick 0\nend 3\n", "does not match"},
      {"hinoki-recording 1\nclock 5 6\njoystick 0\nbox 1 maybe\nend 0\n", "maybe"},
      {good + "frame 3 keys - mouse 0 0 0 000 0 0 pad none\n", "after the end"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(platform::testkit::ParseRecording(c.text, r, error)) << c.text;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error << "\nfor: " << c.text;
  }
}

// A player's session through the recording wrappers, then the same reads replayed.
TEST(TestkitSession, ARecordedSessionReplaysTheSameReadsBoxesClockAndEnd) {
  char folder[] = "/tmp/hinoki-testkit-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string file = std::string(folder) + "/session.hrec";

  platform::FakeClock realClock(1000);
  platform::FakeInput realInput;
  platform::FakeDialog realDialog;
  realDialog.SetResponder([](const platform::DialogRequest&, int) {
    return platform::DialogAnswer::kYes;
  });
  std::vector<std::string> recordedReads;
  {
    platform::testkit::Options options;
    options.recordPath = file;
    options.fixedStep = true;  // nothing sleeps in real time either
    platform::testkit::Session session;
    std::string error;
    ASSERT_TRUE(session.Prepare(options, realClock, error)) << error;
    platform::Components real;
    real.clock = &realClock;
    real.input = &realInput;
    real.dialog = &realDialog;
    const platform::Components c = session.Wrap(real);
    ASSERT_NE(c.clock, &realClock);
    EXPECT_EQ(c.clock->Milliseconds(), 1000u) << "a recording starts at the real time";
    auto keyboard = c.input->CreateKeyboard(nullptr);
    auto mouse = c.input->CreateMouse(nullptr);
    EXPECT_EQ(c.input->CreateJoystick(nullptr), nullptr);
    for (unsigned frame = 1; frame <= 4; ++frame) {
      session.BeforeFrame(frame);
      realInput.SetKey(57, frame == 2);
      realInput.mMouse.x = static_cast<int>(frame);
      realInput.mCursor = {static_cast<int>(10 * frame), 5};
      realInput.mFocused = frame != 3;
      platform::KeyboardState keys{};
      platform::MouseState m;
      const bool k = keyboard->Read(keys);
      const bool read = mouse->Read(m);
      const platform::CursorPosition at = read ? mouse->Cursor() : platform::CursorPosition{};
      recordedReads.push_back(std::to_string(k) + " " + std::to_string(keys[57]) + " " +
                              std::to_string(read) + " " + std::to_string(m.x) + " " +
                              std::to_string(at.x) + " " + std::to_string(c.clock->Milliseconds()));
      if (frame == 2) {
        EXPECT_EQ(c.dialog->Show(platform::DialogRequest{}), platform::DialogAnswer::kYes);
      }
      EXPECT_FALSE(session.AfterFrame(frame, frame == 4, 60.0f));
    }
    session.AtEnd();
    platform::SimulatedTimeSource() = nullptr;
  }
  const std::string text = ReadAll(file);
  EXPECT_EQ(text.substr(0, 30), "hinoki-recording 1\nclock 1000 ") << text;
  // A box is written when answered, before the line of its frame, written at the frame's end.
  EXPECT_NE(text.find("\nbox 2 yes\nframe 2 keys 57 mouse 2 0 0 000 20 5 pad none\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\nframe 3 keys off mouse off pad none\n"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 6), "end 4\n");

  platform::testkit::Options options;
  options.replayPath = file;
  platform::testkit::Session replay;
  std::string error;
  ASSERT_TRUE(replay.Prepare(options, realClock, error)) << error;
  platform::FakeInput untouched;
  platform::FakeDialog neverShown;
  platform::Components real;
  real.clock = &realClock;
  real.input = &untouched;
  real.dialog = &neverShown;
  const platform::Components c = replay.Wrap(real);
  ASSERT_NE(platform::SimulatedTimeSource(), nullptr);
  EXPECT_EQ(platform::CalendarSeconds(), replay.SimulatedClock()->StartCalendarSeconds());
  auto keyboard = c.input->CreateKeyboard(nullptr);
  auto mouse = c.input->CreateMouse(nullptr);
  EXPECT_EQ(c.input->CreateJoystick(nullptr), nullptr);
  bool unanswered = false;
  replay.SetUnansweredBox([&](const platform::DialogRequest&) {
    unanswered = true;
    throw std::runtime_error("no answer");
  });
  std::vector<std::string> replayedReads;
  for (unsigned frame = 1; frame <= 4; ++frame) {
    replay.BeforeFrame(frame);
    platform::KeyboardState keys{};
    platform::MouseState m;
    const bool k = keyboard->Read(keys);
    const bool read = mouse->Read(m);
    const platform::CursorPosition at = read ? mouse->Cursor() : platform::CursorPosition{};
    replayedReads.push_back(std::to_string(k) + " " + std::to_string(keys[57]) + " " +
                            std::to_string(read) + " " + std::to_string(m.x) + " " +
                            std::to_string(at.x) + " " + std::to_string(c.clock->Milliseconds()));
    if (frame == 2) {
      EXPECT_EQ(c.dialog->Show(platform::DialogRequest{}), platform::DialogAnswer::kYes);
    }
    // The recording ran 4 frames, the last one after the end was asked for: the replay
    // asks for it after frame 3.
    EXPECT_EQ(replay.AfterFrame(frame, frame == 4, 60.0f), frame == 3) << frame;
  }
  EXPECT_EQ(replayedReads, recordedReads);
  EXPECT_EQ(recordedReads[1], "1 128 1 2 20 1016");
  EXPECT_TRUE(neverShown.Shown().empty());
  EXPECT_THROW(c.dialog->Show(platform::DialogRequest{}), std::runtime_error);
  EXPECT_TRUE(unanswered);
  platform::SimulatedTimeSource() = nullptr;
  std::remove(file.c_str());
  rmdir(folder);
}

// A controller attached while recording exists again in the replay, with its sticks and
// buttons frame by frame, even on a machine without one.
TEST(TestkitSession, AControllerIsRecordedAndReplayedWithoutOne) {
  char folder[] = "/tmp/hinoki-testkit-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string file = std::string(folder) + "/pad.hrec";
  platform::FakeClock realClock;
  platform::FakeInput pad;
  pad.mHasJoystick = true;
  platform::FakeDialog dialog;
  auto readPad = [](platform::JoystickDevice& joystick) {
    joystick.Poll();
    platform::JoystickState state;
    const bool read = joystick.Read(state);
    return std::to_string(read) + " " + std::to_string(state.x) + " " + std::to_string(state.rz) +
           " " + std::to_string(state.buttons[3]);
  };
  std::vector<std::string> recorded, replayed;
  {
    platform::testkit::Options options;
    options.recordPath = file;
    options.fixedStep = true;
    platform::testkit::Session session;
    std::string error;
    ASSERT_TRUE(session.Prepare(options, realClock, error)) << error;
    platform::Components real;
    real.clock = &realClock;
    real.input = &pad;
    real.dialog = &dialog;
    const platform::Components c = session.Wrap(real);
    auto joystick = c.input->CreateJoystick(nullptr);
    ASSERT_NE(joystick, nullptr);
    for (unsigned frame = 1; frame <= 3; ++frame) {
      session.BeforeFrame(frame);
      pad.mJoystick.x = 400 * static_cast<int>(frame);
      pad.mJoystick.rz = 1000 * static_cast<int>(frame);
      pad.mJoystick.buttons[3] = frame == 2;
      pad.mFocused = frame != 3;
      recorded.push_back(readPad(*joystick));
      session.AfterFrame(frame, frame == 3, 60.0f);
    }
    session.AtEnd();
    platform::SimulatedTimeSource() = nullptr;
  }
  EXPECT_NE(ReadAll(file).find("\njoystick 1\n"), std::string::npos) << ReadAll(file);

  platform::testkit::Options options;
  options.replayPath = file;
  platform::testkit::Session replay;
  std::string error;
  ASSERT_TRUE(replay.Prepare(options, realClock, error)) << error;
  platform::FakeInput none;  // no controller here
  platform::Components real;
  real.clock = &realClock;
  real.input = &none;
  real.dialog = &dialog;
  const platform::Components c = replay.Wrap(real);
  auto joystick = c.input->CreateJoystick(nullptr);
  ASSERT_NE(joystick, nullptr);
  for (unsigned frame = 1; frame <= 3; ++frame) {
    replay.BeforeFrame(frame);
    replayed.push_back(readPad(*joystick));
    replay.AfterFrame(frame, frame == 3, 60.0f);
  }
  EXPECT_EQ(replayed, recorded);
  EXPECT_EQ(recorded, (std::vector<std::string>{"1 400 1000 0", "1 800 2000 1", "0 0 32767 0"}));
  platform::SimulatedTimeSource() = nullptr;
  std::remove(file.c_str());
  rmdir(folder);
}

TEST(TestkitCommandLine, OptionsTheirValuesAndWhatCannotGoTogether) {
  platform::testkit::Options o;
  std::string error;
  ASSERT_TRUE(platform::testkit::ParseCommandLine(
      {"--replay", "a.hrec", "game", "--capture=shots", "--capture-frames", "3,1,3", "--frames=9"},
      o, error))
      << error;
  EXPECT_EQ(o.gameDir, "game");
  EXPECT_EQ(o.replayPath, "a.hrec");
  EXPECT_EQ(o.captureDir, "shots");
  EXPECT_EQ(o.capture.frames, (std::set<unsigned>{1, 3}));
  EXPECT_EQ(o.capture.every, 0u);
  EXPECT_EQ(o.frames, 9u);
  EXPECT_TRUE(o.Simulated());
  EXPECT_TRUE(o.capture.Includes(3) && !o.capture.Includes(2));

  ASSERT_TRUE(platform::testkit::ParseCommandLine({"--capture", "d"}, o, error));
  EXPECT_TRUE(o.capture.Includes(1) && o.capture.Includes(2)) << "every frame by default";
  EXPECT_FALSE(o.Simulated());
  ASSERT_TRUE(platform::testkit::ParseCommandLine({"--capture", "d", "--capture-every", "60"}, o, error));
  EXPECT_TRUE(o.capture.Includes(120) && !o.capture.Includes(61));
  ASSERT_TRUE(platform::testkit::ParseCommandLine({}, o, error));
  EXPECT_FALSE(o.AnyTestingOption());

  const std::pair<std::vector<std::string>, std::string> bad[] = {
      {{"--record"}, "'--record' needs a value"},
      {{"--record", "a", "--replay", "b"}, "--record and --replay cannot be used together"},
      {{"--capture", "d", "--capture-every", "2", "--capture-frames", "1"}, "cannot be used together"},
      {{"--capture-every", "2"}, "--capture-every needs --capture DIR"},
      {{"--frames", "0"}, "--frames needs a whole number"},
      {{"--frames", "-3"}, "--frames needs a whole number"},
      {{"--frames", "12x"}, "not '12x'"},
      {{"--capture", "d", "--capture-frames", "1,,2"}, "--capture-frames needs frame numbers"},
      {{"--fixed-step", "--fixed-step"}, "'--fixed-step' is given twice"},
      {{"--fixed-step=yes"}, "takes no value"},
      {{"--speed", "2"}, "unknown option '--speed'"},
      {{"-x"}, "unknown option '-x'"},
      {{"one", "two"}, "only one game folder"},
  };
  for (const auto& [args, message] : bad) {
    EXPECT_FALSE(platform::testkit::ParseCommandLine(args, o, error)) << args[0];
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
  ASSERT_TRUE(platform::testkit::ParseCommandLine({"--frames", "5", "--help"}, o, error));
  EXPECT_TRUE(o.help);
}

TEST(TestkitClock, FramesLastTheTruncatedFrameTimeAndNothingWaits) {
  using platform::testkit::VirtualClock;
  EXPECT_EQ(VirtualClock::FrameMilliseconds(60.0f), 16u);
  EXPECT_EQ(VirtualClock::FrameMilliseconds(30.0f), 33u);
  EXPECT_EQ(VirtualClock::FrameMilliseconds(0.0f), 16u);
  EXPECT_EQ(VirtualClock::FrameMilliseconds(-5.0f), 16u);
  EXPECT_EQ(VirtualClock::FrameMilliseconds(std::nanf("")), 16u);
  EXPECT_EQ(VirtualClock::FrameMilliseconds(1000.0f), 1u);
  EXPECT_EQ(VirtualClock::FrameMilliseconds(0.5f), 2000u);

  VirtualClock clock(4294967290u, 100);
  clock.Sleep(500);
  EXPECT_EQ(clock.Milliseconds(), 4294967290u) << "a wait moves no game time";
  for (int i = 0; i < 63; ++i) clock.Advance(16);
  EXPECT_EQ(clock.Milliseconds(), static_cast<std::uint32_t>(4294967290u + 1008u)) << "wraps";
  EXPECT_EQ(clock.CalendarSeconds(), 101);
  EXPECT_DOUBLE_EQ(clock.ProcessorSeconds(), 1.008);
}

TEST(TestkitCapture, ACapturedFrameReadsBackAsTheSamePixels) {
  char folder[] = "/tmp/hinoki-capture-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string file = std::string(folder) + "/frame-000001.png";
  std::vector<std::uint32_t> pixels(37 * 5);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    pixels[i] = static_cast<std::uint32_t>(i * 2654435761u);  // every channel varies
  }
  ASSERT_TRUE(platform::image::SavePng(file, 37, 5, pixels.data(),
                                       platform::image::PngCompression::kFast));
  platform::image::Image image;
  std::string error;
  ASSERT_TRUE(platform::image::LoadImage(file, image, &error)) << error;
  ASSERT_EQ(image.levels.size(), 1u);
  EXPECT_EQ(image.levels[0].width, 37u);
  EXPECT_EQ(image.levels[0].height, 5u);
  EXPECT_EQ(image.levels[0].pixels, pixels);
  EXPECT_FALSE(platform::image::SavePng(std::string(folder) + "/no/such.png", 37, 5,
                                        pixels.data(), platform::image::PngCompression::kFast));
  std::remove(file.c_str());
  rmdir(folder);
}

}  // namespace
