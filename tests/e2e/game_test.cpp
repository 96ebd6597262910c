// The engine seen from outside: real games run by the real executable, boxes answered on
// standard input, results read from the exit status and the two output streams.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "e2e/GameRunner.h"

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
for name, value in pairs({window_select = false, window_mode = true, debug_mode = true,
    synchronise = false, fps_num = 240, window_width = 64, window_height = 48,
    back_width = 64, back_height = 48}) do
  _G["ini_" .. name] = function() return value end
end
function ini_load_path() return )" +
         loadPath + R"( end
return true
)";
}

// The load script lives in scripts/main.lua and is named "Scripts\Main.lua" by the
// settings: every game here also checks the Windows-style lookup.
std::map<std::string, std::string> Game(const std::string& main,
                                        const std::string& settings = Settings()) {
  return {{"system/loset.lat", settings}, {"scripts/main.lua", main}};
}

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

const std::string kOrderOutput =
    std::string(kNoJoystick) +
    "load\tinit\tsettings>path\t\ninitialize\t\nframe\t1\t\nframe\t2\t\nquit posted\t\n"
    "frame\t3\t\nexit\t3\t\n";

// Run from elsewhere, with the game folder on the command line.
TEST(Startup, RunsScriptsInOrderAndOneMoreFrameAfterQuit) {
  GameFolder game(Game(kOrderGame, OrderSettings()));
  const RunResult r = RunHinoki("/", "", {game.Path()});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, kOrderOutput);
  EXPECT_EQ(r.err, "");
}

// The script reads the rest of standard input, so the box that follows finds its end and
// the game ends. The box goes to standard error and names the script as the settings did.
TEST(ScriptErrors, StandardInputReadByAScriptAndEndOfInputOnABox) {
  GameFolder game(Game(R"(print("load", ...)
function ScriptInitialize()
  print("util", dofile("lib\\Util.lua"))
  print("stdin", LuaN.LUA():RunLuaFile(nil))
end
function ScriptFrame() print("frame") error("always") end
function ScriptExit() print("exit") end
return true
)"));
  game.Write("lib/util.lua", "return 42\n");
  const RunResult r = RunHinoki(game.Path(), "print('from stdin', 6 * 7)\n");
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.out, kNoJoystick + std::string("load\tinit\t\nutil\t42\t\nfrom stdin\t42\t\n"
                                             "stdin\ttrue\t\nframe\t\n"));
  EXPECT_EQ(r.err,
            "== スクリプトエラー！ ==\n*** エラー ***\n"
            " 場所：関数<ScriptFrame>を呼び出し。\n"
            " 要因：実行時エラー！\n"
            " 詳細：Scripts\\Main.lua:6: always\n"
            "stack traceback:\n"
            "\t[C]: in function 'error'\n"
            "\tScripts\\Main.lua:6: in function <Scripts\\Main.lua:6>\r\n\n"
            "スクリプトを修正して下さい。\n[OK]\n");
}

TEST(ScriptErrors, SettingsFixedWhileBoxIsOpenIsRetried) {
  GameFolder game(Game(kOrderGame, "error('not written yet')\n"));
  GameProcess process(game.Path(), {});
  ASSERT_TRUE(process.WaitForError("設定ファイルの読み込みスクリプトが不正です！\n[OK]\n"));
  game.Write("system/loset.lat", OrderSettings());
  process.SendInput("\n");
  const RunResult r = process.Finish();
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, kOrderOutput);
  EXPECT_EQ(r.err.rfind("== スクリプトエラー！ =="), 0u) << "one box only";
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

  r = RunHinoki("/", "", {"/absent"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("absent"), std::string::npos);
  EXPECT_EQ(r.out, "");
}

}  // namespace
