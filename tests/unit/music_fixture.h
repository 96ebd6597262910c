// What the music tests share: sound files written on the fly (WAV and Ogg with
// libsndfile, MP3 with the lame encoder), a music director on OpenAL's loopback device
// installed as the platform's audio, and samples rendered from it.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/audio/openal/OpenAlAudio.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "sound/Mp3SoundDirectorC.h"

namespace musictest {

inline constexpr int kRate = 44100;

/// A ramp whose every frame is told apart exactly in a float mix: frame i is i / 65536
/// (with `step` frames per increment).
inline std::vector<float> Ramp(int frames, int step = 1) {
  std::vector<float> out(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) out[i] = static_cast<float>(i / step) / 65536.0f;
  return out;
}

/// A sine tone, for the encoders (a ramp is not what MP3 is made for).
inline std::vector<float> Tone(int frames, int channels, double hertz = 440.0) {
  std::vector<float> out(static_cast<size_t>(frames) * channels);
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      out[static_cast<size_t>(i) * channels + c] =
          static_cast<float>(0.4 * std::sin(6.283185307179586 * hertz * (c + 1) * i / kRate));
    }
  }
  return out;
}

/// Writes interleaved `samples` as a sound file of `format` (SF_FORMAT_...).
inline void WriteSound(const std::string& path, const std::vector<float>& samples, int channels,
                       int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT, int rate = kRate) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / channels));
  sf_close(file);
}

/// Encodes the WAV file `wav` into `mp3` with lame and its `options`.
inline void EncodeMp3(const std::string& wav, const std::string& mp3, const std::string& options) {
  const std::string command = "lame --quiet " + options + " '" + wav + "' '" + mp3 + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

inline std::string MakeFolder() {
  char pattern[] = "/tmp/hinoki_music_XXXXXX";
  if (!mkdtemp(pattern)) return "/tmp";
  return pattern;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

inline std::string ReadBytes(const std::string& path) {
  std::string bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<char>(c));
    std::fclose(f);
  }
  return bytes;
}

/// A folder for files, a loopback device installed as the audio, a recording dialog and a
/// director on them.
class MusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mFolder = MakeFolder();
    mAudio = std::make_unique<platform::OpenAlAudio>(platform::OpenAlAudio::Output::kLoopback,
                                                      kRate);
    ASSERT_TRUE(mAudio->Open());
    mPrevious = platform::Installed();
    platform::Components components = mPrevious;
    components.audio = mAudio.get();
    components.dialog = &mDialog;
    platform::Install(components);
    mDirector = std::make_unique<SoundN::Mp3SoundDirectorC>();
    ASSERT_TRUE(mDirector->Initialize());
  }

  void TearDown() override {
    mDirector.reset();
    mAudio.reset();
    platform::Install(mPrevious);
    std::string command = "rm -rf '" + mFolder + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }

  std::string Path(const std::string& name) const { return mFolder + "/" + name; }

  /// The next `frames` stereo frames as left, right, left, right...
  std::vector<float> Render(int frames) {
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    mAudio->Render(out.data(), frames);
    return out;
  }

  /// The record of a listed piece.
  SoundN::DSSoundDataS& Data(const std::string& name) { return *mDirector->mPlayList.at(name); }
  /// Where the piece's active player is, in frames of the file (exact: 100 ns is finer
  /// than a frame).
  std::int64_t ActiveFrame(const std::string& name) {
    SoundN::DSSoundDataS& data = Data(name);
    return platform::FramesOfMediaTime(
        data.mMediaSeeking[data.mFirstActive ? 0 : 1]->GetCurrentPosition(), kRate);
  }

  std::string mFolder;
  std::unique_ptr<platform::OpenAlAudio> mAudio;
  platform::FakeDialog mDialog;
  std::unique_ptr<SoundN::Mp3SoundDirectorC> mDirector;
  platform::Components mPrevious;
};

}  // namespace musictest
