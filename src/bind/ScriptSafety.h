// What scripts can reach of the binding runtime, made safe: nothing a script calls may
// free an object the engine still uses, leave a handle pointing at freed memory, or
// reinterpret one class's object as another's.
#pragma once

#include <lua.hpp>

namespace bind {

/// Run once, after every class is registered:
/// - field getters and setters (a class's ".get"/".set" tables) refuse an object of
///   another class;
/// - a collector or "__gc" called by a script frees only an object the script owns, and
///   leaves its userdata empty ("invalid 'self'") instead of dangling;
/// - the "tolua" table's functions check their arguments, and takeownership refuses
///   objects the engine owns (anything a script did not make with "new").
void GuardScriptInterface(lua_State* L);

}  // namespace bind
