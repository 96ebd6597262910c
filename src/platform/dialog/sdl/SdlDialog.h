// Message boxes through SDL, falling back to the terminal where no box can be shown.
#pragma once

#include "platform/dialog/Dialog.h"
#include "platform/dialog/terminal/TerminalDialog.h"
#include "platform/window/sdl/SdlWindow.h"

namespace platform {

class SdlDialog final : public Dialog {
 public:
  /// `owner` gives the game window for boxes owned by it; it may not exist yet.
  explicit SdlDialog(const SdlWindow& owner) : mOwner(owner) {}
  DialogAnswer Show(const DialogRequest& request) override;

 private:
  const SdlWindow& mOwner;
  TerminalDialog mTerminal;
};

}  // namespace platform
