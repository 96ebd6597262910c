// Input for a recorded session. The recorder sits between the engine and the real
// devices and keeps what each read returned in the frame's FrameInput; the replayer has
// no devices at all and answers every read from the frame's recorded FrameInput.
#pragma once

#include <memory>

#include "platform/input/Input.h"
#include "platform/testkit/Recording.h"

namespace platform::testkit {

class RecordingInput final : public Input {
 public:
  /// Reads go to `real`; their results are written to `frame`, which the session
  /// writes out and clears once a frame.
  RecordingInput(Input& real, FrameInput& frame) : mReal(real), mFrame(frame) {}

  bool Open() override { return mReal.Open(); }
  std::unique_ptr<KeyboardDevice> CreateKeyboard(Window* window) override;
  std::unique_ptr<MouseDevice> CreateMouse(Window* window) override;
  std::unique_ptr<JoystickDevice> CreateJoystick(Window* window) override;
  /// Whether the engine got a controller.
  bool HasJoystick() const { return mHasJoystick; }

 private:
  Input& mReal;
  FrameInput& mFrame;
  bool mHasJoystick = false;
};

class ReplayInput final : public Input {
 public:
  /// Every read answers from `frame`, which the session fills before each frame; a
  /// controller exists when the recording had one.
  ReplayInput(const FrameInput& frame, bool joystick) : mFrame(frame), mJoystick(joystick) {}

  bool Open() override { return true; }
  std::unique_ptr<KeyboardDevice> CreateKeyboard(Window* window) override;
  std::unique_ptr<MouseDevice> CreateMouse(Window* window) override;
  std::unique_ptr<JoystickDevice> CreateJoystick(Window* window) override;

 private:
  const FrameInput& mFrame;
  bool mJoystick;
};

}  // namespace platform::testkit
