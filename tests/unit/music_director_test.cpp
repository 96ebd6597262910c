// Music as scripts drive it, heard through OpenAL's loopback device: the first pass from
// the start, repeats from the loop start overlapping the previous pass's tail, the end of
// a piece, pause and run, stop, and the volume, balance and rate settings.
#include <cmath>

#include "music_fixture.h"
#include "sound/WaveSoundDirectorC.h"

namespace {

using musictest::kRate;
using musictest::MusicTest;
using musictest::Ramp;
using musictest::WriteSound;

constexpr int kFrame = 735;  // one frame of a 60 fps game

class MusicDirectorTest : public MusicTest {
 protected:
  // Renders one game frame and runs the director's update after it, as the loop does.
  std::vector<float> Frame() {
    std::vector<float> out = Render(kFrame);
    mDirector->Update();
    return out;
  }
  double Gain(int hundredthsOfDecibel) { return std::pow(10.0, hundredthsOfDecibel / 2000.0); }
};

// A 0.7 s ramp with its loop from 50 ms to 600 ms: a 70 s piece looping from 5 s to 60 s,
// a hundred times shorter.
TEST_F(MusicDirectorTest, RepeatsStartAtTheLoopStartOverTheTailOfThePreviousPass) {
  const int length = 30870, loopStart = 2205, loopEnd = 26460;
  const std::vector<float> ramp = Ramp(length);
  const std::string name = Path("loop.wav");
  WriteSound(name, ramp, 1);
  mDirector->Play(name, true, MilSecTo(50), MilSecTo(600));
  ASSERT_EQ(mDirector->GetPlayListSize(), 1u);
  EXPECT_EQ(Data(name).mMediaSeeking[0]->GetDuration(), 7000000);

  // What should sound: each pass a start frame and a first frame of the file; a pass
  // plays on to the end of the file, under the next one.
  struct Pass {
    int at, from;
  };
  const int secondAt = loopEnd;                            // 36 game frames
  const int thirdAt = secondAt + (loopEnd - loopStart);    // 33 game frames later
  const Pass passes[] = {{0, 0}, {secondAt, loopStart}, {thirdAt, loopStart}};
  auto expected = [&](int k) {
    double sum = 0.0;
    for (const Pass& p : passes) {
      const int i = p.from + (k - p.at);
      // A player that starts again cuts its own previous pass short.
      const bool cut = (&p == &passes[0] && k >= thirdAt);
      if (k >= p.at && i < length && !cut) sum += ramp[i];
    }
    return sum;
  };

  int rendered = 0;
  bool firstActive = true;
  for (int f = 0; f < 80; ++f) {
    const std::vector<float> out = Frame();
    for (int j = 0; j < kFrame; ++j) {
      const int k = rendered + j;
      ASSERT_NEAR(out[2 * j], expected(k), 1e-6) << "frame " << k;
      ASSERT_EQ(out[2 * j], out[2 * j + 1]) << "a mono file sounds the same on both sides";
    }
    rendered += kFrame;
    if (rendered == secondAt || rendered == thirdAt) firstActive = !firstActive;
    EXPECT_EQ(Data(name).mFirstActive, firstActive) << rendered;
  }
  // Where the third pass is, to the frame.
  EXPECT_EQ(ActiveFrame(name), loopStart + rendered - thirdAt);
  EXPECT_EQ(mDirector->GetPlayListSize(), 1u);

  // A loop end beyond the end of the file is never reached: the piece ends, silent, and
  // stays listed.
  mDirector->ClearAll();
  mDirector->Play(name, true, SecTo(0), SecTo(1));
  for (int f = 0; f < 45; ++f) Frame();
  EXPECT_EQ(ActiveFrame(name), length);
  EXPECT_TRUE(Data(name).mFirstActive);
  EXPECT_EQ(Frame()[0], 0.0f);
  EXPECT_EQ(mDirector->GetPlayListSize(), 1u);
}

TEST_F(MusicDirectorTest, APieceWithoutLoopingEndsAtTheFirstUpdateAfterItsLastSample) {
  const int length = 10000;
  const std::string name = Path("once.wav");
  WriteSound(name, Ramp(length), 1);
  // Without looping the loop end is the duration, whatever the end argument says.
  mDirector->Play(name, false, SecTo(0), SecTo(100));
  EXPECT_EQ(Data(name).mLoopEnd, platform::MediaTimeOfFrames(length, kRate));
  Render(4321);
  EXPECT_EQ(ActiveFrame(name), 4321) << "positions count rendered frames exactly";
  Render(length - 1 - 4321);
  mDirector->Update();
  ASSERT_EQ(mDirector->GetPlayListSize(), 1u) << "one frame still to sound";
  EXPECT_EQ(ActiveFrame(name), length - 1);
  const std::vector<float> out = Render(100);
  EXPECT_FLOAT_EQ(out[0], (length - 1) / 65536.0f);
  EXPECT_EQ(out[2], 0.0f);
  EXPECT_EQ(ActiveFrame(name), length) << "a finished player stays at its end";
  mDirector->Update();
  EXPECT_EQ(mDirector->GetPlayListSize(), 0u);

  // Played again, it is loaded again and starts from its first sample.
  mDirector->Play(name, false, SecTo(0));
  EXPECT_EQ(Render(1)[0], 0.0f);
  EXPECT_EQ(Render(1)[0], 1 / 65536.0f);
}

TEST_F(MusicDirectorTest, PauseHoldsThePositionAndRunGoesOnFromIt) {
  const std::string a = Path("a.wav"), b = Path("b.wav");
  WriteSound(a, Ramp(44100), 1);
  WriteSound(b, Ramp(44100), 1);
  mDirector->Play(a, true, SecTo(0));
  mDirector->Play(b, false, SecTo(0));
  Render(10000);
  mDirector->PauseAll();
  EXPECT_EQ(Render(5000)[9998], 0.0f) << "both paused";
  EXPECT_EQ(ActiveFrame(a), 10000);
  EXPECT_EQ(ActiveFrame(b), 10000);
  mDirector->Run(b);  // by name: only b goes on
  std::vector<float> out = Render(10);
  EXPECT_FLOAT_EQ(out[0], 10000 / 65536.0f);
  mDirector->RunAll();
  out = Render(10);
  EXPECT_FLOAT_EQ(out[0], 2 * 10000 / 65536.0f + 10 / 65536.0f);
  EXPECT_EQ(ActiveFrame(a), 10010);
  EXPECT_EQ(ActiveFrame(b), 10020);
  mDirector->Pause(a);
  mDirector->Update();
  EXPECT_EQ(mDirector->GetPlayListSize(), 2u) << "a paused piece stays listed";
}

TEST_F(MusicDirectorTest, StoppedPiecesFallSilentAndOnlyThoseWithoutLoopingLeaveTheList) {
  const std::string once = Path("once.wav"), looping = Path("looping.wav");
  WriteSound(once, Ramp(44100), 1);
  WriteSound(looping, Ramp(44100), 1);
  mDirector->Play(once, false, SecTo(0));
  mDirector->Play(looping, true, MilSecTo(100), MilSecTo(500));
  Render(3000);
  mDirector->Stop(once);
  EXPECT_FLOAT_EQ(Render(10)[0], 3000 / 65536.0f) << "only the looping piece sounds";
  mDirector->StopAll();
  EXPECT_EQ(Render(10)[0], 0.0f);
  EXPECT_EQ(ActiveFrame(looping), 4410) << "moved back to the loop start";
  EXPECT_EQ(mDirector->GetPlayListSize(), 2u);
  mDirector->Update();
  EXPECT_EQ(mDirector->GetPlayListSize(), 1u);
  // A stopped looping piece is not restarted by the update: it waits for Play.
  for (int i = 0; i < 5; ++i) mDirector->Update();
  EXPECT_EQ(Render(100)[198], 0.0f);
  EXPECT_FALSE(Data(looping).mPlaying);
  mDirector->Play(looping, true, MilSecTo(100), MilSecTo(500));
  EXPECT_EQ(Render(3)[4], 2 / 65536.0f) << "Play starts from the beginning";

  mDirector->ClearAll();
  EXPECT_EQ(mDirector->GetPlayListSize(), 0u);
  EXPECT_EQ(Render(10)[0], 0.0f);
}

TEST_F(MusicDirectorTest, VolumeBalanceAndRateAreClampedAndReachListedPiecesOnly) {
  const std::string name = Path("flat.wav"), other = Path("other.wav");
  WriteSound(name, std::vector<float>(44100, 0.5f), 1);
  WriteSound(other, std::vector<float>(44100, 0.25f), 1);
  mDirector->Play(name, true, SecTo(0));
  mDirector->SetBalance(name, 3000);  // the left side 30 dB down
  mDirector->SetVolume(name, -600);
  std::vector<float> out = Render(2);
  EXPECT_NEAR(out[0], 0.5 * Gain(-3600), 1e-6);
  EXPECT_NEAR(out[1], 0.5 * Gain(-600), 1e-6);
  mDirector->SetBalance(-99999);  // -10000: the right side falls silent
  mDirector->SetVolume(5000);     // 0: full
  out = Render(4000);  // gain changes are faded in by the mixer; look once settled
  EXPECT_NEAR(out[7998], 0.5, 1e-4);
  EXPECT_NEAR(out[7999], 0.0, 1e-6);
  // A name not listed is left alone, and a piece played later starts with defaults.
  mDirector->SetVolume(other, -10000);
  mDirector->SetBalance(other, 99999);
  mDirector->Play(other, true, SecTo(0));
  out = Render(4000);
  EXPECT_NEAR(out[7998], 0.75, 1e-4);
  EXPECT_NEAR(out[7999], 0.25, 1e-4);
  mDirector->SetVolume(-20000);
  out = Render(4000);
  EXPECT_EQ(out[7998], 0.0f);
  EXPECT_EQ(out[7999], 0.0f);
  // The sound effects' master volume is theirs alone.
  SoundN::WaveSoundDirectorC effects;
  ASSERT_TRUE(effects.Create(nullptr));
  effects.SetVolume(-10000);
  mDirector->SetVolume(0);
  out = Render(4000);
  EXPECT_NEAR(out[7998], 0.75, 1e-4);
}

TEST_F(MusicDirectorTest, TheRateMovesPitchAndPositionAndKeepsBothSidesTogether) {
  // A stereo ramp, the right side the negative of the left: a drift between the two
  // sources would show as a frame where they do not cancel.
  std::vector<float> stereo;
  for (float v : Ramp(88200)) {
    stereo.push_back(v);
    stereo.push_back(-v);
  }
  const std::string name = Path("stereo.wav");
  WriteSound(name, stereo, 2);
  mDirector->Play(name, false, SecTo(0));
  Render(1000);
  mDirector->SetRate(2.0);
  Render(1000);
  EXPECT_EQ(ActiveFrame(name), 3000);
  mDirector->SetRate(name, 0.75);
  mDirector->SetRate(name, -1.0);   // refused: the rate stays
  mDirector->SetRate(name, 1e9);    // beyond what a sound card plays: refused too
  std::vector<float> out = Render(4000);
  EXPECT_EQ(ActiveFrame(name), 6000);
  mDirector->SetRate(1.37);
  const std::vector<float> more = Render(20000);
  out.insert(out.end(), more.begin(), more.end());
  for (size_t i = 0; i < out.size(); i += 2) ASSERT_EQ(out[i], -out[i + 1]) << i / 2;
  // The mixer steps in 4096ths of a frame, so 1.37 is not quite 1.37.
  EXPECT_NEAR(static_cast<double>(ActiveFrame(name)), 6000 + 1.37 * 20000, 10.0);
}

TEST(MediaTimes, AreWholeSecondsOrMillisecondsTakenAsUnsigned32BitCounts) {
  EXPECT_EQ(SecTo(1.5), 10000000);
  EXPECT_EQ(SecTo(2.9), 20000000);
  EXPECT_EQ(MilSecTo(1500), 15000000);
  EXPECT_EQ(MilSecTo(0.9), 0);
  // Below zero the count wraps around: -1 s is 4294967295 s, a time no piece reaches.
  EXPECT_EQ(SecTo(-1), 4294967295LL * 10000000);
  EXPECT_EQ(SecTo(-0.5), 0);
  EXPECT_EQ(MilSecTo(4294967296.0 + 7), 70000);
  EXPECT_EQ(SecTo(std::nan("")), 0);
}

}  // namespace
