// Standard output in UTF-8 and the terminal's two screens. One lock orders the main
// thread's output and the console thread's page switches on the one stream.
#include "platform/console/StandardOutput.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/text/Text.h"

namespace platform::console {
namespace {

std::mutex gLock;
bool gDebugPageShown = false;  // the alternate screen is up
std::string gKept;             // standard output written while it was
std::string gTitle;            // the console title last set
bool gRestored = false;        // the program is ending abruptly: draw no more pages

void Put(const std::string& utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stdout); }

std::string Title(std::string_view titleCp932) {
  return "\x1b]0;" + text::Cp932ToUtf8(titleCp932) + "\x07";
}

class Terminal final : public Pages {
 public:
  void ShowDebugPage(std::string_view pageCp932, std::string_view titleCp932) override {
    const std::lock_guard<std::mutex> hold(gLock);
    if (gRestored) return;
    std::string screen;
    if (!gDebugPageShown) screen += "\x1b[?1049h";  // alternate screen, saved normal one
    // Home, clear, the page, then the title: one write, so the page never flickers.
    screen += "\x1b[?25l\x1b[H\x1b[2J";
    screen += text::Cp932ToUtf8(pageCp932);
    screen += Title(titleCp932);
    gTitle = std::string(titleCp932);
    std::fflush(stdout);
    Put(screen);
    std::fflush(stdout);
    gDebugPageShown = true;
  }

  void ShowStandardPage(std::string_view titleCp932) override {
    const std::lock_guard<std::mutex> hold(gLock);
    // Redraws of a page that is not shown happen every flush: nothing to send then.
    if (!gDebugPageShown && gTitle == titleCp932) return;
    gTitle = std::string(titleCp932);
    std::string screen;
    if (gDebugPageShown) screen += "\x1b[?25h\x1b[?1049l";
    screen += Title(titleCp932);
    screen += gKept;
    gKept.clear();
    gDebugPageShown = false;
    Put(screen);
    std::fflush(stdout);
  }
};

// Standard output is a file or a pipe: a debug page becomes a block of lines between
// markers, and nothing is held back.
class PlainText final : public Pages {
 public:
  void ShowDebugPage(std::string_view pageCp932, std::string_view titleCp932) override {
    const std::lock_guard<std::mutex> hold(gLock);
    Put("--- " + text::Cp932ToUtf8(titleCp932) + " ---\n" + text::Cp932ToUtf8(pageCp932) +
        "---\n");
    std::fflush(stdout);
  }
  void ShowStandardPage(std::string_view) override {}
};

}  // namespace

void Write(std::string_view cp932) {
  const std::string utf8 = text::Cp932ToUtf8(cp932);
  const std::lock_guard<std::mutex> hold(gLock);
  if (gDebugPageShown) {
    gKept += utf8;
  } else {
    Put(utf8);
  }
}

void Flush() {
  const std::lock_guard<std::mutex> hold(gLock);
  std::fflush(stdout);
}

void RestoreTerminal() {
  const std::lock_guard<std::mutex> hold(gLock);
  gRestored = true;
  if (gDebugPageShown) {
    Put("\x1b[?25h\x1b[?1049l" + gKept);
    gKept.clear();
    gDebugPageShown = false;
  }
  std::fflush(stdout);
}

Pages& TerminalPages() {
  static Terminal terminal;
  static PlainText plain;
  static const bool isTerminal = isatty(STDOUT_FILENO) == 1;
  if (isTerminal) return terminal;
  return plain;
}

}  // namespace platform::console
