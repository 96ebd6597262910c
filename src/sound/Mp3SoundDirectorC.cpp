// The music director: two players per file, repeats started by the per-frame update, and
// the failures that end the process (music a script plays must exist).
#include "sound/Mp3SoundDirectorC.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/FixedTexts.h"
#include "base/MemoryFailure.h"
#include "platform/Platform.h"
#include "platform/audio/Audio.h"
#include "platform/path/Path.h"

namespace SoundN {
namespace {

namespace fixed = BaseN::FixedText;

[[noreturn]] void EndWithBox(const std::string& text) {
  BaseN::ShowFatalErrorBox(text.c_str(), true);
  std::exit(-1);
}

int Clamp(int value, int low, int high) { return std::min(std::max(value, low), high); }

bool CanRead(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) &&
         std::ifstream(path, std::ios::binary).good();
}

}  // namespace

// The whole number toward zero, taken modulo 2^32 as an unsigned 32-bit count: -1 second
// is 4294967295 seconds, a time no piece reaches. NaN and the infinities have no whole
// number and count as 0.
static std::uint32_t ToUnsigned32(double value) {
  if (!std::isfinite(value)) return 0;
  double whole = std::fmod(std::trunc(value), 4294967296.0);
  if (whole < 0) whole += 4294967296.0;
  return static_cast<std::uint32_t>(whole);
}

Mp3SoundDirectorC& Mp3SoundDirectorC::GetInstance() {
  static Mp3SoundDirectorC instance;
  return instance;
}

Mp3SoundDirectorC& MP3SOUND() { return Mp3SoundDirectorC::GetInstance(); }

Mp3SoundDirectorC::~Mp3SoundDirectorC() {
  StopAll();
  mPlayList.clear();
}

bool Mp3SoundDirectorC::Initialize() {
  DSSoundDataS::SetNewHandler(BaseN::SoundMemoryFailureHandler);
  return true;
}

DSSoundDataS* Mp3SoundDirectorC::Find(const std::string& name) {
  const auto it = mPlayList.find(name);
  return it == mPlayList.end() ? nullptr : it->second.get();
}

// A file that cannot be read makes no entry, and Play names it in its box. A file that
// can be read but not decoded gets silent players of duration 0: it plays nothing, and
// without looping it is gone at the next Update.
void Mp3SoundDirectorC::LoadMusic(const std::string& name) {
  std::shared_ptr<DSSoundDataS> data(new DSSoundDataS);
  platform::Audio* audio = platform::Installed().audio;
  if (!audio || !audio->Open()) EndWithBox(fixed::kSoundDataReadFailure);
  const std::string path = platform::path::Resolve(name);
  if (!CanRead(path)) return;
  for (int i = 0; i < 2; ++i) {
    data->mGraphBuilder[i] = audio->CreateMusicPlayer(path);
    if (!data->mGraphBuilder[i]) EndWithBox(fixed::kSoundDataReadFailure);
    data->mMediaControl[i] = data->mGraphBuilder[i].get();
    data->mMediaSeeking[i] = data->mGraphBuilder[i].get();
    data->mBasicAudio[i] = data->mGraphBuilder[i].get();
  }
  mPlayList.emplace(name, std::move(data));
}

void Mp3SoundDirectorC::Play(const std::string& name, bool loop, REFERENCE_TIME start,
                             std::optional<REFERENCE_TIME> end) {
  DSSoundDataS* data = Find(name);
  if (!data) {
    LoadMusic(name);
    data = Find(name);
    if (!data) {
      EndWithBox(std::string(fixed::kSoundDataLoadFailureOpen) + name +
                 fixed::kSoundDataLoadFailureClose);
    }
  }
  data->mMediaControl[0]->Stop();
  data->mMediaControl[1]->Stop();
  data->mFirstActive = true;
  data->mPaused = false;
  data->mPlaying = true;
  data->mLoop = loop;
  data->mLoopStart = start;
  // The first pass always starts at the beginning of the file, whatever start says.
  platform::MediaSeeking* first = data->mMediaSeeking[0];
  first->SetCurrentPosition(0);
  const REFERENCE_TIME duration = first->GetDuration();
  first->SetStopPosition(duration);
  data->mLoopEnd = loop && end ? *end : duration;
  data->mMediaControl[0]->Run();
}

void Mp3SoundDirectorC::Update() {
  for (auto it = mPlayList.begin(); it != mPlayList.end();) {
    DSSoundDataS& data = *it->second;
    const int active = data.mFirstActive ? 0 : 1;
    const REFERENCE_TIME position = data.mMediaSeeking[active]->GetCurrentPosition();
    if (position < data.mLoopEnd && data.mPlaying) {
      ++it;
      continue;
    }
    if (data.mLoop) {
      // The next repeat starts on the idle player; the active one plays on to its end,
      // under the new repeat. A stopped looping piece stays silent until played again.
      if (data.mPlaying) {
        const int idle = 1 - active;
        data.mMediaSeeking[idle]->SetCurrentPosition(data.mLoopStart);
        data.mMediaControl[idle]->Run();
        data.mFirstActive = !data.mFirstActive;
      }
      ++it;
      continue;
    }
    data.mMediaControl[0]->Stop();
    it = mPlayList.erase(it);
  }
}

void Mp3SoundDirectorC::Stop(const std::string& name) {
  DSSoundDataS* data = Find(name);
  if (!data || !data->mPlaying) return;
  data->mMediaControl[0]->Stop();
  data->mMediaControl[1]->Stop();
  data->mMediaSeeking[0]->SetCurrentPosition(data->mLoopStart);
  data->mPlaying = false;
}

void Mp3SoundDirectorC::StopAll() {
  for (auto& entry : mPlayList) {
    DSSoundDataS& data = *entry.second;
    if (!data.mPlaying) continue;
    for (int i = 0; i < 2; ++i) {
      data.mMediaControl[i]->Stop();
      data.mMediaSeeking[i]->SetCurrentPosition(data.mLoopStart);
    }
    data.mPlaying = false;
  }
}

void Mp3SoundDirectorC::ClearAll() {
  StopAll();
  mPlayList.clear();
}

// Settings reach both players of the pieces listed now; a piece added later starts with
// full volume, centred, at rate 1. A refused rate leaves the rate as it was.
void Mp3SoundDirectorC::SetRate(double rate) {
  for (auto& entry : mPlayList) {
    for (platform::MediaSeeking* seeking : entry.second->mMediaSeeking) seeking->SetRate(rate);
  }
}

void Mp3SoundDirectorC::SetRate(const std::string& name, double rate) {
  if (DSSoundDataS* data = Find(name)) {
    for (platform::MediaSeeking* seeking : data->mMediaSeeking) seeking->SetRate(rate);
  }
}

void Mp3SoundDirectorC::SetVolume(int volume) {
  volume = Clamp(volume, platform::kSilentVolume, platform::kFullVolume);
  for (auto& entry : mPlayList) {
    for (platform::BasicAudio* audio : entry.second->mBasicAudio) audio->SetVolume(volume);
  }
}

void Mp3SoundDirectorC::SetVolume(const std::string& name, int volume) {
  if (DSSoundDataS* data = Find(name)) {
    volume = Clamp(volume, platform::kSilentVolume, platform::kFullVolume);
    for (platform::BasicAudio* audio : data->mBasicAudio) audio->SetVolume(volume);
  }
}

void Mp3SoundDirectorC::SetBalance(int balance) {
  balance = Clamp(balance, platform::kPanLeft, platform::kPanRight);
  for (auto& entry : mPlayList) {
    for (platform::BasicAudio* audio : entry.second->mBasicAudio) audio->SetBalance(balance);
  }
}

void Mp3SoundDirectorC::SetBalance(const std::string& name, int balance) {
  if (DSSoundDataS* data = Find(name)) {
    balance = Clamp(balance, platform::kPanLeft, platform::kPanRight);
    for (platform::BasicAudio* audio : data->mBasicAudio) audio->SetBalance(balance);
  }
}

// Pausing holds only the active player: a tail still sounding on the other plays on.
void Mp3SoundDirectorC::PauseAll() {
  for (auto& entry : mPlayList) {
    DSSoundDataS& data = *entry.second;
    data.mMediaControl[data.mFirstActive ? 0 : 1]->Pause();
    data.mPaused = true;
  }
}

void Mp3SoundDirectorC::Pause(const std::string& name) {
  if (DSSoundDataS* data = Find(name)) {
    data->mMediaControl[data->mFirstActive ? 0 : 1]->Pause();
    data->mPaused = true;
  }
}

void Mp3SoundDirectorC::RunAll() {
  for (auto& entry : mPlayList) {
    DSSoundDataS& data = *entry.second;
    if (!data.mPaused) continue;
    data.mMediaControl[data.mFirstActive ? 0 : 1]->Run();
    data.mPaused = false;
  }
}

void Mp3SoundDirectorC::Run(const std::string& name) {
  DSSoundDataS* data = Find(name);
  if (!data || !data->mPaused) return;
  data->mMediaControl[data->mFirstActive ? 0 : 1]->Run();
  data->mPaused = false;
}

}  // namespace SoundN

REFERENCE_TIME SecTo(double seconds) {
  return static_cast<REFERENCE_TIME>(SoundN::ToUnsigned32(seconds)) * 10000000;
}

REFERENCE_TIME MilSecTo(double milliseconds) {
  return static_cast<REFERENCE_TIME>(SoundN::ToUnsigned32(milliseconds)) * 10000;
}
