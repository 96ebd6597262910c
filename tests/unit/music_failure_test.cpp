// Music that cannot be played: a missing file and a missing device end the game with
// their boxes, a file that cannot be decoded plays nothing and leaves quietly, a nil
// argument from a script is refused; and the memory failure handlers of the sound
// records show their boxes and end with status -1.
#include "base/FixedTexts.h"
#include "music_fixture.h"
#include "sound/WaveSoundDirectorC.h"

namespace {

using musictest::MusicTest;
using musictest::Ramp;
using musictest::WriteSound;

class MusicFailureTest : public MusicTest {
 protected:
  // Boxes go to standard error, where a death test sees them.
  void BoxesToStandardError() {
    platform::Components components = platform::Installed();
    components.dialog = nullptr;
    platform::Install(components);
  }
};

TEST_F(MusicFailureTest, AMissingFileEndsTheGameWithItsName) {
  BoxesToStandardError();
  EXPECT_EXIT(mDirector->Play(Path("Missing.mp3"), true, SecTo(0)),
              ::testing::ExitedWithCode(255),
              "ERROR: サウンドデータ<.*Missing.mp3>の読み込みに失敗しました。");
  EXPECT_EXIT(mDirector->Play(mFolder, false, SecTo(0)), ::testing::ExitedWithCode(255),
              "の読み込みに失敗しました。")
      << "a folder is no file";
}

TEST_F(MusicFailureTest, WithoutASoundDeviceNoPlayerCanBeMade) {
  WriteSound(Path("a.wav"), Ramp(100), 1);
  platform::Components components = platform::Installed();
  components.audio = nullptr;
  components.dialog = nullptr;
  platform::Install(components);
  EXPECT_EXIT(mDirector->Play(Path("a.wav"), false, SecTo(0)), ::testing::ExitedWithCode(255),
              "ERROR: サウンドデータ読み込みに失敗しました。");
}

TEST_F(MusicFailureTest, FilesThatCannotBeDecodedPlayNothingAndLeaveAtTheNextUpdate) {
  musictest::WriteBytes(Path("empty.mp3"), "");
  musictest::WriteBytes(Path("garbage.mp3"), std::string(5000, 'x'));
  for (const char* name : {"empty.mp3", "garbage.mp3"}) {
    mDirector->Play(Path(name), false, SecTo(0), SecTo(10));
    EXPECT_EQ(Data(Path(name)).mMediaSeeking[0]->GetDuration(), 0) << name;
  }
  // The same with looping: it stays listed, silent, at position 0.
  mDirector->Play(Path("empty.mp3"), true, SecTo(1), SecTo(2));
  EXPECT_EQ(mDirector->GetPlayListSize(), 2u);
  EXPECT_EQ(Render(100)[100], 0.0f);
  mDirector->Update();
  EXPECT_EQ(mDirector->GetPlayListSize(), 1u);
  mDirector->SetVolume(-100);
  mDirector->SetRate(2.0);
  mDirector->PauseAll();
  mDirector->RunAll();
  mDirector->Update();
  EXPECT_EQ(mDirector->GetPlayListSize(), 1u);
  EXPECT_EQ(ActiveFrame(Path("empty.mp3")), 0);
  EXPECT_TRUE(mDialog.Shown().empty());
}

TEST(SoundMemoryFailure, TheSoundRecordsHaveTheirOwnHandlers) {
  const platform::Components previous = platform::Installed();
  platform::Components components = previous;
  components.dialog = nullptr;
  components.audio = nullptr;
  platform::Install(components);
  // Music: installed by Initialize.
  SoundN::Mp3SoundDirectorC music;
  SoundN::DSSoundDataS::SetNewHandler(nullptr);
  EXPECT_TRUE(music.Initialize());
  const std::new_handler musicHandler = SoundN::DSSoundDataS::SetNewHandler(nullptr);
  ASSERT_NE(musicHandler, nullptr);
  EXPECT_EXIT(musicHandler(), ::testing::ExitedWithCode(255),
              "ERROR: サウンドデータのメモリ確保に失敗しました。");
  // Sound effects: installed by Create, which needs a device.
  platform::OpenAlAudio audio(platform::OpenAlAudio::Output::kLoopback, musictest::kRate);
  components.audio = &audio;
  platform::Install(components);
  SoundN::WaveSoundDirectorC effects;
  SoundN::Secondary3DBufferS::SetNewHandler(nullptr);
  ASSERT_TRUE(effects.Create(nullptr));
  const std::new_handler effectHandler = SoundN::Secondary3DBufferS::SetNewHandler(nullptr);
  ASSERT_NE(effectHandler, nullptr);
  EXPECT_EXIT(effectHandler(), ::testing::ExitedWithCode(255),
              "ERROR: サウンドバッファのメモリ確保に失敗しました。");
  platform::Install(previous);
}

}  // namespace
