// What the generated mesh-storage and hit-test bindings need: the record handle under its
// script name, nil names refused, `delete` that only empties the single storage, and the
// handle's fields, which refuse an empty handle and hand out vectors that refer into the
// record and keep it alive.
#pragma once

#include <tolua++.h>

#include <lua.hpp>

#include "bind/BindingGlue.h"
#include "render/HitJudgment.h"
#include "render/RenderingScript.h"
#include "render/XFileStorageC.h"
#include "utility/NumberConversion.h"

/// The mesh record handle as scripts name it.
using RenderN::SPXFILEDATA;

namespace RenderN::script {

inline SPXFILEDATA GetXFile(XFileStorageC* self, lua_State* L, const char* name) {
  return self->GetXFile(NeedFile(L, "#ferror in function 'GetXFile'.", name));
}

inline bool Erase(XFileStorageC* self, lua_State* L, const char* name) {
  return self->Erase(NeedFile(L, "#ferror in function 'Erase'.", name));
}

/// delete on the storage: the storage lives for the whole process, so only its entries go.
inline void DropEntries(XFileStorageC* self) { self->ClearAll(); }

inline void Draw(SPXFILEDATA* self) {
  if (*self) (*self)->Draw();
}

inline void DrawSubset(const SPXFILEDATA* self, double index) {
  if (*self) (*self)->DrawSubset(UtilityN::TruncateToInt32(index));
}

// ---- Fields.

inline XFileInformationC& NeedMeshRecord(lua_State* L, const char* message) {
  auto* handle = static_cast<SPXFILEDATA*>(tolua_tousertype(L, 1, 0));
  if (!handle || !*handle) tolua_error(L, message, nullptr);
  return **handle;
}

/// Reading a vector field gives the vector inside the record, which then lives at least
/// as long as that value.
inline int GetVectorField(lua_State* L, Vector3C XFileInformationC::*field, const char* message) {
  XFileInformationC& record = NeedMeshRecord(L, message);
  auto* handle = static_cast<SPXFILEDATA*>(tolua_tousertype(L, 1, 0));
  HoldOwner(L, &(record.*field), "Vector3C", std::shared_ptr<void>(*handle));
  return 1;
}

inline int SetVectorField(lua_State* L, Vector3C XFileInformationC::*field, const char* message) {
  XFileInformationC& record = NeedMeshRecord(L, message);
  tolua_Error error;
  if (tolua_isvaluenil(L, 2, &error) || !tolua_isusertype(L, 2, "Vector3C", 0, &error)) {
    tolua_error(L, "#vinvalid type in variable assignment.", &error);
  }
  record.*field = *static_cast<const Vector3C*>(tolua_tousertype(L, 2, 0));
  return 0;
}

inline int GetRadiusField(lua_State* L) {
  tolua_pushnumber(L, NeedMeshRecord(L, "invalid 'self' in accessing variable 'mRadius'").mRadius);
  return 1;
}

inline int SetRadiusField(lua_State* L) {
  XFileInformationC& record = NeedMeshRecord(L, "invalid 'self' in accessing variable 'mRadius'");
  tolua_Error error;
  if (!tolua_isnumber(L, 2, 0, &error)) tolua_error(L, "#vinvalid type in variable assignment.", &error);
  record.mRadius = static_cast<float>(tolua_tonumber(L, 2, 0));
  return 0;
}

inline int GetMaterialNumField(lua_State* L) {
  tolua_pushnumber(
      L, NeedMeshRecord(L, "invalid 'self' in accessing variable 'mMaterialNum'").mMaterialNum);
  return 1;
}

inline int SetMaterialNumField(lua_State* L) {
  XFileInformationC& record =
      NeedMeshRecord(L, "invalid 'self' in accessing variable 'mMaterialNum'");
  tolua_Error error;
  if (!tolua_isnumber(L, 2, 0, &error)) tolua_error(L, "#vinvalid type in variable assignment.", &error);
  record.mMaterialNum = UtilityN::TruncateToUnsigned(tolua_tonumber(L, 2, 0));
  return 0;
}

}  // namespace RenderN::script

#define HINOKI_MESH_VECTOR_FIELD(name)                                                     \
  inline int tolua_get_SPXFILEDATA_##name(lua_State* L) {                                  \
    return RenderN::script::GetVectorField(L, &RenderN::XFileInformationC::name,           \
                                           "invalid 'self' in accessing variable '" #name "'"); \
  }                                                                                        \
  inline int tolua_set_SPXFILEDATA_##name(lua_State* L) {                                  \
    return RenderN::script::SetVectorField(L, &RenderN::XFileInformationC::name,           \
                                           "invalid 'self' in accessing variable '" #name "'"); \
  }

#define TOLUA_DISABLE_tolua_get_SPXFILEDATA_mOBBCenter
#define TOLUA_DISABLE_tolua_set_SPXFILEDATA_mOBBCenter
#define TOLUA_DISABLE_tolua_get_SPXFILEDATA_mOBBDistance
#define TOLUA_DISABLE_tolua_set_SPXFILEDATA_mOBBDistance
#define TOLUA_DISABLE_tolua_get_SPXFILEDATA_mOBBMin
#define TOLUA_DISABLE_tolua_set_SPXFILEDATA_mOBBMin
#define TOLUA_DISABLE_tolua_get_SPXFILEDATA_mOBBMax
#define TOLUA_DISABLE_tolua_set_SPXFILEDATA_mOBBMax
#define TOLUA_DISABLE_tolua_get_SPXFILEDATA_mRadius
#define TOLUA_DISABLE_tolua_set_SPXFILEDATA_mRadius
#define TOLUA_DISABLE_tolua_get_SPXFILEDATA_mMaterialNum
#define TOLUA_DISABLE_tolua_set_SPXFILEDATA_mMaterialNum

HINOKI_MESH_VECTOR_FIELD(mOBBCenter)
HINOKI_MESH_VECTOR_FIELD(mOBBDistance)
HINOKI_MESH_VECTOR_FIELD(mOBBMin)
HINOKI_MESH_VECTOR_FIELD(mOBBMax)
#undef HINOKI_MESH_VECTOR_FIELD

inline int tolua_get_SPXFILEDATA_mRadius(lua_State* L) { return RenderN::script::GetRadiusField(L); }
inline int tolua_set_SPXFILEDATA_mRadius(lua_State* L) { return RenderN::script::SetRadiusField(L); }
inline int tolua_get_SPXFILEDATA_mMaterialNum(lua_State* L) {
  return RenderN::script::GetMaterialNumField(L);
}
inline int tolua_set_SPXFILEDATA_mMaterialNum(lua_State* L) {
  return RenderN::script::SetMaterialNumField(L);
}
