// Loading script files by Windows name, and Lua's file functions taught the same names.
#include "lua/ScriptFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "base/IniSettingsS.h"
#include "platform/console/StandardOutput.h"
#include "platform/path/Path.h"
#include "platform/text/Text.h"

namespace LuaN {
namespace {

// Reads a whole stream; false on a read error (errno set).
bool ReadAll(std::FILE* file, std::string& out) {
  char buffer[65536];
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
    out.append(buffer, n);
    if (n < sizeof buffer) return !std::ferror(file);
  }
}

int FileError(lua_State* L, const char* what, const char* name) {
  lua_pushfstring(L, "cannot %s %s: %s", what, name, std::strerror(errno));
  return LUA_ERRFILE;
}

int DoFile(lua_State* L) {
  const char* name = luaL_optstring(L, 1, nullptr);
  const int base = lua_gettop(L);
  if (LoadScriptFile(L, name) != 0) return lua_error(L);
  lua_call(L, 0, LUA_MULTRET);
  return lua_gettop(L) - base;
}

int LoadFile(lua_State* L) {
  const char* name = luaL_optstring(L, 1, nullptr);
  if (LoadScriptFile(L, name) == 0) return 1;
  lua_pushnil(L);
  lua_insert(L, -2);
  return 2;
}

// io.open and io.lines: the original function, called with the resolved name.
int WithResolvedName(lua_State* L) {
  if (lua_type(L, 1) == LUA_TSTRING) {
    const std::string resolved = platform::path::Resolve(lua_tostring(L, 1));
    lua_pushlstring(L, resolved.data(), resolved.size());
    lua_replace(L, 1);
  }
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
  return lua_gettop(L);
}

void WrapLibraryFunction(lua_State* L, const char* library, const char* name) {
  lua_getglobal(L, library);
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    return;
  }
  lua_getfield(L, -1, name);
  lua_pushcclosure(L, WithResolvedName, 1);
  lua_setfield(L, -2, name);
  lua_pop(L, 1);
}

// Scripts are Shift-JIS, but most editors save UTF-8: strings then reach the text
// textures as bytes that name no character, far from the cause. Say so once per file.
void NoteUtf8Script(const char* name, const std::string& chunk) {
  static std::set<std::string> noted;
  if (!BaseN::GetIniSettings().mDebugMode || !platform::text::LooksLikeUtf8(chunk)) return;
  if (!noted.insert(name).second) return;
  platform::console::Write(std::string("*** ") + name +
                           " looks like UTF-8; scripts are read as Shift-JIS (CP932): save it "
                           "as Shift-JIS ***\n");
  platform::console::Flush();
}

}  // namespace

int LoadScriptFile(lua_State* L, const char* name) {
  std::string chunk;
  std::string chunkName;
  if (name == nullptr) {
    chunkName = "=stdin";
    if (!ReadAll(stdin, chunk)) return FileError(L, "read", "stdin");
  } else {
    chunkName = std::string("@") + name;
    const std::string path = platform::path::Resolve(name);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return FileError(L, "open", name);
    const bool ok = ReadAll(file, chunk);
    std::fclose(file);
    if (!ok) return FileError(L, "read", name);
    NoteUtf8Script(name, chunk);
  }
  // A first line starting with '#' (a Unix exec line) is skipped; its line end stays so
  // that line numbers in messages are right.
  if (!chunk.empty() && chunk[0] == '#') {
    const std::size_t end = chunk.find('\n');
    chunk.erase(0, end == std::string::npos ? chunk.size() : end);
  }
  return luaL_loadbuffer(L, chunk.data(), chunk.size(), chunkName.c_str());
}

void InstallWindowsFileNames(lua_State* L) {
  lua_register(L, "dofile", DoFile);
  lua_register(L, "loadfile", LoadFile);
  WrapLibraryFunction(L, "io", "open");
  WrapLibraryFunction(L, "io", "lines");
}

}  // namespace LuaN
