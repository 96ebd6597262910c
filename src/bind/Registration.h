// Registration of the script interface into a Lua state, in its fixed order.
#pragma once

struct lua_State;

namespace bind {

/// Registers every class, module and function scripts see, in the defined order.
void RegisterScriptInterface(lua_State* L);

}  // namespace bind
