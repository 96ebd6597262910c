// Start-up and shutdown: the settings, the full-screen question, the window, the
// services in their order, the game's initialisation, the loop, and the three ends.
#include "base/Startup.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <new>
#include <string>
#include <utility>

#include "base/FixedTexts.h"
#include "base/IniSettingsS.h"
#include "base/MainWindowC.h"
#include "base/MemoryFailure.h"
#include "base/MessageLoop.h"
#include "input/ExternalInputC.h"
#include "lua/LuaUtilityC.h"
#include "platform/Platform.h"
#include "platform/dialog/Dialog.h"
#include "render/D3DDeviceAgentC.h"
#include "sound/Mp3SoundDirectorC.h"
#include "sound/WaveSoundDirectorC.h"
#include "utility/UsingConsoleC.h"

namespace BaseN {

namespace {

struct StartupSettings {
  bool windowSelect = false;
  bool windowMode = false;
  bool debugMode = false;
  bool synchronise = false;
  float fpsNum = 0.0f;
  int windowWidth = 0;
  int windowHeight = 0;
  int windowPosX = 0;
  int windowPosY = 0;
  int backWidth = 0;
  int backHeight = 0;
  std::string titleName;
  std::string loadPath;
};

// One call per setting function, in this order; a missing or failing function, or a
// result of another type, gives the accessor's default.
StartupSettings ReadSettings(LuaN::LuaUtilityC& lua) {
  StartupSettings s;
  s.windowSelect = lua.CallFunction("ini_window_select").GetBool(0);
  s.windowMode = lua.CallFunction("ini_window_mode").GetBool(0);
  s.debugMode = lua.CallFunction("ini_debug_mode").GetBool(0);
  s.synchronise = lua.CallFunction("ini_synchronise").GetBool(0);
  s.fpsNum = static_cast<float>(lua.CallFunction("ini_fps_num").GetNumber(0));
  s.windowWidth = TruncateToInt32(lua.CallFunction("ini_window_width").GetNumber(0));
  s.windowHeight = TruncateToInt32(lua.CallFunction("ini_window_height").GetNumber(0));
  s.windowPosX = TruncateToInt32(lua.CallFunction("ini_window_pos_x").GetNumber(0));
  s.windowPosY = TruncateToInt32(lua.CallFunction("ini_window_pos_y").GetNumber(0));
  s.backWidth = TruncateToInt32(lua.CallFunction("ini_back_width").GetNumber(0));
  s.backHeight = TruncateToInt32(lua.CallFunction("ini_back_height").GetNumber(0));
  s.titleName = lua.CallFunction("ini_title_name").GetString(0);
  s.loadPath = lua.CallFunction("ini_load_path").GetString(0);
  return s;
}

bool AskFullScreen() {
  platform::DialogRequest request;
  request.title = FixedText::kWindowModeTitle;
  request.text = FixedText::kFullScreenQuestion;
  request.buttons = platform::DialogButtons::kYesNo;
  request.icon = platform::DialogIcon::kQuestion;
  request.defaultIsNo = true;
  return platform::Installed().dialog->Show(request) == platform::DialogAnswer::kYes;
}

// The normal end: nothing is torn down one by one; the system reclaims it all. Buffered
// output is pushed out first so that nothing written is lost.
[[noreturn]] void EndProcess(int status) {
  std::fflush(nullptr);
  _exit(status);
}

// Everything after the main loop: the cursor back, ScriptExit, the console's end, exit 0.
bool gWindowed = true;

FrameHooks& Hooks() {
  static FrameHooks hooks;
  return hooks;
}

[[noreturn]] void ShutDown() {
  IniSettingsS& settings = GetIniSettings();
  if (!gWindowed) platform::Installed().window->ShowCursor(true);
  LuaN::LuaUtilityC::GetInstance().Exit();
  if (Hooks().atEnd) Hooks().atEnd();
  if (settings.mDebugMode) {
    // The console's thread ends the process after its current sleep or pass; this thread
    // waits for that. A console without a thread lets shutdown go on here.
    UtilityN::UsingConsoleC& console = UtilityN::UsingConsoleC::GetInstance();
    console.RequestEnd();
    if (console.HasThread()) console.Join();
  }
  EndProcess(0);
}

}  // namespace

void SetFrameHooks(FrameHooks hooks) { Hooks() = std::move(hooks); }

const FrameHooks& InstalledFrameHooks() { return Hooks(); }

int WinMain() {
  std::set_new_handler(MemoryFailureHandler);

  LuaN::LuaUtilityC& lua = LuaN::LuaUtilityC::GetInstance();
  const StartupSettings ini = ReadSettings(lua);
  lua.SetLoadPath(ini.loadPath);

  bool windowed = ini.windowMode;
  bool debugMode = ini.debugMode;
  if (ini.windowSelect) {
    windowed = !AskFullScreen();
    if (!windowed) debugMode = false;
  } else if (!windowed) {
    debugMode = false;  // full screen never has the debug console
  }

  MainWindowC& mainWindow = MainWindowC::GetInstance();
  mainWindow.Create(ini.titleName, ini.windowWidth, ini.windowHeight, ini.windowPosX,
                    ini.windowPosY, windowed);

  IniSettingsS& settings = GetIniSettings();
  settings.mFpsNum = ini.fpsNum;
  settings.mSynchronise = ini.synchronise;
  settings.mDebugMode = debugMode;

  if (settings.mDebugMode) UtilityN::UsingConsoleC::GetInstance().Resume();

  // Input, the two sound directors and the graphics device are created here, in that
  // order, by their subsystems.
  // Input goes on without devices when it cannot be set up; its box has told the user.
  InputN::ExternalInputC::GetInstance().Create(mainWindow.mWindowHandle);
  // Without sound the game goes on; a sound played later ends it with its box.
  SoundN::WaveSoundDirectorC::GetInstance().Create(mainWindow.mWindowHandle);
  // Music has no device of its own: its players are made on the sound effects' output.
  SoundN::Mp3SoundDirectorC::GetInstance().Initialize();

  // Without a drawing device there is no game: the box, then the abnormal end.
  if (!RenderN::D3DDeviceAgentC::GetInstance().Create(settings.mSynchronise,
                                                      mainWindow.mWindowHandle, windowed,
                                                      static_cast<unsigned>(ini.backWidth),
                                                      static_cast<unsigned>(ini.backHeight))) {
    ShowFatalErrorBox(FixedText::kDirectXInitFailure, true);
    return -1;
  }

  lua.Initialize();

  mainWindow.Show();
  gWindowed = windowed;
  if (!windowed) platform::Installed().window->ShowCursor(false);
  lua.SetEndAfterClose(ShutDown);

  MessageLoop(settings);
  ShutDown();
}

}  // namespace BaseN
