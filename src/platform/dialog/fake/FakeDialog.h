// A dialog for tests: records every box and answers it through a test's callback, which
// may also change files on disk, as a user fixing a script while the box is open would.
#pragma once

#include <functional>
#include <vector>

#include "platform/dialog/Dialog.h"

namespace platform {

class FakeDialog final : public Dialog {
 public:
  using Responder = std::function<DialogAnswer(const DialogRequest&, int boxNumber)>;

  DialogAnswer Show(const DialogRequest& request) override {
    mShown.push_back(request);
    if (mResponder) return mResponder(request, static_cast<int>(mShown.size()));
    return request.buttons == DialogButtons::kYesNo ? DialogAnswer::kNo : DialogAnswer::kOk;
  }
  void SetResponder(Responder responder) { mResponder = std::move(responder); }
  const std::vector<DialogRequest>& Shown() const { return mShown; }
  void Clear() { mShown.clear(); }

 private:
  Responder mResponder;
  std::vector<DialogRequest> mShown;
};

}  // namespace platform
