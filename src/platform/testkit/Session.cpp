// The testing session's set-up and its work around every frame.
#include "platform/testkit/Session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "platform/text/Text.h"

namespace platform::testkit {

namespace {

[[noreturn]] void EndForUnansweredBox(const DialogRequest& request, unsigned frame) {
  std::fprintf(stderr,
               "hinoki: the replay reached a box that the recording does not answer, in "
               "frame %u: \"%s\"\n%s\nThe game no longer plays as it did when recorded.\n",
               frame, text::Cp932ToUtf8(request.title).c_str(),
               text::Cp932ToUtf8(request.text).c_str());
  std::fflush(nullptr);
  _exit(3);
}

}  // namespace

Session::~Session() {
  if (mRecordFile) std::fclose(mRecordFile);
}

bool Session::Prepare(const Options& options, Clock& realClock, std::string& error) {
  mOptions = options;
  mRealClock = &realClock;
  if (!options.replayPath.empty()) {
    std::ifstream in(options.replayPath, std::ios::binary);
    if (!in) {
      error = "cannot read the recording '" + options.replayPath + "': " + std::strerror(errno);
      return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string why;
    if (!ParseRecording(text.str(), mReplay, why)) {
      error = "'" + options.replayPath + "' cannot be replayed: " + why;
      return false;
    }
    mClock = std::make_unique<VirtualClock>(mReplay.startMilliseconds,
                                            mReplay.startCalendarSeconds);
  } else if (!options.recordPath.empty()) {
    mRecordFile = std::fopen(options.recordPath.c_str(), "w");
    if (!mRecordFile) {
      error = "cannot write the recording '" + options.recordPath + "': " + std::strerror(errno);
      return false;
    }
    // A recorded session starts where a plain run would, at the real time.
    mClock = std::make_unique<VirtualClock>(realClock.Milliseconds(),
                                            static_cast<std::int64_t>(std::time(nullptr)));
  } else if (options.fixedStep) {
    mClock = std::make_unique<VirtualClock>(0, kFixedStepCalendarStart);
  }
  if (!options.captureDir.empty()) {
    if (mkdir(options.captureDir.c_str(), 0777) != 0 && errno != EEXIST) {
      error = "cannot create the capture folder '" + options.captureDir + "': " +
              std::strerror(errno);
      return false;
    }
    struct stat info {};
    if (stat(options.captureDir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      error = "the capture folder '" + options.captureDir + "' is not a folder";
      return false;
    }
    // The game runs in its own folder: keep the capture folder where it was meant.
    if (options.captureDir[0] != '/') {
      char cwd[4096];
      if (getcwd(cwd, sizeof cwd)) mOptions.captureDir = std::string(cwd) + "/" + options.captureDir;
    }
  }
  mRealLast = realClock.Milliseconds();
  return true;
}

Components Session::Wrap(const Components& real) {
  Components wrapped = real;
  if (mClock) {
    wrapped.clock = mClock.get();
    SimulatedTimeSource() = mClock.get();
  }
  if (mRecordFile) {
    mRecordingInput = std::make_unique<RecordingInput>(*real.input, mFrame);
    wrapped.input = mRecordingInput.get();
    mRecordingDialog = std::make_unique<RecordingDialog>(*real.dialog, [this](DialogAnswer answer) {
      const std::string line = FormatBox(mFrameNumber, answer);
      if (mHeaderWritten) Write(line);
      else mPending += line;
    });
    wrapped.dialog = mRecordingDialog.get();
  } else if (!mOptions.replayPath.empty()) {
    mReplayInput = std::make_unique<ReplayInput>(mFrame, mReplay.joystick);
    wrapped.input = mReplayInput.get();
    mReplayDialog = std::make_unique<ReplayDialog>(mReplay.boxes, [this](const DialogRequest& r) {
      if (mUnanswered) mUnanswered(r);
      EndForUnansweredBox(r, mFrameNumber);
    });
    wrapped.dialog = mReplayDialog.get();
  }
  if (!mOptions.captureDir.empty()) {
    mCapture = std::make_unique<CapturingGraphics>(*real.graphics);
    wrapped.graphics = mCapture.get();
  }
  return wrapped;
}

void Session::Write(const std::string& line) {
  std::fputs(line.c_str(), mRecordFile);
  std::fflush(mRecordFile);
}

void Session::WriteHeaderOnce() {
  if (!mRecordFile || mHeaderWritten) return;
  mHeaderWritten = true;
  Write(FormatHeader(mClock->StartMilliseconds(), mClock->StartCalendarSeconds(),
                     mRecordingInput && mRecordingInput->HasJoystick()) +
        mPending);
  mPending.clear();
}

void Session::BeforeFrame(unsigned frame) {
  mFrameNumber = frame;
  WriteHeaderOnce();
  if (!mOptions.replayPath.empty()) {
    if (frame <= mReplay.frames.size()) {
      mFrame = mReplay.frames[frame - 1];
    } else {
      // Past the recording nothing is pressed and the cursor stays put.
      const CursorPosition cursor = mFrame.cursor;
      mFrame = FrameInput{};
      mFrame.keyboardRead = mFrame.mouseRead = mFrame.joystickRead = true;
      mFrame.cursor = cursor;
    }
  } else if (mRecordFile) {
    mFrame = FrameInput{};
  }
}

bool Session::AfterFrame(unsigned frame, bool last, float fpsNum) {
  mFramesRun = frame;
  if (mCapture && mOptions.capture.Includes(frame)) {
    std::string error;
    if (!mCapture->Capture(CaptureFileName(mOptions.captureDir, frame), error)) {
      std::fprintf(stderr, "hinoki: frame %u was not captured: %s\n", frame, error.c_str());
    }
  }
  if (mRecordFile) {
    Write(FormatFrame(frame, mFrame, mRecordingInput && mRecordingInput->HasJoystick()));
  }
  if (mClock) {
    const std::uint32_t step = VirtualClock::FrameMilliseconds(fpsNum);
    mClock->Advance(step);
    const std::uint64_t due = mClock->Elapsed() * (kSimulatedSampleRate / 1000);
    if (mMixer) {
      while (mSamplesMixed < due) {
        const std::uint64_t chunk = std::min<std::uint64_t>(due - mSamplesMixed, 1 << 16);
        mMixer(static_cast<int>(chunk));
        mSamplesMixed += chunk;
      }
    }
    mSamplesMixed = due;
    if (mRecordFile && !mOptions.fixedStep) {
      // A player is at the keys: the frames keep the game's pace in real time too. A
      // late frame is not made up.
      const std::uint32_t spent = mRealClock->Milliseconds() - mRealLast;
      if (spent < step) mRealClock->Sleep(step - spent);
      mRealLast = mRealClock->Milliseconds();
    }
  }
  if (last) return false;
  if (mOptions.frames != 0 && frame >= mOptions.frames) return true;
  if (!mOptions.replayPath.empty() && frame + 1 >= mReplay.frames.size()) return true;
  return false;
}

void Session::AtEnd() {
  if (!mRecordFile) return;
  WriteHeaderOnce();
  Write(FormatEnd(mFramesRun));
  std::fclose(mRecordFile);
  mRecordFile = nullptr;
}

}  // namespace platform::testkit
