// Out-of-memory handlers and the fatal error box.
#include "base/MemoryFailure.h"

#include <cstdio>
#include <cstdlib>

#include "base/FixedTexts.h"
#include "platform/Platform.h"
#include "platform/dialog/Dialog.h"
#include "platform/text/Text.h"

namespace BaseN {

void ShowFatalErrorBox(const char* text, bool owned) {
  platform::Dialog* dialog = platform::Installed().dialog;
  if (!dialog) {
    std::fprintf(stderr, "ERROR: %s\n", platform::text::Cp932ToUtf8(text).c_str());
    return;
  }
  platform::DialogRequest request;
  request.title = FixedText::kErrorTitle;
  request.text = text;
  request.icon = platform::DialogIcon::kError;
  request.ownedByMainWindow = owned;
  dialog->Show(request);
}

void MemoryFailureHandler() {
  ShowFatalErrorBox(FixedText::kMemoryFailure, false);
  std::exit(-1);
}

void SoundMemoryFailureHandler() {
  ShowFatalErrorBox(FixedText::kSoundMemoryFailure, false);
  std::exit(-1);
}

}  // namespace BaseN
