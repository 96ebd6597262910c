// The hinoki executable: runs the game in the current folder, or in the one named.
#include <SDL.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/Startup.h"
#include "platform/Platform.h"
#include "platform/clock/system/SystemClock.h"
#include "platform/dialog/sdl/SdlDialog.h"
#include "platform/gfx/gl/GlGraphics.h"
#include "platform/audio/openal/OpenAlAudio.h"
#include "platform/console/Interrupt.h"
#include "platform/input/sdl/SdlInput.h"
#include "platform/window/sdl/SdlWindow.h"

#ifndef HINOKI_VERSION
#define HINOKI_VERSION "0.0.0"
#endif

namespace {

const char kUsage[] =
    "Usage: hinoki [GAME_DIR]\n"
    "Runs the Lua game in GAME_DIR (default: the current folder).\n"
    "The folder holds system/loset.lat, the settings script, which names the load script.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
  // Before any thread exists, so that every thread leaves the signals to the watcher.
  platform::interrupt::StartWatcher();
  const char* gameDir = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("hinoki %s\n", HINOKI_VERSION);
      return 0;
    }
    if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "hinoki: unknown option '%s'\n%s", argv[i], kUsage);
      return 2;
    }
    if (gameDir) {
      std::fprintf(stderr, "hinoki: only one game folder can be given\n%s", kUsage);
      return 2;
    }
    gameDir = argv[i];
  }
  if (gameDir && chdir(gameDir) != 0) {
    std::fprintf(stderr, "hinoki: cannot enter the game folder '%s': %s\n", gameDir,
                 std::strerror(errno));
    return 1;
  }

  // Video may be unavailable (no display); boxes then go to the terminal and the game
  // still runs its scripts.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // the watcher has them
  SDL_Init(SDL_INIT_EVENTS);
  SDL_InitSubSystem(SDL_INIT_VIDEO);

  static platform::SystemClock clock;
  static platform::SdlWindow window;
  static platform::SdlDialog dialog(window);
  static platform::SdlInput input;
  static platform::OpenAlAudio audio;
  static platform::GlGraphics graphics;
  platform::Install(platform::Components{&clock, &dialog, &window, &input, &audio, &graphics});

  return BaseN::WinMain();
}
