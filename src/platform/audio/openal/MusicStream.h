// Music players on OpenAL streaming sources, in the same context as the sound effects.
// Each player is a pair of mono sources placed left and right of the listener (so the
// balance can attenuate one side), fed from one decoder through a short queue of
// buffers. One feeder keeps every player's queue topped up: its own thread on an output
// that mixes by itself, or the caller of Render on a loopback output, which makes what a
// test renders exact and repeatable.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/music/MusicPlayer.h"

namespace platform::openal {

struct Device;
class MusicStream;

class MusicFeeder {
 public:
  MusicFeeder() = default;
  ~MusicFeeder() { StopThread(); }
  MusicFeeder(const MusicFeeder&) = delete;
  MusicFeeder& operator=(const MusicFeeder&) = delete;

  /// Feeds from a thread of its own (named "hinoki-music") from now on; once is enough.
  void StartThread();
  /// Ends the thread, if any, after its current pass.
  void StopThread();
  /// Asks the thread for a pass now rather than at its next tick.
  void Wake();
  /// One pass: every stream unqueues what has sounded, queues what comes next, and
  /// starts again after running dry.
  void FeedAll();

  void Add(MusicStream* stream);
  void Remove(MusicStream* stream);

 private:
  void Run();

  std::mutex mStreamsMutex;  ///< held for a whole pass, so a stream is not destroyed in it
  std::vector<MusicStream*> mStreams;
  std::thread mThread;
  std::mutex mWakeMutex;
  std::condition_variable mWakeCondition;
  bool mWoken = false;
  bool mStop = false;
};

/// A player of the file at `path`. A file that cannot be decoded gives a silent player
/// of duration 0; null only when the device has no sources left.
std::unique_ptr<MusicPlayer> CreateMusicStream(const std::shared_ptr<Device>& device,
                                               const std::shared_ptr<MusicFeeder>& feeder,
                                               const std::string& path);

}  // namespace platform::openal
