// Runs the real hinoki executable on a pseudo-terminal, so that it sees a terminal on all
// three standard streams, and collects the raw bytes the terminal received.
#pragma once

#include <string>

namespace e2e {

struct TerminalRun {
  int exitStatus = -1;  // -1 when killed by a signal
  bool timedOut = false;
  std::string screen;  // everything written to the terminal, escape sequences included
};

/// Runs hinoki headless in `workDir` on a new pseudo-terminal until it ends (killed after
/// `timeoutSeconds`).
TerminalRun RunOnTerminal(const std::string& workDir, int timeoutSeconds = 20);

}  // namespace e2e
