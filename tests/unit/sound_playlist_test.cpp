// The play list as scripts see it, the first play deciding 2-D or 3-D for a name, and
// the failures: boxes that let the game go on, and those that end it with status -1.
#include <cmath>

#include "base/FixedTexts.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "sound_fixture.h"

namespace {

using soundtest::Constant;
using soundtest::SoundTest;
using soundtest::WaveBytes;

class SoundPlayListTest : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    platform::Components components = platform::Installed();
    components.dialog = &mDialog;
    platform::Install(components);
    mShort = File("short.wav", WaveBytes(1, Constant(441, 8192)));  // 10 ms at 0.25
    mLong = File("long.wav", WaveBytes(1, Constant(44100, 8192)));  // 1 s at 0.25
  }
  // The last of `frames` rendered frames.
  std::pair<float, float> Last(int frames) {
    const std::vector<float> s = Render(frames);
    return {s[s.size() - 2], s[s.size() - 1]};
  }

  platform::FakeDialog mDialog;
  std::string mShort, mLong;
};

TEST_F(SoundPlayListTest, PlaysStayListedUntilTheFirstUpdateAfterTheyEnd) {
  for (int i = 0; i < 3; ++i) mDirector->Play(mShort);
  mDirector->Play(mLong);
  EXPECT_EQ(mDirector->GetPlayListSize(), 4u);
  mDirector->Update();
  EXPECT_EQ(mDirector->GetPlayListSize(), 4u) << "all still sounding";
  Render(1000);
  EXPECT_EQ(mDirector->GetPlayListSize(), 4u) << "ended, but no Update yet";
  mDirector->Update();
  EXPECT_EQ(mDirector->GetPlayListSize(), 1u);

  // Stop silences at once; the entries go at the next Update.
  mDirector->Play(mShort);
  mDirector->Stop(mLong);
  EXPECT_EQ(mDirector->GetPlayListSize(), 2u);
  EXPECT_FLOAT_EQ(Last(10).first, 0.25f) << "only the short sound is left";
  mDirector->StopAll();
  EXPECT_FLOAT_EQ(Last(10).first, 0.0f);
  EXPECT_EQ(mDirector->GetPlayListSize(), 2u);
  mDirector->Update();
  EXPECT_EQ(mDirector->GetPlayListSize(), 0u);
}

TEST_F(SoundPlayListTest, VolumeAndPanByNameAreClampedAndReachEveryPlayOfTheName) {
  mDirector->Play(mLong);
  mDirector->Play(mLong);
  mDirector->Play(mShort);
  mDirector->SetVolume(mLong, -20000);  // -10000: silence
  mDirector->SetPan(mShort, -20000);    // -10000: all left
  const auto f = Last(100);
  EXPECT_FLOAT_EQ(f.first, 0.25f);
  EXPECT_FLOAT_EQ(f.second, 0.0f);
  mDirector->SetVolume(mLong, 0);
  // The mixer fades a gain change in, so the level is checked once the fade has settled.
  EXPECT_NEAR(Last(4000).second, 0.5f, 1e-3) << "the two long plays back at full volume";
}

TEST_F(SoundPlayListTest, TheFirstPlayOfANameDecidesItsForm) {
  const std::string mono = File("mono.wav", WaveBytes(1, Constant(44100, 8192)));
  // Loaded for 3-D, later played in 2-D: it plays, but a pan has no effect.
  mDirector->Play(mono, D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, 0, 0), 1.0f, 100.0f);
  mDirector->StopAll();
  mDirector->Update();
  mDirector->Play(mono, 0, 10000);
  EXPECT_EQ(mDirector->GetPlayListSize(), 1u);
  const auto f = Last(100);
  EXPECT_GT(f.first, 0.1f);
  EXPECT_FLOAT_EQ(f.first, f.second);

  // Loaded for 2-D, later played in 3-D: a box, and that play does not happen.
  mDirector->Play(mShort);
  mDirector->Play(mShort, D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, 0, 0), 1.0f, 100.0f);
  ASSERT_EQ(mDialog.Shown().size(), 1u);
  EXPECT_STREQ(mDialog.Shown()[0].text.c_str(), BaseN::FixedText::kSoundBufferCreateFailure);
  EXPECT_STREQ(mDialog.Shown()[0].title.c_str(), BaseN::FixedText::kErrorTitle);
  EXPECT_EQ(mDirector->GetPlayListSize(), 2u);
}

TEST_F(SoundPlayListTest, NamesAreKeptAsGivenAndOpenedAsWindowsNames) {
  File("Hit.wav", WaveBytes(1, Constant(44100, 8192)));
  const std::string windowsName = mFolder + "\\HIT.WAV";
  mDirector->Play(windowsName);
  mDirector->Play(windowsName);
  ASSERT_EQ(mDirector->mSoundData.size(), 1u);
  EXPECT_EQ(mDirector->mSoundData.begin()->first, windowsName);
  EXPECT_EQ(mDirector->mPlayList.count(windowsName), 2u);
}

TEST(SoundDevice, WithoutADeviceCreateFailsAndPlayEndsTheGame) {
  const platform::Components previous = platform::Installed();
  platform::FakeDialog dialog;
  platform::Components components = previous;
  components.dialog = &dialog;
  components.audio = nullptr;
  platform::Install(components);
  SoundN::WaveSoundDirectorC director;
  EXPECT_FALSE(director.Create(nullptr));
  ASSERT_EQ(dialog.Shown().size(), 1u);
  EXPECT_EQ(dialog.Shown()[0].text, BaseN::FixedText::kSoundDeviceCreateFailure);
  // Everything but Play goes on quietly.
  director.Update();
  director.SetVolume(-100);
  director.ClearAll();
  EXPECT_EQ(director.GetPlayListSize(), 0u);

  components.dialog = nullptr;  // the box goes to standard error, where the test sees it
  platform::Install(components);
  EXPECT_EXIT(director.Play("a.wav"), ::testing::ExitedWithCode(255),
              "ERROR: DirectSoundデバイスが存在しません。");
  platform::Install(previous);
}

TEST_F(SoundPlayListTest, ASoundThatCannotBeLoadedEndsTheGameWithItsName) {
  platform::Components components = platform::Installed();
  components.dialog = nullptr;
  platform::Install(components);
  const std::string stereo = File("stereo.wav", WaveBytes(2, Constant(200, 100)));
  EXPECT_EXIT(mDirector->Play(stereo, D3DXVECTOR3(), D3DXVECTOR3(), 1.0f, 2.0f),
              ::testing::ExitedWithCode(255),
              "ERROR: サウンドデータ<.*stereo.wav>の読み込みに失敗しました。");
  EXPECT_EXIT(mDirector->Play(mFolder + "/missing.wav"), ::testing::ExitedWithCode(255),
              "サウンドデータ<.*missing.wav>の読み込みに失敗しました。");
  std::string truncated = WaveBytes(1, Constant(100, 1));
  truncated.resize(truncated.size() - 10);
  const std::string cut = File("cut.wav", truncated);
  EXPECT_EXIT(mDirector->Play(cut), ::testing::ExitedWithCode(255), "cut.wav>");
  const std::string empty = File("empty.wav", "");
  EXPECT_EXIT(mDirector->Play(empty), ::testing::ExitedWithCode(255), "empty.wav>");
  // The same stereo file in 2-D is fine.
  mDirector->Play(stereo);
  EXPECT_EQ(mDirector->GetPlayListSize(), 1u);
}

}  // namespace
