// The input object: device set-up with its failure boxes, and the per-frame counting.
#include "input/ExternalInputC.h"

#include <cmath>
#include <stdexcept>

#include "base/FixedTexts.h"
#include "base/IniSettingsS.h"
#include "base/MemoryFailure.h"
#include "platform/Platform.h"
#include "platform/console/StandardOutput.h"
#include "platform/input/KeyCodes.h"

namespace InputN {
namespace {

namespace fixed = BaseN::FixedText;

// The boxes of input have no owner: they may appear before the window exists.
bool Fail(const char* text) {
  BaseN::ShowFatalErrorBox(text, false);
  return false;
}

// These keys lock on Japanese keyboards and can report "down" for as long as their mode
// is on; they never count as held.
bool IsLockingKey(int code) {
  return code == platform::dik::kCapital || code == platform::dik::kKana ||
         code == platform::dik::kKanji;
}

// One more frame held, or back to 0. Wrapping after 2^32 frames (two years at 60 frames
// a second) is harmless; signed overflow would not be.
template <typename Counter>
void Count(Counter& counter, bool down) {
  counter = down ? static_cast<Counter>(static_cast<std::uint32_t>(counter) + 1u) : 0;
}

// The index a script number names in a table of `size` entries, or -1. NaN and numbers
// far out of range fall outside like any other.
int IndexOf(double number, int size) {
  if (!(number > -1.0 && number < size)) return -1;
  return static_cast<int>(number);  // truncation toward zero: -0.5 names 0
}

// The right stick: DirectInput's default range 0..65535 onto -1000..1000, truncated
// toward zero, with no dead zone.
std::int32_t RightStick(int raw) {
  return static_cast<std::int32_t>((raw - platform::kRawAxisCentre) /
                                   static_cast<double>(platform::kRawAxisCentre) * 1000.0);
}

}  // namespace

ExternalInputC& ExternalInputC::GetInstance() {
  static ExternalInputC instance;
  return instance;
}

ExternalInputC::~ExternalInputC() {
  if (mKeyboard) mKeyboard->Unacquire();
  if (mMouse) mMouse->Unacquire();
  if (mJoystick) mJoystick->Unacquire();
  mMouse.reset();
  mKeyboard.reset();
  mJoystick.reset();
}

bool ExternalInputC::Create(platform::Window* window) {
  mWindow = window;
  platform::Input* input = platform::Installed().input;
  if (!input || !input->Open()) return Fail(fixed::kDirectInputCreateFailure);

  mKeyboard = input->CreateKeyboard(window);
  if (!mKeyboard) return Fail(fixed::kKeyboardCreateFailure);
  mKeyboard->Acquire();

  // The mouse's change notification of the original has no counterpart here: nothing
  // ever waited on it, so it has nothing to create and nothing that can fail.
  mMouse = input->CreateMouse(window);
  if (!mMouse) return Fail(fixed::kMouseCreateFailure);
  mMouse->Acquire();

  mJoystick = input->CreateJoystick(window);
  if (mJoystick) {
    mJoystick->Acquire();
    mJoyStickUsed = 1;
    return true;
  }
  if (BaseN::GetIniSettings().mDebugMode) {
    platform::console::Write(fixed::kNoJoystickCreated);
    platform::console::Write("\n");
    platform::console::Flush();
  }
  mJoyStickUsed = 0;
  return true;
}

void ExternalInputC::Update() {
  if (!mKeyboard) {
    BaseN::ShowFatalErrorBox(fixed::kNoKeyboardDevice, false);
    return;
  }
  platform::KeyboardState keys{};
  if (mKeyboard->Read(keys)) {
    for (int code = 0; code < 256; ++code) {
      Count(mKeyFrames[code], !IsLockingKey(code) && (keys[code] & platform::kKeyDown) != 0);
    }
  } else {
    mKeyboard->Acquire();
    mKeyFrames.fill(0);
  }

  if (!mMouse) {
    BaseN::ShowFatalErrorBox(fixed::kNoMouseDevice, false);
    return;
  }
  platform::MouseState mouse;
  if (mMouse->Read(mouse)) {
    Count(mMouseState[M_LEFT], mouse.buttons[0]);
    Count(mMouseState[M_RIGHT], mouse.buttons[1]);
    Count(mMouseState[M_CENTER], mouse.buttons[2]);
    mMouseState[M_HORIZOTAL] = mouse.x;
    mMouseState[M_VERTICAL] = mouse.y;
    mMouseState[M_WHEEL] = mouse.wheel;
    const platform::CursorPosition cursor = mMouse->Cursor();
    mMouseState[M_XPOSITION] = cursor.x;
    mMouseState[M_YPOSITION] = cursor.y;
  } else {
    mMouse->Acquire();
    mMouseState.fill(0);
  }

  if (!mJoystick) return;
  mJoystick->Poll();
  platform::JoystickState pad;
  if (mJoystick->Read(pad)) {
    for (int i = J_1; i <= J_12; ++i) Count(mJoyStickState[i], pad.buttons[i - J_1]);
    mJoyStickState[J_LEFT_H] = pad.x;
    mJoyStickState[J_LEFT_V] = pad.y;
    mJoyStickState[J_RIGHT_H] = RightStick(pad.z);
    mJoyStickState[J_RIGHT_V] = RightStick(pad.rz);
  } else {
    mJoystick->Acquire();
    mJoyStickState.fill(0);
  }
}

unsigned int ExternalInputC::GetPressedKey(double key) const {
  const int code = IndexOf(key, static_cast<int>(mKeyFrames.size()));
  return code < 0 ? 0u : mKeyFrames[code];
}

int ExternalInputC::GetMouseState(double index) const {
  const int i = IndexOf(index, static_cast<int>(mMouseState.size()));
  return i < 0 ? 0 : mMouseState[i];
}

int ExternalInputC::GetJoyStickState(double index) const {
  const int i = IndexOf(index, static_cast<int>(mJoyStickState.size()));
  return i < 0 ? 0 : mJoyStickState[i];
}

ExternalInputC& EXINPUT() {
  return ExternalInputC::GetInstance();
}

void RefuseDelete(ExternalInputC*) {
  throw std::logic_error(
      "InputN::ExternalInputC cannot be deleted: it is the engine's one input object");
}

}  // namespace InputN
