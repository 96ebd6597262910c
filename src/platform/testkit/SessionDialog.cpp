// The recording and replaying boxes.
#include "platform/testkit/SessionDialog.h"

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
  return mAnswers[mNext++].answer;
}

}  // namespace platform::testkit
