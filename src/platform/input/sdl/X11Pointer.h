// Where the pointer is, asked of the X server at the moment of the call.
// SDL's X11 backend answers SDL_GetGlobalMouseState from a copy that only motion of a
// physical device refreshes; a pointer moved by another program (a warp) reads stale.
#pragma once

#include <SDL.h>

#include "platform/input/Input.h"

namespace platform {

/// The pointer in the client coordinates of `window`, wherever it is on the window's
/// screen. False when `window` is not on X11 or the pointer is on another X screen.
bool QueryX11Pointer(SDL_Window* window, CursorPosition& cursor);

}  // namespace platform
