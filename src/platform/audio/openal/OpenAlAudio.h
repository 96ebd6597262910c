// The sound device on OpenAL Soft. A loaded sound is one OpenAL buffer per channel; every
// play is a new set of sources sharing those buffers. A 2-D play is a pair of mono
// sources placed left and right of the listener, whose gains follow DirectSound's pan
// law; a 3-D play is one mono source with the inverse-clamped distance law. Scene
// vectors arrive left-handed and have z negated on the way in.
//
// Without a sound card the device is a loopback device mixed by a thread of our own in
// real time, so sounds start, play for their length and end as they would be heard.
// Tests use the loopback device directly and mix samples themselves with Render.
// Music players stream on the same device (MusicStream.h); their queues are kept full by
// a feeder thread, or by Render on the loopback device.
#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "platform/audio/Audio.h"

namespace platform {

namespace openal {
struct Device;
class MusicFeeder;
}

class OpenAlAudio : public Audio {
 public:
  enum class Output {
    kSystem,    ///< the default device; a silent real-time loopback when there is none
    kSilent,    ///< the silent real-time loopback, as when there is no sound card
    kLoopback,  ///< a loopback device that mixes only when Render is called
  };

  /// Opens nothing yet; `sampleRate` is the rate of a loopback output.
  explicit OpenAlAudio(Output output = Output::kSystem, int sampleRate = 44100);
  ~OpenAlAudio() override;
  OpenAlAudio(const OpenAlAudio&) = delete;
  OpenAlAudio& operator=(const OpenAlAudio&) = delete;

  bool Open() override;
  bool IsSilent() const override { return mSilent; }
  std::unique_ptr<SoundBuffer> CreateSoundBuffer(const WaveFile& wave, bool threeD) override;
  std::unique_ptr<MusicPlayer> CreateMusicPlayer(const std::string& path) override;
  bool SetMasterVolume(int volume) override;
  bool SetMasterPan(int pan) override;
  int GetMasterVolume() const override { return mMasterVolume; }
  int GetMasterPan() const override { return mMasterPan; }
  void SetListenerPosition(const SoundVector& position) override;
  void SetListenerOrientation(const SoundVector& front, const SoundVector& top) override;
  void SetListenerVelocity(const SoundVector& velocity) override;
  void SetDopplerFactor(float factor) override;
  void SetRolloffFactor(float factor) override;

  /// Loopback output only: mixes the next `frames` stereo frames into `out` as
  /// interleaved left, right floats. The output limiter and HRTF are off, so what comes
  /// out is the plain sum of the sources. The music queues are topped up before every
  /// 1024 frames, so music never runs dry here however much is rendered at once.
  void Render(float* out, int frames);

 private:
  bool OpenLoopback();
  void PumpInRealTime();

  Output mOutput;
  int mSampleRate;
  bool mOpened = false;
  bool mOpenResult = false;
  bool mSilent = false;
  int mMasterVolume = kFullVolume;
  int mMasterPan = 0;
  std::shared_ptr<openal::Device> mDevice;
  std::shared_ptr<openal::MusicFeeder> mFeeder;
  std::thread mPump;
  std::atomic<bool> mStopPump{false};
};

/// The gain of a DirectSound volume (hundredths of a decibel): -10000 and below is 0.
float GainOfVolume(int volume);

}  // namespace platform
