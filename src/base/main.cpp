// The hinoki executable: runs the game in the current folder, or in the one named.
#include <SDL.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/IniSettingsS.h"
#include "base/Startup.h"
#include "platform/Platform.h"
#include "platform/clock/system/SystemClock.h"
#include "platform/dialog/sdl/SdlDialog.h"
#include "platform/gfx/gl/GlGraphics.h"
#include "platform/audio/openal/OpenAlAudio.h"
#include "platform/console/Interrupt.h"
#include "platform/input/sdl/SdlInput.h"
#include "platform/testkit/CommandLine.h"
#include "platform/testkit/Session.h"
#include "platform/window/sdl/SdlWindow.h"

#ifndef HINOKI_VERSION
#define HINOKI_VERSION "0.0.0"
#endif

int main(int argc, char** argv) {
  // Before any thread exists, so that every thread leaves the signals to the watcher.
  platform::interrupt::StartWatcher();
  platform::testkit::Options options;
  std::string error;
  if (!platform::testkit::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                           options, error)) {
    std::fprintf(stderr, "hinoki: %s\nRun 'hinoki --help' for the options.\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(platform::testkit::kUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("hinoki %s\n", HINOKI_VERSION);
    return 0;
  }
  static platform::SystemClock clock;
  // Recordings and capture folders are named relative to where hinoki was started.
  static platform::testkit::Session session;
  if (options.AnyTestingOption() && !session.Prepare(options, clock, error)) {
    std::fprintf(stderr, "hinoki: %s\n", error.c_str());
    return 2;
  }
  if (!options.gameDir.empty() && chdir(options.gameDir.c_str()) != 0) {
    std::fprintf(stderr, "hinoki: cannot enter the game folder '%s': %s\n",
                 options.gameDir.c_str(), std::strerror(errno));
    return 1;
  }

  // Video may be unavailable (no display); boxes then go to the terminal and the game
  // still runs its scripts.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // the watcher has them
  SDL_Init(SDL_INIT_EVENTS);
  SDL_InitSubSystem(SDL_INIT_VIDEO);

  static platform::SdlWindow window;
  static platform::SdlDialog dialog(window);
  static platform::SdlInput input;
  static platform::GlGraphics graphics;
  // Under the fixed-step clock sound is mixed at the game's pace, on a device of its own.
  static platform::OpenAlAudio audio(session.Simulated()
                                         ? platform::OpenAlAudio::Output::kLoopback
                                         : platform::OpenAlAudio::Output::kSystem,
                                     session.Simulated() ? platform::testkit::kSimulatedSampleRate
                                                         : 44100);
  const platform::Components components{&clock, &dialog, &window, &input, &audio, &graphics};
  if (!options.AnyTestingOption()) {
    platform::Install(components);
    return BaseN::WinMain();
  }
  platform::Install(session.Wrap(components));
  if (session.Simulated()) {
    session.SetSoundMixer([](int frames) {
      static std::vector<float> scratch;
      scratch.resize(static_cast<std::size_t>(frames) * 2);
      audio.Render(scratch.data(), frames);
    });
  }
  BaseN::FrameHooks hooks;
  hooks.beforeFrame = [](unsigned frame) { session.BeforeFrame(frame); };
  hooks.afterFrame = [](unsigned frame, bool last) {
    return session.AfterFrame(frame, last, BaseN::GetIniSettings().mFpsNum);
  };
  hooks.atEnd = [] { session.AtEnd(); };
  BaseN::SetFrameHooks(std::move(hooks));

  return BaseN::WinMain();
}
