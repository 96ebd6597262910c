// A testing session: given the command line's options, it sets up the fixed-step clock,
// the recording or the replay, and the capture, wraps the platform components with them,
// and does their work before and after every frame. The engine knows none of this: the
// executable installs the wrapped components and calls the frame steps.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/testkit/CommandLine.h"
#include "platform/testkit/FrameCapture.h"
#include "platform/testkit/Recording.h"
#include "platform/testkit/SessionDialog.h"
#include "platform/testkit/SessionInput.h"
#include "platform/testkit/VirtualClock.h"

namespace platform::testkit {

/// Where a fixed-step run that replays nothing starts: counter 0, 2000-01-01 00:00 UTC.
inline constexpr std::int64_t kFixedStepCalendarStart = 946684800;
/// The sample rate of the sound mixed at the game's pace: whole samples per millisecond.
inline constexpr int kSimulatedSampleRate = 48000;

class Session {
 public:
  Session() = default;
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  /// Reads the recording to replay, creates the recording file and the capture folder
  /// (paths relative to the current folder, before the game's folder is entered). False
  /// with a one-line reason when one of them fails: nothing has started yet.
  bool Prepare(const Options& options, Clock& realClock, std::string& error);

  /// The components the engine gets: `real`'s, with the session's clock, input, boxes and
  /// capture in place where the options ask for them.
  Components Wrap(const Components& real);

  /// Mixes `sampleFrames` frames of sound at kSimulatedSampleRate (the loopback output of a
  /// simulated run); set by the executable.
  void SetSoundMixer(std::function<void(int sampleFrames)> mixer) { mMixer = std::move(mixer); }
  /// Runs for a box the replay has no answer for; by default prints why and exits with 3.
  void SetUnansweredBox(std::function<void(const DialogRequest&)> handler) {
    mUnanswered = std::move(handler);
  }

  /// Before frame `frame` reads its input.
  void BeforeFrame(unsigned frame);
  /// After frame `frame` (`last`: the game's final one) at `fpsNum`: captures, moves the
  /// clock, mixes the sound, records. True when the session wants the game to end.
  bool AfterFrame(unsigned frame, bool last, float fpsNum);
  /// After the game's end: completes the recording.
  void AtEnd();

  bool Simulated() const { return mClock != nullptr; }
  VirtualClock* SimulatedClock() { return mClock.get(); }

 private:
  void Write(const std::string& line);
  void WriteHeaderOnce();

  Options mOptions;
  Clock* mRealClock = nullptr;
  std::unique_ptr<VirtualClock> mClock;
  std::FILE* mRecordFile = nullptr;
  bool mHeaderWritten = false;
  std::string mPending;  // box lines answered before the header could be written
  Recording mReplay;
  FrameInput mFrame;
  unsigned mFrameNumber = 0;
  unsigned mFramesRun = 0;
  std::unique_ptr<RecordingInput> mRecordingInput;
  std::unique_ptr<ReplayInput> mReplayInput;
  std::unique_ptr<RecordingDialog> mRecordingDialog;
  std::unique_ptr<ReplayDialog> mReplayDialog;
  std::unique_ptr<CapturingGraphics> mCapture;
  std::function<void(int)> mMixer;
  std::function<void(const DialogRequest&)> mUnanswered;
  std::uint64_t mSamplesMixed = 0;
  std::uint32_t mRealLast = 0;
};

}  // namespace platform::testkit
