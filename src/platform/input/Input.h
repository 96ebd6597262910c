// Keyboard, mouse and one game controller, read once per frame as immediate states.
// Each device follows one window: while that window lacks the input focus every read
// fails, so a game never reacts to keys typed into another program.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace platform {

class Window;

/// The keyboard by DirectInput key code (platform/input/KeyCodes.h): bit 0x80 of byte k is
/// set while key k is down.
using KeyboardState = std::array<std::uint8_t, 256>;

inline constexpr std::uint8_t kKeyDown = 0x80;

struct MouseState {
  int x = 0;      ///< horizontal movement since the last read, in mouse units
  int y = 0;      ///< vertical movement since the last read, downwards positive
  int wheel = 0;  ///< wheel movement since the last read: 120 per notch, away from the user
  std::array<bool, 3> buttons{};  ///< left, right, middle
};

/// A point in the client coordinates of the device's window (screen coordinates when the
/// device has no window); negative left of and above the client area, beyond its size
/// right of and below it. Window-system units: the back buffer's size plays no part.
struct CursorPosition {
  int x = 0;
  int y = 0;
};

inline constexpr int kStickMin = -1000;
inline constexpr int kStickMax = 1000;
/// The rest position of a raw axis: the middle of 0..65535, rounded down.
inline constexpr int kRawAxisCentre = 32767;

struct JoystickState {
  int x = 0;  ///< left stick, kStickMin..kStickMax, 0 within 25 % of the range of the centre
  int y = 0;  ///< downwards positive, like x
  int z = kRawAxisCentre;   ///< right stick horizontal, raw 0..65535
  int rz = kRawAxisCentre;  ///< right stick vertical, raw 0..65535
  std::array<bool, 12> buttons{};
};

/// What every device can do besides reading.
class InputDevice {
 public:
  virtual ~InputDevice() = default;
  /// Asks for the device again after a failed read; what happened in between is dropped.
  virtual void Acquire() = 0;
  /// Lets the device go until the next Acquire.
  virtual void Unacquire() = 0;
};

class KeyboardDevice : public InputDevice {
 public:
  /// The keys down now or pressed since the last read, so that a tap shorter than a
  /// frame is seen once. False (state untouched) while the window lacks the focus.
  virtual bool Read(KeyboardState& state) = 0;
};

class MouseDevice : public InputDevice {
 public:
  /// Movement since the last read and the buttons down now or pressed since then.
  /// False (state untouched) while the window lacks the focus.
  virtual bool Read(MouseState& state) = 0;
  /// Where the cursor is now, wherever it is on the screen and whatever button is held.
  virtual CursorPosition Cursor() = 0;
};

class JoystickDevice : public InputDevice {
 public:
  /// Brings the controller's state up to date.
  virtual void Poll() = 0;
  /// The sticks and the buttons down now or pressed since the last read. False (state
  /// untouched) while the window lacks the focus.
  virtual bool Read(JoystickState& state) = 0;
};

class Input {
 public:
  virtual ~Input() = default;
  /// Starts the input system; false when there is none.
  virtual bool Open() = 0;
  /// The system keyboard following `window` (which may be null); null on failure.
  virtual std::unique_ptr<KeyboardDevice> CreateKeyboard(Window* window) = 0;
  /// The system mouse following `window`; null on failure.
  virtual std::unique_ptr<MouseDevice> CreateMouse(Window* window) = 0;
  /// The first game controller attached now; null when there is none.
  virtual std::unique_ptr<JoystickDevice> CreateJoystick(Window* window) = 0;
};

}  // namespace platform
