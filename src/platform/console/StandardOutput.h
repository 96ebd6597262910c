// Standard output of the game and the two pages of the debug console.
// Text arrives as CP932 bytes and leaves as UTF-8. On a terminal the standard page is the
// normal screen and the debug page the alternate screen; standard output written while
// the debug page is shown is kept and appears when the standard page returns. When
// standard output is a file or a pipe, debug pages are written as plain text blocks.
#pragma once

#include <string_view>

namespace platform::console {

/// Writes CP932 text to the standard page (buffered).
void Write(std::string_view cp932);
/// Pushes buffered standard output out.
void Flush();

/// Gives the terminal back at an abrupt end: the normal screen with the output held while
/// the debug page was shown, and the cursor. Pages are not drawn any more afterwards.
void RestoreTerminal();

/// Where the debug console draws its pages. Safe to call from the console's own thread
/// while the main thread writes standard output.
class Pages {
 public:
  virtual ~Pages() = default;
  /// Shows `page` as the whole debug page and titles the console.
  virtual void ShowDebugPage(std::string_view pageCp932, std::string_view titleCp932) = 0;
  /// Shows the standard page again, with what was written meanwhile, and titles it.
  virtual void ShowStandardPage(std::string_view titleCp932) = 0;
};

/// The pages of the terminal (or plain blocks when standard output is not a terminal).
Pages& TerminalPages();

}  // namespace platform::console
