// A recorded play session: the clock's start, every frame's input as the engine read it,
// and the answers given to message boxes. Stored as text, one line per frame, so that a
// recording can be read, diffed and, with care, edited by hand (README: "Testing a game").
//
//   hinoki-recording 1                      format name and version
//   clock START_MS START_CALENDAR_SECONDS   the millisecond counter and time() at start
//   joystick 0|1                            whether a controller was attached
//   frame N keys K mouse M pad P            one per frame, N = 1, 2, ... in order
//   box N ok|yes|no                         a box answered in frame N (0: before the
//                                           first), written before frame N's line
//   end N                                   the last line: the session ran N frames
//
// K is "off" (the keyboard could not be read: no input focus), "-" (no key down) or the
// codes of the keys down, comma separated. M is "off" or "DX DY WHEEL BUTTONS X Y":
// movement, wheel, the left, right and middle buttons as three 0/1 digits, and the
// cursor. P is "none" (no controller), "off" or "X Y Z RZ BUTTONS" with twelve digits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialog/Dialog.h"
#include "platform/input/Input.h"

namespace platform::testkit {

inline constexpr int kRecordingVersion = 1;
inline constexpr char kRecordingMagic[] = "hinoki-recording";

/// One frame's reads; a device whose read failed has its `...Read` false.
struct FrameInput {
  bool keyboardRead = false;
  KeyboardState keys{};
  bool mouseRead = false;
  MouseState mouse;
  CursorPosition cursor;
  bool joystickRead = false;
  JoystickState joystick;
};

struct BoxAnswer {
  unsigned frame = 0;
  DialogAnswer answer = DialogAnswer::kOk;
};

struct Recording {
  std::uint32_t startMilliseconds = 0;
  std::int64_t startCalendarSeconds = 0;
  bool joystick = false;
  std::vector<FrameInput> frames;  ///< frame N at index N - 1
  std::vector<BoxAnswer> boxes;    ///< in the order they were answered
};

/// The first lines of a recording.
std::string FormatHeader(std::uint32_t startMilliseconds, std::int64_t startCalendarSeconds,
                         bool joystick);
/// The line of frame `frame`.
std::string FormatFrame(unsigned frame, const FrameInput& input, bool joystick);
std::string FormatBox(unsigned frame, DialogAnswer answer);
std::string FormatEnd(unsigned frames);

/// Reads a whole recording. False with a one-line reason in `error` (naming the line)
/// when the text is not a complete recording of a version this build reads.
bool ParseRecording(const std::string& text, Recording& recording, std::string& error);

}  // namespace platform::testkit
