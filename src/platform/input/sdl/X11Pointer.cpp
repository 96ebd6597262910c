// The X11 pointer query. Xlib is reached through the library SDL itself loaded, so the
// engine links no X library and runs unchanged on other video drivers.
#include "platform/input/sdl/X11Pointer.h"

#include <SDL_syswm.h>
#include <dlfcn.h>

#include <cstring>

namespace platform {
namespace {

#if defined(SDL_VIDEO_DRIVER_X11)
using QueryPointer = decltype(&XQueryPointer);

// Looked up once SDL is known to draw on X11, which means it has loaded Xlib; the
// handle is kept, so the function stays valid for the rest of the process.
QueryPointer XQueryPointerOfSdl() {
  static QueryPointer query = [] {
    void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    return xlib ? reinterpret_cast<QueryPointer>(dlsym(xlib, "XQueryPointer")) : nullptr;
  }();
  return query;
}
#endif

}  // namespace

bool QueryX11Pointer(SDL_Window* window, CursorPosition& cursor) {
#if defined(SDL_VIDEO_DRIVER_X11)
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!window || !driver || std::strcmp(driver, "x11") != 0) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  const QueryPointer query = XQueryPointerOfSdl();
  if (!query) return false;
  ::Window root = 0, child = 0;
  int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
  unsigned int buttons = 0;
  // The server relates the pointer to the window's own origin, which is the client
  // area's: no frame, and no window position that SDL may learn of a moment late.
  if (!query(info.info.x11.display, info.info.x11.window, &root, &child, &rootX, &rootY, &windowX,
             &windowY, &buttons)) {
    return false;
  }
  cursor.x = windowX;
  cursor.y = windowY;
  return true;
#else
  (void)window;
  (void)cursor;
  return false;
#endif
}

}  // namespace platform
