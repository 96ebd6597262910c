// Music files as the decoders read them: exact lengths and sample-exact seeks for MP3
// (with and without a LAME header, constant and variable bit rate), Ogg Vorbis and WAV,
// the decoder chosen by content rather than by name, and damaged files refused or read
// without a crash.
#include <sndfile.h>

#include "music_fixture.h"
#include "platform/music/MusicDecoder.h"

namespace {

using musictest::EncodeMp3;
using musictest::kRate;
using musictest::Tone;
using musictest::WriteSound;

class MusicDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override { mFolder = musictest::MakeFolder(); }
  void TearDown() override {
    std::string command = "rm -rf '" + mFolder + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  std::string Path(const std::string& name) const { return mFolder + "/" + name; }

  // Every frame from where the decoder is to its end.
  static std::vector<float> ReadAll(platform::MusicDecoder& decoder) {
    std::vector<float> all;
    std::vector<float> chunk(1000 * static_cast<size_t>(decoder.Channels()));
    while (const std::int64_t got = decoder.Read(chunk.data(), 1000)) {
      all.insert(all.end(), chunk.begin(), chunk.begin() + got * decoder.Channels());
    }
    return all;
  }

  // The length is the number of frames there are, and a seek lands on the very frame
  // that reading from the start reaches.
  static void ExpectExactLengthAndSeeks(const std::string& path) {
    SCOPED_TRACE(path);
    std::unique_ptr<platform::MusicDecoder> decoder = platform::OpenMusicFile(path);
    ASSERT_NE(decoder, nullptr);
    const int channels = decoder->Channels();
    const std::vector<float> all = ReadAll(*decoder);
    EXPECT_EQ(static_cast<std::int64_t>(all.size()) / channels, decoder->Length());
    for (std::int64_t frame : {std::int64_t{12345}, decoder->Length() / 2, std::int64_t{1},
                               decoder->Length() - 3}) {
      ASSERT_TRUE(decoder->Seek(frame)) << frame;
      std::vector<float> some(5 * static_cast<size_t>(channels), 9.0f);
      const std::int64_t got = decoder->Read(some.data(), 3);
      ASSERT_EQ(got, 3) << frame;
      for (int i = 0; i < 3 * channels; ++i) {
        ASSERT_EQ(some[i], all[static_cast<size_t>(frame) * channels + i]) << frame << "+" << i;
      }
    }
    EXPECT_TRUE(decoder->Seek(decoder->Length()));
    float tail[2];
    EXPECT_EQ(decoder->Read(tail, 1), 0) << "nothing after the end";
  }

  std::string mFolder;
};

TEST_F(MusicDecoderTest, Mp3LengthsAreExactWithAndWithoutHeaders) {
  const int frames = 3 * kRate + 77;  // not a whole number of MP3 frames
  WriteSound(Path("tone.wav"), Tone(frames, 2), 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  // Constant bit rate with a LAME header: gapless decoding gives back the frames encoded.
  EncodeMp3(Path("tone.wav"), Path("cbr.mp3"), "-b 128");
  std::unique_ptr<platform::MusicDecoder> cbr = platform::OpenMusicFile(Path("cbr.mp3"));
  ASSERT_NE(cbr, nullptr);
  EXPECT_EQ(cbr->Length(), frames);
  EXPECT_EQ(cbr->Channels(), 2);
  EXPECT_EQ(cbr->SampleRate(), kRate);
  ExpectExactLengthAndSeeks(Path("cbr.mp3"));
  // Variable bit rate without any header: the scan at open still counts every frame.
  EncodeMp3(Path("tone.wav"), Path("vbr.mp3"), "-V 4 -t");
  ExpectExactLengthAndSeeks(Path("vbr.mp3"));
  // A mono file at another rate, named as if it were a WAV: the content decides.
  WriteSound(Path("low.wav"), Tone(22050, 1), 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050);
  EncodeMp3(Path("low.wav"), Path("mono.wav.mp3"), "-b 64 --resample 22.05");
  ASSERT_EQ(std::rename(Path("mono.wav.mp3").c_str(), Path("mono_really_mp3.wav").c_str()), 0);
  std::unique_ptr<platform::MusicDecoder> mono = platform::OpenMusicFile(Path("mono_really_mp3.wav"));
  ASSERT_NE(mono, nullptr);
  EXPECT_EQ(mono->Channels(), 1);
  EXPECT_EQ(mono->SampleRate(), 22050);
  EXPECT_EQ(mono->Length(), 22050);
}

TEST_F(MusicDecoderTest, OggAndWaveFilesAreExactToTheSample) {
  const int frames = 2 * kRate + 5;
  WriteSound(Path("tone.ogg"), Tone(frames, 2), 2, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
  std::unique_ptr<platform::MusicDecoder> ogg = platform::OpenMusicFile(Path("tone.ogg"));
  ASSERT_NE(ogg, nullptr);
  EXPECT_EQ(ogg->Length(), frames);
  ExpectExactLengthAndSeeks(Path("tone.ogg"));

  const std::vector<float> tone = Tone(frames, 1);
  WriteSound(Path("tone.mp3"), tone, 1);  // a float WAV, whatever its name says
  std::unique_ptr<platform::MusicDecoder> wav = platform::OpenMusicFile(Path("tone.mp3"));
  ASSERT_NE(wav, nullptr);
  EXPECT_EQ(wav->Length(), frames);
  std::vector<float> all(static_cast<size_t>(frames));
  EXPECT_EQ(wav->Read(all.data(), frames), frames);
  EXPECT_EQ(all, tone);
  ExpectExactLengthAndSeeks(Path("tone.mp3"));
}

TEST_F(MusicDecoderTest, DamagedFilesAreRefusedOrReadCleanly) {
  WriteSound(Path("tone.wav"), Tone(kRate, 2), 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EncodeMp3(Path("tone.wav"), Path("good.mp3"), "-b 128");
  const std::string mp3 = musictest::ReadBytes(Path("good.mp3"));
  std::string garbage(20000, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) >> 3);
  std::string flipped = mp3;
  for (size_t i = 1000; i < flipped.size(); i += 97) flipped[i] = static_cast<char>(~flipped[i]);
  const struct {
    const char* name;
    std::string bytes;
    bool opens;
  } cases[] = {
      {"empty.mp3", "", false},
      {"garbage.mp3", garbage, false},
      {"id3_only.mp3", std::string("ID3\x03\0\0\0\0\0\x10", 10) + std::string(16, '\0'), false},
      {"riff_only.wav", "RIFF\x24\0\0\0WAVE", false},
      {"truncated.mp3", mp3.substr(0, mp3.size() / 2), true},
      {"flipped.mp3", flipped, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    musictest::WriteBytes(Path(c.name), c.bytes);
    std::unique_ptr<platform::MusicDecoder> decoder = platform::OpenMusicFile(Path(c.name));
    EXPECT_EQ(decoder != nullptr, c.opens);
    if (!decoder) continue;
    const std::vector<float> all = ReadAll(*decoder);
    EXPECT_LE(static_cast<std::int64_t>(all.size()) / decoder->Channels(), decoder->Length());
    EXPECT_GT(decoder->Length(), 0);
  }
  EXPECT_EQ(platform::OpenMusicFile(Path("missing.mp3")), nullptr);
  EXPECT_EQ(platform::OpenMusicFile(mFolder), nullptr) << "a folder is not a file";
}

}  // namespace
