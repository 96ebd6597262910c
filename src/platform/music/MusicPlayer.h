// A music player: one file streamed from disk and played with run, pause and stop, a
// current and a stop position, a playback rate, a volume and a balance. Positions and
// durations are media times in units of 100 ns; volumes are hundredths of a decibel
// (-10000 silence .. 0 full); the balance runs from -10000 (left only) to 10000 (right
// only) and attenuates the quieter side by its size in hundredths of a decibel.
// The three roles of a player are separate interfaces, so the engine can hold the
// control, seeking and audio views of a player as three fields.
#pragma once

#include <cstdint>

namespace platform {

/// A time in units of 100 ns.
using MediaTime = std::int64_t;

inline constexpr MediaTime kMediaTimePerSecond = 10000000;

/// The media time of `frames` frames at `rate` frames per second, rounded down.
inline MediaTime MediaTimeOfFrames(std::int64_t frames, int rate) {
  return static_cast<MediaTime>(static_cast<__int128>(frames) * kMediaTimePerSecond / rate);
}

/// The first frame at or after `time` at `rate` frames per second; negative times give 0.
inline std::int64_t FramesOfMediaTime(MediaTime time, int rate) {
  if (time <= 0) return 0;
  const __int128 scaled = static_cast<__int128>(time) * rate;
  return static_cast<std::int64_t>((scaled + kMediaTimePerSecond - 1) / kMediaTimePerSecond);
}

/// Running, pausing and stopping.
class MediaControl {
 public:
  virtual ~MediaControl() = default;
  /// Plays from the current position to the stop position; at the stop position the
  /// player stays running, silent, until it is moved.
  virtual void Run() = 0;
  /// Holds the current position; Run goes on from there.
  virtual void Pause() = 0;
  /// Silences the player; the current position stays where it was.
  virtual void Stop() = 0;
};

/// Positions and playback rate.
class MediaSeeking {
 public:
  virtual ~MediaSeeking() = default;
  /// The length of the file; 0 for a file that could not be decoded.
  virtual MediaTime GetDuration() = 0;
  /// Where playback is: what has been played so far, exactly to the sample.
  virtual MediaTime GetCurrentPosition() = 0;
  /// Moves playback, keeping the state (a running player plays on from there). Clamped
  /// to the file.
  virtual void SetCurrentPosition(MediaTime position) = 0;
  /// Where playback ends; the file's end until set. Clamped to the file.
  virtual void SetStopPosition(MediaTime position) = 0;
  /// Playback speed and pitch together (1.0 normal); false (unchanged) for a rate that
  /// is not positive or takes the sample rate outside 100..200000 Hz.
  virtual bool SetRate(double rate) = 0;
};

/// Loudness and balance.
class BasicAudio {
 public:
  virtual ~BasicAudio() = default;
  /// False (unchanged) outside -10000..0.
  virtual bool SetVolume(int volume) = 0;
  /// False (unchanged) outside -10000..10000.
  virtual bool SetBalance(int balance) = 0;
};

/// One file ready to play. Starts stopped at position 0, full volume, centred, rate 1.
class MusicPlayer : public MediaControl, public MediaSeeking, public BasicAudio {
 public:
  /// True when the file could be decoded. A player of a file that could not be decoded
  /// still exists, plays nothing and has duration 0.
  virtual bool IsDecodable() const = 0;
};

}  // namespace platform
