// Code page 932 <-> UTF-8 at the edge of the process (dialogs, window title, terminal,
// file names). Engine texts stay CP932 bytes everywhere else.
#pragma once

#include <string>
#include <string_view>

namespace platform::text {

/// CP932 bytes to UTF-8. A byte sequence that is not valid CP932 (a lone lead byte, an
/// unassigned code) becomes U+FFFD for that byte and conversion goes on; never fails.
std::string Cp932ToUtf8(std::string_view cp932);

/// UTF-8 to CP932 bytes. A character CP932 cannot hold, or invalid UTF-8, becomes '?'.
std::string Utf8ToCp932(std::string_view utf8);

/// True when `bytes` holds at least one multi-byte UTF-8 sequence and is valid UTF-8
/// throughout: Shift-JIS text with any Japanese in it almost never is, so such a script
/// was most likely saved by an editor that writes UTF-8.
bool LooksLikeUtf8(std::string_view bytes);

}  // namespace platform::text
