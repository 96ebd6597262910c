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

#include "e2e/GameRunner.h"

namespace e2e {

TerminalRun RunOnTerminal(const std::string& workDir, int timeoutSeconds) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);

  ChildCommand command({}, {"SDL_VIDEODRIVER=offscreen", "TERM=xterm"});

  winsize size{};
  size.ws_row = 24;
  size.ws_col = 80;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
  if (pid < 0) throw std::runtime_error("forkpty failed");
  if (pid == 0) {
    if (chdir(workDir.c_str()) != 0) _exit(126);
    execve(command.Argv()[0], command.Argv(), command.Envp());
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
