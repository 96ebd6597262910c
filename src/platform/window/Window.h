// The game's one top-level window and its message queue.
// The engine decides sizes and positions; this interface only carries them out, so the
// placement rules stay in engine code and can be tested without a window system.
#pragma once

#include <string_view>

namespace platform {

/// A rectangle in screen pixels; right and bottom are exclusive.
struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

/// What the window system draws around the client area, in pixels per side.
struct FrameBorders {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

enum class WindowMessageKind {
  kClose,    ///< the user closed the window
  kQuit,     ///< the quit message: the main loop ends after this frame
  kResized,  ///< the user resized the window; `rect` is the new whole-window rectangle
  kOther,    ///< anything else the window reacts to (focus, exposure)
};

struct WindowMessage {
  WindowMessageKind kind = WindowMessageKind::kOther;
  ScreenRect rect;  ///< kResized only
  ScreenRect previousRect;  ///< kResized only: the whole-window rectangle before
};

class Window {
 public:
  virtual ~Window() = default;
  /// Creates the window: windowed ones hidden with a client area of the given size, full
  /// screen ones covering the desktop (back buffer scaled) and visible. False on failure.
  virtual bool Create(std::string_view titleCp932, int clientWidth, int clientHeight,
                      bool windowed) = 0;
  /// True after a successful Create (a closed window still exists, hidden).
  virtual bool Exists() const = 0;
  /// The frame the window system adds around the client area (zero when unknown).
  virtual FrameBorders Borders() = 0;
  /// The desktop area not covered by panels, where windows are placed.
  virtual ScreenRect UsableBounds() = 0;
  /// Moves and sizes the window; `outer` includes the frame.
  virtual void SetOuterRect(const ScreenRect& outer) = 0;
  /// The whole-window rectangle, frame included.
  virtual ScreenRect OuterRect() = 0;
  virtual void Show() = 0;
  /// Takes the window off the screen for good: the user closed it. What draws into it
  /// stays valid until the process ends, so the frame that still runs after the close,
  /// and the shutdown after it, draw and present safely into the hidden window.
  virtual void Close() = 0;
  /// Takes at most one message from the queue; false when none is waiting.
  virtual bool PeekMessage(WindowMessage& message) = 0;
  /// True when a close of the window is waiting in the queue (left there).
  virtual bool CloseRequested() = 0;
  /// Posts the quit message; it is retrieved before any other waiting message.
  virtual void PostQuit() = 0;
  virtual void ShowCursor(bool visible) = 0;
};

}  // namespace platform
