// What the generated Device and Texture bindings need: the texture handle under its
// script name, nil refusals for colours, matrices, names and handles, the one-character
// rule of text textures, and the handle's fields, which check for an empty handle.
#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "base/FixedTexts.h"
#include "bind/BindingGlue.h"
#include "math/D3DARGB.h"
#include "math/d3dx/D3DX.h"
#include "render/D3DDeviceAgentC.h"
#include "render/TextureStorageC.h"

/// The texture handle as scripts name it.
using RenderN::SPTEXTUREDATA;

namespace RenderN::script {

// Truncation toward zero; NaN reads 0 and numbers beyond the range stop at its ends.
inline std::int32_t ToInt(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return -2147483647 - 1;
  return static_cast<std::int32_t>(value);
}

template <class T>
const T& Need(lua_State* L, const T* value, const char* function, int index, const char* type) {
  if (!value) bind::RaiseArgumentError(L, function, index, type);
  return *value;
}

inline const char* NeedText(lua_State* L, const char* text, const char* function, int index) {
  if (!text) bind::RaiseArgumentError(L, function, index, "string");
  return text;
}

// --- device agent -------------------------------------------------------------------

inline void SetAmbient(D3DDeviceAgentC* self, lua_State* L, const D3DARGB* color) {
  self->SetAmbient(Need(L, color, "#ferror in function 'SetAmbient'.", 2, "const D3DARGB").mColor);
}

inline void SetFogState(D3DDeviceAgentC* self, lua_State* L, const D3DARGB* color, float start,
                        float end) {
  const D3DARGB& c = Need(L, color, "#ferror in function 'SetFogState'.", 2, "const D3DARGB");
  self->SetFogState(c.mColor, start, end);
}

inline void SetViewMatrix(D3DDeviceAgentC* self, lua_State* L, const D3DXMATRIX* matrix) {
  self->SetViewMatrix(
      Need(L, matrix, "#ferror in function 'SetViewMatrix'.", 2, "const D3DXMATRIX"));
}

inline void SetProjectionMatrix(D3DDeviceAgentC* self, lua_State* L, const D3DXMATRIX* matrix) {
  self->SetProjectionMatrix(
      Need(L, matrix, "#ferror in function 'SetProjectionMatrix'.", 2, "const D3DXMATRIX"));
}

// --- texture storage ----------------------------------------------------------------

inline SPTEXTUREDATA GetTexture(TextureStorageC* self, lua_State* L, const char* name) {
  return self->GetTexture(NeedText(L, name, "#ferror in function 'GetTexture'.", 2));
}

inline bool Erase(TextureStorageC* self, lua_State* L, const char* name) {
  return self->Erase(NeedText(L, name, "#ferror in function 'Erase'.", 2));
}

/// The CP932 code of a string holding exactly one character: a single-byte one, or a lead
/// byte followed by a trail byte.
inline bool OneCp932Character(lua_State* L, int index, std::uint16_t& code) {
  std::size_t length = 0;
  const char* text = lua_tolstring(L, index, &length);
  if (!text) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  auto isLead = [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
  auto isTrail = [](unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; };
  if (length == 1 && !isLead(bytes[0])) {
    code = bytes[0];
    return true;
  }
  if (length == 2 && isLead(bytes[0]) && isTrail(bytes[1])) {
    code = static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
    return true;
  }
  return false;
}

inline SPTEXTUREDATA GetTextTexture(TextureStorageC* self, lua_State* L, const char* character,
                                    const D3DARGB* color, double height, double weight,
                                    const char* face) {
  static const char kError[] = "#ferror in function 'GetTextTexture'.";
  std::uint16_t code = 0;
  if (!character || !OneCp932Character(L, 2, code)) {
    bind::RaiseArgumentError(L, kError, 2, "one CP932 character");
  }
  const D3DARGB& c = Need(L, color, kError, 3, "const D3DARGB");
  // An omitted face is the default one; an explicit nil is refused.
  if (!face && !lua_isnone(L, 6)) bind::RaiseArgumentError(L, kError, 6, "string");
  return self->GetTextTexture(code, c.mColor, ToInt(height), ToInt(weight),
                              face ? face : BaseN::FixedText::kDefaultFaceName);
}

}  // namespace RenderN::script

namespace RenderN {

/// RenderN.SavePNG as scripts call it: nil for the handle or the name is refused.
inline void SavePNG(lua_State* L, const SPTEXTUREDATA* texture, const char* fileName) {
  static const char kError[] = "#ferror in function 'SavePNG'.";
  const SPTEXTUREDATA& handle = script::Need(L, texture, kError, 1, "const SPTEXTUREDATA");
  SavePNG(handle, script::NeedText(L, fileName, kError, 2));
}

}  // namespace RenderN

// The fields of a texture handle act on the shared record. The generator's own accessors
// would read through the handle without looking; these refuse an empty handle the way a
// nil object is refused.
namespace RenderN::script {

inline TextureInformationS& NeedRecord(lua_State* L, const char* message) {
  auto* handle = static_cast<SPTEXTUREDATA*>(tolua_tousertype(L, 1, 0));
  if (!handle || !*handle) tolua_error(L, message, nullptr);
  return **handle;
}

inline int GetField(lua_State* L, float TextureInformationS::*field, const char* message) {
  tolua_pushnumber(L, static_cast<lua_Number>(NeedRecord(L, message).*field));
  return 1;
}

inline int SetField(lua_State* L, float TextureInformationS::*field, const char* message) {
  TextureInformationS& record = NeedRecord(L, message);
  tolua_Error error;
  if (!tolua_isnumber(L, 2, 0, &error)) {
    tolua_error(L, "#vinvalid type in variable assignment.", &error);
  }
  record.*field = static_cast<float>(tolua_tonumber(L, 2, 0));
  return 0;
}

}  // namespace RenderN::script

#define TOLUA_DISABLE_tolua_get_SPTEXTUREDATA_mWidth
#define TOLUA_DISABLE_tolua_set_SPTEXTUREDATA_mWidth
#define TOLUA_DISABLE_tolua_get_SPTEXTUREDATA_mHeight
#define TOLUA_DISABLE_tolua_set_SPTEXTUREDATA_mHeight

inline int tolua_get_SPTEXTUREDATA_mWidth(lua_State* L) {
  return RenderN::script::GetField(L, &RenderN::TextureInformationS::mWidth,
                                   "invalid 'self' in accessing variable 'mWidth'");
}
inline int tolua_set_SPTEXTUREDATA_mWidth(lua_State* L) {
  return RenderN::script::SetField(L, &RenderN::TextureInformationS::mWidth,
                                   "invalid 'self' in accessing variable 'mWidth'");
}
inline int tolua_get_SPTEXTUREDATA_mHeight(lua_State* L) {
  return RenderN::script::GetField(L, &RenderN::TextureInformationS::mHeight,
                                   "invalid 'self' in accessing variable 'mHeight'");
}
inline int tolua_set_SPTEXTUREDATA_mHeight(lua_State* L) {
  return RenderN::script::SetField(L, &RenderN::TextureInformationS::mHeight,
                                   "invalid 'self' in accessing variable 'mHeight'");
}
