// Member lookup of engine objects, as tolua++ does it, without its repeated work.
//
// tolua++'s __index walks the class chain and, at every class, asks lua_isnumber of the
// key, which for a method name is a strlen and a failed strtod; its __newindex does the
// same and then calls the field's setter through lua_call. A script that moves ten
// thousand sprites a frame sets six matrix fields and calls one method per sprite, so
// this is most of its time. The lookup below decides once whether the key can be a
// number, walks the same chain in the same order, and reads or writes the float fields
// of D3DMATRIX and D3DVECTOR (and so of every class derived from them) in place.
#include "bind/FastMemberAccess.h"

#include <tolua++.h>

#include "platform/gfx/D3DTypes.h"

namespace bind {
namespace {

// Upvalues of both closures.
constexpr int kOriginal = 1;   // tolua++'s own event function, for everything unusual
constexpr int kMatrixMt = 2;   // the metatable of D3DMATRIX
constexpr int kVectorMt = 3;   // the metatable of D3DVECTOR
constexpr int kKinds = 4;      // { [class metatable] = kind of its floats }, filled on use
constexpr int kGetters = 5;    // the strings ".get" and ".set", interned once
constexpr int kSetters = 6;

enum FloatKind { kNoFloats = 0, kMatrixFloats = 1, kVectorFloats = 2 };

// Whether the class of the object at index 1 derives from D3DMATRIX or D3DVECTOR; the
// answer is kept per metatable (classes never change their bases).
FloatKind KindOfObject(lua_State* L) {
  if (!lua_getmetatable(L, 1)) return kNoFloats;  // mt
  lua_pushvalue(L, -1);
  lua_rawget(L, lua_upvalueindex(kKinds));  // mt kind
  if (lua_isnumber(L, -1)) {
    const auto kind = static_cast<FloatKind>(lua_tointeger(L, -1));
    lua_pop(L, 2);
    return kind;
  }
  lua_pop(L, 1);
  FloatKind kind = kNoFloats;
  lua_pushvalue(L, -1);  // mt walker
  do {
    if (lua_rawequal(L, -1, lua_upvalueindex(kMatrixMt))) kind = kMatrixFloats;
    if (lua_rawequal(L, -1, lua_upvalueindex(kVectorMt))) kind = kVectorFloats;
  } while (kind == kNoFloats && lua_getmetatable(L, -1) && (lua_remove(L, -2), true));
  lua_pop(L, 1);  // mt
  lua_pushinteger(L, kind);
  lua_rawset(L, lua_upvalueindex(kKinds));
  return kind;
}

// The float a string key names in an object of that kind, or -1.
int FloatField(lua_State* L, FloatKind kind) {
  size_t length = 0;
  const char* key = lua_tolstring(L, 2, &length);
  if (kind == kMatrixFloats && length == 3 && key[0] == '_' && key[1] >= '1' &&
      key[1] <= '4' && key[2] >= '1' && key[2] <= '4') {
    return (key[1] - '1') * 4 + (key[2] - '1');
  }
  if (kind == kVectorFloats && length == 1 && key[0] >= 'x' && key[0] <= 'z') {
    return key[0] - 'x';
  }
  return -1;
}

// False when the key certainly is not a number to lua_isnumber; true when it may be (then
// tolua++ looks for an indexing operator instead of a member, and so do we, by handing
// the access back). A name that starts with a letter other than i or n cannot be read by
// strtod; "inf" and "nan" can.
bool KeyMayBeNumber(lua_State* L) {
  const int type = lua_type(L, 2);
  if (type == LUA_TNUMBER) return true;
  if (type != LUA_TSTRING) return false;
  size_t length = 0;
  const char* key = lua_tolstring(L, 2, &length);
  if (length == 0) return false;
  const char c = key[0];
  const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
  if (letter && c != 'i' && c != 'I' && c != 'n' && c != 'N') return false;
  return lua_isnumber(L, 2) != 0;
}

float* ObjectFloats(lua_State* L) {
  return *static_cast<float**>(lua_touserdata(L, 1));
}

int HandBack(lua_State* L, int arguments, int results) {
  lua_settop(L, arguments);
  lua_pushvalue(L, lua_upvalueindex(kOriginal));
  lua_insert(L, 1);
  lua_call(L, arguments, results);
  return results;
}

int IndexEvent(lua_State* L) {
  if (lua_type(L, 1) != LUA_TUSERDATA || KeyMayBeNumber(L)) return HandBack(L, 2, 1);
  lua_getfenv(L, 1);
  const bool hasPeer = !lua_rawequal(L, -1, TOLUA_NOPEER);
  lua_settop(L, 2);
  if (hasPeer) return HandBack(L, 2, 1);

  const int field = FloatField(L, KindOfObject(L));
  const float* floats = ObjectFloats(L);
  if (field >= 0 && floats) {
    lua_pushnumber(L, floats[field]);
    return 1;
  }
  lua_pushvalue(L, 1);  // obj key obj
  while (lua_getmetatable(L, -1)) {
    lua_remove(L, -2);  // obj key mt
    lua_pushvalue(L, 2);
    lua_rawget(L, -2);  // obj key mt member
    if (!lua_isnil(L, -1)) return 1;
    lua_pop(L, 1);
    lua_pushvalue(L, lua_upvalueindex(kGetters));
    lua_rawget(L, -2);  // obj key mt getters
    if (lua_istable(L, -1)) {
      lua_pushvalue(L, 2);
      lua_rawget(L, -2);  // obj key mt getters getter
      if (lua_iscfunction(L, -1)) {
        lua_pushvalue(L, 1);
        lua_pushvalue(L, 2);
        lua_call(L, 2, 1);
        return 1;
      }
      if (lua_istable(L, -1)) return HandBack(L, 2, 1);  // an array field
    }
    lua_settop(L, 3);  // obj key mt
  }
  lua_pushnil(L);
  return 1;
}

int NewIndexEvent(lua_State* L) {
  if (lua_type(L, 1) != LUA_TUSERDATA || KeyMayBeNumber(L)) return HandBack(L, 3, 0);
  lua_settop(L, 3);
  if (lua_type(L, 3) == LUA_TNUMBER) {
    const int field = FloatField(L, KindOfObject(L));
    float* floats = ObjectFloats(L);
    if (field >= 0 && floats) {
      floats[field] = static_cast<float>(lua_tonumber(L, 3));
      return 0;
    }
  }
  lua_pushvalue(L, 1);  // obj key value obj
  while (lua_getmetatable(L, -1)) {
    lua_remove(L, -2);  // obj key value mt
    lua_pushvalue(L, lua_upvalueindex(kSetters));
    lua_rawget(L, -2);  // obj key value mt setters
    if (lua_istable(L, -1)) {
      lua_pushvalue(L, 2);
      lua_rawget(L, -2);  // obj key value mt setters setter
      if (lua_iscfunction(L, -1)) {
        lua_pushvalue(L, 1);
        lua_pushvalue(L, 3);
        lua_call(L, 2, 0);
        return 0;
      }
    }
    lua_settop(L, 4);  // obj key value mt
  }
  // No such field: tolua++ keeps the value in the object's peer table.
  return HandBack(L, 3, 0);
}

void Replace(lua_State* L, const char* event, lua_CFunction function, int matrixMt,
             int vectorMt, int kinds) {
  // Stack: ... mt
  lua_pushstring(L, event);
  lua_pushstring(L, event);
  lua_rawget(L, -3);  // the original
  lua_pushvalue(L, matrixMt);
  lua_pushvalue(L, vectorMt);
  lua_pushvalue(L, kinds);
  lua_pushliteral(L, ".get");
  lua_pushliteral(L, ".set");
  lua_pushcclosure(L, function, 6);
  lua_rawset(L, -3);
}

}  // namespace

void AddFastMemberAccess(lua_State* L) {
  static_assert(sizeof(D3DMATRIX) == 16 * sizeof(float) && sizeof(D3DVECTOR) == 3 * sizeof(float),
                "the float fields are read in place");
  const int top = lua_gettop(L);
  luaL_getmetatable(L, "D3DMATRIX");
  const int matrixMt = lua_gettop(L);
  luaL_getmetatable(L, "D3DVECTOR");
  const int vectorMt = lua_gettop(L);
  if (!lua_istable(L, matrixMt) || !lua_istable(L, vectorMt)) {
    lua_settop(L, top);
    return;
  }
  lua_pushliteral(L, "__index");
  lua_rawget(L, matrixMt);
  const lua_CFunction classIndex = lua_tocfunction(L, -1);
  lua_pop(L, 1);

  // Every class metatable is in the registry under its type name; collect them first so
  // the registry is not walked while tables are changed.
  lua_newtable(L);
  const int list = lua_gettop(L);
  int count = 0;
  lua_newtable(L);
  const int kinds = lua_gettop(L);
  lua_pushnil(L);
  while (lua_next(L, LUA_REGISTRYINDEX)) {
    if (lua_type(L, -2) == LUA_TSTRING && lua_istable(L, -1)) {
      lua_pushliteral(L, "__index");
      lua_rawget(L, -2);
      const bool isClass = lua_tocfunction(L, -1) == classIndex && classIndex != nullptr;
      lua_pop(L, 1);
      if (isClass) {
        lua_pushvalue(L, -1);
        lua_rawseti(L, list, ++count);
      }
    }
    lua_pop(L, 1);
  }
  for (int i = 1; i <= count; ++i) {
    lua_rawgeti(L, list, i);
    // A class can be listed under two names ("T" and "const T" may share a table).
    lua_pushliteral(L, "__index");
    lua_rawget(L, -2);
    const bool done = lua_tocfunction(L, -1) == IndexEvent;
    lua_pop(L, 1);
    if (done) {
      lua_pop(L, 1);
      continue;
    }
    Replace(L, "__index", IndexEvent, matrixMt, vectorMt, kinds);
    Replace(L, "__newindex", NewIndexEvent, matrixMt, vectorMt, kinds);
    lua_pop(L, 1);
  }
  lua_settop(L, top);
}

}  // namespace bind
