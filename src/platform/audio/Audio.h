// The sound device: one output shared by everything that makes sound, with a listener
// for positioned sounds, a master volume and pan for the sound effects, sound buffers
// that hold samples once and are duplicated cheaply for every play, and music players
// that stream their files. Volumes are in hundredths of a decibel
// (-10000 silence .. 0 full), pans from -10000 (left) to 10000 (right); 3-D vectors are
// in a left-handed scene (z into the screen), as the engine's own math is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/music/MusicPlayer.h"

namespace platform {

struct WaveFile;

struct SoundVector {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

inline constexpr int kSilentVolume = -10000;
inline constexpr int kFullVolume = 0;
inline constexpr int kPanLeft = -10000;
inline constexpr int kPanRight = 10000;

/// The positioning controls of a buffer made for 3-D.
class Sound3DBuffer {
 public:
  virtual ~Sound3DBuffer() = default;
  /// Where the sound is in the scene.
  virtual void SetPosition(const SoundVector& position) = 0;
  /// How fast it moves, for the Doppler shift.
  virtual void SetVelocity(const SoundVector& velocity) = 0;
  /// Distance within which the sound is at full volume.
  virtual void SetMinDistance(float distance) = 0;
  /// Distance beyond which the sound no longer gets quieter.
  virtual void SetMaxDistance(float distance) = 0;
  /// Inside and outside cone angles, in whole degrees.
  virtual void SetConeAngles(int inside, int outside) = 0;
  /// Volume outside the outer cone, in hundredths of a decibel.
  virtual void SetConeOutsideVolume(int volume) = 0;
  /// The direction the cone points in.
  virtual void SetConeOrientation(const SoundVector& direction) = 0;
};

/// Samples with their playback controls. A 2-D buffer has volume and pan; a 3-D buffer
/// has volume and the 3-D controls, but no pan.
class SoundBuffer {
 public:
  virtual ~SoundBuffer() = default;
  /// A new buffer playing the same samples (not copied) from the start, with default
  /// settings; null when the device has no room for another voice.
  virtual std::unique_ptr<SoundBuffer> Duplicate() = 0;
  /// The 3-D controls, owned by this buffer; null for a 2-D buffer.
  virtual Sound3DBuffer* Get3D() = 0;
  /// False (setting unchanged) outside kSilentVolume..kFullVolume.
  virtual bool SetVolume(int volume) = 0;
  /// False (setting unchanged) outside kPanLeft..kPanRight or on a 3-D buffer.
  virtual bool SetPan(int pan) = 0;
  /// Plays once from the current position.
  virtual void Play() = 0;
  /// Stops where it is.
  virtual void Stop() = 0;
  /// True from Play until the last sample has sounded or Stop.
  virtual bool IsPlaying() = 0;
};

class Audio {
 public:
  virtual ~Audio() = default;
  /// Opens the output, once for all its users (later calls report the first result).
  /// Without a sound card a silent output that runs in real time is opened instead.
  virtual bool Open() = 0;
  /// True when the open output plays into nothing (no sound card).
  virtual bool IsSilent() const = 0;
  /// A buffer holding the samples of `wave`, decoded now. A 3-D buffer needs a one-channel
  /// sound. Null when the samples cannot be decoded or the device refuses the buffer.
  virtual std::unique_ptr<SoundBuffer> CreateSoundBuffer(const WaveFile& wave, bool threeD) = 0;
  /// A player streaming the file at `path` (a path of this system) on the open output.
  /// A file that cannot be decoded still gets a player, silent and of duration 0. Null
  /// when the output is not open or has no room for another player.
  virtual std::unique_ptr<MusicPlayer> CreateMusicPlayer(const std::string& path) = 0;

  /// Master volume of the sound buffers (not of the music players); false (unchanged)
  /// when out of range.
  virtual bool SetMasterVolume(int volume) = 0;
  /// Master pan of the 2-D buffers; false (unchanged) when out of range.
  virtual bool SetMasterPan(int pan) = 0;
  /// The master volume; full (0) until set.
  virtual int GetMasterVolume() const = 0;
  /// The master pan; centred (0) until set.
  virtual int GetMasterPan() const = 0;

  // The listener of the 3-D buffers; each setting applies at once.
  /// Where the listener stands.
  virtual void SetListenerPosition(const SoundVector& position) = 0;
  /// Where the listener faces, and which way is up for it.
  virtual void SetListenerOrientation(const SoundVector& front, const SoundVector& top) = 0;
  /// How fast the listener moves, for the Doppler shift.
  virtual void SetListenerVelocity(const SoundVector& velocity) = 0;
  /// 1 is the Doppler shift of real air.
  virtual void SetDopplerFactor(float factor) = 0;
  /// How fast sounds fade beyond their minimum distance; 1 is real air.
  virtual void SetRolloffFactor(float factor) = 0;
};

}  // namespace platform
