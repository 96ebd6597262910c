// Argument checks of engine classes that skip tolua++'s string work when the value's class
// was accepted for the same type before, and the fetch of the checked object. ToluaHooks.lua
// points every generated check of a class (tolua_isusertype) and fetch (tolua_tousertype)
// here.
#pragma once

#include <lua.hpp>
#include <tolua++.h>

namespace bind {

/// tolua_isusertype with a memo, with its signature, as the generator calls it:
/// bind::IsUsertypeFast(tolua_S, 2, "const D3DXMATRIX", 0, &tolua_err). A full userdata
/// whose metatable tolua_isusertype accepted for `type` before in this Lua state is
/// accepted at once; everything else goes to tolua_isusertype, so its answer and error
/// record are kept. `type` must be a string that lives as long as the program (the
/// generated code passes literals): the memo knows it by its address.
int IsUsertypeFast(lua_State* L, int lo, const char* type, int def, tolua_Error* err);

/// tolua_tousertype, with its signature and answers, reading a full userdata directly; the
/// generated code fetches every object argument with it after its check.
inline void* ToUsertypeFast(lua_State* L, int narg, void* def) {
  if (lua_type(L, narg) == LUA_TUSERDATA) return *static_cast<void**>(lua_touserdata(L, narg));
  return tolua_tousertype(L, narg, def);
}

}  // namespace bind
