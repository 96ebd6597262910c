// How a game ends: the window's close button, Ctrl-C and SIGTERM, a lost display, and
// each of them while the game waits in a script error box or for a lost device. Every
// normal end runs one more frame and ScriptExit and exits with status 0; an end that
// cannot wait for the game exits at once with status 1 and leaves nothing behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <thread>

#include "e2e/GameRunner.h"
#include "e2e/PtyRunner.h"
#include "e2e/XDisplay.h"

namespace {

std::string Settings(const std::string& title) {
  return R"(
function ini_window_mode() return true end
function ini_debug_mode() return true end
function ini_fps_num() return 60 end
function ini_window_width() return 160 end
function ini_window_height() return 120 end
function ini_back_width() return 160 end
function ini_back_height() return 120 end
function ini_title_name() return ")" +
         title + R"(" end
function ini_load_path() return "main.lua" end
return true
)";
}

// Draws a sprite and a plank every frame over looping music. At frame 20 it says
// "running" on standard error and stays in that frame for 300 ms, so that what the test
// does then arrives during a frame. BREAK_AT makes ScriptFrame fail from that frame on;
// HANG_EXIT makes ScriptExit never return.
const char kGame[] = R"(
print("load", ...)
frames = frames or 0
local dev, renderer = RenderN.DEVICE(), RenderN.RENDERER()
function ScriptInitialize()
  sprite = renderer:CreateSprite("system\\notex.lat")
  plank = renderer:CreatePlank("system\\notex.lat")
  SoundN.MP3SOUND():Play("tune.wav", true, SecTo(0))
end
function ScriptFrame()
  frames = frames + 1
  if frames >= BREAK_AT then error("broken for good") end
  sprite:SetMatrix(MatrixC():Translation(frames % 100, 10, 0))
  dev:BeginRendering()
  renderer:Draw(Vector3C(0, 0, -5), Vector3C(0, 0, 0))
  if frames == 20 then
    io.stderr:write("running\n")
    local t = os.clock() + 0.3
    while os.clock() < t do end
  end
  if dev:EndRendering() then print("recovered", frames) end
end
function ScriptExit()
  print("exit after", frames)
  while HANG_EXIT do end
end
return true
)";

std::string Game(int breakAt = 1000000, bool hangExit = false) {
  std::string text = kGame;
  text.replace(text.find("BREAK_AT"), 8, std::to_string(breakAt));
  text.replace(text.find("HANG_EXIT"), 9, hangExit ? "true" : "false");
  return text;
}

e2e::GameFolder MakeGame(const std::string& title, const std::string& main) {
  return e2e::GameFolder({{"system/loset.lat", Settings(title)},
                          {"system/notex.lat", e2e::ShippedSystemFile("notex.lat")},
                          {"tune.wav", e2e::SquareWaveFile(22050, 50, 8000)},
                          {"main.lua", main}});
}

int FramesAtExit(const std::string& out) {
  const auto at = out.find("exit after\t");
  return at == std::string::npos ? -1 : std::stoi(out.substr(at + 11));
}

bool ProcessExists(pid_t pid) { return pid > 0 && kill(pid, 0) == 0; }

#define REQUIRE_X()                                                     \
  if (!e2e::HaveXTools()) GTEST_SKIP() << "needs an X display with xwininfo and xdotool"

TEST(DisplayEnding, ClosingTheWindowRunsOneMoreFrameAndScriptExit) {
  REQUIRE_X();
  const e2e::GameFolder game = MakeGame("EndingClose", Game());
  e2e::GameProcess process(game.Path(), {}, 30, true);
  const std::string window = e2e::WaitForShownWindow("EndingClose");
  ASSERT_FALSE(window.empty());
  ASSERT_TRUE(process.WaitForError("running"));
  e2e::Shell(HINOKI_WM_CLOSE " " + window);  // arrives while frame 20 runs

  const e2e::RunResult result = process.Finish();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  // Frame 21 takes the close, frame 22 the quit message, and both draw.
  EXPECT_GE(FramesAtExit(result.out), 22) << result.out;
  EXPECT_EQ(result.err, "running\n");
}

TEST(DisplayEnding, ClosingTheWindowDuringADeviceLossWaitEndsAfterTheRecovery) {
  REQUIRE_X();
  const e2e::GameFolder game = MakeGame("EndingLost", Game());
  e2e::GameProcess process(game.Path(), {}, 30, true,
                           {"HINOKI_LOSE_DEVICE_AT_PRESENT=20", "HINOKI_DEVICE_LOST_MS=2000"});
  const std::string window = e2e::WaitForShownWindow("EndingLost");
  ASSERT_FALSE(window.empty());
  ASSERT_TRUE(process.WaitForError("running"));
  std::this_thread::sleep_for(std::chrono::milliseconds(700));  // inside the 2 s wait
  e2e::Shell(HINOKI_WM_CLOSE " " + window);

  const e2e::RunResult result = process.Finish();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find("recovered\t20\t\n"), std::string::npos) << result.out;
  EXPECT_GE(FramesAtExit(result.out), 21) << result.out;
}

TEST(DisplayEnding, ClosingTheWindowDuringAScriptErrorBoxEndsTheGameWhenTheBoxIsAnswered) {
  REQUIRE_X();
  const e2e::GameFolder game = MakeGame("EndingBoxClose", Game(20));
  e2e::GameProcess process(game.Path(), {}, 30, true);
  const std::string window = e2e::WaitForShownWindow("EndingBoxClose");
  const std::string box = e2e::WaitForShownWindow("スクリプトエラー！");
  ASSERT_FALSE(window.empty());
  ASSERT_FALSE(box.empty());
  e2e::Shell(HINOKI_WM_CLOSE " " + window);
  e2e::Shell("xdotool windowfocus " + box + " && sleep 0.2 && xdotool key Return");

  const e2e::RunResult result = process.Finish();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  // No retry of the broken frame: the load script ran once, ScriptExit once.
  EXPECT_EQ(result.out.find("load\tall"), std::string::npos) << result.out;
  EXPECT_EQ(FramesAtExit(result.out), 20) << result.out;
  // The box's text is on standard error too, where it can be copied.
  EXPECT_NE(result.err.find("== スクリプトエラー！ ==\n*** エラー ***"), std::string::npos);
  EXPECT_NE(result.err.find("main.lua:12: broken for good"), std::string::npos) << result.err;
}

TEST(DisplayEnding, SignalsDuringAnSdlBoxEndTheProgramAndTheBox) {
  REQUIRE_X();
  for (const int signal : {SIGINT, SIGTERM}) {
    const std::string title = "EndingBoxSignal" + std::to_string(signal);
    const e2e::GameFolder game = MakeGame(title, Game(20));
    e2e::GameProcess process(game.Path(), {}, 30, true);
    ASSERT_FALSE(e2e::WaitForWindow(title).empty());
    ASSERT_FALSE(e2e::WaitForWindow("スクリプトエラー！").empty());
    // SDL draws the box in a child process of the game.
    const std::string child =
        e2e::Shell("pgrep -P " + std::to_string(process.Pid()) + " | head -1");
    ASSERT_FALSE(child.empty());
    process.Signal(signal);

    const e2e::RunResult result = process.Finish();
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find(" while a message box was open\n"), std::string::npos)
        << result.err;
    EXPECT_FALSE(ProcessExists(std::stoi(child))) << "the box's process outlived the game";
    EXPECT_EQ(result.out.find("exit after"), std::string::npos);
  }
}

TEST(Ending, SignalsEndTheGameNormallyThenAtOnce) {
  {  // Ctrl-C while playing: the quit message, one more frame, ScriptExit, status 0.
    const e2e::GameFolder game = MakeGame("", Game());
    e2e::GameProcess process(game.Path(), {}, 30);
    ASSERT_TRUE(process.WaitForError("running"));
    process.Signal(SIGINT);
    const e2e::RunResult result = process.Finish();
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_GE(FramesAtExit(result.out), 21) << result.out;
  }
  {  // A ScriptExit that never returns: the second SIGTERM ends the program.
    const e2e::GameFolder game = MakeGame("", Game(1000000, true));
    e2e::GameProcess process(game.Path(), {}, 30);
    ASSERT_TRUE(process.WaitForError("running"));
    process.Signal(SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    process.Signal(SIGTERM);
    const e2e::RunResult result = process.Finish();
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.out.find("exit after"), std::string::npos);
    EXPECT_NE(result.err.find("hinoki: ended by a second SIGTERM\n"), std::string::npos)
        << result.err;
  }
  {  // The terminal's box: answered by nobody, ended by Ctrl-C.
    const e2e::GameFolder game = MakeGame("", Game(20));
    e2e::GameProcess process(game.Path(), {}, 30);
    ASSERT_TRUE(process.WaitForError("[OK]\n"));
    process.Signal(SIGINT);
    // Standard input stays open: its end would end the box too.
    EXPECT_TRUE(process.WaitForError("hinoki: ended by SIGINT while a message box was open\n"));
    const e2e::RunResult result = process.Finish();
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find("hinoki: ended by SIGINT while a message box was open\n"),
              std::string::npos)
        << result.err;
  }
}

TEST(Ending, ASignalDuringABoxGivesTheTerminalBack) {
  // The debug page is up on the terminal's alternate screen, something printed meanwhile
  // is held back, and the box waits for an answer when SIGINT arrives.
  const e2e::GameFolder game = MakeGame("", R"(
function ScriptInitialize()
  LuaN.LUA():DebugShowDebug()
  LuaN.LUA():DebugOut("state", "on the debug page")
  LuaN.LUA():DebugFlush()
end
function ScriptFrame()
  frames = (frames or 0) + 1
  if frames == 30 then
    print("held back")
    os.execute("(sleep 1; kill -INT $PPID) &")
    error("broken")
  end
end
return true
)");
  const e2e::TerminalRun run = e2e::RunOnTerminal(game.Path());
  ASSERT_FALSE(run.timedOut) << run.screen;
  EXPECT_EQ(run.exitStatus, 1) << run.screen;
  const std::size_t box = run.screen.find("broken");
  const std::size_t normal = run.screen.find("\x1b[?1049l", box);
  ASSERT_NE(box, std::string::npos) << run.screen;
  ASSERT_NE(normal, std::string::npos) << "left on the alternate screen:\n" << run.screen;
  EXPECT_NE(run.screen.find("held back", normal), std::string::npos) << run.screen;
  EXPECT_NE(run.screen.find("hinoki: ended by SIGINT while a message box was open", normal),
            std::string::npos)
      << run.screen;
}

TEST(DisplayEnding, ALostDisplayEndsTheProgramWithOneLine) {
  REQUIRE_X();
  const e2e::GameFolder game = MakeGame("EndingKilled", Game());
  e2e::GameProcess process(game.Path(), {}, 30, true);
  const std::string window = e2e::WaitForShownWindow("EndingKilled");
  ASSERT_FALSE(window.empty());
  ASSERT_TRUE(process.WaitForError("running"));
  e2e::Shell("xdotool windowkill " + window);  // the server drops the game's connection

  const e2e::RunResult result = process.Finish();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "running\nhinoki: the connection to the X display was lost\n");
}

}  // namespace
