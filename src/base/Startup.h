// The order in which the engine comes up and goes down.
#pragma once

#include <functional>

#include "utility/NumberConversion.h"

namespace BaseN {

/// Reads the settings, creates the window and the services, runs the game's
/// initialisation and the main loop, and ends the process. Returns only on an abnormal
/// end (-1), after which the caller returns from main so the singletons are torn down.
int WinMain();

/// Work the executable adds around the frames (the testing kit: a simulated clock,
/// recorded input, captures); every member may be empty, and none is by default.
struct FrameHooks {
  /// Before frame `frame` (counted from 1) reads its input.
  std::function<void(unsigned frame)> beforeFrame;
  /// After frame `frame`; `last` when it is the game's final frame. True asks for the end
  /// as the script's Quit would: one more frame runs, then ScriptExit.
  std::function<bool(unsigned frame, bool last)> afterFrame;
  /// After ScriptExit, just before the process ends normally.
  std::function<void()> atEnd;
};

/// Installs the hooks; call before WinMain.
void SetFrameHooks(FrameHooks hooks);
const FrameHooks& InstalledFrameHooks();

/// Settings numbers become integers as every script number does.
using UtilityN::TruncateToInt32;

}  // namespace BaseN
