// Member lookup of engine objects, as tolua++ does it, without its repeated work.
//
// tolua++'s __index walks the class chain and, at every class, asks lua_isnumber of the
// key, which for a method name is a strlen and a failed strtod; its __newindex does the
// same and then calls the field's setter through lua_call. A script that moves ten
// thousand sprites a frame sets six matrix fields and calls one method per sprite, so
// this is most of its time. The lookup below decides once whether the key can be a
// number, walks the same chain in the same order, and reads or writes the float fields
// of D3DMATRIX and D3DVECTOR (and so of every class derived from them) in place. Each
// class gets its own closures, which know the class's metatable and what floats it has:
// for an object of that class (every access the VM makes) nothing is looked up in a
// table but the member itself.
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
constexpr int kOwnMt = 7;      // the metatable of the class the closure was made for

enum FloatKind { kNoFloats = 0, kMatrixFloats = 1, kVectorFloats = 2 };

// What floats objects with the metatable at `mt` have: the first of the two math
// metatables found along its chain of bases.
FloatKind KindOfMetatable(lua_State* L, int mt, int matrixMt, int vectorMt) {
  FloatKind kind = kNoFloats;
  lua_pushvalue(L, mt);  // walker
  do {
    if (lua_rawequal(L, -1, matrixMt)) kind = kMatrixFloats;
    if (lua_rawequal(L, -1, vectorMt)) kind = kVectorFloats;
  } while (kind == kNoFloats && lua_getmetatable(L, -1) && (lua_remove(L, -2), true));
  lua_pop(L, 1);
  return kind;
}

// Whether the object at index 1 is of the closure's own class; a script can call a
// class's metamethod with any value.
bool OfOwnClass(lua_State* L) {
  if (!lua_getmetatable(L, 1)) return false;
  const bool own = lua_rawequal(L, -1, lua_upvalueindex(kOwnMt)) != 0;
  lua_pop(L, 1);
  return own;
}

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
  const FloatKind kind = KindOfMetatable(L, lua_gettop(L), lua_upvalueindex(kMatrixMt),
                                         lua_upvalueindex(kVectorMt));
  lua_pushinteger(L, kind);
  lua_rawset(L, lua_upvalueindex(kKinds));
  return kind;
}

// The float a string key names in an object of that kind, or -1.
int FloatField(const char* key, size_t length, FloatKind kind) {
  if (kind == kMatrixFloats && length == 3 && key[0] == '_' && key[1] >= '1' &&
      key[1] <= '4' && key[2] >= '1' && key[2] <= '4') {
    return (key[1] - '1') * 4 + (key[2] - '1');
  }
  if (kind == kVectorFloats && length == 1 && key[0] >= 'x' && key[0] <= 'z') {
    return key[0] - 'x';
  }
  return -1;
}

// False when the string key certainly is not a number to lua_isnumber; true when it may
// be (then tolua++ looks for an indexing operator instead of a member, and so do we, by
// handing the access back). A name that starts with a letter other than i or n cannot be
// read by strtod; "inf" and "nan" can.
bool KeyMayBeNumber(lua_State* L, const char* key, size_t length) {
  if (length == 0) return false;
  const char c = key[0];
  const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
  if (letter && c != 'i' && c != 'I' && c != 'n' && c != 'N') return false;
  return lua_isnumber(L, 2) != 0;
}

// The key at index 2 when it is a string (with its length), null for any other key but a
// number; false when tolua++'s own lookup must answer (the object is no userdata, or the
// key is or may be a number).
bool ReadKey(lua_State* L, const char** key, size_t* length) {
  *key = nullptr;
  *length = 0;
  if (lua_type(L, 1) != LUA_TUSERDATA) return false;
  switch (lua_type(L, 2)) {
    case LUA_TNUMBER:
      return false;
    case LUA_TSTRING:
      *key = lua_tolstring(L, 2, length);
      return !KeyMayBeNumber(L, *key, *length);
    default:
      return true;
  }
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

// `Own` is what floats objects of the closure's own class have.
template <FloatKind Own>
int IndexEvent(lua_State* L) {
  // The read a game makes most: a float of an object of this class without a peer.
  if (Own != kNoFloats && lua_type(L, 2) == LUA_TSTRING && lua_type(L, 1) == LUA_TUSERDATA) {
    size_t length = 0;
    const char* name = lua_tolstring(L, 2, &length);
    const int field = FloatField(name, length, Own);
    if (field >= 0 && OfOwnClass(L)) {
      lua_getfenv(L, 1);
      const bool hasPeer = !lua_rawequal(L, -1, TOLUA_NOPEER);
      lua_pop(L, 1);
      const float* floats = hasPeer ? nullptr : ObjectFloats(L);
      if (floats) {
        lua_pushnumber(L, floats[field]);
        return 1;
      }
    }
  }
  const char* key = nullptr;
  size_t length = 0;
  if (!ReadKey(L, &key, &length)) return HandBack(L, 2, 1);
  lua_getfenv(L, 1);
  const bool hasPeer = !lua_rawequal(L, -1, TOLUA_NOPEER);
  lua_settop(L, 2);
  if (hasPeer) return HandBack(L, 2, 1);

  if (!lua_getmetatable(L, 1)) {
    lua_pushnil(L);
    return 1;
  }
  // Only a float's name can name a float (a method's cannot, whatever the class); an
  // object of another class is one a script called this metamethod with itself.
  const bool floatName = key && (FloatField(key, length, kMatrixFloats) >= 0 ||
                                 FloatField(key, length, kVectorFloats) >= 0);
  const FloatKind kind = !floatName                                      ? kNoFloats
                         : lua_rawequal(L, -1, lua_upvalueindex(kOwnMt)) ? Own
                                                                         : KindOfObject(L);
  if (kind != kNoFloats) {
    const int field = FloatField(key, length, kind);
    const float* floats = field >= 0 ? ObjectFloats(L) : nullptr;
    if (floats) {
      lua_pushnumber(L, floats[field]);
      return 1;
    }
  }
  do {  // obj key mt
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
  } while (lua_getmetatable(L, -1) && (lua_remove(L, -2), true));
  lua_pushnil(L);
  return 1;
}

template <FloatKind Own>
int NewIndexEvent(lua_State* L) {
  // The assignment a game makes most: a number to a float of an object of this class.
  // Its key is a name no number can be read from, so nothing else needs asking.
  if (Own != kNoFloats && lua_type(L, 3) == LUA_TNUMBER && lua_type(L, 2) == LUA_TSTRING &&
      lua_type(L, 1) == LUA_TUSERDATA) {
    size_t length = 0;
    const char* name = lua_tolstring(L, 2, &length);
    const int field = FloatField(name, length, Own);
    if (field >= 0 && OfOwnClass(L)) {
      if (float* floats = ObjectFloats(L)) {
        floats[field] = static_cast<float>(lua_tonumber(L, 3));
        return 0;
      }
    }
  }
  const char* key = nullptr;
  size_t length = 0;
  if (!ReadKey(L, &key, &length)) return HandBack(L, 3, 0);
  lua_settop(L, 3);
  if (key && lua_type(L, 3) == LUA_TNUMBER) {
    const FloatKind kind = KindOfObject(L);
    const int field = kind != kNoFloats ? FloatField(key, length, kind) : -1;
    float* floats = field >= 0 ? ObjectFloats(L) : nullptr;
    if (floats) {
      floats[field] = static_cast<float>(lua_tonumber(L, 3));
      return 0;
    }
  }
  if (lua_getmetatable(L, 1)) {
    do {  // obj key value mt
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
    } while (lua_getmetatable(L, -1) && (lua_remove(L, -2), true));
  }
  // No such field: tolua++ keeps the value in the object's peer table.
  return HandBack(L, 3, 0);
}

bool IsFastIndex(lua_CFunction function) {
  return function == IndexEvent<kNoFloats> || function == IndexEvent<kMatrixFloats> ||
         function == IndexEvent<kVectorFloats>;
}

void Replace(lua_State* L, const char* event, lua_CFunction function, int matrixMt,
             int vectorMt, int kinds) {
  // Stack: ... mt
  const int mt = lua_gettop(L);
  lua_pushstring(L, event);
  lua_pushstring(L, event);
  lua_rawget(L, mt);  // the original
  lua_pushvalue(L, matrixMt);
  lua_pushvalue(L, vectorMt);
  lua_pushvalue(L, kinds);
  lua_pushliteral(L, ".get");
  lua_pushliteral(L, ".set");
  lua_pushvalue(L, mt);
  lua_pushcclosure(L, function, 7);
  lua_rawset(L, mt);
}

template <FloatKind Kind>
void ReplaceBoth(lua_State* L, int matrixMt, int vectorMt, int kinds) {
  Replace(L, "__index", IndexEvent<Kind>, matrixMt, vectorMt, kinds);
  Replace(L, "__newindex", NewIndexEvent<Kind>, matrixMt, vectorMt, kinds);
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
    const bool done = IsFastIndex(lua_tocfunction(L, -1));
    lua_pop(L, 1);
    if (!done) {
      switch (KindOfMetatable(L, lua_gettop(L), matrixMt, vectorMt)) {
        case kNoFloats:
          ReplaceBoth<kNoFloats>(L, matrixMt, vectorMt, kinds);
          break;
        case kMatrixFloats:
          ReplaceBoth<kMatrixFloats>(L, matrixMt, vectorMt, kinds);
          break;
        case kVectorFloats:
          ReplaceBoth<kVectorFloats>(L, matrixMt, vectorMt, kinds);
          break;
      }
    }
    lua_pop(L, 1);
  }
  lua_settop(L, top);
}

}  // namespace bind
