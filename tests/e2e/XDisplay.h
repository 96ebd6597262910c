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

/// The id of the top-level window with this title once it is on the screen (a game's
/// window exists, hidden, while the game starts; focus and pointer mean nothing before),
/// or "" when it was not shown within 10 s.
std::string WaitForShownWindow(const std::string& title);

/// The number after `label` in xwininfo's output, or 0.
int InfoField(const std::string& info, const std::string& label);

/// True when the run has an X display and the tools to drive it.
bool HaveXTools();

}  // namespace e2e
