// What the generated bindings need beyond the engine headers: the exception boundary,
// argument refusals, and operations whose script form differs from the engine's.
#pragma once

#include <lua.hpp>
#include <tolua++.h>

#include <exception>

#include "lua/LuaUtilityC.h"

namespace bind {

/// Raises a Lua error carrying a C++ exception's text. Called from a catch handler, where
/// no engine object of the failed call is alive any more.
[[noreturn]] void RaiseCppException(lua_State* L, const std::exception& e);

/// Raises the binding's mismatch error for argument `index` expecting `expected`, the
/// way tolua++ reports a wrong argument ("#ferror in function 'NAME'." as `message`).
[[noreturn]] void RaiseArgumentError(lua_State* L, const char* message, int index,
                                     const char* expected);

/// The name argument (#2) of an operation, refused when nil instead of being read.
inline const char* NeedName(lua_State* L, const char* message, const char* name) {
  if (!name) RaiseArgumentError(L, message, 2, "string");
  return name;
}

}  // namespace bind

namespace LuaN {

/// The module function LuaN.LUA: the script host.
LuaUtilityC& LUA();

// Operations that refuse a nil text instead of passing on a null pointer.
void ReloadLuaFile(LuaUtilityC* self, lua_State* L, const char* argument);
void ErrorMessageBox(LuaUtilityC* self, lua_State* L, const char* text, const char* advice);

}  // namespace LuaN
