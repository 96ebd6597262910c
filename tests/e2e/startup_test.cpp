// Start-up decisions a player sees: the full-screen question and its effect on debug
// output, and a settings script that defines nothing at all.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "e2e/GameRunner.h"

namespace {

const char kAskingSettings[] = R"(
function ini_window_select() return true end
function ini_window_mode() return false end
function ini_debug_mode() return true end
function ini_fps_num() return 240 end
function ini_window_width() return 64 end
function ini_window_height() return 48 end
function ini_load_path() return "main.lua" end
return true
)";

const char kQuittingGame[] = R"(
print("debug output on")
function ScriptInitialize() end
function ScriptFrame() LuaN.LUA():Quit() end
function ScriptExit() end
return true
)";

const char kQuestion[] = "== ウィンドウモード選択 ==\nフルスクリーンで遊びますか？\n[Yes/No]\n";

TEST(Startup, FullScreenQuestionDecidesWindowAndDebugOutput) {
  const e2e::GameFolder game({{"system/loset.lat", kAskingSettings}, {"main.lua", kQuittingGame}});

  // Yes: full screen, which never has debug output even though the settings ask for it.
  e2e::RunResult yes = e2e::RunHinoki(game.Path(), "yes\n");
  EXPECT_EQ(yes.exitStatus, 0);
  EXPECT_EQ(yes.err, kQuestion);
  EXPECT_EQ(yes.out, "");

  // No: windowed, whatever ini_window_mode says, and debug mode as configured.
  e2e::RunResult no = e2e::RunHinoki(game.Path(), "n\n");
  EXPECT_EQ(no.exitStatus, 0);
  EXPECT_EQ(no.err, kQuestion);
  EXPECT_EQ(no.out, "*** ジョイスティックデバイスを作成しませんでした ***\ndebug output on\t\n");

  // Nobody answers: the game ends with status 1 before any script of the game ran.
  e2e::RunResult none = e2e::RunHinoki(game.Path(), "");
  EXPECT_EQ(none.exitStatus, 1);
  EXPECT_EQ(none.out, "");
}

TEST(Startup, EmptySettingsGiveDefaults) {
  // No question, full screen (so no debug output), and an empty load script name, whose
  // load fails: the box names the empty file and the game waits for a fix.
  const e2e::GameFolder game(std::map<std::string, std::string>{{"system/loset.lat", "return true\n"}});
  e2e::RunResult result = e2e::RunHinoki(game.Path(), "");
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.find("== スクリプトエラー！ ==\n*** エラー ***\n 場所：ファイル<>を読み込み。\n"
                            " 要因：ファイルエラー！\n"),
            0u)
      << result.err;
}

}  // namespace
