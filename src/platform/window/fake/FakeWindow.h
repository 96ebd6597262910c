// A window for tests: a queue the test fills and a record of what the engine asked for.
#pragma once

#include <deque>
#include <string>

#include "platform/window/Window.h"

namespace platform {

class FakeWindow final : public Window {
 public:
  bool Create(std::string_view titleCp932, int clientWidth, int clientHeight,
              bool windowed) override {
    mTitle = std::string(titleCp932);
    mOuter = {0, 0, clientWidth + mBorders.left + mBorders.right,
              clientHeight + mBorders.top + mBorders.bottom};
    mWindowed = windowed;
    mVisible = !windowed;
    mExists = true;
    ++mCreateCount;
    return true;
  }
  bool Exists() const override { return mExists; }
  FrameBorders Borders() override { return mBorders; }
  ScreenRect UsableBounds() override { return mUsable; }
  void SetOuterRect(const ScreenRect& outer) override { mOuter = outer; }
  ScreenRect OuterRect() override { return mOuter; }
  void Show() override { mVisible = true; }
  void Close() override {
    mClosed = true;
    mVisible = false;
  }
  bool PeekMessage(WindowMessage& message) override {
    if (mQuitPosted) {
      mQuitPosted = false;
      message = WindowMessage{WindowMessageKind::kQuit, {}, {}};
      return true;
    }
    if (mQueue.empty()) return false;
    message = mQueue.front();
    mQueue.pop_front();
    return true;
  }
  bool CloseRequested() override {
    for (const WindowMessage& m : mQueue) {
      if (m.kind == WindowMessageKind::kClose) return true;
    }
    return false;
  }
  void PostQuit() override { mQuitPosted = true; }
  void ShowCursor(bool visible) override { mCursorVisible = visible; }

  void Queue(const WindowMessage& message) { mQueue.push_back(message); }

  std::string mTitle;
  ScreenRect mOuter;
  ScreenRect mUsable{0, 0, 1920, 1040};
  FrameBorders mBorders{4, 23, 4, 4};
  bool mWindowed = false;
  bool mVisible = false;
  bool mExists = false;
  bool mClosed = false;
  bool mQuitPosted = false;
  bool mCursorVisible = true;
  int mCreateCount = 0;

 private:
  std::deque<WindowMessage> mQueue;
};

}  // namespace platform
