// Input for tests: the test sets what the devices deliver, whether the window has the
// focus and which devices exist, and reads how often the engine re-acquired them.
#pragma once

#include <memory>

#include "platform/input/Input.h"

namespace platform {

class FakeInput final : public Input {
 public:
  bool Open() override { return mOpens; }
  std::unique_ptr<KeyboardDevice> CreateKeyboard(Window* window) override {
    mWindow = window;
    return mHasKeyboard ? std::make_unique<Keyboard>(*this) : nullptr;
  }
  std::unique_ptr<MouseDevice> CreateMouse(Window*) override {
    return mHasMouse ? std::make_unique<Mouse>(*this) : nullptr;
  }
  std::unique_ptr<JoystickDevice> CreateJoystick(Window*) override {
    return mHasJoystick ? std::make_unique<Joystick>(*this) : nullptr;
  }

  /// Presses or releases key `code`.
  void SetKey(int code, bool down) { mKeys[code] = down ? kKeyDown : 0; }

  bool mOpens = true;
  bool mHasKeyboard = true;
  bool mHasMouse = true;
  bool mHasJoystick = false;
  bool mFocused = true;
  KeyboardState mKeys{};
  MouseState mMouse;  ///< movement is handed out once, then cleared
  CursorPosition mCursor;
  JoystickState mJoystick;
  Window* mWindow = nullptr;
  int mAcquireCount = 0;
  int mUnacquireCount = 0;
  int mPollCount = 0;

 private:
  class Keyboard final : public KeyboardDevice {
   public:
    explicit Keyboard(FakeInput& input) : mInput(input) {}
    bool Read(KeyboardState& state) override {
      if (!mInput.mFocused) return false;
      state = mInput.mKeys;
      return true;
    }
    void Acquire() override { ++mInput.mAcquireCount; }
    void Unacquire() override { ++mInput.mUnacquireCount; }

   private:
    FakeInput& mInput;
  };

  class Mouse final : public MouseDevice {
   public:
    explicit Mouse(FakeInput& input) : mInput(input) {}
    bool Read(MouseState& state) override {
      if (!mInput.mFocused) return false;
      state = mInput.mMouse;
      mInput.mMouse.x = mInput.mMouse.y = mInput.mMouse.wheel = 0;
      return true;
    }
    CursorPosition Cursor() override { return mInput.mCursor; }
    void Acquire() override { ++mInput.mAcquireCount; }
    void Unacquire() override { ++mInput.mUnacquireCount; }

   private:
    FakeInput& mInput;
  };

  class Joystick final : public JoystickDevice {
   public:
    explicit Joystick(FakeInput& input) : mInput(input) {}
    void Poll() override { ++mInput.mPollCount; }
    bool Read(JoystickState& state) override {
      if (!mInput.mFocused) return false;
      state = mInput.mJoystick;
      return true;
    }
    void Acquire() override { ++mInput.mAcquireCount; }
    void Unacquire() override { ++mInput.mUnacquireCount; }

   private:
    FakeInput& mInput;
  };
};

}  // namespace platform
