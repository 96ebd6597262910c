// Message boxes through SDL_ShowMessageBox with UTF-8 text.
// The offscreen and dummy video drivers cannot show anything, and a box that fails to
// appear must not leave the game waiting: both go to the terminal dialog instead. A box's
// text cannot be selected on screen, so error boxes are written to standard error too,
// where the user can copy them.
#include "platform/dialog/sdl/SdlDialog.h"

#include <SDL.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/console/Interrupt.h"
#include "platform/text/Text.h"

namespace platform {
namespace {

bool CanShowBoxes() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver) driver = SDL_getenv("SDL_VIDEODRIVER");
  return !(driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0));
}

// The box's font has no glyph for a tab (tracebacks indent with them): two spaces.
std::string TabsAsSpaces(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\t') {
      out += "  ";
    } else if (c != '\r') {  // the box breaks lines at '\n'; a CR would show as a glyph
      out += c;
    }
  }
  return out;
}

}  // namespace

DialogAnswer SdlDialog::Show(const DialogRequest& request) {
  if (!CanShowBoxes()) return mTerminal.Show(request);
  const interrupt::BoxScope open;

  const std::string title = text::Cp932ToUtf8(request.title);
  const std::string utf8 = text::Cp932ToUtf8(request.text);
  const std::string message = TabsAsSpaces(utf8);
  const bool yesNo = request.buttons == DialogButtons::kYesNo;
  const SDL_MessageBoxButtonData okButtons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "OK"}};
  const Uint32 yesFlags = request.defaultIsNo ? 0 : SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
  const Uint32 noFlags = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT |
                         (request.defaultIsNo ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0);
  const SDL_MessageBoxButtonData yesNoButtons[] = {{yesFlags, 1, "Yes"}, {noFlags, 2, "No"}};

  Uint32 flags = 0;
  if (request.icon == DialogIcon::kError) flags = SDL_MESSAGEBOX_ERROR;
  if (request.icon == DialogIcon::kQuestion) flags = SDL_MESSAGEBOX_INFORMATION;
  const SDL_MessageBoxData data = {
      flags,
      request.ownedByMainWindow ? mOwner.Native() : nullptr,
      title.c_str(),
      message.c_str(),
      yesNo ? 2 : 1,
      yesNo ? yesNoButtons : okButtons,
      nullptr};
  if (!yesNo) {
    std::fflush(stdout);
    std::fprintf(stderr, "== %s ==\n%s\n", title.c_str(), utf8.c_str());
    std::fflush(stderr);
  }
  int pressed = -1;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) {
    // A signal that killed the box's process is ending the program; do not ask again.
    while (interrupt::Ending()) pause();
    return mTerminal.Show(request);
  }
  if (!yesNo) return DialogAnswer::kOk;
  return pressed == 1 ? DialogAnswer::kYes : DialogAnswer::kNo;
}

}  // namespace platform
