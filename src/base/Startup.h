// The order in which the engine comes up and goes down.
#pragma once

#include "utility/NumberConversion.h"

namespace BaseN {

/// Reads the settings, creates the window and the services, runs the game's
/// initialisation and the main loop, and ends the process. Returns only on an abnormal
/// end (-1), after which the caller returns from main so the singletons are torn down.
int WinMain();

/// Settings numbers become integers as every script number does.
using UtilityN::TruncateToInt32;

}  // namespace BaseN
