// What the Light binding needs beyond the generated code: the light record GetLight
// returns is a type without a class table, which tolua++ cannot push a second time.
#pragma once

#include <lua.hpp>

namespace bind {

/// Lets tolua++ hand out the same userdata again for an object of `type`, a type with no
/// class of its own. Its pusher looks the cached userdata's metatable up among the
/// recorded base types; a type never given a base has no entry there, and the pusher
/// then corrupts that metatable. Recording the type as its own base avoids that path.
inline void RecordAsOwnBase(lua_State* L, const char* type) {
  lua_pushliteral(L, "tolua_super");
  lua_rawget(L, LUA_REGISTRYINDEX);  // super
  luaL_getmetatable(L, type);        // super mt
  if (!lua_istable(L, -2) || !lua_istable(L, -1)) {
    lua_pop(L, 2);
    return;
  }
  lua_pushvalue(L, -1);
  lua_rawget(L, -3);  // super mt bases
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushvalue(L, -2);
    lua_pushvalue(L, -2);
    lua_rawset(L, -5);  // super[mt] = bases
  }
  lua_pushstring(L, type);
  lua_pushboolean(L, 1);
  lua_rawset(L, -3);  // bases[type] = true
  lua_pop(L, 3);
}

}  // namespace bind
