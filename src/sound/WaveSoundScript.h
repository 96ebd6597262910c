// The script forms of the sound effect operations: numbers truncated into integers, and
// nil where a name or a vector is needed refused with the binding's argument error
// instead of being read. Included by the generated WaveSound binding only.
#pragma once

#include <cmath>
#include <stdexcept>

#include "bind/BindingGlue.h"
#include "utility/NumberConversion.h"
#include "sound/WaveSoundDirectorC.h"

namespace SoundN::script {

inline constexpr char kPlayError[] = "#ferror in function 'Play'.";

inline const D3DXVECTOR3& NeedVector(lua_State* L, const D3DXVECTOR3* v, int index) {
  if (!v) bind::RaiseArgumentError(L, kPlayError, index, "const D3DXVECTOR3");
  return *v;
}

inline void Play(WaveSoundDirectorC* self, lua_State* L, const char* name, double volume,
                     double pan) {
  self->Play(bind::NeedName(L, kPlayError, name), UtilityN::TruncateToInt32(volume), UtilityN::TruncateToInt32(pan));
}

inline void Play(WaveSoundDirectorC* self, lua_State* L, const char* name,
                        const D3DXVECTOR3* position, const D3DXVECTOR3* velocity,
                        float minDistance, float maxDistance) {
  bind::NeedName(L, kPlayError, name);
  const D3DXVECTOR3& p = NeedVector(L, position, 3);
  const D3DXVECTOR3& v = NeedVector(L, velocity, 4);
  self->Play(name, p, v, minDistance, maxDistance);
}

// An omitted cone orientation points the cone along +z; an explicit nil is refused.
inline void Play(WaveSoundDirectorC* self, lua_State* L, const char* name,
                     const D3DXVECTOR3* position, const D3DXVECTOR3* velocity,
                     float minDistance, float maxDistance, double insideConeAngle,
                     double outsideConeAngle, double coneOutsideVolume,
                     const D3DXVECTOR3* coneOrientation) {
  bind::NeedName(L, kPlayError, name);
  const D3DXVECTOR3& p = NeedVector(L, position, 3);
  const D3DXVECTOR3& v = NeedVector(L, velocity, 4);
  if (!coneOrientation && !lua_isnone(L, 10)) NeedVector(L, nullptr, 10);
  const D3DXVECTOR3 front(0, 0, 1);
  self->Play(name, p, v, minDistance, maxDistance, UtilityN::TruncateToInt32(insideConeAngle),
             UtilityN::TruncateToInt32(outsideConeAngle), UtilityN::TruncateToInt32(coneOutsideVolume),
             coneOrientation ? *coneOrientation : front);
}

inline void Stop(WaveSoundDirectorC* self, lua_State* L, const char* name) {
  self->Stop(bind::NeedName(L, "#ferror in function 'Stop'.", name));
}

inline void SetVolume(WaveSoundDirectorC* self, double volume) {
  self->SetVolume(UtilityN::TruncateToInt32(volume));
}

inline void SetVolume(WaveSoundDirectorC* self, lua_State* L, const char* name, double volume) {
  self->SetVolume(bind::NeedName(L, "#ferror in function 'SetVolume'.", name), UtilityN::TruncateToInt32(volume));
}

inline void SetPan(WaveSoundDirectorC* self, double pan) { self->SetPan(UtilityN::TruncateToInt32(pan)); }

inline void SetPan(WaveSoundDirectorC* self, lua_State* L, const char* name, double pan) {
  self->SetPan(bind::NeedName(L, "#ferror in function 'SetPan'.", name), UtilityN::TruncateToInt32(pan));
}

// Vectors arrive as pointers so that nil is seen here rather than read.
inline void SetListenerPosition(WaveSoundDirectorC* self, lua_State* L, const D3DXVECTOR3* v) {
  if (!v) bind::RaiseArgumentError(L, "#ferror in function 'SetListenerPosition'.", 2,
                                   "const D3DXVECTOR3");
  self->SetListenerPosition(*v);
}
inline void SetListenerFront(WaveSoundDirectorC* self, lua_State* L, const D3DXVECTOR3* v) {
  if (!v) bind::RaiseArgumentError(L, "#ferror in function 'SetListenerFront'.", 2,
                                   "const D3DXVECTOR3");
  self->SetListenerFront(*v);
}
inline void SetListenerTop(WaveSoundDirectorC* self, lua_State* L, const D3DXVECTOR3* v) {
  if (!v) bind::RaiseArgumentError(L, "#ferror in function 'SetListenerTop'.", 2,
                                   "const D3DXVECTOR3");
  self->SetListenerTop(*v);
}
inline void SetListenerVelocity(WaveSoundDirectorC* self, lua_State* L, const D3DXVECTOR3* v) {
  if (!v) bind::RaiseArgumentError(L, "#ferror in function 'SetListenerVelocity'.", 2,
                                   "const D3DXVECTOR3");
  self->SetListenerVelocity(*v);
}

/// delete on the director: refused, because it lives for the whole process and the frame
/// loop goes on updating it.
inline void RefuseDelete(WaveSoundDirectorC*) {
  throw std::logic_error(
      "SoundN::WaveSoundDirectorC cannot be deleted: it is the engine's one sound effect "
      "director");
}

}  // namespace SoundN::script
