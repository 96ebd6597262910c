// Message boxes in a recorded session: the recorder shows the real box and reports the
// answer; the replayer shows nothing and gives the recorded answers in order.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "platform/dialog/Dialog.h"
#include "platform/testkit/Recording.h"

namespace platform::testkit {

class RecordingDialog final : public Dialog {
 public:
  RecordingDialog(Dialog& real, std::function<void(DialogAnswer)> answered)
      : mReal(real), mAnswered(std::move(answered)) {}
  DialogAnswer Show(const DialogRequest& request) override;

 private:
  Dialog& mReal;
  std::function<void(DialogAnswer)> mAnswered;
};

class ReplayDialog final : public Dialog {
 public:
  /// `unanswered` runs for a box beyond the recorded answers and must not return.
  ReplayDialog(std::vector<BoxAnswer> answers,
               std::function<void(const DialogRequest&)> unanswered)
      : mAnswers(std::move(answers)), mUnanswered(std::move(unanswered)) {}
  DialogAnswer Show(const DialogRequest& request) override;

 private:
  std::vector<BoxAnswer> mAnswers;
  std::size_t mNext = 0;
  std::function<void(const DialogRequest&)> mUnanswered;
};

}  // namespace platform::testkit
