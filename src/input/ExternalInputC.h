// Keyboard, mouse and game controller as frame counters: read once per frame, before the
// script's frame, so every query within one frame sees the same snapshot.
// Scripts reach the object as InputN.EXINPUT() and name keys, buttons and axes with the
// constants below.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/input/Input.h"
#include "utility/UncopyableC.h"

namespace platform {
class Window;
}

namespace InputN {

// Keys, by DirectInput key code; any other code 0 to 255 may be passed as a number.
inline constexpr int K_0 = 11;
inline constexpr int K_1 = 2;
inline constexpr int K_2 = 3;
inline constexpr int K_3 = 4;
inline constexpr int K_4 = 5;
inline constexpr int K_5 = 6;
inline constexpr int K_6 = 7;
inline constexpr int K_7 = 8;
inline constexpr int K_8 = 9;
inline constexpr int K_9 = 10;
inline constexpr int K_A = 30;
inline constexpr int K_B = 48;
inline constexpr int K_C = 46;
inline constexpr int K_D = 32;
inline constexpr int K_E = 18;
inline constexpr int K_F = 33;
inline constexpr int K_G = 34;
inline constexpr int K_H = 35;
inline constexpr int K_I = 23;
inline constexpr int K_J = 36;
inline constexpr int K_K = 37;
inline constexpr int K_L = 38;
inline constexpr int K_M = 50;
inline constexpr int K_N = 49;
inline constexpr int K_O = 24;
inline constexpr int K_P = 25;
inline constexpr int K_Q = 16;
inline constexpr int K_R = 19;
inline constexpr int K_S = 31;
inline constexpr int K_T = 20;
inline constexpr int K_U = 22;
inline constexpr int K_V = 47;
inline constexpr int K_W = 17;
inline constexpr int K_X = 45;
inline constexpr int K_Y = 21;
inline constexpr int K_Z = 44;
inline constexpr int K_UP = 200;
inline constexpr int K_DOWN = 208;
inline constexpr int K_LEFT = 203;
inline constexpr int K_RIGHT = 205;
inline constexpr int K_ENTER = 28;
inline constexpr int K_ESC = 1;
inline constexpr int K_LSHIFT = 42;
inline constexpr int K_SPACE = 57;

// Indices of the mouse state.
inline constexpr int M_LEFT = 0;       ///< frames held
inline constexpr int M_RIGHT = 1;      ///< frames held
inline constexpr int M_CENTER = 2;     ///< frames held
inline constexpr int M_HORIZOTAL = 3;  ///< movement since the last update
inline constexpr int M_VERTICAL = 4;   ///< movement since the last update
inline constexpr int M_WHEEL = 5;      ///< wheel movement since the last update, 120 a notch
inline constexpr int M_XPOSITION = 6;  ///< cursor in client coordinates
inline constexpr int M_YPOSITION = 7;

// Indices of the controller state, and the range of its sticks.
inline constexpr int J_1 = 0;  ///< buttons: frames held
inline constexpr int J_2 = 1;
inline constexpr int J_3 = 2;
inline constexpr int J_4 = 3;
inline constexpr int J_5 = 4;
inline constexpr int J_6 = 5;
inline constexpr int J_7 = 6;
inline constexpr int J_8 = 7;
inline constexpr int J_9 = 8;
inline constexpr int J_10 = 9;
inline constexpr int J_11 = 10;
inline constexpr int J_12 = 11;
inline constexpr int J_LEFT_H = 12;
inline constexpr int J_LEFT_V = 13;
inline constexpr int J_RIGHT_H = 14;
inline constexpr int J_RIGHT_V = 15;
inline constexpr int J_MIN = -1000;
inline constexpr int J_MAX = 1000;

class ExternalInputC : private UtilityN::UncopyableC {
 public:
  /// The input object, empty (no devices) until start-up calls Create.
  static ExternalInputC& GetInstance();

  /// An empty object. The game uses GetInstance; tests make their own.
  ExternalInputC() = default;
  ~ExternalInputC();

  /// Opens keyboard, mouse and the first game controller for `window`. Stops with a box
  /// and false at the first device that cannot be made; no controller is not a failure.
  bool Create(platform::Window* window);
  /// Reads every device once and advances the frame counters.
  void Update();

  // Script operations. Numbers are truncated toward zero; an index outside the state
  // reads 0.
  unsigned int GetPressedKey(double key) const;
  int GetMouseState(double index) const;
  int GetJoyStickState(double index) const;
  bool JoyStickUsed() const { return mJoyStickUsed != 0; }

  std::unique_ptr<platform::KeyboardDevice> mKeyboard;
  std::unique_ptr<platform::MouseDevice> mMouse;
  platform::Window* mWindow = nullptr;
  std::int32_t mJoyStickUsed = 0;
  std::array<std::uint32_t, 256> mKeyFrames{};
  std::array<std::int32_t, 8> mMouseState{};
  std::array<std::int32_t, 16> mJoyStickState{};

 private:
  // Owned here rather than process-wide: the object that reads it is its only user.
  std::unique_ptr<platform::JoystickDevice> mJoystick;
};

/// The module function InputN.EXINPUT: the input object.
ExternalInputC& EXINPUT();

/// The script operation delete on the input object: refused with an error, because the
/// object lives for the whole process and the engine goes on reading into it.
void RefuseDelete(ExternalInputC* self);

}  // namespace InputN
