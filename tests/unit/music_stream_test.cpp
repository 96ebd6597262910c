// Music on a device that mixes in real time by itself (the silent output of a machine
// without a sound card): the feeder thread keeps it playing while the main thread is
// busy, and positions follow the time that passes.
#include <chrono>
#include <thread>

#include "music_fixture.h"

namespace {

using musictest::kRate;
using musictest::Ramp;
using musictest::WriteSound;

TEST(MusicStream, PlaysOnWhileTheMainThreadIsBlocked) {
  const std::string folder = musictest::MakeFolder();
  const std::string name = folder + "/long.wav";
  WriteSound(name, Ramp(4 * kRate, 64), 1);
  platform::OpenAlAudio audio(platform::OpenAlAudio::Output::kSilent, kRate);
  ASSERT_TRUE(audio.Open());
  ASSERT_TRUE(audio.IsSilent());
  std::unique_ptr<platform::MusicPlayer> first = audio.CreateMusicPlayer(name);
  std::unique_ptr<platform::MusicPlayer> second = audio.CreateMusicPlayer(name);
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(first->IsDecodable());
  EXPECT_EQ(first->GetDuration(), 4 * platform::kMediaTimePerSecond);
  first->Run();
  second->SetCurrentPosition(platform::kMediaTimePerSecond);
  second->Run();
  // Far longer than the little the players have queued: only a feeder that keeps their
  // queues filled lets them get this far.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const double firstSeconds = first->GetCurrentPosition() / 1e7;
  const double secondSeconds = second->GetCurrentPosition() / 1e7;
  EXPECT_GT(firstSeconds, 1.2);
  EXPECT_LT(firstSeconds, 3.0);
  EXPECT_GT(secondSeconds, 2.2);
  // Paused, the position holds; run again, it goes on.
  first->Pause();
  const platform::MediaTime held = first->GetCurrentPosition();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(first->GetCurrentPosition(), held);
  first->Run();
  // Seeking near the end while running: the player reaches the end and stays there.
  second->SetCurrentPosition(4 * platform::kMediaTimePerSecond - 1000000);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(second->GetCurrentPosition(), 4 * platform::kMediaTimePerSecond);
  EXPECT_GT(first->GetCurrentPosition(), held);
  first.reset();  // destroyed while the feeder runs
  second.reset();
  std::string command = "rm -rf '" + folder + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
}

}  // namespace
