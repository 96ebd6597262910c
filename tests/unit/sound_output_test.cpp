// What comes out of the speakers: samples mixed by OpenAL's loopback device for 2-D plays
// (DirectSound's pan law), overlapping plays, and 3-D plays (distance law, sides, cone).
#include <cmath>

#include "sound_fixture.h"

namespace {

using soundtest::Constant;
using soundtest::SoundTest;
using soundtest::WaveBytes;

double Gain(int hundredthsOfDecibel) {
  return std::pow(10.0, hundredthsOfDecibel / 2000.0);
}

// Left and right of one frame well inside the sound.
struct Frame {
  double left;
  double right;
};

class SoundOutputTest : public SoundTest {
 protected:
  Frame FrameAt(int index) {
    const std::vector<float> samples = Render(index + 1);
    return {samples[2 * index], samples[2 * index + 1]};
  }
  // Plays nothing more after the frame: the next case starts from silence.
  void Silence() {
    mDirector->StopAll();
    mDirector->Update();
  }
  // Overall level of a frame, whatever the panning between the sides. The mixer's own
  // gain for a centred sound is no concern of ours, so levels are compared with one at
  // the minimum distance.
  double Level(const Frame& f) { return std::sqrt(f.left * f.left + f.right * f.right); }
};

TEST_F(SoundOutputTest, FlatPlaysFollowThePanLawAndOverlappingPlaysSum) {
  const std::string tone = File("tone.wav", WaveBytes(1, Constant(8820, 16384)));  // 0.5
  struct Case {
    int volume, pan;
    double left, right;
  } cases[] = {
      {0, 0, 0.5, 0.5},
      {-600, -1000, 0.5 * Gain(-600), 0.5 * Gain(-1600)},
      {-300, 10000, 0.0, 0.5 * Gain(-300)},  // the far side of a full pan is silent
      {-10000, 0, 0.0, 0.0},
  };
  for (const Case& c : cases) {
    mDirector->Play(tone, c.volume, c.pan);
    const Frame f = FrameAt(100);
    EXPECT_NEAR(f.left, c.left, 1e-6) << c.volume << "/" << c.pan;
    EXPECT_NEAR(f.right, c.right, 1e-6) << c.volume << "/" << c.pan;
    Silence();
  }

  // A stereo file keeps its channels apart.
  const std::string stereo = File("stereo.wav", WaveBytes(2, {8192, -16384, 8192, -16384}));
  mDirector->Play(stereo);
  const Frame s = FrameAt(1);
  EXPECT_NEAR(s.left, 0.25, 1e-6);
  EXPECT_NEAR(s.right, -0.5, 1e-6);
  Silence();

  // Three plays of one name in one frame are three voices: their samples add up.
  const std::string quiet = File("quiet.wav", WaveBytes(1, Constant(8820, 8192)));  // 0.25
  for (int i = 0; i < 3; ++i) mDirector->Play(quiet);
  EXPECT_EQ(mDirector->GetPlayListSize(), 3u);
  const Frame sum = FrameAt(10);
  EXPECT_NEAR(sum.left, 0.75, 1e-6);
  EXPECT_NEAR(sum.right, 0.75, 1e-6);
}

TEST_F(SoundOutputTest, MasterVolumeAndPanApplyToEveryPlayUntilClearAll) {
  const std::string tone = File("tone.wav", WaveBytes(1, Constant(8820, 16384)));
  mDirector->SetVolume(-2000);
  mDirector->SetPan(20000);  // clamped to 10000: the left side goes silent
  mDirector->Play(tone);
  Frame f = FrameAt(10);
  EXPECT_NEAR(f.left, 0.0, 1e-7);
  EXPECT_NEAR(f.right, 0.05, 1e-6);
  EXPECT_EQ(mAudio->GetMasterPan(), 10000);

  mDirector->ClearAll();
  EXPECT_EQ(mAudio->GetMasterVolume(), 0);
  EXPECT_EQ(mAudio->GetMasterPan(), 0);
  mDirector->Play(tone);
  f = FrameAt(10);
  EXPECT_NEAR(f.left, 0.5, 1e-6);
  EXPECT_NEAR(f.right, 0.5, 1e-6);
}

TEST_F(SoundOutputTest, SpatialPlaysFollowInverseClampedDistanceWithRolloff) {
  const std::string tone = File("tone.wav", WaveBytes(1, Constant(8820, 16384)));
  const D3DXVECTOR3 still(0, 0, 0);
  // Straight ahead of the listener (+z, the screen's depth) at several distances, with
  // minimum distance 1 and maximum 100.
  const struct {
    float distance;
    double gain;
  } cases[] = {
      {0.5f, 1.0},  // inside the minimum distance: full volume
      {1.0f, 1.0},
      {21.0f, 1.0 / (1.0 + 0.05 * 20.0)},
      {61.0f, 1.0 / (1.0 + 0.05 * 60.0)},
      {500.0f, 1.0 / (1.0 + 0.05 * 99.0)},  // beyond the maximum: no quieter
  };
  mDirector->Play(tone, D3DXVECTOR3(0, 0, 1), still, 1.0f, 100.0f);
  const double full = Level(FrameAt(200));
  Silence();
  for (const auto& c : cases) {
    mDirector->Play(tone, D3DXVECTOR3(0, 0, c.distance), still, 1.0f, 100.0f);
    const Frame f = FrameAt(200);
    EXPECT_NEAR(Level(f) / full, c.gain, 1e-5) << c.distance;
    EXPECT_NEAR(f.left, f.right, 1e-6) << "ahead is centred";
    Silence();
  }
}

TEST_F(SoundOutputTest, SpatialPlaysComeFromTheSideTheSceneSays) {
  const std::string tone = File("tone.wav", WaveBytes(1, Constant(8820, 16384)));
  const D3DXVECTOR3 still(0, 0, 0);
  // Facing +z, +x is on the right.
  mDirector->Play(tone, D3DXVECTOR3(3, 0, 0), still, 1.0f, 100.0f);
  Frame f = FrameAt(200);
  EXPECT_GT(f.right, 0.1);
  EXPECT_NEAR(f.left, 0.0, 1e-6);
  Silence();

  // Turned to face +x, a sound at +z is on the left (a left-handed scene); the turn
  // takes effect at the next Update, not before.
  mDirector->SetListenerFront(D3DXVECTOR3(1, 0, 0));
  mDirector->Play(tone, D3DXVECTOR3(0, 0, 3), still, 1.0f, 100.0f);
  f = FrameAt(200);
  EXPECT_NEAR(f.left, f.right, 1e-6) << "still facing +z";
  mDirector->Update();
  f = FrameAt(200);
  EXPECT_GT(f.left, 0.1);
  EXPECT_LT(std::fabs(f.right), f.left / 100);
}

TEST_F(SoundOutputTest, ConeAttenuatesOutsideItsAngle) {
  const std::string tone = File("tone.wav", WaveBytes(1, Constant(8820, 16384)));
  const D3DXVECTOR3 still(0, 0, 0);
  const D3DXVECTOR3 ahead(0, 0, 1);  // the sound stands at distance 1 in front
  // Pointing at the listener: inside the cone, full volume.
  mDirector->Play(tone, ahead, still, 1.0f, 100.0f);
  const double full = Level(FrameAt(200));
  Silence();
  mDirector->Play(tone, ahead, still, 1.0f, 100.0f, 30, 60, -2000, D3DXVECTOR3(0, 0, -1));
  EXPECT_NEAR(Level(FrameAt(200)) / full, 1.0, 1e-5);
  Silence();
  // Pointing away: outside the outer cone, the outside volume (-20 dB).
  mDirector->Play(tone, ahead, still, 1.0f, 100.0f, 30, 60, -2000, D3DXVECTOR3(0, 0, 1));
  EXPECT_NEAR(Level(FrameAt(200)) / full, 0.1, 1e-5);
  Silence();
  // No orientation: the cone points along +z, away from the listener here too.
  mDirector->Play(tone, ahead, still, 1.0f, 100.0f, 30, 60, -2000);
  EXPECT_NEAR(Level(FrameAt(200)) / full, 0.1, 1e-5);
}

}  // namespace
