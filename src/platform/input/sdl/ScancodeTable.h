// SDL scancodes (positions on a USB keyboard) to DirectInput key codes (positions as
// set-1 scan codes). Both name physical keys, so one table serves every layout; a
// Japanese 106/109 keyboard's extra keys have SDL scancodes of their own.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace platform {

/// The DirectInput key code of a scancode; 0 for keys DirectInput has no code for.
std::uint8_t DikFromScancode(SDL_Scancode scancode);

/// Every scancode that has a key code, with that code: what a keyboard read walks.
const std::vector<std::pair<SDL_Scancode, std::uint8_t>>& MappedScancodes();

}  // namespace platform
