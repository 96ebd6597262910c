// The recording and replaying boxes.
#include "platform/testkit/SessionDialog.h"

#include <cstdio>

#include "platform/text/Text.h"

namespace platform::testkit {

DialogAnswer RecordingDialog::Show(const DialogRequest& request) {
  const DialogAnswer answer = mReal.Show(request);
  mAnswered(answer);
  return answer;
}

DialogAnswer ReplayDialog::Show(const DialogRequest& request) {
  if (mNext >= mAnswers.size()) {
    mUnanswered(request);
    return request.buttons == DialogButtons::kYesNo ? DialogAnswer::kNo : DialogAnswer::kOk;
  }
  // Written as a shown box is, so the replay's log reads like the recorded run's.
  const DialogAnswer answer = mAnswers[mNext++].answer;
  std::fprintf(stderr, "== %s ==\n%s\n[%s, from the recording]\n",
               text::Cp932ToUtf8(request.title).c_str(), text::Cp932ToUtf8(request.text).c_str(),
               answer == DialogAnswer::kYes ? "Yes" : answer == DialogAnswer::kNo ? "No" : "OK");
  std::fflush(stderr);
  return answer;
}

}  // namespace platform::testkit
