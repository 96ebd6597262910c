// The OpenAL device and context shared by the sound effect voices and the music streams
// of one output. Buffers, voices and streams hold it, so it is closed only after the
// last of them is gone, whatever order their owners are destroyed in.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <set>

namespace platform::openal {

class Voice;

struct Device {
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  LPALCRENDERSAMPLESSOFT renderSamples = nullptr;
  /// Holding property changes so that a change to a pair of sources lands in one mix;
  /// null without AL_SOFT_deferred_updates.
  LPALDEFERUPDATESSOFT deferUpdates = nullptr;
  LPALPROCESSUPDATESSOFT processUpdates = nullptr;
  int masterVolume = 0;  ///< of the sound effects only; music has its own volumes
  int masterPan = 0;
  float rolloff = 1.0f;
  std::set<Voice*> voices;  ///< live buffers with sources, for the master settings

  ~Device() {
    if (context) {
      if (alcGetCurrentContext() == context) alcMakeContextCurrent(nullptr);
      alcDestroyContext(context);
    }
    if (device) alcCloseDevice(device);
  }

  void Defer() const {
    if (deferUpdates) deferUpdates();
  }
  void Process() const {
    if (processUpdates) processUpdates();
  }
};

}  // namespace platform::openal
