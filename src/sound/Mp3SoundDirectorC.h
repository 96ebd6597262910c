// Music: each file in the play list has two players, so a looping piece can start its
// next repeat on one while the other still sounds the tail of the previous repeat. The
// first pass plays from the start of the file, every repeat from the loop start; a repeat
// begins when the active player reaches the loop end. The per-frame update drives the
// repeats and removes pieces that have ended. Scripts reach the director as
// SoundN.MP3SOUND() and give positions in units of 100 ns (SecTo, MilSecTo).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/music/MusicPlayer.h"
#include "utility/NewHandlerSupportC.h"
#include "utility/UncopyableC.h"

/// A media time: a signed count of 100-ns units.
typedef std::int64_t REFERENCE_TIME;

namespace SoundN {

/// The two players of one file and where the piece is in its repeats.
struct DSSoundDataS : MemoryN::NewHandlerSupportC<DSSoundDataS> {
  /// The two players ("graphs"); each also serves as the three views below.
  std::unique_ptr<platform::MusicPlayer> mGraphBuilder[2];
  platform::MediaControl* mMediaControl[2] = {nullptr, nullptr};  ///< run, pause, stop
  platform::MediaSeeking* mMediaSeeking[2] = {nullptr, nullptr};  ///< positions and rate
  platform::BasicAudio* mBasicAudio[2] = {nullptr, nullptr};      ///< volume and balance
  bool mFirstActive = false;  ///< the first player is the active one
  bool mPlaying = false;      ///< set by Play, cleared by Stop and StopAll
  bool mLoop = false;
  bool mPaused = false;
  REFERENCE_TIME mLoopStart = 0;  ///< where each repeat starts
  REFERENCE_TIME mLoopEnd = 0;    ///< where the next repeat starts; the duration without looping
};

class Mp3SoundDirectorC : private UtilityN::UncopyableC {
 public:
  /// The director of the game.
  static Mp3SoundDirectorC& GetInstance();

  /// An empty director. The game uses GetInstance; tests make their own.
  Mp3SoundDirectorC() = default;
  /// Stops and releases every piece.
  ~Mp3SoundDirectorC();

  /// Installs the memory failure handler of the sound data records; always true.
  bool Initialize();
  /// Plays `name` from its start; with `loop`, every repeat plays from `start` and begins
  /// when the active player reaches `end` (the file's duration when not given). Playing a
  /// name that is playing restarts it.
  void Play(const std::string& name, bool loop, REFERENCE_TIME start,
            std::optional<REFERENCE_TIME> end = std::nullopt);
  /// Stops a playing piece and moves it back to its loop start.
  void Stop(const std::string& name);
  void SetRate(double rate);
  void SetRate(const std::string& name, double rate);
  void SetVolume(int volume);
  void SetVolume(const std::string& name, int volume);
  void SetBalance(int balance);
  void SetBalance(const std::string& name, int balance);
  void PauseAll();
  void Pause(const std::string& name);
  void RunAll();
  void Run(const std::string& name);
  /// Starts the repeats that are due and removes the pieces that have ended.
  void Update();
  void StopAll();
  void ClearAll();
  unsigned int GetPlayListSize() const { return static_cast<unsigned int>(mPlayList.size()); }

  /// The pieces by file name (the exact bytes the script passed).
  std::map<std::string, std::shared_ptr<DSSoundDataS>> mPlayList;

 private:
  void LoadMusic(const std::string& name);
  DSSoundDataS* Find(const std::string& name);
};

/// The module function SoundN.MP3SOUND: the director.
Mp3SoundDirectorC& MP3SOUND();

}  // namespace SoundN

/// Whole seconds (truncated toward zero, then taken modulo 2^32 as an unsigned 32-bit
/// count) as a media time.
REFERENCE_TIME SecTo(double seconds);
/// Whole milliseconds, by the same rule, as a media time.
REFERENCE_TIME MilSecTo(double milliseconds);
