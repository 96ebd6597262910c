// The recording and replaying devices.
#include "platform/testkit/SessionInput.h"

namespace platform::testkit {

namespace {

class RecordingKeyboard final : public KeyboardDevice {
 public:
  RecordingKeyboard(std::unique_ptr<KeyboardDevice> real, FrameInput& frame)
      : mReal(std::move(real)), mFrame(frame) {}
  void Acquire() override { mReal->Acquire(); }
  void Unacquire() override { mReal->Unacquire(); }
  bool Read(KeyboardState& state) override {
    mFrame.keyboardRead = mReal->Read(state);
    if (mFrame.keyboardRead) mFrame.keys = state;
    return mFrame.keyboardRead;
  }

 private:
  std::unique_ptr<KeyboardDevice> mReal;
  FrameInput& mFrame;
};

class RecordingMouse final : public MouseDevice {
 public:
  RecordingMouse(std::unique_ptr<MouseDevice> real, FrameInput& frame)
      : mReal(std::move(real)), mFrame(frame) {}
  void Acquire() override { mReal->Acquire(); }
  void Unacquire() override { mReal->Unacquire(); }
  bool Read(MouseState& state) override {
    mFrame.mouseRead = mReal->Read(state);
    if (mFrame.mouseRead) mFrame.mouse = state;
    return mFrame.mouseRead;
  }
  CursorPosition Cursor() override { return mFrame.cursor = mReal->Cursor(); }

 private:
  std::unique_ptr<MouseDevice> mReal;
  FrameInput& mFrame;
};

class RecordingJoystick final : public JoystickDevice {
 public:
  RecordingJoystick(std::unique_ptr<JoystickDevice> real, FrameInput& frame)
      : mReal(std::move(real)), mFrame(frame) {}
  void Acquire() override { mReal->Acquire(); }
  void Unacquire() override { mReal->Unacquire(); }
  void Poll() override { mReal->Poll(); }
  bool Read(JoystickState& state) override {
    mFrame.joystickRead = mReal->Read(state);
    if (mFrame.joystickRead) mFrame.joystick = state;
    return mFrame.joystickRead;
  }

 private:
  std::unique_ptr<JoystickDevice> mReal;
  FrameInput& mFrame;
};

class ReplayKeyboard final : public KeyboardDevice {
 public:
  explicit ReplayKeyboard(const FrameInput& frame) : mFrame(frame) {}
  void Acquire() override {}
  void Unacquire() override {}
  bool Read(KeyboardState& state) override {
    if (mFrame.keyboardRead) state = mFrame.keys;
    return mFrame.keyboardRead;
  }

 private:
  const FrameInput& mFrame;
};

class ReplayMouse final : public MouseDevice {
 public:
  explicit ReplayMouse(const FrameInput& frame) : mFrame(frame) {}
  void Acquire() override {}
  void Unacquire() override {}
  bool Read(MouseState& state) override {
    if (mFrame.mouseRead) state = mFrame.mouse;
    return mFrame.mouseRead;
  }
  CursorPosition Cursor() override { return mFrame.cursor; }

 private:
  const FrameInput& mFrame;
};

class ReplayJoystick final : public JoystickDevice {
 public:
  explicit ReplayJoystick(const FrameInput& frame) : mFrame(frame) {}
  void Acquire() override {}
  void Unacquire() override {}
  void Poll() override {}
  bool Read(JoystickState& state) override {
    if (mFrame.joystickRead) state = mFrame.joystick;
    return mFrame.joystickRead;
  }

 private:
  const FrameInput& mFrame;
};

}  // namespace

std::unique_ptr<KeyboardDevice> RecordingInput::CreateKeyboard(Window* window) {
  auto real = mReal.CreateKeyboard(window);
  if (!real) return nullptr;
  return std::make_unique<RecordingKeyboard>(std::move(real), mFrame);
}

std::unique_ptr<MouseDevice> RecordingInput::CreateMouse(Window* window) {
  auto real = mReal.CreateMouse(window);
  if (!real) return nullptr;
  return std::make_unique<RecordingMouse>(std::move(real), mFrame);
}

std::unique_ptr<JoystickDevice> RecordingInput::CreateJoystick(Window* window) {
  auto real = mReal.CreateJoystick(window);
  if (!real) return nullptr;
  mHasJoystick = true;
  return std::make_unique<RecordingJoystick>(std::move(real), mFrame);
}

std::unique_ptr<KeyboardDevice> ReplayInput::CreateKeyboard(Window*) {
  return std::make_unique<ReplayKeyboard>(mFrame);
}

std::unique_ptr<MouseDevice> ReplayInput::CreateMouse(Window*) {
  return std::make_unique<ReplayMouse>(mFrame);
}

std::unique_ptr<JoystickDevice> ReplayInput::CreateJoystick(Window*) {
  if (!mJoystick) return nullptr;
  return std::make_unique<ReplayJoystick>(mFrame);
}

}  // namespace platform::testkit
