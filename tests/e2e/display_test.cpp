// The game on a real X display: a visible window with its title and size, and a script
// error box that is a real window, answered with a key press.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "e2e/GameRunner.h"
#include "e2e/XDisplay.h"

namespace {

TEST(Display, WindowIsShownAndScriptErrorBoxIsAnsweredByKey) {
  if (!e2e::HaveXTools()) {
    GTEST_SKIP() << "needs an X display with xwininfo and xdotool";
  }
  const e2e::GameFolder game({{"system/loset.lat", R"(
function ini_window_mode() return true end
function ini_debug_mode() return true end
function ini_fps_num() return 60 end
function ini_window_width() return 320 end
function ini_window_height() return 240 end
function ini_title_name() return "HinokiOnX" end
function ini_load_path() return "main.lua" end
return true
)"},
                              {"main.lua", R"(
print("load", ...)
frames = frames or 0
function ScriptInitialize() end
function ScriptFrame()
  frames = frames + 1
  if frames == 10 then error("boom") end
  if frames == 20 then LuaN.LUA():Quit() end
end
function ScriptExit() print("exit", frames) end
return true
)"}});
  e2e::GameProcess process(game.Path(), {}, 30, true);

  const std::string window = e2e::WaitForWindow("HinokiOnX");
  ASSERT_FALSE(window.empty()) << "the game window never appeared";
  EXPECT_NE(window.find("320x240"), std::string::npos) << window;  // no frame without a WM

  const std::string id = e2e::WaitForShownWindow("スクリプトエラー！");
  ASSERT_FALSE(id.empty()) << "the script error box never appeared";
  e2e::Shell("xdotool windowfocus " + id + " && sleep 0.2 && xdotool key Return");

  const e2e::RunResult result = process.Finish();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out,
            "*** ジョイスティックデバイスを作成しませんでした ***\n"  // input, no controller
            "load\tinit\t\nload\tall\t\nexit\t21\t\n");
  // The box was a window, not the terminal fallback; its text is on standard error too,
  // once, where it can be copied.
  EXPECT_EQ(result.err.find("[OK]"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.rfind("== スクリプトエラー！ ==\n*** エラー ***\n", 0), 0u) << result.err;
  EXPECT_NE(result.err.find("main.lua:7: boom\nstack traceback:\n\t"), std::string::npos)
      << result.err;
}

}  // namespace
