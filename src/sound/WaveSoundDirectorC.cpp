// The sound effect director: loading on first play, the play list, the listener, and
// the failures that end the process (a sound a script plays must exist).
#include "sound/WaveSoundDirectorC.h"

#include <algorithm>
#include <cstdlib>

#include "base/FixedTexts.h"
#include "base/MemoryFailure.h"
#include "platform/Platform.h"
#include "platform/audio/WaveFile.h"
#include "platform/path/Path.h"

namespace SoundN {
namespace {

namespace fixed = BaseN::FixedText;

[[noreturn]] void EndWithBox(const std::string& text) {
  BaseN::ShowFatalErrorBox(text.c_str(), true);
  std::exit(-1);
}

void SoundBufferMemoryFailureHandler() { EndWithBox(fixed::kSoundBufferMemoryFailure); }

platform::SoundVector ToSound(const D3DXVECTOR3& v) { return {v.x, v.y, v.z}; }

int Clamp(int value, int low, int high) { return std::min(std::max(value, low), high); }

}  // namespace

WaveSoundDirectorC& WaveSoundDirectorC::GetInstance() {
  static WaveSoundDirectorC instance;
  return instance;
}

WaveSoundDirectorC& WAVESOUND() { return WaveSoundDirectorC::GetInstance(); }

WaveSoundDirectorC::~WaveSoundDirectorC() { ClearAll(); }

bool WaveSoundDirectorC::Create(platform::Window*) {
  // The window played a part only in sharing a Windows sound card between programs;
  // the mixer here always shares it.
  platform::Audio* audio = platform::Installed().audio;
  if (!audio || !audio->Open()) {
    BaseN::ShowFatalErrorBox(fixed::kSoundDeviceCreateFailure, true);
    return false;
  }
  mDirectSound = audio;
  // The output format (44100 Hz, 16-bit stereo or better) is the device's own choice.
  mListenerPosition = D3DXVECTOR3(0, 0, 0);
  mListenerFront = D3DXVECTOR3(0, 0, 1);
  mListenerTop = D3DXVECTOR3(0, 1, 0);
  mListenerVelocity = D3DXVECTOR3(0, 0, 0);
  ApplyListener();
  audio->SetDopplerFactor(1.0f);
  audio->SetRolloffFactor(0.05f);
  mDefaultVolume = audio->GetMasterVolume();
  mDefaultPan = audio->GetMasterPan();
  Secondary3DBufferS::SetNewHandler(SoundBufferMemoryFailureHandler);
  return true;
}

void WaveSoundDirectorC::ApplyListener() {
  mDirectSound->SetListenerPosition(ToSound(mListenerPosition));
  mDirectSound->SetListenerOrientation(ToSound(mListenerFront), ToSound(mListenerTop));
  mDirectSound->SetListenerVelocity(ToSound(mListenerVelocity));
}

void WaveSoundDirectorC::Update() {
  for (auto it = mPlayList.begin(); it != mPlayList.end();) {
    if (it->second->mBuffer->IsPlaying()) ++it;
    else it = mPlayList.erase(it);
  }
  if (mDirectSound) ApplyListener();
}

void WaveSoundDirectorC::LoadSound(const std::string& name, bool threeD) {
  if (!mDirectSound || mSoundData.count(name)) return;
  platform::WaveFile wave;
  if (!platform::ReadWaveFile(platform::path::Resolve(name), wave)) return;
  std::unique_ptr<platform::SoundBuffer> buffer = mDirectSound->CreateSoundBuffer(wave, threeD);
  if (buffer) mSoundData.emplace(name, std::move(buffer));
}

// The first play of a name decides whether its loaded buffer is 2-D or 3-D; later plays
// reuse that buffer whichever form they take.
std::shared_ptr<Secondary3DBufferS> WaveSoundDirectorC::CreatePlayBuffer(const std::string& name,
                                                                         bool threeD) {
  if (!mDirectSound) EndWithBox(fixed::kNoSoundDevice);
  auto loaded = mSoundData.find(name);
  if (loaded == mSoundData.end()) {
    LoadSound(name, threeD);
    loaded = mSoundData.find(name);
    if (loaded == mSoundData.end()) {
      EndWithBox(std::string(fixed::kSoundDataLoadFailureOpen) + name +
                 fixed::kSoundDataLoadFailureClose);
    }
  }
  std::shared_ptr<Secondary3DBufferS> play(new Secondary3DBufferS);
  play->mBuffer = loaded->second->Duplicate();
  if (!play->mBuffer) EndWithBox(fixed::kSoundBufferCreateFailure);
  return play;
}

void WaveSoundDirectorC::Play(const std::string& name, int volume, int pan) {
  std::shared_ptr<Secondary3DBufferS> play = CreatePlayBuffer(name, false);
  // As passed: a value out of range leaves that setting as it was.
  play->mBuffer->SetVolume(volume);
  play->mBuffer->SetPan(pan);
  play->mBuffer->Play();
  mPlayList.emplace(name, std::move(play));
}

std::shared_ptr<Secondary3DBufferS> WaveSoundDirectorC::Create3DPlay(
    const std::string& name, const D3DXVECTOR3& position, const D3DXVECTOR3& velocity,
    float minDistance, float maxDistance) {
  std::shared_ptr<Secondary3DBufferS> play = CreatePlayBuffer(name, true);
  play->m3DBuffer = play->mBuffer->Get3D();
  if (!play->m3DBuffer) {
    BaseN::ShowFatalErrorBox(fixed::kSoundBufferCreateFailure, true);
    return nullptr;
  }
  play->m3DBuffer->SetPosition(ToSound(position));
  play->m3DBuffer->SetVelocity(ToSound(velocity));
  play->m3DBuffer->SetMinDistance(minDistance);
  play->m3DBuffer->SetMaxDistance(maxDistance);
  return play;
}

void WaveSoundDirectorC::Play(const std::string& name, const D3DXVECTOR3& position,
                              const D3DXVECTOR3& velocity, float minDistance,
                              float maxDistance) {
  std::shared_ptr<Secondary3DBufferS> play =
      Create3DPlay(name, position, velocity, minDistance, maxDistance);
  if (!play) return;
  play->mBuffer->Play();
  mPlayList.emplace(name, std::move(play));
}

void WaveSoundDirectorC::Play(const std::string& name, const D3DXVECTOR3& position,
                              const D3DXVECTOR3& velocity, float minDistance,
                              float maxDistance, int insideConeAngle, int outsideConeAngle,
                              int coneOutsideVolume, const D3DXVECTOR3& coneOrientation) {
  std::shared_ptr<Secondary3DBufferS> play =
      Create3DPlay(name, position, velocity, minDistance, maxDistance);
  if (!play) return;
  play->m3DBuffer->SetConeAngles(insideConeAngle, outsideConeAngle);
  play->m3DBuffer->SetConeOutsideVolume(coneOutsideVolume);
  play->m3DBuffer->SetConeOrientation(ToSound(coneOrientation));
  play->mBuffer->Play();
  mPlayList.emplace(name, std::move(play));
}

void WaveSoundDirectorC::Stop(const std::string& name) {
  const auto range = mPlayList.equal_range(name);
  for (auto it = range.first; it != range.second; ++it) it->second->mBuffer->Stop();
}

void WaveSoundDirectorC::SetVolume(int volume) {
  if (mDirectSound) mDirectSound->SetMasterVolume(Clamp(volume, platform::kSilentVolume, 0));
}

void WaveSoundDirectorC::SetVolume(const std::string& name, int volume) {
  volume = Clamp(volume, platform::kSilentVolume, 0);
  const auto range = mPlayList.equal_range(name);
  for (auto it = range.first; it != range.second; ++it) it->second->mBuffer->SetVolume(volume);
}

void WaveSoundDirectorC::SetPan(int pan) {
  if (mDirectSound) {
    mDirectSound->SetMasterPan(Clamp(pan, platform::kPanLeft, platform::kPanRight));
  }
}

void WaveSoundDirectorC::SetPan(const std::string& name, int pan) {
  pan = Clamp(pan, platform::kPanLeft, platform::kPanRight);
  const auto range = mPlayList.equal_range(name);
  for (auto it = range.first; it != range.second; ++it) it->second->mBuffer->SetPan(pan);
}

void WaveSoundDirectorC::StopAll() {
  for (auto& entry : mPlayList) entry.second->mBuffer->Stop();
}

void WaveSoundDirectorC::ClearAll() {
  StopAll();
  mPlayList.clear();
  mSoundData.clear();
  if (mDirectSound) {
    mDirectSound->SetMasterVolume(mDefaultVolume);
    mDirectSound->SetMasterPan(mDefaultPan);
  }
}

}  // namespace SoundN
