// The registration order of the script interface. Each step is one generated package;
// steps of subsystems that do not exist yet are added here as they arrive.
#include "bind/Registration.h"

#include <lua.hpp>
#include <tolua++.h>

int tolua_LuaUtility_open(lua_State* L);

namespace bind {

void RegisterScriptInterface(lua_State* L) {
  tolua_LuaUtility_open(L);  // 1: LuaN.LuaUtilityC, LuaN.LUA
}

}  // namespace bind
