// Sound effects from RIFF/WAVE files: each file is loaded once, on its first play, and
// every play duplicates the loaded buffer, so one sound overlaps itself freely. Plays are
// kept in a list by file name until the first update after they have finished, so a
// script can stop, re-volume and re-pan every running play of a name.
// Scripts reach the director as SoundN.WAVESOUND(); the frame loop updates it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "math/d3dx/D3DX.h"
#include "platform/audio/Audio.h"
#include "utility/NewHandlerSupportC.h"
#include "utility/UncopyableC.h"

namespace platform {
class Window;
}

namespace SoundN {

/// One play of a sound.
struct Secondary3DBufferS : MemoryN::NewHandlerSupportC<Secondary3DBufferS> {
  ~Secondary3DBufferS() {
    mBuffer.reset();  // the 3-D controls belong to the buffer and go with it
    m3DBuffer = nullptr;
  }
  platform::Sound3DBuffer* m3DBuffer = nullptr;  ///< set for 3-D plays only
  std::unique_ptr<platform::SoundBuffer> mBuffer;
};

class WaveSoundDirectorC : private UtilityN::UncopyableC {
 public:
  /// The director, without a device until start-up calls Create.
  static WaveSoundDirectorC& GetInstance();

  /// A director without a device. The game uses GetInstance; tests make their own.
  WaveSoundDirectorC() = default;
  ~WaveSoundDirectorC();

  /// Opens the installed sound device and sets up the listener. On failure a box says so
  /// and the director stays without a device (a later Play then ends the process).
  bool Create(platform::Window* window);
  /// Drops the plays that have finished and applies the listener fields.
  void Update();

  // Script operations. Names are the exact bytes the script passed; numbers for integer
  // parameters are already truncated toward zero.
  void Play(const std::string& name, int volume = 0, int pan = 0);
  void Play(const std::string& name, const D3DXVECTOR3& position, const D3DXVECTOR3& velocity,
            float minDistance, float maxDistance);
  void Play(const std::string& name, const D3DXVECTOR3& position, const D3DXVECTOR3& velocity,
            float minDistance, float maxDistance, int insideConeAngle, int outsideConeAngle,
            int coneOutsideVolume, const D3DXVECTOR3& coneOrientation = D3DXVECTOR3(0, 0, 1));
  void Stop(const std::string& name);
  void SetVolume(int volume);
  void SetVolume(const std::string& name, int volume);
  void SetPan(int pan);
  void SetPan(const std::string& name, int pan);
  void StopAll();
  void ClearAll();
  unsigned int GetPlayListSize() const { return static_cast<unsigned int>(mPlayList.size()); }
  void SetListenerPosition(const D3DXVECTOR3& v) { mListenerPosition = v; }
  void SetListenerFront(const D3DXVECTOR3& v) { mListenerFront = v; }
  void SetListenerTop(const D3DXVECTOR3& v) { mListenerTop = v; }
  void SetListenerVelocity(const D3DXVECTOR3& v) { mListenerVelocity = v; }

  /// The device; null until Create has succeeded. It is also the primary buffer (master
  /// volume and pan) and the 3-D listener.
  platform::Audio* mDirectSound = nullptr;
  D3DXVECTOR3 mListenerPosition{0, 0, 0};
  D3DXVECTOR3 mListenerFront{0, 0, 1};
  D3DXVECTOR3 mListenerTop{0, 1, 0};
  D3DXVECTOR3 mListenerVelocity{0, 0, 0};
  int mDefaultVolume = 0;
  int mDefaultPan = 0;
  std::map<std::string, std::unique_ptr<platform::SoundBuffer>> mSoundData;
  std::multimap<std::string, std::shared_ptr<Secondary3DBufferS>> mPlayList;

 private:
  void LoadSound(const std::string& name, bool threeD);
  std::shared_ptr<Secondary3DBufferS> CreatePlayBuffer(const std::string& name, bool threeD);
  /// Sets up a 3-D play up to the cone; null (after the box) when the sound has no 3-D
  /// controls.
  std::shared_ptr<Secondary3DBufferS> Create3DPlay(const std::string& name,
                                                   const D3DXVECTOR3& position,
                                                   const D3DXVECTOR3& velocity,
                                                   float minDistance, float maxDistance);
  void ApplyListener();
};

/// The module function SoundN.WAVESOUND: the director.
WaveSoundDirectorC& WAVESOUND();

}  // namespace SoundN
