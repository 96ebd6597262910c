// The main loop: one window message, the per-frame updates and the script's frame, then
// the wait that paces the frame.
#pragma once

#include <functional>

#include "base/IniSettingsS.h"
#include "platform/clock/Clock.h"
#include "platform/window/Window.h"

namespace BaseN {

/// Runs frames until the quit message has been retrieved; the frame that retrieves it
/// still runs completely.
void MessageLoop(const IniSettingsS& settings);

/// The loop itself, with its collaborators passed in: `dispatch` handles a retrieved
/// message other than quit, `frame` does the per-frame work.
void RunFrames(const IniSettingsS& settings, platform::Window& window, platform::Clock& clock,
               const std::function<void(const platform::WindowMessage&)>& dispatch,
               const std::function<void()>& frame);

}  // namespace BaseN
