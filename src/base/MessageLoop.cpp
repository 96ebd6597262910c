// The main loop and the order of the per-frame work.
#include "base/MessageLoop.h"

#include "base/FramePacerC.h"
#include "base/MainWindowC.h"
#include "input/ExternalInputC.h"
#include "lua/LuaUtilityC.h"
#include "platform/Platform.h"
#include "sound/WaveSoundDirectorC.h"

namespace BaseN {

void RunFrames(const IniSettingsS& settings, platform::Window& window, platform::Clock& clock,
               const std::function<void(const platform::WindowMessage&)>& dispatch,
               const std::function<void()>& frame) {
  FramePacerC pacer(clock);
  bool quit = false;
  do {
    platform::WindowMessage message;
    if (window.PeekMessage(message)) {
      if (message.kind == platform::WindowMessageKind::kQuit) quit = true;
      else dispatch(message);
    }
    frame();
    if (!settings.mSynchronise) pacer.Pace(settings.mFpsNum);
  } while (!quit);
}

void MessageLoop(const IniSettingsS& settings) {
  const platform::Components& components = platform::Installed();
  RunFrames(
      settings, *components.window, *components.clock,
      [](const platform::WindowMessage& message) {
        MainWindowC::GetInstance().WindowProcedure(message);
      },
      [] {
        InputN::ExternalInputC::GetInstance().Update();
        SoundN::WaveSoundDirectorC::GetInstance().Update();
        // The two sound directors update here, before the script's frame.
        LuaN::LuaUtilityC::GetInstance().Frame();
      });
}

}  // namespace BaseN
