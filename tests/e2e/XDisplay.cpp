// Shell commands and window lookups on the test run's X display.
#include "e2e/XDisplay.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace e2e {

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  return out;
}

std::string WaitForWindow(const std::string& title) {
  for (int i = 0; i < 100; ++i) {
    const std::string tree = Shell("xwininfo -root -children 2>/dev/null");
    const auto at = tree.find("\"" + title + "\"");
    if (at != std::string::npos) {
      const auto begin = tree.rfind('\n', at) + 1;
      const auto end = tree.find('\n', at);
      return tree.substr(tree.find_first_not_of(' ', begin),
                         end - tree.find_first_not_of(' ', begin));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "";
}

std::string WaitForShownWindow(const std::string& title) {
  const std::string line = WaitForWindow(title);
  const std::string id = line.substr(0, line.find(' '));
  for (int i = 0; i < 100 && !id.empty(); ++i) {
    if (Shell("xwininfo -id " + id).find("IsViewable") != std::string::npos) return id;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "";
}

int InfoField(const std::string& info, const std::string& label) {
  const auto at = info.find(label);
  return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + label.size());
}

bool HaveXTools() {
  return std::getenv("DISPLAY") && !Shell("command -v xwininfo xdotool").empty();
}

}  // namespace e2e
