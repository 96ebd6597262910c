// The game window: placement on creation and after the frame becomes known, close, and
// aspect-keeping resizes.
#include "base/MainWindowC.h"

#include "base/WindowGeometry.h"
#include "platform/Platform.h"

namespace BaseN {

MainWindowC& MainWindowC::GetInstance() {
  static MainWindowC instance;
  return instance;
}

MainWindowC::~MainWindowC() {
  mWindowHandle = nullptr;
  mTitle.clear();
}

platform::Window* MainWindowC::Create(const std::string& title, int width, int height,
                                      int xOffset, int yOffset, bool windowed) {
  if (mWindowHandle) return mWindowHandle;
  mTitle = title;
  mWindowWidth = width;
  mWindowHeight = height;
  mWindowed = windowed ? 1 : 0;
  platform::Window* window = platform::Installed().window;
  if (!window) return nullptr;
  mXOffset = xOffset;
  mYOffset = yOffset;
  // The configured size includes the frame; the client area gets what the frame leaves.
  if (!window->Create(title, width, height, windowed)) return nullptr;
  mWindowHandle = window;
  Place();
  return mWindowHandle;
}

void MainWindowC::Place() {
  if (!mWindowHandle || !mWindowed) return;
  const platform::ScreenRect rect =
      PlaceWindow(mWindowHandle->UsableBounds(), mWindowHandle->Borders(), mWindowWidth,
                  mWindowHeight, mXOffset, mYOffset);
  mWindowHandle->SetOuterRect(rect);
}

void MainWindowC::Show() {
  if (!mWindowHandle) return;
  const platform::FrameBorders before = mWindowHandle->Borders();
  mWindowHandle->Show();
  // Many window systems report the frame only once the window is on screen.
  const platform::FrameBorders after = mWindowHandle->Borders();
  if (after.left != before.left || after.top != before.top || after.right != before.right ||
      after.bottom != before.bottom) {
    Place();
  }
}

void MainWindowC::WindowProcedure(const platform::WindowMessage& message) {
  if (!mWindowHandle) return;
  switch (message.kind) {
    case platform::WindowMessageKind::kClose:
      // The frame after the quit message still draws: the window only leaves the screen
      // and keeps its drawing surface until the process ends.
      mWindowHandle->Close();
      mWindowHandle = nullptr;
      platform::Installed().window->PostQuit();
      break;
    case platform::WindowMessageKind::kResized: {
      const int edge = DraggedEdge(message.previousRect, message.rect);
      const platform::ScreenRect kept = KeepAspectOnSizing(
          edge, mWindowWidth, mWindowHeight, mWindowHandle->Borders(), message.rect);
      if (kept.left != message.rect.left || kept.top != message.rect.top ||
          kept.right != message.rect.right || kept.bottom != message.rect.bottom) {
        mWindowHandle->SetOuterRect(kept);
      }
      // The device presents the back buffer again into the new size once it exists.
      break;
    }
    default:
      break;
  }
}

}  // namespace BaseN
