// The order in which the engine comes up and goes down.
#pragma once

namespace BaseN {

/// Reads the settings, creates the window and the services, runs the game's
/// initialisation and the main loop, and ends the process. Returns only on an abnormal
/// end (-1), after which the caller returns from main so the singletons are torn down.
int WinMain();

/// Truncates a script number toward zero into a 32-bit integer; values beyond the range
/// give its nearest end, and NaN gives 0.
int TruncateToInt32(double value);

}  // namespace BaseN
