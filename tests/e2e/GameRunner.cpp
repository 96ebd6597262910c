#include "e2e/GameRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace e2e {
namespace {

long long NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

GameFolder::GameFolder(const std::map<std::string, std::string>& files) {
  std::string pattern = (std::filesystem::temp_directory_path() / "hinoki-e2e-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  mPath = pattern;
  for (const auto& [name, content] : files) Write(name, content);
}

GameFolder::~GameFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(mPath, ignored);
}

void GameFolder::Write(const std::string& name, const std::string& content) const {
  const std::filesystem::path path = std::filesystem::path(mPath) / name;
  std::filesystem::create_directories(path.parent_path());
  // Written beside and renamed, so the game never reads a half-written script.
  const std::filesystem::path temporary = path.string() + ".part";
  std::ofstream(temporary, std::ios::binary) << content;
  std::filesystem::rename(temporary, path);
}

ChildCommand::ChildCommand(const std::vector<std::string>& args, std::vector<std::string> variables,
                           const std::vector<std::string>& inherited)
    : mArgStore{HINOKI_EXECUTABLE}, mEnvStore(std::move(variables)) {
  mArgStore.insert(mArgStore.end(), args.begin(), args.end());
  // The sanitizers' settings of the test run hold for the game too.
  std::vector<std::string> names{"PATH", "HOME", "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"};
  names.insert(names.end(), inherited.begin(), inherited.end());
  for (const std::string& name : names) {
    if (const char* value = std::getenv(name.c_str())) mEnvStore.push_back(name + "=" + value);
  }
  for (std::string& s : mArgStore) mArgv.push_back(s.data());
  for (std::string& s : mEnvStore) mEnvp.push_back(s.data());
  mArgv.push_back(nullptr);
  mEnvp.push_back(nullptr);
}

GameProcess::GameProcess(const std::string& workDir, const std::vector<std::string>& args,
                         int timeoutSeconds, bool onDisplay,
                         const std::vector<std::string>& environment)
    : mDeadlineMs(NowMs() + timeoutSeconds * 1000LL) {
  // A game that ends before reading its input must not take the test run down with it.
  signal(SIGPIPE, SIG_IGN);

  std::vector<std::string> variables = environment;
  if (!onDisplay) variables.push_back("SDL_VIDEODRIVER=offscreen");
  ChildCommand command(
      args, variables,
      onDisplay ? std::vector<std::string>{"DISPLAY"} : std::vector<std::string>{});

  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) {
    throw std::runtime_error("pipe failed");
  }
  mPid = fork();
  if (mPid < 0) throw std::runtime_error("fork failed");
  if (mPid == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    if (chdir(workDir.c_str()) != 0) _exit(126);
    execve(command.Argv()[0], command.Argv(), command.Envp());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  mIn = in[1];
  mOut = out[0];
  mErr = err[0];
  fcntl(mIn, F_SETFL, O_NONBLOCK);
}

GameProcess::~GameProcess() {
  if (mPid > 0) {
    kill(mPid, SIGKILL);
    waitpid(mPid, nullptr, 0);
  }
  CloseFd(mIn);
  CloseFd(mOut);
  CloseFd(mErr);
}

void GameProcess::SendInput(const std::string& text) {
  mPending += text;
  Pump(0);
}

void GameProcess::CloseInput() {
  mCloseWhenSent = true;
  Pump(0);
}

bool GameProcess::Pump(int waitMs) {
  if (mIn >= 0 && mPending.empty() && mCloseWhenSent) CloseFd(mIn);
  pollfd fds[3] = {{mOut, POLLIN, 0}, {mErr, POLLIN, 0}, {mPending.empty() ? -1 : mIn, POLLOUT, 0}};
  if (mOut < 0 && mErr < 0) return false;
  if (poll(fds, 3, waitMs) < 0) return errno == EINTR;
  char buffer[4096];
  for (int i = 0; i < 2; ++i) {
    if (!fds[i].revents) continue;
    int& fd = i == 0 ? mOut : mErr;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0)
      (i == 0 ? mResult.out : mResult.err).append(buffer, n);
    else if (n == 0 || errno != EINTR)
      CloseFd(fd);
  }
  if (fds[2].revents) {
    const ssize_t n = write(mIn, mPending.data(), mPending.size());
    if (n > 0)
      mPending.erase(0, n);
    else if (errno != EAGAIN && errno != EINTR) {
      mPending.clear();
      CloseFd(mIn);
    }
  }
  if (mIn >= 0 && mPending.empty() && mCloseWhenSent) CloseFd(mIn);
  return mOut >= 0 || mErr >= 0;
}

bool GameProcess::WaitForError(const std::string& text) {
  while (mResult.err.find(text) == std::string::npos) {
    if (NowMs() >= mDeadlineMs || !Pump(50)) return false;
  }
  return true;
}

RunResult GameProcess::Finish() {
  CloseInput();
  while (Pump(50)) {
    if (NowMs() >= mDeadlineMs) {
      mResult.timedOut = true;
      kill(mPid, SIGKILL);
      break;
    }
  }
  int status = 0;
  waitpid(mPid, &status, 0);
  mPid = -1;
  mResult.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return mResult;
}

void GameProcess::Signal(int signal) {
  if (mPid > 0) kill(mPid, signal);
}

RunResult RunHinoki(const std::string& workDir, const std::string& input,
                    const std::vector<std::string>& args) {
  GameProcess process(workDir, args);
  process.SendInput(input);
  return process.Finish();
}

std::string ShippedSystemFile(const std::string& name) {
  std::ifstream file(std::string(HINOKI_SOURCE_DIR) + "/system/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string QuickGameSettings() {
  return R"(
function ini_window_mode() return true end
function ini_debug_mode() return true end
function ini_fps_num() return 240 end
function ini_window_width() return 64 end
function ini_window_height() return 48 end
function ini_back_width() return 64 end
function ini_back_height() return 48 end
function ini_load_path() return "main.lua" end
return true
)";
}

std::string SquareWaveFile(int frames, int halfPeriod, int amplitude) {
  std::string out;
  auto put = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
  };
  out += "RIFF";
  put(36 + frames * 2, 4);
  out += "WAVEfmt ";
  put(16, 4);
  put(1, 2);  // PCM
  put(1, 2);  // mono
  put(22050, 4);
  put(44100, 4);
  put(2, 2);
  put(16, 2);
  out += "data";
  put(frames * 2, 4);
  for (int i = 0; i < frames; ++i) {
    put(static_cast<std::uint16_t>((i / halfPeriod) % 2 ? amplitude : -amplitude), 2);
  }
  return out;
}

}  // namespace e2e
