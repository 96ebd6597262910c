// What the sound tests share: WAV files written on the fly, a director on OpenAL's
// loopback device installed as the platform's audio, and samples rendered from it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/audio/openal/OpenAlAudio.h"
#include "sound/WaveSoundDirectorC.h"

namespace soundtest {

inline constexpr int kRate = 44100;

/// The bytes of a PCM WAV file; `samples` are interleaved when `channels` is 2.
inline std::string WaveBytes(int channels, const std::vector<std::int16_t>& samples,
                             int rate = kRate) {
  std::string out;
  auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
  };
  auto put16 = [&](std::uint16_t v) {
    out.push_back(static_cast<char>(v));
    out.push_back(static_cast<char>(v >> 8));
  };
  const std::uint32_t bytes = static_cast<std::uint32_t>(samples.size() * 2);
  out += "RIFF";
  put32(36 + bytes);
  out += "WAVEfmt ";
  put32(16);
  put16(1);
  put16(static_cast<std::uint16_t>(channels));
  put32(static_cast<std::uint32_t>(rate));
  put32(static_cast<std::uint32_t>(rate * channels * 2));
  put16(static_cast<std::uint16_t>(channels * 2));
  put16(16);
  out += "data";
  put32(bytes);
  for (std::int16_t s : samples) put16(static_cast<std::uint16_t>(s));
  return out;
}

/// A constant mono tone of `frames` samples at `value`.
inline std::vector<std::int16_t> Constant(int frames, std::int16_t value) {
  return std::vector<std::int16_t>(static_cast<size_t>(frames), value);
}

/// A folder of WAV files, a loopback device installed as the audio, and a director on it.
class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/hinoki_sound_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mFolder = pattern;
    mAudio = std::make_unique<platform::OpenAlAudio>(platform::OpenAlAudio::Output::kLoopback,
                                                      kRate);
    mPrevious = platform::Installed();
    platform::Components components = mPrevious;
    components.audio = mAudio.get();
    platform::Install(components);
    mDirector = std::make_unique<SoundN::WaveSoundDirectorC>();
    ASSERT_TRUE(mDirector->Create(nullptr));
  }

  void TearDown() override {
    mDirector.reset();
    mAudio.reset();
    platform::Install(mPrevious);
    std::string command = "rm -rf '" + mFolder + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }

  /// Writes `bytes` as the file `name` in the folder and returns its full name.
  std::string File(const std::string& name, const std::string& bytes) {
    const std::string path = mFolder + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
  }

  /// The next `frames` stereo frames as left, right, left, right...
  std::vector<float> Render(int frames) {
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    mAudio->Render(out.data(), frames);
    return out;
  }

  std::string mFolder;
  std::unique_ptr<platform::OpenAlAudio> mAudio;
  std::unique_ptr<SoundN::WaveSoundDirectorC> mDirector;
  platform::Components mPrevious;
};

}  // namespace soundtest
