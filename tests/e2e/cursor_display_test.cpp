// The cursor position a game's script reads while the pointer leaves the window on a real
// X display: xdotool moves the pointer, the script reports every position it sees.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "e2e/GameRunner.h"
#include "e2e/XDisplay.h"

namespace {

// The number after `label` in xwininfo's output, or 0.
// Every cursor line the script wrote, in order.
std::vector<std::string> CursorLines(const std::string& err) {
  std::vector<std::string> lines;
  std::istringstream in(err);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("cursor ", 0) == 0) lines.push_back(line);
  }
  return lines;
}

// Reports, on standard error so that the test can wait for it, every change of the
// cursor position and of whether the left button is held.
const char* const kCursorReporter = R"(
local input = InputN.EXINPUT()
local last, frames = "", 0
function ScriptInitialize() end
function ScriptFrame()
  frames = frames + 1
  local line = string.format("cursor %d %d %s", input:GetMouseState(InputN.M_XPOSITION),
    input:GetMouseState(InputN.M_YPOSITION),
    input:GetMouseState(InputN.M_LEFT) > 0 and "held" or "up")
  if line ~= last then io.stderr:write(line, "\n") last = line end
  if input:GetPressedKey(InputN.K_ESC) > 0 or frames > 3000 then LuaN.LUA():Quit() end
end
function ScriptExit() end
return true
)";

TEST(DisplayCursor, PositionFollowsThePointerOutsideTheWindow) {
  if (!e2e::HaveXTools()) {
    GTEST_SKIP() << "needs an X display with xwininfo and xdotool";
  }
  const e2e::GameFolder game({{"system/loset.lat", R"(
function ini_window_mode() return true end
function ini_debug_mode() return true end
function ini_fps_num() return 30 end
function ini_window_width() return 320 end
function ini_window_height() return 240 end
function ini_title_name() return "HinokiCursorProbe" end
function ini_load_path() return "main.lua" end
return true
)"},
                              {"main.lua", kCursorReporter}});
  e2e::GameProcess process(game.Path(), {}, 30, true);
  const std::string id = e2e::WaitForShownWindow("HinokiCursorProbe");
  ASSERT_FALSE(id.empty()) << "the game window never appeared";
  const std::string info = e2e::Shell("xwininfo -id " + id);
  const int left = e2e::InfoField(info, "Absolute upper-left X:");
  const int top = e2e::InfoField(info, "Absolute upper-left Y:");
  const std::string screen = e2e::Shell("xwininfo -root");
  if (left < 60 || top < 60 || left + 420 >= e2e::InfoField(screen, "Width:") ||
      top + 320 >= e2e::InfoField(screen, "Height:")) {
    GTEST_SKIP() << "the screen leaves no room around the window\n" << info;
  }

  // Each step moves the pointer (client coordinates; xdotool takes screen ones) or a
  // button, then waits until the script has seen the result, so no step depends on how
  // long a frame takes.
  auto to = [&](int x, int y) {
    return "mousemove " + std::to_string(left + x) + " " + std::to_string(top + y);
  };
  const std::vector<std::pair<std::string, std::string>> steps = {
      {to(30, 40), "cursor 30 40 up"},
      // Left of and above the client area, then beyond its right and bottom edges.
      {to(-40, -30), "cursor -40 -30 up"},
      {to(400, 300), "cursor 400 300 up"},
      {to(50, 60), "cursor 50 60 up"},
      // Dragged out with the left button held, and let go out there.
      {"mousedown 1", "cursor 50 60 held"},
      {to(-25, -15), "cursor -25 -15 held"},
      {to(350, 270), "cursor 350 270 held"},
      {"mouseup 1", "cursor 350 270 up"},
      {to(70, 80), "cursor 70 80 up"},
  };
  e2e::Shell("xdotool windowfocus --sync " + id);
  for (const auto& [xdotool, seen] : steps) {
    e2e::Shell("xdotool " + xdotool);
    if (!process.WaitForError(seen + "\n")) {
      ADD_FAILURE() << "after xdotool " << xdotool << " the script never read: " << seen;
      break;
    }
  }
  e2e::Shell("xdotool key Escape");

  const e2e::RunResult result = process.Finish();
  ASSERT_FALSE(result.timedOut) << result.err;
  EXPECT_EQ(result.exitStatus, 0);
  // Each position read exactly once it was reached, nothing stale in between. What came
  // before the first move is wherever the pointer happened to be.
  std::vector<std::string> seen = CursorLines(result.err);
  while (!seen.empty() && seen.front() != "cursor 30 40 up") seen.erase(seen.begin());
  std::vector<std::string> expected;
  for (const auto& step : steps) expected.push_back(step.second);
  EXPECT_EQ(seen, expected) << result.err;
}

}  // namespace
