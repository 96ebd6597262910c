// Script files named the Windows way. Games pass names like "script\\stage1.lua" to the
// engine and to Lua's own file functions; both open them here through the path resolver.
#pragma once

#include <lua.hpp>

namespace LuaN {

/// Loads a chunk like luaL_loadfile (a leading '#' line is skipped, null reads standard
/// input as "=stdin"), opening `name` as a Windows name. The chunk keeps `name` as its
/// name, so error messages show the file the way the script wrote it.
int LoadScriptFile(lua_State* L, const char* name);

/// Makes dofile, loadfile, io.open and io.lines accept Windows names.
void InstallWindowsFileNames(lua_State* L);

}  // namespace LuaN
