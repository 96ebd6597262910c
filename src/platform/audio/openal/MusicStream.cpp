// The streaming music player and its feeder. Locking: the feeder holds the list lock for
// a pass and each stream's own lock while it feeds that stream; the main thread takes
// only a stream's lock for its calls, and the list lock to add or remove a stream.
//
// Positions are counted in frames of the file: the frame at the head of the queue plus
// the source's offset into the queue. A source that has stopped reads offset 0, so a
// stopped source means that everything queued has sounded.
#include "platform/audio/openal/MusicStream.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>

#include "platform/audio/openal/Device.h"
#include "platform/audio/openal/OpenAlAudio.h"
#include "platform/music/MusicDecoder.h"

namespace platform::openal {
namespace {

// Six buffers of 4096 frames: over half a second queued at 44100 Hz, so the feeder can
// be late by hundreds of milliseconds before a player runs dry, while a seek throws
// away little decoding work.
constexpr int kBufferCount = 6;
constexpr int kBufferFrames = 4096;

}  // namespace

class MusicStream final : public MusicPlayer {
 public:
  MusicStream(std::shared_ptr<Device> device, std::shared_ptr<MusicFeeder> feeder,
              std::unique_ptr<MusicDecoder> decoder)
      : mDevice(std::move(device)), mFeeder(std::move(feeder)), mDecoder(std::move(decoder)) {
    if (mDecoder) {
      mRate = mDecoder->SampleRate();
      mChannels = mDecoder->Channels();
      mLength = mDecoder->Length();
      mStopFrame = mLength;
    }
  }

  ~MusicStream() override {
    if (!mHasSources) return;
    mFeeder->Remove(this);
    alSourceStopv(2, mSources);
    alDeleteSources(2, mSources);
    alDeleteBuffers(2 * kBufferCount, &mBuffers[0][0]);
  }

  MusicStream(const MusicStream&) = delete;
  MusicStream& operator=(const MusicStream&) = delete;

  /// Makes the sources and buffers; false when the device has none left. A stream that
  /// cannot decode its file needs none.
  bool MakeSources() {
    if (!mDecoder) return true;
    alGetError();
    alGenSources(2, mSources);
    if (alGetError() != AL_NO_ERROR) return false;
    alGenBuffers(2 * kBufferCount, &mBuffers[0][0]);
    if (alGetError() != AL_NO_ERROR) {
      alDeleteSources(2, mSources);
      return false;
    }
    mHasSources = true;
    for (int i = 0; i < 2; ++i) {
      // Fixed left and right of the listener, as the 2-D sound effects are.
      alSourcei(mSources[i], AL_SOURCE_RELATIVE, AL_TRUE);
      alSource3f(mSources[i], AL_POSITION, i == 0 ? -1.0f : 1.0f, 0.0f, 0.0f);
      alSourcef(mSources[i], AL_ROLLOFF_FACTOR, 0.0f);
    }
    for (int slot = 0; slot < kBufferCount; ++slot) mFree.push_back(slot);
    mInterleaved.resize(static_cast<size_t>(kBufferFrames) * mChannels);
    mLeft.resize(kBufferFrames);
    mRight.resize(kBufferFrames);
    mFeeder->Add(this);
    return true;
  }

  bool IsDecodable() const override { return mDecoder != nullptr; }

  // MediaControl
  void Run() override {
    if (!mHasSources) return;
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mState = State::kRunning;
      const ALint state = SourceState();
      if (!mQueue.empty() && (state == AL_PAUSED || state == AL_INITIAL)) {
        alSourcePlayv(2, mSources);
      }
    }
    mFeeder->Wake();
  }

  void Pause() override { Hold(State::kPaused); }
  void Stop() override { Hold(State::kStopped); }

  // MediaSeeking
  MediaTime GetDuration() override { return mDecoder ? MediaTimeOfFrames(mLength, mRate) : 0; }

  MediaTime GetCurrentPosition() override {
    if (!mHasSources) return 0;
    std::lock_guard<std::mutex> lock(mMutex);
    return MediaTimeOfFrames(PositionLocked(), mRate);
  }

  void SetCurrentPosition(MediaTime position) override {
    if (!mHasSources) return;
    {
      std::lock_guard<std::mutex> lock(mMutex);
      SeekLocked(std::min(FramesOfMediaTime(position, mRate), mLength));
    }
    mFeeder->Wake();
  }

  void SetStopPosition(MediaTime position) override {
    if (!mHasSources) return;
    std::lock_guard<std::mutex> lock(mMutex);
    mStopFrame = std::min(FramesOfMediaTime(position, mRate), mLength);
    // Queued beyond the new end: queue again from where playback is.
    if (mQueuedEnd > mStopFrame) SeekLocked(std::min(PositionLocked(), mStopFrame));
  }

  bool SetRate(double rate) override {
    if (!(rate > 0.0) || !std::isfinite(rate)) return false;
    if (mDecoder) {
      const double frequency = rate * mRate;
      if (frequency < 100.0 || frequency > 200000.0) return false;
    }
    mPitch = static_cast<float>(rate);
    if (!mHasSources) return true;
    // Both sides in one mix, or the two would drift apart.
    std::lock_guard<std::mutex> lock(mMutex);
    mDevice->Defer();
    alSourcef(mSources[0], AL_PITCH, mPitch);
    alSourcef(mSources[1], AL_PITCH, mPitch);
    mDevice->Process();
    return true;
  }

  // BasicAudio
  bool SetVolume(int volume) override {
    if (volume < kSilentVolume || volume > kFullVolume) return false;
    mVolume = volume;
    ApplyGains();
    return true;
  }

  bool SetBalance(int balance) override {
    if (balance < kPanLeft || balance > kPanRight) return false;
    mBalance = balance;
    ApplyGains();
    return true;
  }

  /// The feeder's pass over this stream.
  void Feed() {
    std::lock_guard<std::mutex> lock(mMutex);
    if (mState != State::kRunning) return;
    if (SourceState() == AL_STOPPED) {
      UnqueueSounded(mQueue.size());  // ran dry or reached the end: all of it sounded
    } else {
      ALint left = 0, right = 0;
      alGetSourcei(mSources[0], AL_BUFFERS_PROCESSED, &left);
      alGetSourcei(mSources[1], AL_BUFFERS_PROCESSED, &right);
      UnqueueSounded(static_cast<size_t>(std::max(0, std::min(left, right))));
    }
    const size_t before = mQueue.size();
    while (!mFree.empty() && mQueuedEnd < mStopFrame) QueueNext();
    if (mQueue.empty()) return;
    const ALint state = SourceState();
    if (state == AL_STOPPED) {
      // It ran dry during this pass, before the new buffers arrived (a buffer lasts far
      // longer than a pass): the older buffers sounded, the new ones did not.
      UnqueueSounded(before);
    }
    if (state != AL_PLAYING && !mQueue.empty()) alSourcePlayv(2, mSources);
  }

 private:
  enum class State { kStopped, kPaused, kRunning };
  struct Queued {
    int slot;
    int frames;
  };

  ALint SourceState() const {
    ALint state = AL_INITIAL;
    alGetSourcei(mSources[0], AL_SOURCE_STATE, &state);
    return state;
  }

  void Hold(State state) {
    if (!mHasSources) return;
    std::lock_guard<std::mutex> lock(mMutex);
    mState = state;
    alSourcePausev(2, mSources);
  }

  std::int64_t PositionLocked() const {
    if (mQueue.empty()) return mQueuedStart;
    ALint offset = 0;
    alGetSourcei(mSources[0], AL_SAMPLE_OFFSET, &offset);
    // Read after the offset: a source that stopped in between has played everything.
    switch (SourceState()) {
      case AL_STOPPED: return mQueuedEnd;
      case AL_INITIAL: return mQueuedStart;
      default: return std::min(mQueuedStart + offset, mQueuedEnd);
    }
  }

  // Drops everything queued and goes on decoding from `frame`.
  void SeekLocked(std::int64_t frame) {
    alSourceStopv(2, mSources);
    // Detaching the buffers empties the queue in one step; unqueueing after a rewind
    // fails. The rewind then leaves the sources in their initial state.
    alSourcei(mSources[0], AL_BUFFER, 0);
    alSourcei(mSources[1], AL_BUFFER, 0);
    alSourceRewindv(2, mSources);
    for (const Queued& q : mQueue) mFree.push_back(q.slot);
    mQueue.clear();
    mQueuedStart = mQueuedEnd = frame;
    mSilentFromHere = !mDecoder->Seek(frame);
  }

  void UnqueueSounded(size_t count) {
    count = std::min(count, mQueue.size());
    if (count == 0) return;
    ALuint ids[kBufferCount];
    alSourceUnqueueBuffers(mSources[0], static_cast<ALsizei>(count), ids);
    alSourceUnqueueBuffers(mSources[1], static_cast<ALsizei>(count), ids);
    for (size_t i = 0; i < count; ++i) {
      mQueuedStart += mQueue.front().frames;
      mFree.push_back(mQueue.front().slot);
      mQueue.pop_front();
    }
  }

  // Decodes the next buffer. Damaged data ends the sound but not the time: the rest up
  // to the stop position is silence, so the piece still ends when its length says.
  void QueueNext() {
    const int frames = static_cast<int>(std::min<std::int64_t>(kBufferFrames, mStopFrame - mQueuedEnd));
    std::int64_t got = 0;
    if (!mSilentFromHere) {
      got = mDecoder->Read(mInterleaved.data(), frames);
      if (got < frames) mSilentFromHere = true;
    }
    for (int i = 0; i < frames; ++i) {
      if (i < got) {
        mLeft[i] = mInterleaved[static_cast<size_t>(i) * mChannels];
        mRight[i] = mInterleaved[static_cast<size_t>(i) * mChannels + mChannels - 1];
      } else {
        mLeft[i] = mRight[i] = 0.0f;
      }
    }
    const int slot = mFree.front();
    mFree.pop_front();
    const ALsizei bytes = static_cast<ALsizei>(frames * sizeof(float));
    alBufferData(mBuffers[0][slot], AL_FORMAT_MONO_FLOAT32, mLeft.data(), bytes, mRate);
    alBufferData(mBuffers[1][slot], AL_FORMAT_MONO_FLOAT32, mRight.data(), bytes, mRate);
    alSourceQueueBuffers(mSources[0], 1, &mBuffers[0][slot]);
    alSourceQueueBuffers(mSources[1], 1, &mBuffers[1][slot]);
    mQueue.push_back({slot, frames});
    mQueuedEnd += frames;
  }

  // The quieter side is attenuated by the balance in hundredths of a decibel.
  void ApplyGains() {
    if (!mHasSources) return;
    const int left = mVolume - std::max(mBalance, 0);
    const int right = mVolume + std::min(mBalance, 0);
    std::lock_guard<std::mutex> lock(mMutex);
    mDevice->Defer();
    alSourcef(mSources[0], AL_GAIN, GainOfVolume(left));
    alSourcef(mSources[1], AL_GAIN, GainOfVolume(right));
    mDevice->Process();
  }

  const std::shared_ptr<Device> mDevice;
  const std::shared_ptr<MusicFeeder> mFeeder;
  const std::unique_ptr<MusicDecoder> mDecoder;  ///< null: the file could not be decoded
  int mRate = 1;
  int mChannels = 1;
  std::int64_t mLength = 0;
  bool mHasSources = false;
  ALuint mSources[2] = {0, 0};
  ALuint mBuffers[2][kBufferCount] = {};
  // Settings, changed on the main thread only.
  int mVolume = kFullVolume;
  int mBalance = 0;
  float mPitch = 1.0f;

  // Shared with the feeder, under mMutex.
  std::mutex mMutex;
  State mState = State::kStopped;
  std::deque<Queued> mQueue;   ///< what the sources hold, oldest first
  std::deque<int> mFree;       ///< buffer slots not queued
  std::int64_t mQueuedStart = 0;  ///< the file's frame at the head of the queue
  std::int64_t mQueuedEnd = 0;    ///< the frame after the last one queued
  std::int64_t mStopFrame = 0;
  bool mSilentFromHere = false;
  std::vector<float> mInterleaved, mLeft, mRight;
};

void MusicFeeder::StartThread() {
  std::lock_guard<std::mutex> lock(mWakeMutex);
  if (mThread.joinable()) return;
  mStop = false;
  mThread = std::thread([this] { Run(); });
}

void MusicFeeder::StopThread() {
  {
    std::lock_guard<std::mutex> lock(mWakeMutex);
    if (!mThread.joinable()) return;
    mStop = true;
  }
  mWakeCondition.notify_all();
  mThread.join();
  mThread = std::thread();
}

void MusicFeeder::Wake() {
  {
    std::lock_guard<std::mutex> lock(mWakeMutex);
    mWoken = true;
  }
  mWakeCondition.notify_all();
}

// A pass every 10 ms, or at once when woken: a pass costs little when nothing sounded.
void MusicFeeder::Run() {
  pthread_setname_np(pthread_self(), "hinoki-music");
  std::unique_lock<std::mutex> lock(mWakeMutex);
  while (!mStop) {
    mWoken = false;
    lock.unlock();
    FeedAll();
    lock.lock();
    mWakeCondition.wait_for(lock, std::chrono::milliseconds(10), [this] { return mStop || mWoken; });
  }
}

void MusicFeeder::FeedAll() {
  std::lock_guard<std::mutex> lock(mStreamsMutex);
  for (MusicStream* stream : mStreams) stream->Feed();
}

void MusicFeeder::Add(MusicStream* stream) {
  std::lock_guard<std::mutex> lock(mStreamsMutex);
  mStreams.push_back(stream);
}

void MusicFeeder::Remove(MusicStream* stream) {
  std::lock_guard<std::mutex> lock(mStreamsMutex);
  mStreams.erase(std::remove(mStreams.begin(), mStreams.end(), stream), mStreams.end());
}

std::unique_ptr<MusicPlayer> CreateMusicStream(const std::shared_ptr<Device>& device,
                                               const std::shared_ptr<MusicFeeder>& feeder,
                                               const std::string& path) {
  auto stream = std::make_unique<MusicStream>(device, feeder, OpenMusicFile(path));
  if (!stream->MakeSources()) return nullptr;
  return stream;
}

}  // namespace platform::openal
