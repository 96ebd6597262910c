// Keyboard and mouse of a real X display reaching a game's script: real key presses,
// pointer motion and wheel clicks from xdotool, and what losing the focus does.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/GameRunner.h"
#include "e2e/XDisplay.h"

namespace {

// One game frame as the script printed it, whenever something changed.
struct Frame {
  int a = 0, b = 0, c = 0, left = 0, dx = 0, dy = 0, wheel = 0, x = 0, y = 0;
  bool AllZero() const { return !(a || b || c || left || dx || dy || wheel || x || y); }
};

std::vector<Frame> Frames(const std::string& out) {
  std::vector<Frame> frames;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    Frame f;
    if (std::sscanf(line.c_str(), "state %d %d %d %d %d %d %d %d %d", &f.a, &f.b, &f.c, &f.left,
                    &f.dx, &f.dy, &f.wheel, &f.x, &f.y) == 9) {
      frames.push_back(f);
    }
  }
  return frames;
}

// The values one field took, each change once.
std::vector<int> Changes(const std::vector<Frame>& frames, int Frame::*field) {
  std::vector<int> values;
  for (const Frame& f : frames) {
    if (values.empty() || values.back() != f.*field) values.push_back(f.*field);
  }
  return values;
}

TEST(DisplayInput, KeysMouseAndFocusReachTheScript) {
  if (!e2e::HaveXTools()) {
    GTEST_SKIP() << "needs an X display with xwininfo and xdotool";
  }
  const e2e::GameFolder game({{"system/loset.lat", R"(
function ini_window_mode() return true end
function ini_debug_mode() return true end
function ini_fps_num() return 10 end
function ini_window_width() return 320 end
function ini_window_height() return 240 end
function ini_title_name() return "HinokiInputProbe" end
function ini_load_path() return "main.lua" end
return true
)"},
                              {"main.lua", R"(
local input = InputN.EXINPUT()
local last, frames = "", 0
function ScriptInitialize()
  print("joystick", tostring(input:JoyStickUsed()), input:GetJoyStickState(InputN.J_LEFT_H))
end
function ScriptFrame()
  frames = frames + 1
  local values = { input:GetPressedKey(InputN.K_A), input:GetPressedKey(InputN.K_B),
    input:GetPressedKey(InputN.K_C) }
  for _, m in ipairs({ InputN.M_LEFT, InputN.M_HORIZOTAL, InputN.M_VERTICAL, InputN.M_WHEEL,
                       InputN.M_XPOSITION, InputN.M_YPOSITION }) do
    values[#values + 1] = input:GetMouseState(m)
  end
  local line = "state " .. table.concat(values, " ")
  if line ~= last then print(line) last = line end
  if input:GetPressedKey(InputN.K_ESC) > 0 or frames > 600 then LuaN.LUA():Quit() end
end
function ScriptExit() end
return true
)"}});
  e2e::GameProcess process(game.Path(), {}, 90, true);
  const std::string id = e2e::WaitForShownWindow("HinokiInputProbe");
  ASSERT_FALSE(id.empty()) << "the game window never appeared";
  const std::string info = e2e::Shell("xwininfo -id " + id);
  const int left = e2e::InfoField(info, "Absolute upper-left X:");
  const int top = e2e::InfoField(info, "Absolute upper-left Y:");
  const std::string root = e2e::Shell("xwininfo -root | awk '/Window id/{printf \"%s\", $4}'");

  // Frames last 100 ms: a held key spans several, a tap of one xdotool call none.
  auto run = [](const std::string& steps) { e2e::Shell("xdotool " + steps); };
  run("windowfocus --sync " + id + " mousemove --window " + id + " 30 40 sleep 0.5");
  run("keydown a sleep 0.6 keyup a sleep 0.3");
  run("keydown b keyup b sleep 0.3");
  run("mousemove_relative -- 7 0 sleep 0.3 click 4 sleep 0.3 click 1 sleep 0.3");
  run("mousemove " + std::to_string(left - 100) + " " + std::to_string(top + 10) + " sleep 0.3");
  run("keydown c sleep 0.5 windowfocus --sync " + root + " sleep 0.5 keyup c");
  run("windowfocus --sync " + id + " sleep 0.3 key Escape");

  const e2e::RunResult result = process.Finish();
  ASSERT_FALSE(result.timedOut) << result.out;
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_NE(result.out.find("*** ジョイスティックデバイスを作成しませんでした ***\n"
                            "joystick\tfalse\t0\t\n"),
            std::string::npos)
      << result.out;
  const std::vector<Frame> frames = Frames(result.out);

  // A held key counts 1, 2, 3 ... frame by frame, then drops to 0.
  const std::vector<int> a = Changes(frames, &Frame::a);
  ASSERT_GE(a.size(), 4u) << result.out;
  for (std::size_t i = 1; i + 1 < a.size(); ++i) EXPECT_EQ(a[i], static_cast<int>(i)) << result.out;
  EXPECT_EQ(a.back(), 0);
  // A tap shorter than a frame is seen in exactly one frame.
  EXPECT_EQ(Changes(frames, &Frame::b), (std::vector<int>{0, 1, 0})) << result.out;
  EXPECT_EQ(Changes(frames, &Frame::left), (std::vector<int>{0, 1, 0})) << result.out;

  bool moved = false, wheel = false, inside = false, outside = false;
  for (const Frame& f : frames) {
    moved = moved || (f.dx == 7 && f.dy == 0 && f.x == 37 && f.y == 40);
    wheel = wheel || f.wheel == 120;
    inside = inside || (f.x == 30 && f.y == 40);
    outside = outside || (f.x == -100 && f.y == 10);
  }
  EXPECT_TRUE(moved && wheel && inside && outside) << result.out;
  EXPECT_EQ(Changes(frames, &Frame::wheel), (std::vector<int>{0, 120, 0})) << result.out;

  // Losing the focus while C is held: every value of the script reads 0 until it returns.
  std::size_t held = 0;
  while (held < frames.size() && frames[held].c == 0) ++held;
  ASSERT_LT(held, frames.size()) << result.out;
  bool zeroed = false;
  for (std::size_t i = held; i < frames.size(); ++i) zeroed = zeroed || frames[i].AllZero();
  EXPECT_TRUE(zeroed) << result.out;
  EXPECT_EQ(result.err, "");
}

}  // namespace
