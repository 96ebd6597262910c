#include "e2e/PtyRunner.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace e2e {

TerminalRun RunOnTerminal(const std::string& workDir, int timeoutSeconds) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);

  // Everything the child needs is built before fork: only exec-safe calls after it.
  std::vector<std::string> argStore{HINOKI_EXECUTABLE};
  std::vector<std::string> envStore{"SDL_VIDEODRIVER=offscreen", "TERM=xterm"};
  for (const char* name : {"PATH", "HOME"}) {
    if (const char* value = std::getenv(name)) envStore.push_back(std::string(name) + "=" + value);
  }
  std::vector<char*> argv, envp;
  for (std::string& s : argStore) argv.push_back(s.data());
  for (std::string& s : envStore) envp.push_back(s.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);

  winsize size{};
  size.ws_row = 24;
  size.ws_col = 80;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
  if (pid < 0) throw std::runtime_error("forkpty failed");
  if (pid == 0) {
    if (chdir(workDir.c_str()) != 0) _exit(126);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }

  TerminalRun run;
  char buffer[4096];
  for (;;) {
    if (Clock::now() >= deadline) {
      run.timedOut = true;
      kill(pid, SIGKILL);
      break;
    }
    pollfd fd{master, POLLIN, 0};
    const int ready = poll(&fd, 1, 50);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n > 0) {
      run.screen.append(buffer, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO: every holder of the terminal's other side has closed it
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace e2e
