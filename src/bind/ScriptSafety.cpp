// The guards around tolua++'s runtime. tolua++ trusts its callers: its own event code
// calls field accessors and collectors with objects of the right class, and its utility
// table assumes well-formed arguments. Scripts can reach all of these directly, so each is
// wrapped in a closure that checks first and then calls the original.
#include "bind/ScriptSafety.h"

#include <tolua++.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace bind {
namespace {

// The object being finalised by the garbage collector (or by a script's __gc call); its
// class's collector may run only for it.
void* gCollecting = nullptr;

// Registry key of the weak set of objects scripts made with "new": the only objects not
// owned by anyone that a script may hand to the collector.
const char kScriptMade[] = "hinoki.script_made";

void** Box(lua_State* L, int index) {
  return lua_type(L, index) == LUA_TUSERDATA ? static_cast<void**>(lua_touserdata(L, index))
                                             : nullptr;
}

[[noreturn]] void Raise(lua_State* L, const std::string& message) {
  luaL_where(L, 1);
  lua_pushstring(L, message.c_str());
  lua_concat(L, 2);
  lua_error(L);
  std::abort();  // lua_error does not return
}

// A field accessor: upvalue 1 the original C function, 2 the class name, 3 the field.
int CheckedField(lua_State* L) {
  const char* className = lua_tostring(L, lua_upvalueindex(2));
  tolua_Error error{};
  // A const object of the class (a value returned as const) reads its fields with the
  // same accessors.
  tolua_Error ignored{};
  if (!tolua_isusertype(L, 1, className, 0, &error) &&
      !tolua_isusertype(L, 1, (std::string("const ") + className).c_str(), 0, &ignored)) {
    const std::string message =
        std::string("#ferror in accessing variable '") + lua_tostring(L, lua_upvalueindex(3)) + "'.";
    tolua_error(L, const_cast<char*>(message.c_str()), &error);
  }
  void** box = Box(L, 1);
  if (!box || !*box) {
    Raise(L, std::string("invalid 'self' in accessing variable '") +
                 lua_tostring(L, lua_upvalueindex(3)) + "'");
  }
  const auto original = reinterpret_cast<lua_CFunction>(lua_touserdata(L, lua_upvalueindex(1)));
  return original(L);
}

// Forgets the object's userdata in tolua++'s pointer-to-userdata cache, so that a new
// object at the same address gets a userdata of its own, not this emptied one.
void ForgetInCache(lua_State* L, int index, void* pointer) {
  if (!lua_getmetatable(L, index)) return;
  lua_pushliteral(L, "tolua_ubox");
  lua_rawget(L, -2);
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    lua_pushliteral(L, "tolua_ubox");
    lua_rawget(L, LUA_REGISTRYINDEX);
  }
  if (lua_istable(L, -1)) {
    lua_pushlightuserdata(L, pointer);
    lua_rawget(L, -2);
    if (lua_rawequal(L, -1, index)) {
      lua_pushlightuserdata(L, pointer);
      lua_pushnil(L);
      lua_rawset(L, -4);
    }
    lua_pop(L, 1);
  }
  lua_pop(L, 2);
}

// A class's collector: upvalue 1 the original. It frees only the object being finalised;
// afterwards the userdata holds no pointer, so every later use is "invalid 'self'".
int CheckedCollector(lua_State* L) {
  void** box = Box(L, 1);
  if (!box || !*box) return 0;
  if (*box != gCollecting) {
    Raise(L, "'.collector' is called by the garbage collector, not by scripts");
  }
  void* pointer = *box;
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_pushvalue(L, 1);
  lua_call(L, 1, 0);
  *box = nullptr;
  ForgetInCache(L, 1, pointer);
  return 0;
}

// The finaliser of every class: upvalue 1 tolua++'s own. Called by a script it collects
// an object the script owns, just as the garbage collector would, and nothing else.
int CheckedGc(lua_State* L) {
  void** box = Box(L, 1);
  if (!box || !*box) return 0;
  void* previous = gCollecting;
  gCollecting = *box;
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_pushvalue(L, 1);
  const int status = lua_pcall(L, 1, 0, 0);
  gCollecting = previous;
  if (status != 0) lua_error(L);
  return 0;
}

// A class's "new": upvalue 1 the original. Marks the object as made by a script.
int RecordingNew(lua_State* L) {
  const int base = lua_gettop(L);
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, base, LUA_MULTRET);
  if (lua_gettop(L) >= 1 && lua_type(L, 1) == LUA_TUSERDATA) {
    lua_getfield(L, LUA_REGISTRYINDEX, kScriptMade);
    lua_pushvalue(L, 1);
    lua_pushboolean(L, 1);
    lua_rawset(L, -3);
    lua_pop(L, 1);
  }
  return lua_gettop(L);
}

bool IsOwned(lua_State* L, void* pointer) {
  lua_getfield(L, LUA_REGISTRYINDEX, "tolua_gc");
  lua_pushlightuserdata(L, pointer);
  lua_rawget(L, -2);
  const bool owned = !lua_isnil(L, -1);
  lua_pop(L, 2);
  return owned;
}

// The name of a registered class, or null.
const char* ClassName(lua_State* L, int index) {
  if (!lua_getmetatable(L, index)) return nullptr;
  lua_rawget(L, LUA_REGISTRYINDEX);
  const char* name = lua_isstring(L, -1) ? lua_tostring(L, -1) : nullptr;
  lua_pop(L, 1);  // the string stays interned by the registry
  return name;
}

void CallOriginal(lua_State* L, int results) {
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, lua_gettop(L) - 1, results);
}

int SafeTakeOwnership(lua_State* L) {
  void** box = Box(L, 1);
  if (!box || !*box || !ClassName(L, 1)) {
    lua_pushboolean(L, 0);
    return 1;
  }
  if (IsOwned(L, *box)) {
    lua_pushboolean(L, 0);  // a script already owns it
    return 1;
  }
  lua_getfield(L, LUA_REGISTRYINDEX, kScriptMade);
  lua_pushvalue(L, 1);
  lua_rawget(L, -2);
  const bool scriptMade = lua_toboolean(L, -1) != 0;
  lua_pop(L, 2);
  if (!scriptMade) {
    Raise(L, std::string("tolua.takeownership: the engine owns this ") + ClassName(L, 1) +
                 "; a script can take over only what it made with new");
  }
  lua_settop(L, 1);
  CallOriginal(L, 1);
  return 1;
}

int SafeReleaseOwnership(lua_State* L) {
  void** box = Box(L, 1);
  if (!box || !*box) {
    lua_pushboolean(L, 0);
    return 1;
  }
  lua_settop(L, 1);
  CallOriginal(L, 1);
  return 1;
}

// tolua.cast(object, "Class"): only to the object's own class or one it derives from; a
// cast to any other class would let scripts treat its memory as another type.
int SafeCast(lua_State* L) {
  if (lua_isnil(L, 1)) {
    lua_pushnil(L);
    return 1;
  }
  void** box = Box(L, 1);
  if (!box || !ClassName(L, 1)) Raise(L, "tolua.cast: argument #1 is not an engine object");
  if (lua_type(L, 2) != LUA_TSTRING) Raise(L, "tolua.cast: argument #2 must be a class name");
  const char* target = lua_tostring(L, 2);
  luaL_getmetatable(L, target);
  const bool known = lua_istable(L, -1);
  lua_pop(L, 1);
  tolua_Error error{};
  if (!known || !tolua_isusertype(L, 1, target, 0, &error)) {
    Raise(L, std::string("tolua.cast: a ") + ClassName(L, 1) + " is no '" + target + "'");
  }
  lua_settop(L, 2);
  CallOriginal(L, 1);
  return 1;
}

int SafeInherit(lua_State* L) {
  if (!lua_istable(L, 1)) Raise(L, "tolua.inherit: argument #1 must be a table");
  if (!Box(L, 2) || !ClassName(L, 2)) Raise(L, "tolua.inherit: argument #2 is not an engine object");
  lua_settop(L, 2);
  CallOriginal(L, 0);
  return 0;
}

int SafeSetPeer(lua_State* L) {
  if (!Box(L, 1)) Raise(L, "tolua.setpeer: argument #1 is not an engine object");
  if (!lua_istable(L, 2) && !lua_isnil(L, 2)) {
    Raise(L, "tolua.setpeer: argument #2 must be a table or nil");
  }
  lua_settop(L, 2);
  CallOriginal(L, 0);
  return 0;
}

int SafeGetPeer(lua_State* L) {
  if (!Box(L, 1)) Raise(L, "tolua.getpeer: argument #1 is not an engine object");
  lua_settop(L, 1);
  CallOriginal(L, 1);
  return 1;
}

void Replace(lua_State* L, int table, const char* name, lua_CFunction checked) {
  lua_getfield(L, table, name);
  if (!lua_isfunction(L, -1)) {
    lua_pop(L, 1);
    return;
  }
  lua_pushcclosure(L, checked, 1);
  lua_setfield(L, table, name);
}

void GuardFields(lua_State* L, int mt, const char* table, const char* className) {
  lua_getfield(L, mt, table);
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    return;
  }
  const int fields = lua_gettop(L);
  std::vector<std::string> names;
  lua_pushnil(L);
  while (lua_next(L, fields)) {
    if (lua_type(L, -2) == LUA_TSTRING && lua_tocfunction(L, -1) &&
        lua_tocfunction(L, -1) != CheckedField) {
      names.emplace_back(lua_tostring(L, -2));
    }
    lua_pop(L, 1);
  }
  for (const std::string& name : names) {
    lua_getfield(L, fields, name.c_str());
    lua_pushlightuserdata(L, reinterpret_cast<void*>(lua_tocfunction(L, -1)));
    lua_remove(L, -2);
    lua_pushstring(L, className);
    lua_pushstring(L, name.c_str());
    lua_pushcclosure(L, CheckedField, 3);
    lua_setfield(L, fields, name.c_str());
  }
  lua_pop(L, 1);
}

// Wraps the function under `key` of the table at `mt` once (tables shared by two names are
// seen twice).
void WrapOnce(lua_State* L, int mt, const char* key, lua_CFunction wrapper) {
  lua_pushstring(L, key);
  lua_rawget(L, mt);
  if (!lua_isfunction(L, -1) || lua_tocfunction(L, -1) == wrapper) {
    lua_pop(L, 1);
    return;
  }
  lua_pushcclosure(L, wrapper, 1);
  lua_pushstring(L, key);
  lua_insert(L, -2);
  lua_rawset(L, mt);
}

}  // namespace

void GuardScriptInterface(lua_State* L) {
  const int top = lua_gettop(L);
  lua_newtable(L);
  lua_newtable(L);
  lua_pushliteral(L, "k");
  lua_setfield(L, -2, "__mode");
  lua_setmetatable(L, -2);
  lua_setfield(L, LUA_REGISTRYINDEX, kScriptMade);

  // Class metatables are in the registry under their names, and their names under them.
  std::vector<std::string> classes;
  lua_pushnil(L);
  while (lua_next(L, LUA_REGISTRYINDEX)) {
    if (lua_type(L, -2) == LUA_TSTRING && lua_istable(L, -1)) {
      lua_pushvalue(L, -1);
      lua_rawget(L, LUA_REGISTRYINDEX);
      if (lua_rawequal(L, -1, -3)) classes.emplace_back(lua_tostring(L, -3));
      lua_pop(L, 1);
    }
    lua_pop(L, 1);
  }
  for (const std::string& name : classes) {
    luaL_getmetatable(L, name.c_str());
    const int mt = lua_gettop(L);
    GuardFields(L, mt, ".get", name.c_str());
    GuardFields(L, mt, ".set", name.c_str());
    WrapOnce(L, mt, ".collector", CheckedCollector);
    WrapOnce(L, mt, "__gc", CheckedGc);
    WrapOnce(L, mt, "new", RecordingNew);
    lua_settop(L, top);
  }

  lua_getglobal(L, "tolua");
  if (lua_istable(L, -1)) {
    const int tolua = lua_gettop(L);
    Replace(L, tolua, "takeownership", SafeTakeOwnership);
    Replace(L, tolua, "releaseownership", SafeReleaseOwnership);
    Replace(L, tolua, "cast", SafeCast);
    Replace(L, tolua, "inherit", SafeInherit);
    Replace(L, tolua, "setpeer", SafeSetPeer);
    Replace(L, tolua, "getpeer", SafeGetPeer);
  }
  lua_settop(L, top);
}

}  // namespace bind
