// The debug console as a player sees it: the real executable on a pseudo-terminal (pages
// on the alternate screen, titles by OSC 0) and with its output sent to a pipe (pages as
// plain blocks).
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "e2e/GameRunner.h"
#include "e2e/PtyRunner.h"
#include "platform/text/Text.h"

namespace {

using e2e::GameFolder;

const char kEnterAlternate[] = "\x1b[?1049h";
const char kLeaveAlternate[] = "\x1b[?1049l";
const char kDebugTitle[] = "\x1b]0;デバッグ情報出力モード\x07";
const char kStandardTitle[] = "\x1b]0;標準出力モード\x07";
const char kJapanese[] = "日本語のテキスト";

std::string Settings(bool debugMode) {
  return std::string(R"(
function ini_window_select() return false end
function ini_window_mode() return true end
function ini_debug_mode() return )") + (debugMode ? "true" : "false") + R"( end
function ini_synchronise() return false end
function ini_fps_num() return 60 end
function ini_window_width() return 64 end
function ini_window_height() return 48 end
function ini_window_pos_x() return 0 end
function ini_window_pos_y() return 0 end
function ini_back_width() return 64 end
function ini_back_height() return 48 end
function ini_title_name() return "console" end
function ini_load_path() return "scripts/main.lua" end
return true
)";
}

// The console thread redraws on its own time: each step waits a dozen paced frames
// (200 ms at 60 fps) for the previous redraw to be over, since a line written during one
// is lost. The script text is CP932, as a game's scripts are.
std::string DebugScript() {
  return platform::text::Utf8ToCp932(std::string(R"lua(
local L = LuaN.LUA()
local n = 0
function ScriptInitialize() end
function ScriptExit() end
function ScriptFrame()
  n = n + 1
  if n == 12 then L:DebugShowDebug() L:DebugOut("FPS", "60") L:DebugFlush()
  elseif n == 24 then L:DebugOut("FPS", "59") L:DebugFlush()
  elseif n == 36 then print(1, "a")
  elseif n == 48 then L:DebugShowStandard() L:DebugFlush()
  elseif n == 60 then print(")lua") + kJapanese + R"lua(")
  elseif n == 66 then L:Quit() end
end
return true
)lua");
}

std::map<std::string, std::string> Game(bool debugMode, const std::string& script) {
  return {{"system/loset.lat", Settings(debugMode)}, {"scripts/main.lua", script}};
}

std::size_t Find(const std::string& haystack, const std::string& needle, std::size_t from = 0) {
  return haystack.find(needle, from);
}

TEST(ConsoleOnTerminal, DebugPageOnTheAlternateScreenAndPrintKeptUntilItIsLeft) {
  GameFolder game(Game(true, DebugScript()));
  const e2e::TerminalRun run = e2e::RunOnTerminal(game.Path());
  const std::string& s = run.screen;
  ASSERT_FALSE(run.timedOut) << s;
  EXPECT_EQ(run.exitStatus, 0) << s;

  const std::size_t enter = Find(s, kEnterAlternate);
  ASSERT_NE(enter, std::string::npos) << s;
  const std::size_t debugTitle = Find(s, kDebugTitle, enter);
  const std::size_t fps60 = Find(s, "FPS: 60", enter);
  const std::size_t fps59 = Find(s, "FPS: 59", enter);
  const std::size_t leave = Find(s, kLeaveAlternate, enter);
  ASSERT_NE(debugTitle, std::string::npos) << s;
  ASSERT_NE(fps60, std::string::npos) << s;
  ASSERT_NE(fps59, std::string::npos) << s;
  ASSERT_NE(leave, std::string::npos) << s;
  EXPECT_LT(fps60, fps59);
  EXPECT_LT(fps59, leave);
  EXPECT_EQ(Find(s, "FPS: 60", fps59), std::string::npos) << "the line was not replaced";

  // The standard page comes back titled, with what was printed meanwhile.
  const std::size_t standardTitle = Find(s, kStandardTitle, leave);
  const std::size_t printed = Find(s, "1\ta\t");
  EXPECT_NE(standardTitle, std::string::npos) << s;
  ASSERT_NE(printed, std::string::npos) << "print during the debug page was lost:\n" << s;
  EXPECT_GT(printed, leave) << "print reached the debug page:\n" << s;

  const std::size_t japanese = Find(s, kJapanese, leave);
  EXPECT_NE(japanese, std::string::npos) << s;
  EXPECT_EQ(Find(s, platform::text::Utf8ToCp932(kJapanese)), std::string::npos);
  EXPECT_EQ(Find(s, kEnterAlternate, leave), std::string::npos) << "debug page shown again";
}

TEST(ConsoleOnTerminal, WithoutDebugModeNothingReachesTheTerminal) {
  GameFolder game(Game(false, R"(
local L = LuaN.LUA()
local n = 0
function ScriptInitialize() end
function ScriptExit() end
function ScriptFrame()
  n = n + 1
  if n == 2 then
    L:DebugShowDebug() L:DebugOut("FPS", "60") L:DebugFlush() L:DebugClear()
    L:DebugShowStandard() print("not shown")
  elseif n == 20 then L:Quit() end
end
return true
)"));
  const e2e::TerminalRun run = e2e::RunOnTerminal(game.Path());
  ASSERT_FALSE(run.timedOut) << run.screen;
  EXPECT_EQ(run.exitStatus, 0) << run.screen;
  EXPECT_EQ(run.screen.find('\x1b'), std::string::npos) << run.screen;
  EXPECT_EQ(run.screen.find("FPS"), std::string::npos) << run.screen;
  EXPECT_EQ(run.screen.find("not shown"), std::string::npos) << run.screen;
}

TEST(ConsoleOnPipe, DebugPagesArePlainBlocksAndPrintIsNotHeldBack) {
  GameFolder game(Game(true, DebugScript()));
  const e2e::RunResult run = e2e::RunHinoki(game.Path());
  ASSERT_FALSE(run.timedOut) << run.out;
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  const std::string& out = run.out;
  EXPECT_EQ(out.find('\x1b'), std::string::npos) << out;
  const std::size_t block60 = out.find("--- デバッグ情報出力モード ---\nFPS: 60\n---\n");
  const std::size_t block59 = out.find("--- デバッグ情報出力モード ---\nFPS: 59\n---\n");
  ASSERT_NE(block60, std::string::npos) << out;
  ASSERT_NE(block59, std::string::npos) << out;
  EXPECT_LT(block60, block59);
  const std::size_t printed = out.find("1\ta\t\n");
  ASSERT_NE(printed, std::string::npos) << out;
  EXPECT_GT(printed, block59);
  EXPECT_NE(out.find(std::string(kJapanese) + "\t\n"), std::string::npos) << out;
}

}  // namespace
