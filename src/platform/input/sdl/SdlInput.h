// Input on SDL2: the keyboard state mapped to DirectInput key codes, mouse motion and
// wheel gathered from SDL's events, and the first joystick or game controller.
// The game window drains SDL's queue once per frame; an event watch sees every event as
// it is queued, so taps, clicks, motion and wheel between two reads are never lost.
#pragma once

#include <SDL.h>

#include <array>
#include <mutex>

#include "platform/input/Input.h"

namespace platform {

class SdlWindow;

class SdlInput final : public Input {
 public:
  /// Decides whether reads succeed for a device following `window` (null: no window).
  using FocusTest = bool (*)(SDL_Window* window);

  /// The default test asks SDL whether `window` has the keyboard focus; tests without a
  /// window system pass their own.
  explicit SdlInput(FocusTest hasFocus = HasKeyboardFocus);
  ~SdlInput() override;
  SdlInput(const SdlInput&) = delete;
  SdlInput& operator=(const SdlInput&) = delete;

  bool Open() override;
  std::unique_ptr<KeyboardDevice> CreateKeyboard(Window* window) override;
  std::unique_ptr<MouseDevice> CreateMouse(Window* window) override;
  std::unique_ptr<JoystickDevice> CreateJoystick(Window* window) override;

  static bool HasKeyboardFocus(SDL_Window* window);

  /// What the event watch gathered since the devices' last reads.
  struct Gathered {
    KeyboardState keysPressed{};
    std::array<bool, 3> buttonsPressed{};
    int motionX = 0;
    int motionY = 0;
    float wheel = 0.0f;  ///< DirectInput units, fractions of high-resolution wheels kept
  };

  /// Lets a device take and reset what was gathered for it, under the watch's lock.
  template <typename F>
  void WithGathered(F take) {
    const std::lock_guard<std::mutex> hold(mLock);
    take(mGathered);
  }
  FocusTest Focus() const { return mHasFocus; }

 private:
  static int Watch(void* self, SDL_Event* event);

  FocusTest mHasFocus;
  bool mWatching = false;
  std::mutex mLock;  // SDL may queue events from threads of its own
  Gathered mGathered;
};

}  // namespace platform
