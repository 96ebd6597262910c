// OpenAL Soft behind the sound device interface. Everything runs on the calling thread
// except the mixing, which OpenAL does on its own thread (or our pump thread when the
// output is silent); OpenAL locks the context itself.
#include "platform/audio/openal/OpenAlAudio.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <set>
#include <vector>

#include "platform/audio/WaveFile.h"
#include "platform/audio/openal/Device.h"
#include "platform/audio/openal/MusicStream.h"
#include "platform/audio/openal/SampleDecoder.h"

namespace platform {

float GainOfVolume(int volume) {
  if (volume <= kSilentVolume) return 0.0f;
  return static_cast<float>(std::pow(10.0, volume / 2000.0));
}

namespace openal {

// The decoded samples of one sound: one buffer, or a left and a right one.
struct Samples {
  std::shared_ptr<Device> device;
  std::vector<ALuint> buffers;
  ~Samples() {
    if (!buffers.empty()) alDeleteBuffers(static_cast<ALsizei>(buffers.size()), buffers.data());
  }
};

// DirectSound is left-handed, OpenAL right-handed: mirror z.
void SetVector(ALuint source, ALenum parameter, const SoundVector& v) {
  alSource3f(source, parameter, v.x, v.y, -v.z);
}

// A playable buffer. Its sources are made on first use, so the loaded buffer that only
// serves as the original of duplicates never takes a voice of the mixer.
class Voice : public SoundBuffer, private Sound3DBuffer {
 public:
  Voice(std::shared_ptr<Device> device, std::shared_ptr<Samples> samples, bool threeD)
      : mDevice(std::move(device)), mSamples(std::move(samples)), mThreeD(threeD) {}

  ~Voice() override {
    if (mSourceCount == 0) return;
    alSourceStopv(mSourceCount, mSources);
    alDeleteSources(mSourceCount, mSources);
    mDevice->voices.erase(this);
  }

  std::unique_ptr<SoundBuffer> Duplicate() override {
    auto copy = std::make_unique<Voice>(mDevice, mSamples, mThreeD);
    if (!copy->MakeSources()) return nullptr;
    return copy;
  }

  Sound3DBuffer* Get3D() override { return mThreeD ? this : nullptr; }

  bool SetVolume(int volume) override {
    if (volume < kSilentVolume || volume > kFullVolume) return false;
    mVolume = volume;
    ApplyGains();
    return true;
  }

  bool SetPan(int pan) override {
    if (mThreeD || pan < kPanLeft || pan > kPanRight) return false;
    mPan = pan;
    ApplyGains();
    return true;
  }

  void Play() override {
    if (MakeSources()) alSourcePlayv(mSourceCount, mSources);
  }

  void Stop() override {
    // Pausing keeps the position, so a later Play goes on from there.
    if (mSourceCount) alSourcePausev(mSourceCount, mSources);
  }

  bool IsPlaying() override {
    for (int i = 0; i < mSourceCount; ++i) {
      ALint state = AL_STOPPED;
      alGetSourcei(mSources[i], AL_SOURCE_STATE, &state);
      if (state == AL_PLAYING) return true;
    }
    return false;
  }

  // Gains from volume, own pan and the master volume and pan; a channel attenuated by
  // 100 dB or more is silent, as DirectSound's pan at its ends silences the other side.
  // The master volume is applied here rather than on the listener, which would turn
  // the music down with the sound effects.
  void ApplyGains() {
    if (mSourceCount == 0) return;
    const float master = GainOfVolume(mDevice->masterVolume);
    if (mThreeD) {
      alSourcef(mSources[0], AL_GAIN, GainOfVolume(mVolume) * master);
      return;
    }
    const int pan = mDevice->masterPan;
    const int left = mVolume - std::max(mPan, 0) - std::max(pan, 0);
    const int right = mVolume + std::min(mPan, 0) + std::min(pan, 0);
    alSourcef(mSources[0], AL_GAIN, GainOfVolume(left) * master);
    alSourcef(mSources[1], AL_GAIN, GainOfVolume(right) * master);
  }

  void ApplyRolloff() {
    if (mThreeD && mSourceCount) alSourcef(mSources[0], AL_ROLLOFF_FACTOR, mDevice->rolloff);
  }

 private:
  bool MakeSources() {
    if (mSourceCount) return true;
    const int count = mThreeD ? 1 : 2;
    alGetError();
    alGenSources(count, mSources);
    if (alGetError() != AL_NO_ERROR) return false;
    mSourceCount = count;
    mDevice->voices.insert(this);
    const std::vector<ALuint>& buffers = mSamples->buffers;
    if (mThreeD) {
      const ALuint s = mSources[0];
      alSourcei(s, AL_BUFFER, static_cast<ALint>(buffers[0]));
      alSourcei(s, AL_SOURCE_RELATIVE, AL_FALSE);
      // DirectSound's defaults for a new 3-D buffer.
      SetVector(s, AL_POSITION, {});
      SetVector(s, AL_VELOCITY, {});
      SetVector(s, AL_DIRECTION, {0.0f, 0.0f, 1.0f});
      alSourcef(s, AL_REFERENCE_DISTANCE, 1.0f);
      alSourcef(s, AL_MAX_DISTANCE, 1.0e9f);
      alSourcef(s, AL_CONE_INNER_ANGLE, 360.0f);
      alSourcef(s, AL_CONE_OUTER_ANGLE, 360.0f);
      alSourcef(s, AL_CONE_OUTER_GAIN, 1.0f);
      ApplyRolloff();
    } else {
      // Fixed left and right of the listener: the mixer pans them fully to one side
      // each, and distance plays no part.
      for (int i = 0; i < 2; ++i) {
        const ALuint s = mSources[i];
        alSourcei(s, AL_BUFFER, static_cast<ALint>(buffers[buffers.size() == 2 ? i : 0]));
        alSourcei(s, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(s, AL_POSITION, i == 0 ? -1.0f : 1.0f, 0.0f, 0.0f);
        alSourcef(s, AL_ROLLOFF_FACTOR, 0.0f);
      }
    }
    ApplyGains();
    return true;
  }

  // Sound3DBuffer
  void SetPosition(const SoundVector& position) override {
    if (MakeSources()) SetVector(mSources[0], AL_POSITION, position);
  }
  void SetVelocity(const SoundVector& velocity) override {
    if (MakeSources()) SetVector(mSources[0], AL_VELOCITY, velocity);
  }
  void SetMinDistance(float distance) override {
    if (MakeSources()) alSourcef(mSources[0], AL_REFERENCE_DISTANCE, distance);
  }
  void SetMaxDistance(float distance) override {
    if (MakeSources()) alSourcef(mSources[0], AL_MAX_DISTANCE, distance);
  }
  void SetConeAngles(int inside, int outside) override {
    if (!MakeSources()) return;
    alSourcef(mSources[0], AL_CONE_INNER_ANGLE, static_cast<float>(inside));
    alSourcef(mSources[0], AL_CONE_OUTER_ANGLE, static_cast<float>(outside));
  }
  void SetConeOutsideVolume(int volume) override {
    if (MakeSources()) alSourcef(mSources[0], AL_CONE_OUTER_GAIN, GainOfVolume(volume));
  }
  void SetConeOrientation(const SoundVector& direction) override {
    if (MakeSources()) SetVector(mSources[0], AL_DIRECTION, direction);
  }

  std::shared_ptr<Device> mDevice;
  std::shared_ptr<Samples> mSamples;
  bool mThreeD;
  ALuint mSources[2] = {0, 0};
  int mSourceCount = 0;
  int mVolume = kFullVolume;
  int mPan = 0;
};

// Probing for a sound card that is not there makes ALSA and OpenAL print errors a player
// can do nothing about; standard error is pointed at /dev/null for the probe only.
class QuietStandardError {
 public:
  QuietStandardError() {
    std::fflush(stderr);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return;
    mSaved = dup(STDERR_FILENO);
    if (mSaved >= 0) dup2(null, STDERR_FILENO);
    close(null);
  }
  ~QuietStandardError() {
    if (mSaved < 0) return;
    std::fflush(stderr);
    dup2(mSaved, STDERR_FILENO);
    close(mSaved);
  }
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  int mSaved = -1;
};

ALCdevice* OpenDefaultDevice() {
  const QuietStandardError quiet;
  return alcOpenDevice(nullptr);
}

}  // namespace openal

OpenAlAudio::OpenAlAudio(Output output, int sampleRate)
    : mOutput(output), mSampleRate(sampleRate) {}

OpenAlAudio::~OpenAlAudio() {
  if (mFeeder) mFeeder->StopThread();
  mStopPump = true;
  if (mPump.joinable()) mPump.join();
}

bool OpenAlAudio::Open() {
  if (mOpened) return mOpenResult;
  mOpened = true;
  if (mOutput == Output::kSilent) {
    if (!OpenLoopback()) return mOpenResult = false;
    mSilent = true;
    mPump = std::thread([this] { PumpInRealTime(); });
  } else if (mOutput == Output::kSystem) {
    if (ALCdevice* device = openal::OpenDefaultDevice()) {
      const ALCint attributes[] = {ALC_MONO_SOURCES, 1024, 0};
      ALCcontext* context = alcCreateContext(device, attributes);
      if (context && alcMakeContextCurrent(context)) {
        mDevice = std::make_shared<openal::Device>();
        mDevice->device = device;
        mDevice->context = context;
      } else {
        if (context) alcDestroyContext(context);
        alcCloseDevice(device);
      }
    }
    if (!mDevice) {
      if (!OpenLoopback()) return mOpenResult = false;
      mSilent = true;
      mPump = std::thread([this] { PumpInRealTime(); });
    }
  } else if (!OpenLoopback()) {
    return mOpenResult = false;
  }
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  if (alIsExtensionPresent("AL_SOFT_deferred_updates")) {
    mDevice->deferUpdates =
        reinterpret_cast<LPALDEFERUPDATESSOFT>(alGetProcAddress("alDeferUpdatesSOFT"));
    mDevice->processUpdates =
        reinterpret_cast<LPALPROCESSUPDATESSOFT>(alGetProcAddress("alProcessUpdatesSOFT"));
  }
  mFeeder = std::make_shared<openal::MusicFeeder>();
  return mOpenResult = true;
}

bool OpenAlAudio::OpenLoopback() {
  if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) return false;
  auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
      alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
  auto renderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
      alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
  if (!openLoopback || !renderSamples) return false;
  ALCdevice* device = openLoopback(nullptr);
  if (!device) return false;
  const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT,
                               ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT,
                               ALC_FREQUENCY, mSampleRate,
                               ALC_HRTF_SOFT, ALC_FALSE,
                               ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE,
                               ALC_MONO_SOURCES, 1024,
                               0};
  ALCcontext* context = alcCreateContext(device, attributes);
  if (!context || !alcMakeContextCurrent(context)) {
    if (context) alcDestroyContext(context);
    alcCloseDevice(device);
    return false;
  }
  mDevice = std::make_shared<openal::Device>();
  mDevice->device = device;
  mDevice->context = context;
  mDevice->renderSamples = renderSamples;
  return true;
}

// Mixes 10 ms at a time on a steady schedule, so sounds last as long as they would on a
// sound card and the play list empties at the same pace.
void OpenAlAudio::PumpInRealTime() {
  const int frames = std::max(1, mSampleRate / 100);
  std::vector<float> scratch(static_cast<size_t>(frames) * 2);
  const auto period = std::chrono::microseconds(1000000LL * frames / mSampleRate);
  auto next = std::chrono::steady_clock::now();
  while (!mStopPump) {
    mDevice->renderSamples(mDevice->device, scratch.data(), frames);
    next += period;
    const auto now = std::chrono::steady_clock::now();
    if (next < now - std::chrono::milliseconds(200)) next = now;  // after a stall, no rush
    std::this_thread::sleep_until(next);
  }
}

void OpenAlAudio::Render(float* out, int frames) {
  if (!mDevice || !mDevice->renderSamples || mOutput != Output::kLoopback) return;
  for (int done = 0; done < frames;) {
    const int chunk = std::min(frames - done, 1024);
    mFeeder->FeedAll();
    mDevice->renderSamples(mDevice->device, out + 2 * static_cast<size_t>(done), chunk);
    done += chunk;
  }
}

std::unique_ptr<MusicPlayer> OpenAlAudio::CreateMusicPlayer(const std::string& path) {
  if (!mDevice) return nullptr;
  if (mOutput != Output::kLoopback) mFeeder->StartThread();
  return openal::CreateMusicStream(mDevice, mFeeder, path);
}

std::unique_ptr<SoundBuffer> OpenAlAudio::CreateSoundBuffer(const WaveFile& wave, bool threeD) {
  if (!mDevice) return nullptr;
  DecodedSamples decoded;
  if (!DecodeWave(wave, decoded)) return nullptr;
  if (threeD && decoded.channels.size() != 1) return nullptr;  // positioning needs mono

  auto samples = std::make_shared<openal::Samples>();
  samples->device = mDevice;
  samples->buffers.resize(decoded.channels.size());
  alGetError();
  alGenBuffers(static_cast<ALsizei>(samples->buffers.size()), samples->buffers.data());
  if (alGetError() != AL_NO_ERROR) {
    samples->buffers.clear();
    return nullptr;
  }
  for (size_t c = 0; c < decoded.channels.size(); ++c) {
    const std::vector<float>& channel = decoded.channels[c];
    alBufferData(samples->buffers[c], AL_FORMAT_MONO_FLOAT32, channel.data(),
                 static_cast<ALsizei>(channel.size() * sizeof(float)), decoded.sampleRate);
    if (alGetError() != AL_NO_ERROR) return nullptr;
  }
  return std::make_unique<openal::Voice>(mDevice, std::move(samples), threeD);
}

bool OpenAlAudio::SetMasterVolume(int volume) {
  if (volume < kSilentVolume || volume > kFullVolume) return false;
  mMasterVolume = volume;
  if (mDevice) {
    mDevice->masterVolume = volume;
    for (openal::Voice* voice : mDevice->voices) voice->ApplyGains();
  }
  return true;
}

bool OpenAlAudio::SetMasterPan(int pan) {
  if (pan < kPanLeft || pan > kPanRight) return false;
  mMasterPan = pan;
  if (mDevice) {
    mDevice->masterPan = pan;
    for (openal::Voice* voice : mDevice->voices) voice->ApplyGains();
  }
  return true;
}

void OpenAlAudio::SetListenerPosition(const SoundVector& p) {
  if (mDevice) alListener3f(AL_POSITION, p.x, p.y, -p.z);
}

void OpenAlAudio::SetListenerOrientation(const SoundVector& front, const SoundVector& top) {
  if (!mDevice) return;
  const ALfloat orientation[] = {front.x, front.y, -front.z, top.x, top.y, -top.z};
  alListenerfv(AL_ORIENTATION, orientation);
}

void OpenAlAudio::SetListenerVelocity(const SoundVector& v) {
  if (mDevice) alListener3f(AL_VELOCITY, v.x, v.y, -v.z);
}

void OpenAlAudio::SetDopplerFactor(float factor) {
  if (mDevice) alDopplerFactor(factor);
}

void OpenAlAudio::SetRolloffFactor(float factor) {
  if (!mDevice) return;
  mDevice->rolloff = factor;
  for (openal::Voice* voice : mDevice->voices) voice->ApplyRolloff();
}

}  // namespace platform
