// The SDL devices. Keys and buttons read as down when they are down now or were pressed
// since the last read; motion and wheel are sums since the last read. A read without the
// focus drops what was gathered, as DirectInput drops input while it is not acquired.
#include "platform/input/sdl/SdlInput.h"

#include <algorithm>
#include <cmath>

#include "platform/input/sdl/ScancodeTable.h"
#include "platform/input/sdl/X11Pointer.h"
#include "platform/window/sdl/SdlWindow.h"

namespace platform {
namespace {

constexpr int kWheelUnitsPerNotch = 120;  // DirectInput's WHEEL_DELTA
constexpr double kDeadZone = 0.25;        // of the half range, around the centre

// The SDL window behind a device's window, looked up at every read: the window can be
// closed while the game runs.
SDL_Window* NativeOf(const SdlWindow* window) {
  return window ? window->Native() : nullptr;
}

class SdlKeyboard final : public KeyboardDevice {
 public:
  SdlKeyboard(SdlInput& input, const SdlWindow* window) : mInput(input), mWindow(window) {}

  bool Read(KeyboardState& state) override {
    if (!mInput.Focus()(NativeOf(mWindow))) {
      Acquire();
      return false;
    }
    mInput.WithGathered([&state](SdlInput::Gathered& gathered) {
      state = gathered.keysPressed;
      gathered.keysPressed.fill(0);
    });
    const Uint8* now = SDL_GetKeyboardState(nullptr);
    for (const auto& [scancode, code] : MappedScancodes()) {
      if (now[scancode]) state[code] = kKeyDown;
    }
    return true;
  }
  void Acquire() override {
    mInput.WithGathered([](SdlInput::Gathered& gathered) { gathered.keysPressed.fill(0); });
  }
  void Unacquire() override { Acquire(); }

 private:
  SdlInput& mInput;
  const SdlWindow* mWindow;
};

class SdlMouse final : public MouseDevice {
 public:
  SdlMouse(SdlInput& input, const SdlWindow* window) : mInput(input), mWindow(window) {}

  bool Read(MouseState& state) override {
    if (!mInput.Focus()(NativeOf(mWindow))) {
      Acquire();
      return false;
    }
    mInput.WithGathered([&state](SdlInput::Gathered& gathered) {
      state.x = gathered.motionX;
      state.y = gathered.motionY;
      state.wheel = static_cast<int>(gathered.wheel);  // the rest waits for the next read
      gathered.wheel -= static_cast<float>(state.wheel);
      state.buttons = gathered.buttonsPressed;
      gathered.motionX = gathered.motionY = 0;
      gathered.buttonsPressed = {};
    });
    const Uint32 now = SDL_GetMouseState(nullptr, nullptr);
    state.buttons[0] = state.buttons[0] || (now & SDL_BUTTON_LMASK) != 0;
    state.buttons[1] = state.buttons[1] || (now & SDL_BUTTON_RMASK) != 0;
    state.buttons[2] = state.buttons[2] || (now & SDL_BUTTON_MMASK) != 0;
    return true;
  }

  // Asked afresh at every read, inside the window or not, with a button held or not,
  // like the original's GetCursorPos and ScreenToClient. Positions are in the window
  // system's units, those of SDL's own events inside the window: a back buffer of
  // another size is stretched onto the client area, and its size plays no part here.
  CursorPosition Cursor() override {
    SDL_Window* native = NativeOf(mWindow);
    CursorPosition cursor;
    if (QueryX11Pointer(native, cursor)) return cursor;
    SDL_GetGlobalMouseState(&cursor.x, &cursor.y);
    if (native) {
      int left = 0, top = 0;
      SDL_GetWindowPosition(native, &left, &top);  // the client area's origin on the screen
      cursor.x -= left;
      cursor.y -= top;
    }
    return cursor;
  }

  void Acquire() override {
    mInput.WithGathered([](SdlInput::Gathered& gathered) {
      gathered.motionX = gathered.motionY = 0;
      gathered.wheel = 0.0f;
      gathered.buttonsPressed = {};
    });
  }
  void Unacquire() override { Acquire(); }

 private:
  SdlInput& mInput;
  const SdlWindow* mWindow;
};

// DirectInput's scaling of the left stick: the physical range onto kStickMin..kStickMax,
// the centre for anything within the dead zone, and the rest of the travel stretched so
// that a full deflection still reads the end of the range.
int ScaleStick(Sint16 value) {
  const double position = (value + 32768) / 65535.0 * 2.0 - 1.0;  // -1..1
  const double magnitude = std::fabs(position);
  if (magnitude <= kDeadZone) return 0;
  const int scaled = std::min(
      kStickMax,
      static_cast<int>(std::lround((magnitude - kDeadZone) / (1.0 - kDeadZone) * kStickMax)));
  return position < 0 ? -scaled : scaled;
}

// DirectInput's default axis range is 0..65535.
int RawAxis(Sint16 value) {
  return value + 32768;
}

// A controller SDL knows is read through its mapping, so that the right stick is the
// right stick whatever axis numbers the driver gives it; the buttons follow DirectInput's
// order for such pads, with the triggers as buttons 11 and 12. Other joysticks are read
// as they are: axes 0 to 3 are X, Y, Z and Rz, buttons 0 to 11 are J_1 to J_12.
class SdlJoystick final : public JoystickDevice {
 public:
  SdlJoystick(SdlInput& input, const SdlWindow* window, SDL_Joystick* joystick,
              SDL_GameController* controller)
      : mInput(input), mWindow(window), mJoystick(joystick), mController(controller) {}
  ~SdlJoystick() override {
    if (mController)
      SDL_GameControllerClose(mController);
    else
      SDL_JoystickClose(mJoystick);
  }

  // SDL brings every joystick up to date when the game window pumps its events, which the
  // main loop does at the start of every frame; updating again here would only repeat
  // SDL's scan for new devices, the larger part of a frame's input cost.
  void Poll() override {}

  bool Read(JoystickState& state) override {
    if (!mInput.Focus()(NativeOf(mWindow))) return false;
    return mController ? ReadController(state) : ReadJoystick(state);
  }
  void Acquire() override {}
  void Unacquire() override {}

 private:
  bool ReadController(JoystickState& state) {
    static constexpr SDL_GameControllerButton kButtons[] = {SDL_CONTROLLER_BUTTON_A,
                                                            SDL_CONTROLLER_BUTTON_B,
                                                            SDL_CONTROLLER_BUTTON_X,
                                                            SDL_CONTROLLER_BUTTON_Y,
                                                            SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
                                                            SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
                                                            SDL_CONTROLLER_BUTTON_BACK,
                                                            SDL_CONTROLLER_BUTTON_START,
                                                            SDL_CONTROLLER_BUTTON_LEFTSTICK,
                                                            SDL_CONTROLLER_BUTTON_RIGHTSTICK};
    std::size_t i = 0;
    for (const SDL_GameControllerButton button : kButtons) {
      state.buttons[i++] = SDL_GameControllerGetButton(mController, button) != 0;
    }
    // Triggers rest at 0 and reach 32767; past half way they count as pressed.
    state.buttons[10] =
        SDL_GameControllerGetAxis(mController, SDL_CONTROLLER_AXIS_TRIGGERLEFT) > 16383;
    state.buttons[11] =
        SDL_GameControllerGetAxis(mController, SDL_CONTROLLER_AXIS_TRIGGERRIGHT) > 16383;
    state.x = ScaleStick(SDL_GameControllerGetAxis(mController, SDL_CONTROLLER_AXIS_LEFTX));
    state.y = ScaleStick(SDL_GameControllerGetAxis(mController, SDL_CONTROLLER_AXIS_LEFTY));
    state.z = RawAxis(SDL_GameControllerGetAxis(mController, SDL_CONTROLLER_AXIS_RIGHTX));
    state.rz = RawAxis(SDL_GameControllerGetAxis(mController, SDL_CONTROLLER_AXIS_RIGHTY));
    return true;
  }

  bool ReadJoystick(JoystickState& state) {
    const int buttons = SDL_JoystickNumButtons(mJoystick);
    for (int i = 0; i < static_cast<int>(state.buttons.size()); ++i) {
      state.buttons[i] = i < buttons && SDL_JoystickGetButton(mJoystick, i) != 0;
    }
    // A missing axis rests in the middle, as DirectInput reports it.
    const int axes = SDL_JoystickNumAxes(mJoystick);
    auto axis = [&](int index) -> Sint16 {
      return index < axes ? SDL_JoystickGetAxis(mJoystick, index) : Sint16{-1};
    };
    state.x = ScaleStick(axis(0));
    state.y = ScaleStick(axis(1));
    state.z = RawAxis(axis(2));
    state.rz = RawAxis(axis(3));
    return true;
  }

  SdlInput& mInput;
  const SdlWindow* mWindow;
  SDL_Joystick* mJoystick;
  SDL_GameController* mController;
};

}  // namespace

SdlInput::SdlInput(FocusTest hasFocus) : mHasFocus(hasFocus ? hasFocus : HasKeyboardFocus) {}

SdlInput::~SdlInput() {
  if (mWatching) SDL_DelEventWatch(Watch, this);
}

bool SdlInput::HasKeyboardFocus(SDL_Window* window) {
  return window != nullptr && SDL_GetKeyboardFocus() == window;
}

bool SdlInput::Open() {
  if (!SDL_WasInit(SDL_INIT_EVENTS) && SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) return false;
  if (!mWatching) {
    SDL_AddEventWatch(Watch, this);
    mWatching = true;
  }
  return true;
}

std::unique_ptr<KeyboardDevice> SdlInput::CreateKeyboard(Window* window) {
  if (!mWatching) return nullptr;
  return std::make_unique<SdlKeyboard>(*this, dynamic_cast<const SdlWindow*>(window));
}

std::unique_ptr<MouseDevice> SdlInput::CreateMouse(Window* window) {
  if (!mWatching) return nullptr;
  return std::make_unique<SdlMouse>(*this, dynamic_cast<const SdlWindow*>(window));
}

std::unique_ptr<JoystickDevice> SdlInput::CreateJoystick(Window* window) {
  if (!SDL_WasInit(SDL_INIT_GAMECONTROLLER) &&
      SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) != 0) {
    return nullptr;
  }
  // The first one that opens, as DirectInput's enumeration stops at the first device made.
  for (int index = 0; index < SDL_NumJoysticks(); ++index) {
    SDL_GameController* controller =
        SDL_IsGameController(index) ? SDL_GameControllerOpen(index) : nullptr;
    SDL_Joystick* joystick =
        controller ? SDL_GameControllerGetJoystick(controller) : SDL_JoystickOpen(index);
    if (joystick) {
      return std::make_unique<SdlJoystick>(*this, dynamic_cast<const SdlWindow*>(window), joystick,
                                           controller);
    }
  }
  return nullptr;
}

int SdlInput::Watch(void* self, SDL_Event* event) {
  SdlInput& input = *static_cast<SdlInput*>(self);
  switch (event->type) {
    case SDL_KEYDOWN:
      if (!event->key.repeat) {
        const std::uint8_t code = DikFromScancode(event->key.keysym.scancode);
        if (code != 0) input.WithGathered([code](Gathered& g) { g.keysPressed[code] = kKeyDown; });
      }
      break;
    case SDL_MOUSEBUTTONDOWN: {
      // SDL numbers left, middle, right; DirectInput left, right, middle.
      const int index = event->button.button == SDL_BUTTON_LEFT     ? 0
                        : event->button.button == SDL_BUTTON_RIGHT  ? 1
                        : event->button.button == SDL_BUTTON_MIDDLE ? 2
                                                                    : -1;
      if (index >= 0) input.WithGathered([index](Gathered& g) { g.buttonsPressed[index] = true; });
      break;
    }
    case SDL_MOUSEMOTION:
      input.WithGathered([event](Gathered& g) {
        g.motionX += event->motion.xrel;
        g.motionY += event->motion.yrel;
      });
      break;
    case SDL_MOUSEWHEEL: {
      float notches = event->wheel.preciseY;
      if (event->wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      input.WithGathered([notches](Gathered& g) { g.wheel += notches * kWheelUnitsPerNotch; });
      break;
    }
    default:
      break;
  }
  return 0;
}

}  // namespace platform
