// Looking at the X display of the test run from outside the game: the top-level windows
// as xwininfo lists them, and commands such as xdotool.
#pragma once

#include <string>

namespace e2e {

/// Runs a shell command and returns its standard output.
std::string Shell(const std::string& command);

/// The line of `xwininfo -root -children` for the top-level window with this title (its
/// id first, then its name and geometry), or "" when none appeared within 10 s.
std::string WaitForWindow(const std::string& title);

/// True when the run has an X display and the tools to drive it.
bool HaveXTools();

}  // namespace e2e
