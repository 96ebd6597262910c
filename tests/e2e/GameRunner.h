// Runs the real hinoki executable on a throw-away game folder, the way a player would:
// no display (boxes go to the terminal), answers typed on standard input.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace e2e {

/// A temporary folder filled with the given files (relative names, '/' separated);
/// removed with everything in it when destroyed.
class GameFolder {
 public:
  explicit GameFolder(const std::map<std::string, std::string>& files);
  ~GameFolder();
  GameFolder(const GameFolder&) = delete;
  GameFolder& operator=(const GameFolder&) = delete;

  const std::string& Path() const { return mPath; }
  /// Creates or replaces a file, at any time (also while the game runs).
  void Write(const std::string& name, const std::string& content) const;

 private:
  std::string mPath;
};

struct RunResult {
  int exitStatus = -1;  // -1 when killed by a signal
  bool timedOut = false;
  std::string out;
  std::string err;
};

/// One running hinoki. Output is collected while waiting; input can be fed in pieces.
class GameProcess {
 public:
  /// Starts hinoki with `args`, in the folder `workDir`; headless unless `onDisplay`, which
  /// runs it on the X display of the test run with real windows and boxes.
  /// `environment` adds NAME=VALUE entries to the child's environment.
  GameProcess(const std::string& workDir, const std::vector<std::string>& args,
              int timeoutSeconds = 20, bool onDisplay = false,
              const std::vector<std::string>& environment = {});
  ~GameProcess();
  GameProcess(const GameProcess&) = delete;
  GameProcess& operator=(const GameProcess&) = delete;

  void SendInput(const std::string& text);
  void CloseInput();
  /// Waits until standard error contains `text`; false on timeout or if the process ends first.
  bool WaitForError(const std::string& text);
  /// Closes the input, waits for the end (killing it on timeout) and returns everything.
  RunResult Finish();
  /// Sends a signal to the game, as a terminal's Ctrl-C or a service manager would.
  void Signal(int signal);
  pid_t Pid() const { return mPid; }

 private:
  // Moves pending input and available output; returns false once both outputs are closed.
  bool Pump(int waitMs);

  pid_t mPid = -1;
  int mIn = -1, mOut = -1, mErr = -1;
  std::string mPending;
  bool mCloseWhenSent = false;
  long long mDeadlineMs = 0;
  RunResult mResult;
};

/// The command line and environment of a hinoki child process, built before fork so that
/// only exec-safe calls remain after it. The environment holds `variables` and, from this
/// process, PATH, HOME and the names in `inherited`.
class ChildCommand {
 public:
  ChildCommand(const std::vector<std::string>& args, std::vector<std::string> variables,
               const std::vector<std::string>& inherited = {});
  char* const* Argv() { return mArgv.data(); }
  char* const* Envp() { return mEnvp.data(); }

 private:
  std::vector<std::string> mArgStore, mEnvStore;
  std::vector<char*> mArgv, mEnvp;
};

/// Runs hinoki to its end with the whole of `input` on standard input.
RunResult RunHinoki(const std::string& workDir, const std::string& input = "",
                    const std::vector<std::string>& args = {});

/// The bytes of a shipped file of system/ (such as notex.lat, every sprite's first texture).
std::string ShippedSystemFile(const std::string& name);

/// Settings of a small windowed game in debug mode (so print reaches standard output) at
/// 240 frames per second, loading main.lua.
std::string QuickGameSettings();

/// The bytes of a 16-bit mono PCM WAVE file at 22050 Hz: `frames` samples of a square
/// wave of +-`amplitude` that turns over every `halfPeriod` samples.
std::string SquareWaveFile(int frames, int halfPeriod, int amplitude);

}  // namespace e2e
