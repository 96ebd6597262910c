// The game window on SDL2.
#pragma once

#include <SDL.h>

#include "platform/window/Window.h"

namespace platform {

class SdlWindow final : public Window {
 public:
  ~SdlWindow() override;
  bool Create(std::string_view titleCp932, int clientWidth, int clientHeight,
              bool windowed) override;
  bool Exists() const override { return mWindow != nullptr; }
  FrameBorders Borders() override;
  ScreenRect UsableBounds() override;
  void SetOuterRect(const ScreenRect& outer) override;
  ScreenRect OuterRect() override;
  void Show() override;
  void Close() override;
  bool PeekMessage(WindowMessage& message) override;
  bool CloseRequested() override;
  void PostQuit() override { mQuitPosted = true; }
  void ShowCursor(bool visible) override;

  /// The SDL window (null before Create): the GL device's surface and the owner of
  /// message boxes.
  SDL_Window* Native() const { return mWindow; }

 private:
  SDL_Window* mWindow = nullptr;
  bool mQuitPosted = false;
  bool mClosed = false;
  ScreenRect mLastOuter;
};

}  // namespace platform
