// Modal message boxes: script error boxes, fatal errors and the full-screen question.
#pragma once

#include <string>

namespace platform {

enum class DialogButtons { kOk, kYesNo };
enum class DialogIcon { kNone, kError, kQuestion };
enum class DialogAnswer { kOk, kYes, kNo };

struct DialogRequest {
  std::string title;  ///< CP932 bytes
  std::string text;   ///< CP932 bytes
  DialogButtons buttons = DialogButtons::kOk;
  DialogIcon icon = DialogIcon::kNone;
  bool defaultIsNo = false;      ///< Yes/No boxes: No is the default button
  bool ownedByMainWindow = false;  ///< owned by the game window when it exists
};

class Dialog {
 public:
  virtual ~Dialog() = default;
  /// Shows the box and returns when the user has answered it.
  virtual DialogAnswer Show(const DialogRequest& request) = 0;
};

}  // namespace platform
