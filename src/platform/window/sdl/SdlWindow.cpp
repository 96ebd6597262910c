// The game window on SDL2: desktop full screen or a framed window, one message at a time.
// Only events the window itself reacts to count as messages; input events stay in SDL's
// state for the input devices, so a burst of mouse motion does not delay a close.
#include "platform/window/sdl/SdlWindow.h"

#include <dlfcn.h>

#include <string>

#include "platform/console/Interrupt.h"
#include "platform/text/Text.h"

namespace platform {
namespace {

// Xlib's own handler for a broken display connection calls exit(), whose handlers then
// wait for replies on the dead connection for ever. Ours ends at once, with one line.
int DisplayConnectionLost(void*) {
  interrupt::EndNow("hinoki: the connection to the X display was lost", 1);
}

// SDL loads Xlib itself; we reach the library it loaded, and only when it did (X11 is
// not the only video driver).
void WatchDisplayConnection() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::string(driver) != "x11") return;
  void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  if (!xlib) return;
  using Handler = int (*)(void*);
  using SetHandler = Handler (*)(Handler);
  if (auto set = reinterpret_cast<SetHandler>(dlsym(xlib, "XSetIOErrorHandler"))) {
    set(DisplayConnectionLost);
  }
  dlclose(xlib);  // SDL still holds it
}

}  // namespace

SdlWindow::~SdlWindow() {
  if (mWindow) SDL_DestroyWindow(mWindow);
  mWindow = nullptr;
}

bool SdlWindow::Create(std::string_view titleCp932, int clientWidth, int clientHeight,
                       bool windowed) {
  if (mWindow) return true;
  if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  const std::string title = text::Cp932ToUtf8(titleCp932);
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
  // The drawing device draws into the window's framebuffer with its depth-stencil surface;
  // X11 chooses the window's pixel format here, before any GL context exists.
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  flags |= windowed ? (SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE) : SDL_WINDOW_FULLSCREEN_DESKTOP;
  // A zero-sized window is refused by SDL; a settings script that gives no size still
  // gets a window, the smallest one.
  const int w = clientWidth > 0 ? clientWidth : 1;
  const int h = clientHeight > 0 ? clientHeight : 1;
  mWindow = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, w,
                             h, flags);
  if (!mWindow) {
    // Some drivers (offscreen, dummy) have no GL; the window alone is still useful.
    flags &= ~static_cast<Uint32>(SDL_WINDOW_OPENGL);
    mWindow = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                               w, h, flags);
  }
  if (mWindow) {
    mLastOuter = OuterRect();
    WatchDisplayConnection();
  }
  return mWindow != nullptr;
}

FrameBorders SdlWindow::Borders() {
  FrameBorders borders;
  if (mWindow &&
      SDL_GetWindowBordersSize(mWindow, &borders.top, &borders.left, &borders.bottom,
                               &borders.right) != 0) {
    borders = FrameBorders{};
  }
  return borders;
}

ScreenRect SdlWindow::UsableBounds() {
  SDL_Rect r{0, 0, 0, 0};
  const int display = mWindow ? SDL_GetWindowDisplayIndex(mWindow) : 0;
  if (SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &r) != 0) {
    SDL_GetDisplayBounds(0, &r);
  }
  return ScreenRect{r.x, r.y, r.x + r.w, r.y + r.h};
}

void SdlWindow::SetOuterRect(const ScreenRect& outer) {
  if (!mWindow || (SDL_GetWindowFlags(mWindow) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
                      SDL_WINDOW_FULLSCREEN_DESKTOP) {
    return;
  }
  const FrameBorders b = Borders();
  const int w = outer.right - outer.left - b.left - b.right;
  const int h = outer.bottom - outer.top - b.top - b.bottom;
  SDL_SetWindowSize(mWindow, w > 0 ? w : 1, h > 0 ? h : 1);
  SDL_SetWindowPosition(mWindow, outer.left + b.left, outer.top + b.top);
  mLastOuter = outer;
}

ScreenRect SdlWindow::OuterRect() {
  if (!mWindow) return {};
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(mWindow, &x, &y);
  SDL_GetWindowSize(mWindow, &w, &h);
  const FrameBorders b = Borders();
  return ScreenRect{x - b.left, y - b.top, x + w + b.right, y + h + b.bottom};
}

void SdlWindow::Show() {
  if (mWindow && !mClosed) SDL_ShowWindow(mWindow);
}

void SdlWindow::Close() {
  if (!mWindow) return;
  // Destroying the window would take the GL context with it while the last frame and
  // the game's ScriptExit may still draw; hidden, it is gone for the player all the same.
  SDL_HideWindow(mWindow);
  mClosed = true;
}

bool SdlWindow::PeekMessage(WindowMessage& message) {
  // Ctrl-C and SIGTERM end the game the normal way, like a closed window.
  if (mQuitPosted || interrupt::TakeQuitRequest()) {
    mQuitPosted = false;
    message = WindowMessage{WindowMessageKind::kQuit, {}, {}};
    return true;
  }
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    switch (event.type) {
      case SDL_WINDOWEVENT:
        if (!mWindow || event.window.windowID != SDL_GetWindowID(mWindow)) break;
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
          message = WindowMessage{WindowMessageKind::kClose, {}, {}};
          return true;
        }
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          message.kind = WindowMessageKind::kResized;
          message.previousRect = mLastOuter;
          message.rect = OuterRect();
          mLastOuter = message.rect;
          return true;
        }
        message = WindowMessage{WindowMessageKind::kOther, {}, {}};
        return true;
      default:
        break;  // input events: read by the input devices from SDL's own state
    }
  }
  return false;
}

bool SdlWindow::CloseRequested() {
  if (!mWindow || mClosed) return false;
  SDL_PumpEvents();
  SDL_Event events[64];
  const int count =
      SDL_PeepEvents(events, 64, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
  const Uint32 id = SDL_GetWindowID(mWindow);
  for (int i = 0; i < count; ++i) {
    if (events[i].window.windowID == id && events[i].window.event == SDL_WINDOWEVENT_CLOSE) {
      return true;
    }
  }
  return false;
}

void SdlWindow::ShowCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

}  // namespace platform
