// The game's one top-level window: created from the settings, reacting to close and
// resize, owner of the engine's message boxes.
#pragma once

#include <string>

#include "platform/window/Window.h"
#include "utility/UncopyableC.h"

namespace BaseN {

class MainWindowC : private UtilityN::UncopyableC {
 public:
  /// The one window object, created (without a window) on first use.
  static MainWindowC& GetInstance();
  virtual ~MainWindowC();

  /// Creates the window: `width` x `height` is the whole window, frame included, centred
  /// on the work area and shifted by the offsets; windowed ones start hidden. Does
  /// nothing when the window exists. Returns the window, or null when it could not be made.
  platform::Window* Create(const std::string& title, int width, int height, int xOffset,
                           int yOffset, bool windowed);
  /// Shows a windowed window (start-up does this after the game's initialisation).
  void Show();
  /// Reacts to one message of the queue: a close destroys the window and posts the quit
  /// message, a resize keeps the configured aspect ratio.
  void WindowProcedure(const platform::WindowMessage& message);

  /// The window, null until Create succeeded and after it was closed.
  platform::Window* mWindowHandle = nullptr;
  std::string mTitle;
  int mWindowWidth = 0;
  int mWindowHeight = 0;
  int mWindowed = 0;

 private:
  MainWindowC() = default;
  void Place();

  int mXOffset = 0;
  int mYOffset = 0;
};

}  // namespace BaseN
