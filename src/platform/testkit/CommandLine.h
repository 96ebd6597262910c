// hinoki's command line: the game folder and the options of the testing kit (a fixed
// time step, recording and replaying a session, capturing frames, a frame limit).
#pragma once

#include <string>
#include <vector>

#include "platform/testkit/FrameCapture.h"

namespace platform::testkit {

struct Options {
  bool help = false;
  bool version = false;
  std::string gameDir;  ///< empty: the current folder
  bool fixedStep = false;
  std::string recordPath;
  std::string replayPath;
  std::string captureDir;
  CaptureChoice capture;
  unsigned frames = 0;  ///< end after this frame; 0: no limit

  /// True when the game time is the fixed-step clock.
  bool Simulated() const { return fixedStep || !replayPath.empty() || !recordPath.empty(); }
  /// True when anything beyond the plain game is asked for.
  bool AnyTestingOption() const { return Simulated() || !captureDir.empty() || frames != 0; }
};

/// The --help text.
extern const char kUsage[];

/// Reads the arguments after the program name. False with a one-line reason in `error`
/// for an unknown option, a missing or bad value, an option given twice or options that
/// cannot go together.
bool ParseCommandLine(const std::vector<std::string>& args, Options& options,
                      std::string& error);

}  // namespace platform::testkit
