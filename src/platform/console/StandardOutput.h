// Standard output of the game: engine diagnostics and the scripts' print.
// Text arrives as CP932 bytes and leaves as UTF-8, the terminal's encoding.
#pragma once

#include <string_view>

namespace platform::console {

/// Writes CP932 text to standard output as UTF-8 (buffered).
void Write(std::string_view cp932);
/// Pushes buffered standard output out.
void Flush();

}  // namespace platform::console
