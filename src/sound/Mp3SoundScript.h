// The script forms of the music operations: numbers truncated into integers, nil where a
// name or a time is needed refused with the binding's argument error instead of being
// read, and the collector of the media times handed to scripts. Included by the
// generated Mp3Sound binding and by the registration.
#pragma once

#include <cmath>
#include <optional>
#include <stdexcept>

#include "bind/BindingGlue.h"
#include "utility/NumberConversion.h"
#include "sound/Mp3SoundDirectorC.h"

namespace SoundN::script {

inline constexpr char kMediaTimeType[] = "REFERENCE_TIME";

// Without an end the loop ends with the file; an explicit nil for either time is refused.
inline void Play(Mp3SoundDirectorC* self, lua_State* L, const char* name, bool loop,
                 REFERENCE_TIME* start, REFERENCE_TIME* end) {
  static constexpr char kPlayError[] = "#ferror in function 'Play'.";
  bind::NeedName(L, kPlayError, name);
  if (!start) bind::RaiseArgumentError(L, kPlayError, 4, kMediaTimeType);
  if (!end && !lua_isnone(L, 5)) bind::RaiseArgumentError(L, kPlayError, 5, kMediaTimeType);
  self->Play(name, loop, *start, end ? std::optional<REFERENCE_TIME>(*end) : std::nullopt);
}

inline void Stop(Mp3SoundDirectorC* self, lua_State* L, const char* name) {
  self->Stop(bind::NeedName(L, "#ferror in function 'Stop'.", name));
}

inline void SetRate(Mp3SoundDirectorC* self, lua_State* L, const char* name, double rate) {
  self->SetRate(bind::NeedName(L, "#ferror in function 'SetRate'.", name), rate);
}

inline void SetVolume(Mp3SoundDirectorC* self, double volume) {
  self->SetVolume(UtilityN::TruncateToInt32(volume));
}

inline void SetVolume(Mp3SoundDirectorC* self, lua_State* L, const char* name, double volume) {
  self->SetVolume(bind::NeedName(L, "#ferror in function 'SetVolume'.", name), UtilityN::TruncateToInt32(volume));
}

inline void SetBalance(Mp3SoundDirectorC* self, double balance) {
  self->SetBalance(UtilityN::TruncateToInt32(balance));
}

inline void SetBalance(Mp3SoundDirectorC* self, lua_State* L, const char* name, double balance) {
  self->SetBalance(bind::NeedName(L, "#ferror in function 'SetBalance'.", name), UtilityN::TruncateToInt32(balance));
}

inline void Pause(Mp3SoundDirectorC* self, lua_State* L, const char* name) {
  self->Pause(bind::NeedName(L, "#ferror in function 'Pause'.", name));
}

inline void Run(Mp3SoundDirectorC* self, lua_State* L, const char* name) {
  self->Run(bind::NeedName(L, "#ferror in function 'Run'.", name));
}

/// delete on the director: refused, because it lives for the whole process and the frame
/// loop goes on updating it.
inline void RefuseDelete(Mp3SoundDirectorC*) {
  throw std::logic_error(
      "SoundN::Mp3SoundDirectorC cannot be deleted: it is the engine's one music director");
}

inline int CollectMediaTime(lua_State* L) {
  delete static_cast<REFERENCE_TIME*>(tolua_tousertype(L, 1, nullptr));
  return 0;
}

/// The media times SecTo and MilSecTo return are allocated with new; the binding's own
/// collector would release them with free.
inline void AddMediaTimeCollector(lua_State* L) {
  luaL_getmetatable(L, kMediaTimeType);
  if (lua_istable(L, -1)) {
    lua_pushstring(L, ".collector");
    lua_pushcfunction(L, CollectMediaTime);
    lua_rawset(L, -3);
  }
  lua_pop(L, 1);
}

}  // namespace SoundN::script
