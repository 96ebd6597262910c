// The signal watcher and the abrupt end.
#include "platform/console/Interrupt.h"

#include <dirent.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/console/StandardOutput.h"

namespace platform::interrupt {
namespace {

std::atomic<bool> gQuitRequested{false};
std::atomic<int> gBoxesOpen{0};
std::atomic<bool> gEnding{false};
std::atomic<int> gSignalsSeen{0};
pid_t gMainPid = 0;
sigset_t gWatched;

const char* SignalName(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
  }
}

// A forked message box, or a program a script started, must not outlive the game.
void KillChildren() {
  DIR* proc = opendir("/proc");
  if (!proc) return;
  const pid_t self = getpid();
  while (dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    const std::string path = std::string("/proc/") + entry->d_name + "/stat";
    FILE* file = std::fopen(path.c_str(), "r");
    if (!file) continue;
    char buffer[512];
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    buffer[n] = '\0';
    // "pid (command) state ppid ...": the command may hold spaces and parentheses.
    const char* close = std::strrchr(buffer, ')');
    if (!close) continue;
    char state = 0;
    long parent = 0;
    if (std::sscanf(close + 1, " %c %ld", &state, &parent) == 2 && parent == self) {
      kill(static_cast<pid_t>(pid), SIGKILL);
      waitpid(static_cast<pid_t>(pid), nullptr, 0);  // leave no zombie either
    }
  }
  closedir(proc);
}

// Children the game forks (the process that draws a message box) get the signals back,
// since blocking them is the game's arrangement, and end with the game however it ends,
// even when it is killed outright.
void PrepareChild() {
  pthread_sigmask(SIG_UNBLOCK, &gWatched, nullptr);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
}

void Watch() {
  for (;;) {
    int signal = 0;
    if (sigwait(&gWatched, &signal) != 0) continue;
    const bool again = gSignalsSeen.fetch_add(1) > 0;
    if (gBoxesOpen.load() > 0) {
      EndNow((std::string("hinoki: ended by ") + SignalName(signal) +
              " while a message box was open")
                 .c_str(),
             1);
    }
    if (again) {
      EndNow((std::string("hinoki: ended by a second ") + SignalName(signal)).c_str(), 1);
    }
    gQuitRequested = true;
  }
}

}  // namespace

void StartWatcher() {
  gMainPid = getpid();
  sigemptyset(&gWatched);
  sigaddset(&gWatched, SIGINT);
  sigaddset(&gWatched, SIGTERM);
  sigaddset(&gWatched, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &gWatched, nullptr);
  pthread_atfork(nullptr, nullptr, PrepareChild);
  std::thread(Watch).detach();
}

bool TakeQuitRequest() { return gQuitRequested.exchange(false); }

BoxScope::BoxScope() { ++gBoxesOpen; }
BoxScope::~BoxScope() { --gBoxesOpen; }

bool Ending() { return gEnding.load(); }

void EndNow(const char* line, int status) {
  // Only the game's own process ends this way; a forked box process just goes.
  if (gMainPid != 0 && getpid() != gMainPid) _exit(status);
  if (gEnding.exchange(true)) {
    for (;;) pause();  // another thread is already ending the process
  }
  console::RestoreTerminal();
  KillChildren();
  if (line) {
    std::fprintf(stderr, "%s\n", line);
    std::fflush(stderr);
  }
  _exit(status);
}

}  // namespace platform::interrupt
