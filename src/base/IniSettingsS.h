// The runtime settings record: what the main loop and every diagnostic writer read.
#pragma once

namespace BaseN {

struct IniSettingsS {
  bool mSynchronise = false;  ///< presentation waits for the display; the loop does not pace
  bool mDebugMode = false;    ///< debug console and diagnostics on
  float mFpsNum = 60.0f;      ///< target frames per second of the loop's pacing
};

/// The one record, created on first use. Start-up fills it right after the window exists.
IniSettingsS& GetIniSettings();

}  // namespace BaseN
