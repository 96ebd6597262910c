// Dialogs without a display: the box is written to standard error and answered by one
// line of standard input, so games run, and tests answer boxes, through a pipe.
#pragma once

#include "platform/dialog/Dialog.h"

namespace platform {

class TerminalDialog final : public Dialog {
 public:
  /// Writes "== TITLE ==", the text and "[OK]" or "[Yes/No]" to standard error, then
  /// reads one line. Yes/No: a line starting with 'y' or 'Y' is Yes. At the end of
  /// input nobody can answer, and the process ends with exit status 1.
  DialogAnswer Show(const DialogRequest& request) override;
};

}  // namespace platform
