// The engine seen from outside: real games run by the real executable, boxes answered on
// standard input, results read from the exit status and the two output streams.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "e2e/GameRunner.h"
#include "platform/text/Text.h"

namespace {

using e2e::GameFolder;
using e2e::GameProcess;
using e2e::RunHinoki;
using e2e::RunResult;

// Windowed debug mode, so that the scripts' print reaches standard output; a high frame
// rate keeps every run short. `extra` goes first, `loadPath` is a Lua expression.
std::string Settings(const std::string& extra = "",
                     const std::string& loadPath = R"("Scripts\\Main.lua")") {
  return extra + R"(
function ini_window_select() return false end
function ini_window_mode() return true end
function ini_debug_mode() return true end
function ini_synchronise() return false end
function ini_fps_num() return 240 end
function ini_window_width() return 64 end
function ini_window_height() return 48 end
function ini_window_pos_x() return 0 end
function ini_window_pos_y() return 0 end
function ini_back_width() return 64 end
function ini_back_height() return 48 end
function ini_title_name() return "e2e" end
function ini_load_path() return )" + loadPath + R"( end
return true
)";
}

// The load script lives in scripts/main.lua and is named "Scripts\Main.lua" by the
// settings: every game here also checks the Windows-style lookup.
std::map<std::string, std::string> Game(const std::string& main,
                                        const std::string& settings = Settings()) {
  return {{"system/loset.lat", settings}, {"scripts/main.lua", main}};
}

std::string Box(const std::string& text, const std::string& advice) {
  return "== スクリプトエラー！ ==\n" + text + "\r\n\n" + advice + "\n[OK]\n";
}

int Count(const std::string& haystack, const std::string& needle) {
  int n = 0;
  for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
  return n;
}

const char kFixScript[] = "スクリプトを修正して下さい。";

const char kOrderGame[] = R"(
print("load", ..., trail)
n = 0
function ScriptInitialize() print("initialize") end
function ScriptFrame()
  n = n + 1
  print("frame", n)
  if n == 2 then LuaN.LUA():Quit() print("quit posted") end
end
function ScriptExit() print("exit", n) end
return true
)";

// The settings script leaves a trail in the shared state; the load script prints it.
std::string OrderSettings() {
  return Settings(R"(trail = "settings")",
                  R"((function() trail = trail .. ">path" return "Scripts\\Main.lua" end)())");
}

// Debug mode on a machine without a game controller: input says so at start-up.
const char kNoJoystick[] = "*** ジョイスティックデバイスを作成しませんでした ***\n";

const std::string kOrderOutput = std::string(kNoJoystick) +
    "load\tinit\tsettings>path\t\ninitialize\t\nframe\t1\t\nframe\t2\t\nquit posted\t\n"
    "frame\t3\t\nexit\t3\t\n";

TEST(Startup, RunsScriptsInOrderAndOneMoreFrameAfterQuit) {
  GameFolder game(Game(kOrderGame, OrderSettings()));
  const RunResult r = RunHinoki(game.Path());
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, kOrderOutput);
  EXPECT_EQ(r.err, "");
}

TEST(ScriptErrors, FailingCallsShowBoxThenRetry) {
  // ScriptFrame fails once: box, the load script again with "all", and the game goes on.
  GameFolder frameGame(Game(R"(print("load", ...)
n = n or 0
function ScriptInitialize() print("initialize") end
function ScriptFrame()
  n = n + 1
  print("frame", n)
  if n == 2 and not failed then failed = true error("boom") end
  if n == 4 then LuaN.LUA():Quit() end
end
function ScriptExit() print("exit", n) end
return true
)"));
  RunResult r = RunHinoki(frameGame.Path(), "\n");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out,
            kNoJoystick + std::string("load\tinit\t\ninitialize\t\nframe\t1\t\nframe\t2\t\n"
                                      "load\tall\t\nframe\t3\t\nframe\t4\t\nframe\t5\t\nexit\t5\t\n"));
  EXPECT_EQ(r.err, Box("*** エラー ***\n"
                       " 場所：関数<ScriptFrame>を呼び出し。\n"
                       " 要因：実行時エラー！\n"
                       " 詳細：Scripts\\Main.lua:7: boom\n"
                       "stack traceback:\n"
                       "\t[C]: in function 'error'\n"
                       "\tScripts\\Main.lua:7: in function <Scripts\\Main.lua:4>",
                       kFixScript));

  // ScriptInitialize is missing on the first load: box, the load script again with "init".
  GameFolder initGame(Game(R"(loads = (loads or 0) + 1
print("load", ..., loads)
if loads == 2 then function ScriptInitialize() print("initialize") end end
function ScriptFrame() print("frame") LuaN.LUA():Quit() end
function ScriptExit() print("exit") end
return true
)"));
  r = RunHinoki(initGame.Path(), "\n");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, kNoJoystick + std::string("load\tinit\t1\t\nload\tinit\t2\t\ninitialize\t\n"
                                             "frame\t\nframe\t\nexit\t\n"));
  EXPECT_EQ(r.err, Box("*** エラー ***\n"
                       " 場所：関数<ScriptInitialize>を呼びだそうとしました。\n"
                       " 要因：Lua内にこの名前の関数は定義されていません。",
                       kFixScript));
}

TEST(ScriptErrors, EndOfInputOnBoxExitsWithOne) {
  GameFolder game(Game(R"(print("load", ...)
function ScriptInitialize() end
function ScriptFrame() print("frame") error("always") end
function ScriptExit() print("exit") end
return true
)"));
  const RunResult r = RunHinoki(game.Path(), "");
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.out, kNoJoystick + std::string("load\tinit\t\nframe\t\n"));
  EXPECT_EQ(Count(r.err, "== スクリプトエラー！ =="), 1);
  EXPECT_NE(r.err.find(" 詳細：Scripts\\Main.lua:3: always\n"), std::string::npos);
}

TEST(ScriptErrors, LoadAndSettingsFailuresShowTheirBoxes) {
  const std::string cp932Message = platform::text::Utf8ToCp932("まだです");
  const std::string fixSettings = "初期設定ファイルを修正して下さい。";
  struct Case {
    const char* name;
    std::string settings, main, text, advice;
    bool exact;  // otherwise `text` is a part of a report that has a traceback or errno text
  } cases[] = {
      {"syntax", Settings(), "x = = 1\n",
       "*** エラー ***\n 場所：ファイル<Scripts\\Main.lua>を読み込み。\n 要因：構文エラー！\n"
       " 詳細：Scripts\\Main.lua:1: unexpected symbol near '='",
       kFixScript, true},
      {"missing", Settings("", R"("Scripts\\None.lua")"), "return true\n",
       " 場所：ファイル<Scripts\\None.lua>を読み込み。\n 要因：ファイルエラー！\n"
       " 詳細：cannot open Scripts\\None.lua",
       kFixScript, false},
      {"runtime", Settings(), "error('bad start')\n",
       " 場所：ファイル<Scripts\\Main.lua>を実行。\n 要因：実行時エラー！\n"
       " 詳細：Scripts\\Main.lua:1: bad start\n",
       kFixScript, false},
      {"no true", Settings(), "x = 1\n", "", kFixScript, true},
      {"false with text", Settings(), "return false, \"" + cp932Message + "\"\n", "まだです",
       kFixScript, true},
      {"settings error", Settings("error('no settings')"), "return true\n",
       " 場所：ファイル<system\\loset.lat>を実行。\n 要因：実行時エラー！\n"
       " 詳細：system\\loset.lat:1: no settings\n",
       "設定ファイルの読み込みスクリプトが不正です！", false},
      {"settings false", "return false, 'width is missing'", "return true\n", "width is missing",
       fixSettings, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameFolder game(Game(c.main, c.settings));
    const RunResult r = RunHinoki(game.Path(), "");
    EXPECT_EQ(r.exitStatus, 1);
    if (c.exact) {
      EXPECT_EQ(r.err, Box(c.text, c.advice));
      continue;
    }
    const std::string tail = "\r\n\n" + c.advice + "\n[OK]\n";
    EXPECT_EQ(r.err.rfind("== スクリプトエラー！ ==\n*** エラー ***\n", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.text), std::string::npos) << r.err;
    EXPECT_TRUE(r.err.size() > tail.size() && r.err.compare(r.err.size() - tail.size(), tail.size(), tail) == 0) << r.err;
  }
}

TEST(ScriptErrors, SettingsFixedWhileBoxIsOpenIsRetried) {
  GameFolder game(Game(kOrderGame, "error('not written yet')\n"));
  GameProcess process(game.Path(), {});
  ASSERT_TRUE(process.WaitForError("設定ファイルの読み込みスクリプトが不正です！\n[OK]\n"));
  game.Write("system/loset.lat", OrderSettings());
  process.SendInput("\n");
  const RunResult r = process.Finish();
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, kOrderOutput);
  EXPECT_EQ(Count(r.err, "== スクリプトエラー！ =="), 1);
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
  return out;
}

TEST(Scripts, RunLuaFileReportsAndWindowsNames) {
  // The reports come back as hexadecimal, so the CP932 bytes are compared exactly.
  GameFolder game(Game(R"(local L = LuaN.LUA()
local function hex(s) return (s:gsub(".", function(c) return string.format("%02X", c:byte()) end)) end
function ScriptInitialize()
  print("util", dofile("lib\\Util.lua"))
  print("bad", L:RunLuaFile("lib\\Bad.lua"), hex(L:GetLuaErrorMessage()))
  print("stdin", L:RunLuaFile(nil), hex(L:GetLuaErrorMessage()))
  L:Quit()
end
function ScriptFrame() end
function ScriptExit() end
return true
)"));
  game.Write("lib/util.lua", "return 42\n");
  game.Write("lib/bad.lua", "x = = 1\n");
  using platform::text::Utf8ToCp932;
  const std::string badReport = Hex(Utf8ToCp932(
      "*** エラー ***\n 場所：ファイル<lib\\Bad.lua>を読み込み。\n 要因：構文エラー！\n"
      " 詳細：lib\\Bad.lua:1: unexpected symbol near '='"));

  RunResult r = RunHinoki(game.Path(), "print('from stdin', 6 * 7)\n");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_NE(r.out.find("util\t42\t\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("bad\tfalse\t" + badReport + "\t\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("from stdin\t42\t\nstdin\ttrue\t\t\n"), std::string::npos) << r.out;

  r = RunHinoki(game.Path(), "x = = 1\n");
  EXPECT_EQ(r.exitStatus, 0);
  const std::string stdinReport = Hex(Utf8ToCp932(
      "*** エラー ***\n 場所：ファイル<標準入力>を読み込み。\n 要因：構文エラー！\n"
      " 詳細：stdin:1: unexpected symbol near '='"));
  EXPECT_NE(r.out.find("stdin\tfalse\t" + stdinReport + "\t\n"), std::string::npos) << r.out;
}

TEST(CommandLine, OptionsAndGameFolder) {
  RunResult r = RunHinoki("/", "", {"--help"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_NE(r.out.find("--version"), std::string::npos);
  r = RunHinoki("/", "", {"--version"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out.rfind("hinoki ", 0), 0u) << r.out;
  r = RunHinoki("/", "", {"--no-such-option"});
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_NE(r.err.find("--no-such-option"), std::string::npos);

  GameFolder game(Game(kOrderGame, OrderSettings()));
  r = RunHinoki("/", "", {game.Path() + "/absent"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("absent"), std::string::npos);
  EXPECT_EQ(r.out, "");
  r = RunHinoki("/", "", {game.Path()});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, kOrderOutput);
}

}  // namespace
