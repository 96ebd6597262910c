// What happens when memory runs out: a box naming what failed, then the process ends
// with status -1 through the normal exit, so the singletons are torn down.
#pragma once

namespace BaseN {

/// The process new-handler: "out of memory" box, then exit(-1).
void MemoryFailureHandler();
/// The handler of the sound data records: the same with the sound data text.
void SoundMemoryFailureHandler();

/// Shows a fatal error box titled "ERROR" (CP932 text); `owned` makes the game window
/// its owner. Falls back to standard error when no dialog is installed.
void ShowFatalErrorBox(const char* text, bool owned);

}  // namespace BaseN
