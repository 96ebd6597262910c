// The main loop and the order of the per-frame work.
#include "base/MessageLoop.h"

#include "base/FramePacerC.h"
#include "base/MainWindowC.h"
#include "input/ExternalInputC.h"
#include "lua/LuaUtilityC.h"
#include "base/MemoryFailure.h"
#include "base/Startup.h"
#include "platform/Platform.h"
#include "render/D3DDeviceAgentC.h"
#include "render/BillboardC.h"
#include "render/ModelC.h"
#include "render/PlankC.h"
#include "render/SpriteC.h"
#include "sound/Mp3SoundDirectorC.h"
#include "sound/WaveSoundDirectorC.h"

namespace BaseN {

void RunFrames(const IniSettingsS& settings, platform::Window& window, platform::Clock& clock,
               const std::function<void(const platform::WindowMessage&)>& dispatch,
               const std::function<void()>& frame) {
  FramePacerC pacer(clock);
  const FrameHooks& hooks = InstalledFrameHooks();
  bool quit = false;
  bool endRequested = false;  // by a hook: this frame is the last, as after a Quit
  unsigned count = 0;
  do {
    platform::WindowMessage message;
    if (endRequested) {
      quit = true;
    } else if (window.PeekMessage(message)) {
      if (message.kind == platform::WindowMessageKind::kQuit) quit = true;
      else dispatch(message);
    }
    ++count;
    if (hooks.beforeFrame) hooks.beforeFrame(count);
    frame();
    if (hooks.afterFrame && hooks.afterFrame(count, quit)) endRequested = true;
    if (!settings.mSynchronise) pacer.Pace(settings.mFpsNum);
  } while (!quit);
}

void MessageLoop(const IniSettingsS& settings) {
  // A drawable that cannot be allocated during the game ends it with the memory box.
  RenderN::SpriteC::SetNewHandler(MemoryFailureHandler);
  RenderN::PlankC::SetNewHandler(MemoryFailureHandler);
  RenderN::BillboardC::SetNewHandler(MemoryFailureHandler);
  RenderN::ModelC::SetNewHandler(MemoryFailureHandler);
  const platform::Components& components = platform::Installed();
  RunFrames(
      settings, *components.window, *components.clock,
      [](const platform::WindowMessage& message) {
        MainWindowC::GetInstance().WindowProcedure(message);
        // The window shows the last frame again at its new size.
        if (message.kind == platform::WindowMessageKind::kResized) {
          RenderN::D3DDeviceAgentC::GetInstance().PresentAfterResize();
        }
      },
      [] {
        InputN::ExternalInputC::GetInstance().Update();
        SoundN::WaveSoundDirectorC::GetInstance().Update();
        SoundN::Mp3SoundDirectorC::GetInstance().Update();
        LuaN::LuaUtilityC::GetInstance().Frame();
        LuaN::LuaUtilityC::GetInstance().CollectStep();
      });
}

}  // namespace BaseN
