// Message boxes on standard error, answered from standard input.
// Input is read byte by byte so that nothing beyond the answer line is consumed: a script
// may read the rest of standard input itself.
#include "platform/dialog/terminal/TerminalDialog.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/console/Interrupt.h"
#include "platform/text/Text.h"

namespace platform {
namespace {

// Reads one line from file descriptor 0; false at end of input before any byte.
bool ReadAnswerLine(std::string& line) {
  line.clear();
  for (;;) {
    char c;
    const ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return !line.empty();
    if (c == '\n') return true;
    line.push_back(c);
  }
}

}  // namespace

DialogAnswer TerminalDialog::Show(const DialogRequest& request) {
  const interrupt::BoxScope open;
  const bool yesNo = request.buttons == DialogButtons::kYesNo;
  std::fflush(stdout);
  std::fprintf(stderr, "== %s ==\n%s\n%s\n", text::Cp932ToUtf8(request.title).c_str(),
               text::Cp932ToUtf8(request.text).c_str(), yesNo ? "[Yes/No]" : "[OK]");
  std::fflush(stderr);
  std::string line;
  if (!ReadAnswerLine(line)) interrupt::EndNow(nullptr, 1);
  if (!yesNo) return DialogAnswer::kOk;
  return (!line.empty() && (line[0] == 'y' || line[0] == 'Y')) ? DialogAnswer::kYes
                                                             : DialogAnswer::kNo;
}

}  // namespace platform
