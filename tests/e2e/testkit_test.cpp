// The testing kit as a game's author uses it: a session recorded on a real X display and
// replayed headless, the fixed-step clock, music at that pace, damaged recordings, the
// command line, and the README's example run as written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/GameRunner.h"
#include "e2e/XDisplay.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// The probe game of tests/e2e/games/testkit with the shipped placeholder picture.
std::map<std::string, std::string> ProbeGame() {
  const std::string dir = std::string(HINOKI_SOURCE_DIR) + "/tests/e2e/games/testkit/";
  return {{"system/loset.lat", ReadFile(dir + "system/loset.lat")},
          {"system/notex.lat", e2e::ShippedSystemFile("notex.lat")},
          {"main.lua", ReadFile(dir + "main.lua")}};
}

// The PNG files of a capture folder, by name.
std::map<std::string, std::string> Captures(const std::string& dir) {
  std::map<std::string, std::string> files;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* entry = readdir(d)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.substr(name.size() - 4) == ".png") {
        files[name] = ReadFile(dir + "/" + name);
      }
    }
    closedir(d);
  }
  return files;
}

// The lines the probe printed that start with `word`.
std::vector<std::string> Lines(const std::string& out, const std::string& word) {
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(word + "\t", 0) == 0) lines.push_back(line);
  }
  return lines;
}

// A scratch folder next to the game's, for recordings and captures.
class Scratch {
 public:
  Scratch() {
    char pattern[] = "/tmp/hinoki-testkit-XXXXXX";
    mPath = mkdtemp(pattern) ? pattern : "/tmp";
  }
  ~Scratch() { e2e::Shell("rm -rf '" + mPath + "'"); }
  std::string operator/(const std::string& name) const { return mPath + "/" + name; }
  const std::string& Path() const { return mPath; }

 private:
  std::string mPath;
};

TEST(DisplayTestkit, ARecordedSessionReplaysHeadlessToTheSameValuesAndPictures) {
  if (!e2e::HaveXTools()) GTEST_SKIP() << "needs an X display with xwininfo and xdotool";
  const e2e::GameFolder game(ProbeGame());
  const Scratch scratch;
  const std::string recording = scratch / "session.hrec";

  // A player on a real display: the right arrow held, a click, E (the script fails once:
  // the box is answered), the wheel, then Escape.
  e2e::GameProcess player(game.Path(), {"--record", recording}, 90, true);
  const std::string id = e2e::WaitForShownWindow("HinokiTestkitProbe");
  ASSERT_FALSE(id.empty()) << "the game window never appeared";
  auto run = [](const std::string& steps) { e2e::Shell("xdotool " + steps); };
  run("windowfocus --sync " + id + " mousemove --window " + id + " 30 40 sleep 0.3");
  run("keydown Right sleep 0.4 keyup Right sleep 0.2 click 1 sleep 0.2 key e");
  const std::string box = e2e::WaitForShownWindow("スクリプトエラー！");
  ASSERT_FALSE(box.empty()) << "the script error box never appeared";
  e2e::Shell("xdotool windowfocus " + box + " && sleep 0.2 && xdotool key Return");
  run("sleep 0.3 windowfocus --sync " + id + " mousemove --window " + id +
      " 50 70 sleep 0.2 click 5 sleep 0.3 key Escape");
  const e2e::RunResult played = player.Finish();
  ASSERT_FALSE(played.timedOut);
  ASSERT_EQ(played.exitStatus, 0) << played.err;
  const std::string text = ReadFile(recording);
  EXPECT_EQ(text.rfind("hinoki-recording 1\nclock ", 0), 0u) << text;
  EXPECT_NE(text.find("\nbox "), std::string::npos) << text;
  EXPECT_NE(text.find("\nend " + std::to_string(Lines(played.out, "frame").size()) + "\n"),
            std::string::npos)
      << text;

  // What the player's script saw: the key held, the click, E, the wheel.
  bool held = false, clicked = false, pressedE = false, wheel = false;
  for (const std::string& line : Lines(played.out, "frame")) {
    std::istringstream in(line);
    std::string word;
    long long n, ms, rnd, right, e, left, dx, dy, w, mx, my, x, y;
    in >> word >> n >> ms >> rnd >> right >> e >> left >> dx >> dy >> w >> mx >> my >> x >> y;
    held = held || right > 3;
    clicked = clicked || (left == 1 && mx == 30 && my == 40 && x == 30 && y == 40);
    pressedE = pressedE || e == 1;
    wheel = wheel || w != 0;
  }
  EXPECT_TRUE(held && clicked && pressedE && wheel) << played.out;

  // Two headless replays: the same values as the player saw, the same pictures.
  const std::vector<std::string> capture = {"--capture-every", "10"};
  std::vector<std::string> args = {"--replay", recording, "--capture", scratch / "first"};
  args.insert(args.end(), capture.begin(), capture.end());
  const e2e::RunResult first = e2e::RunHinoki(game.Path(), "", args);
  args[3] = scratch / "second";
  const e2e::RunResult second = e2e::RunHinoki(game.Path(), "", args);
  EXPECT_EQ(first.exitStatus, 0) << first.err;
  EXPECT_EQ(second.exitStatus, 0) << second.err;
  EXPECT_EQ(first.out, played.out);
  EXPECT_EQ(second.out, played.out);
  const auto firstPictures = Captures(scratch / "first");
  EXPECT_EQ(firstPictures.size(), Lines(played.out, "frame").size() / 10);
  EXPECT_EQ(firstPictures.count("frame-000010.png"), 1u);
  EXPECT_TRUE(firstPictures == Captures(scratch / "second")) << "captures differ between replays";
  std::set<std::string> distinct;
  for (const auto& [name, bytes] : firstPictures) distinct.insert(bytes);
  EXPECT_GT(distinct.size(), 1u) << "the square never moved on the pictures";

  // The script changed since: the square moves 3 pixels a frame. The replay runs, and
  // both the printed values and the pictures show where it departs.
  std::string changed = ReadFile(game.Path() + "/main.lua");
  const std::string step = "x = x + 2 *";
  ASSERT_NE(changed.find(step), std::string::npos);
  changed.replace(changed.find(step), step.size(), "x = x + 3 *");
  game.Write("main.lua", changed);
  args[3] = scratch / "changed";
  const e2e::RunResult third = e2e::RunHinoki(game.Path(), "", args);
  EXPECT_EQ(third.exitStatus, 0) << third.err;
  EXPECT_NE(third.out, played.out);
  const auto changedPictures = Captures(scratch / "changed");
  EXPECT_EQ(changedPictures.size(), firstPictures.size());
  EXPECT_FALSE(changedPictures == firstPictures);
  EXPECT_NE(e2e::Shell("diff -rq '" + scratch / "first" + "' '" + scratch / "changed" + "'"), "");
}

TEST(Testkit, TheFixedStepClockMovesSixteenMillisecondsAFrameAndRepeatsItself) {
  const e2e::GameFolder game(ProbeGame());
  const e2e::RunResult one = e2e::RunHinoki(game.Path(), "", {"--fixed-step", "--frames", "30"});
  const e2e::RunResult two = e2e::RunHinoki(game.Path(), "", {"--frames=30", "--fixed-step"});
  ASSERT_EQ(one.exitStatus, 0) << one.err;
  EXPECT_EQ(one.err, "");
  // The same calendar start, the same random numbers, the same everything.
  EXPECT_EQ(one.out, two.out);
  EXPECT_NE(one.out.find("start\t946684800\t2000-01-01 00:00:00\t0\t\n"), std::string::npos)
      << one.out;
  // --frames 30 is a Quit in frame 30: one more frame runs, then ScriptExit.
  const std::vector<std::string> frames = Lines(one.out, "frame");
  ASSERT_EQ(frames.size(), 31u) << one.out;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    std::istringstream in(frames[i]);
    std::string word;
    long long n = 0, ms = -1;
    in >> word >> n >> ms;
    EXPECT_EQ(ms, 16 * static_cast<long long>(i)) << frames[i];
  }
  EXPECT_NE(one.out.find("exit\t31\t946684800\t\n"), std::string::npos) << one.out;

  // Without the fixed step the clock is the real one and --frames still ends the game.
  const e2e::RunResult plain = e2e::RunHinoki(game.Path(), "", {"--frames", "3"});
  EXPECT_EQ(plain.exitStatus, 0);
  EXPECT_EQ(Lines(plain.out, "frame").size(), 4u);
  EXPECT_EQ(plain.out.find("946684800"), std::string::npos);
}

// A 16-bit mono WAVE at 48000 Hz, `frames` samples long.
std::string Wave48k(int frames) {
  auto u32 = [](unsigned v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                       static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
  };
  std::string data;
  for (int i = 0; i < frames; ++i) {
    const int sample = (i / 24) % 2 ? 4000 : -4000;
    data += static_cast<char>(sample & 0xFF);
    data += static_cast<char>((sample >> 8) & 0xFF);
  }
  return "RIFF" + u32(36 + static_cast<unsigned>(data.size())) + "WAVEfmt " + u32(16) +
         std::string("\x01\x00\x01\x00", 4) + u32(48000) + u32(96000) +
         std::string("\x02\x00\x10\x00", 4) + "data" + u32(static_cast<unsigned>(data.size())) +
         data;
}

TEST(Testkit, MusicPlaysAtTheFixedStepToTheSample) {
  std::map<std::string, std::string> files = ProbeGame();
  // 7680 samples are 160 ms, ten frames of 16 ms; one sample more needs an eleventh.
  files["bgm/ten.wav"] = Wave48k(7680);
  files["bgm/longer.wav"] = Wave48k(7681);
  files["main.lua"] = R"(
local music = SoundN.MP3SOUND()
frames = 0
function ScriptInitialize() end
function ScriptFrame()
  frames = frames + 1
  if frames == 1 then
    music:Play("bgm\\ten.wav", false, SecTo(0))
    music:Play("bgm\\longer.wav", false, SecTo(0))
  end
  print("pieces", frames, music:GetPlayListSize())
end
function ScriptExit() end
return true
)";
  const e2e::GameFolder game(files);
  const e2e::RunResult r = e2e::RunHinoki(game.Path(), "", {"--fixed-step", "--frames", "13"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  // Frame 1 starts both; after frame N the pieces have played N x 16 ms. The shorter one
  // ends after frame 10 and leaves the list in frame 11, the longer one in frame 12.
  std::string expected;
  for (int frame = 1; frame <= 14; ++frame) {
    const int left = frame <= 10 ? 2 : frame == 11 ? 1 : 0;
    expected += "pieces\t" + std::to_string(frame) + "\t" + std::to_string(left) + "\t\n";
  }
  EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
}

TEST(Testkit, DamagedRecordingsAreRefusedBeforeTheGameStarts) {
  const e2e::GameFolder game(ProbeGame());
  const Scratch scratch;
  const std::string header = "hinoki-recording 1\nclock 0 946684800\njoystick 0\n";
  const std::string frame = "frame 1 keys - mouse 0 0 0 000 0 0 pad none\n";
  const std::map<std::string, std::pair<std::string, std::string>> files = {
      {"truncated", {header + frame + "frame 2 keys 1", "cut short (line 5 is incomplete)"}},
      {"unfinished", {header + frame, "cut short (no end line after 1 frames)"}},
      {"version", {"hinoki-recording 9\nclock 0 0\njoystick 0\nend 0\n",
                   "format version 9 cannot be read: this hinoki reads version 1"}},
      {"garbage", {std::string("\x7f" "ELF\x02\x01\x01\0\0\0binary", 16), "not a hinoki recording"}},
      {"frames", {header + frame + "end 5\n", "line 5: the end line does not match"}},
  };
  for (const auto& [name, content] : files) {
    WriteFile(scratch / name, content.first);
    const e2e::RunResult r = e2e::RunHinoki(game.Path(), "", {"--replay", scratch / name});
    EXPECT_EQ(r.exitStatus, 2) << name;
    EXPECT_EQ(r.out, "") << name << ": the game must not start";
    EXPECT_EQ(r.err.rfind("hinoki: '" + scratch / name + "' cannot be replayed: ", 0), 0u)
        << r.err;
    EXPECT_NE(r.err.find(content.second), std::string::npos) << r.err;
  }
  const e2e::RunResult missing = e2e::RunHinoki(game.Path(), "", {"--replay", scratch / "none"});
  EXPECT_EQ(missing.exitStatus, 2);
  EXPECT_NE(missing.err.find("cannot read the recording"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.out, "");
}

TEST(Testkit, AReplayThatMeetsABoxItHasNoAnswerForEndsWithStatus3) {
  const e2e::GameFolder game(ProbeGame());
  const Scratch scratch;
  // Written by hand: E is pressed in frame 3, but no answer to the box that follows.
  std::string text = "hinoki-recording 1\nclock 0 946684800\njoystick 0\n";
  for (int n = 1; n <= 6; ++n) {
    text += "frame " + std::to_string(n) + " keys " + (n == 3 ? "18" : "-") +
            " mouse 0 0 0 000 10 10 pad none\n";
  }
  text += "end 6\n";
  WriteFile(scratch / "no-answer.hrec", text);
  const e2e::RunResult r = e2e::RunHinoki(game.Path(), "", {"--replay", scratch / "no-answer.hrec"});
  EXPECT_EQ(r.exitStatus, 3);
  EXPECT_NE(r.err.find("hinoki: the replay reached a box that the recording does not answer, "
                       "in frame 3: \"スクリプトエラー！\""),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("E was pressed"), std::string::npos) << r.err;
  EXPECT_EQ(Lines(r.out, "frame").size(), 2u) << r.out;
}

TEST(Testkit, TheCommandLineExplainsItselfAndRefusesWhatItCannotDo) {
  e2e::RunResult r = e2e::RunHinoki("/", "", {"--help"});
  EXPECT_EQ(r.exitStatus, 0);
  for (const char* option : {"--fixed-step", "--record FILE", "--replay FILE", "--capture DIR",
                             "--capture-every N", "--capture-frames", "--frames N"}) {
    EXPECT_NE(r.out.find(option), std::string::npos) << option;
  }
  const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
      {{"--rewind"}, "hinoki: unknown option '--rewind'\n"},
      {{"--record", "a", "--replay", "b"}, "hinoki: --record and --replay cannot be used together\n"},
      {{"--capture", "d", "--capture-every", "5", "--capture-frames", "1,2"},
       "hinoki: --capture-every and --capture-frames cannot be used together\n"},
      {{"--capture-frames", "1,2"}, "hinoki: --capture-frames needs --capture DIR\n"},
      {{"--frames", "ten"}, "hinoki: --frames needs a whole number of frames above 0, not 'ten'\n"},
      {{"--replay"}, "hinoki: '--replay' needs a value\n"},
  };
  for (const auto& [args, message] : bad) {
    r = e2e::RunHinoki("/", "", args);
    EXPECT_EQ(r.exitStatus, 2) << args[0];
    EXPECT_EQ(r.err, message + "Run 'hinoki --help' for the options.\n");
    EXPECT_EQ(r.out, "");
  }
  r = e2e::RunHinoki("/", "", {"--record", "/nonexistent-folder/x.hrec"});
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_NE(r.err.find("cannot write the recording '/nonexistent-folder/x.hrec'"),
            std::string::npos)
      << r.err;
}

// README.md's example, between its marker and the end of the block, run by bash in a
// folder where `build` is this build.
TEST(Testkit, TheReadmeExampleRecordsReplaysAndComparesAsWritten) {
  const std::string readme = ReadFile(std::string(HINOKI_SOURCE_DIR) + "/README.md");
  const std::string marker = "<!-- testkit example -->\n```sh\n";
  const auto begin = readme.find(marker);
  ASSERT_NE(begin, std::string::npos) << "README.md has lost its example";
  const auto end = readme.find("\n```", begin + marker.size());
  const std::string script = readme.substr(begin + marker.size(), end - begin - marker.size());
  const std::string build = std::string(HINOKI_EXECUTABLE).substr(
      0, std::string(HINOKI_EXECUTABLE).rfind('/'));
  struct stat info {};
  ASSERT_EQ(stat((build + "/demo/main.lua").c_str(), &info), 0) << "the demo is not built";
  if (e2e::Shell("for t in xvfb-run xdotool xwininfo; do command -v $t; done | wc -l") != "3\n") {
    GTEST_SKIP() << "needs xvfb-run, xdotool and xwininfo";
  }
  const Scratch scratch;
  ASSERT_EQ(symlink(build.c_str(), (scratch / "build").c_str()), 0);
  WriteFile(scratch / "example.sh", "set -e\n" + script + "\n");
  const std::string out = e2e::Shell("cd '" + scratch.Path() +
                                     "' && env -u DISPLAY bash example.sh 2>&1; echo status $?");
  EXPECT_NE(out.find("the replays match"), std::string::npos) << out;
  EXPECT_NE(out.find("status 0"), std::string::npos) << out;
  EXPECT_EQ(Captures(scratch / "first").size(), 5u) << out;
  // The recording holds what xdotool did.
  EXPECT_NE(ReadFile(scratch / "demo.hrec").find(" keys 205 "), std::string::npos);
}

}  // namespace
