// The memo behind the math types' argument checks. tolua_isusertype finds out whether a
// value fits a type name by interning the name and "tolua_super" and walking registry
// tables, about a thousand instructions each time; the math operators check two or three
// arguments per call. What it accepted once for one metatable it accepts again: tolua++
// only ever adds names and super classes, it never takes one away. So the memo keeps the
// accepted pairs of metatable and type name, and anything it has not seen is asked of
// tolua_isusertype again, which also keeps every refusal and its error record as they were.
#include "bind/FastTypeCheck.h"

#include <cstring>

namespace bind {
namespace {

// Its address is the registry key of the memo, { [metatable] = bits }, bit 2n for the
// plain name of class n and 2n + 1 for its const name. Being in the registry, the memo
// goes with its Lua state; tests open and close several states in one process.
char gMemoKey;

// The memo bit of `type`, or -1 when `type` is not `plainName` nor its const name.
int MemoBit(const char* type, FastCheckedType plain, const char* plainName) {
  const int bit = 2 * static_cast<int>(plain);
  if (std::strncmp(type, "const ", 6) == 0) {
    return std::strcmp(type + 6, plainName) == 0 ? bit + 1 : -1;
  }
  return std::strcmp(type, plainName) == 0 ? bit : -1;
}

void PushMemo(lua_State* L) {
  lua_pushlightuserdata(L, &gMemoKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
}

bool Remembered(lua_State* L, int lo, int bit) {
  PushMemo(L);                                             // memo
  if (!lua_istable(L, -1) || !lua_getmetatable(L, lo)) {  // memo mt
    lua_pop(L, 1);
    return false;
  }
  lua_rawget(L, -2);  // memo bits
  const bool known = (lua_tointeger(L, -1) >> bit) & 1;
  lua_pop(L, 2);
  return known;
}

void Remember(lua_State* L, int lo, int bit) {
  PushMemo(L);
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushlightuserdata(L, &gMemoKey);
    lua_pushvalue(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);
  }
  if (lua_getmetatable(L, lo)) {  // memo mt
    lua_pushvalue(L, -1);
    lua_rawget(L, -3);  // memo mt bits
    const lua_Integer bits = lua_tointeger(L, -1) | (lua_Integer{1} << bit);
    lua_pop(L, 1);
    lua_pushinteger(L, bits);
    lua_rawset(L, -3);  // memo
  }
  lua_pop(L, 1);
}

}  // namespace

int IsUsertypeMemoized(lua_State* L, int lo, const char* type, int def, tolua_Error* err,
                       FastCheckedType plain, const char* plainName) {
  // Only a full userdata is judged by its metatable alone. Nil, a missing argument, a
  // table standing for an instance and a light userdata keep tolua's own rules; a
  // negative index would move as the memo is pushed.
  const int bit = lo > 0 && lua_type(L, lo) == LUA_TUSERDATA ? MemoBit(type, plain, plainName)
                                                             : -1;
  if (bit < 0) return tolua_isusertype(L, lo, type, def, err);
  if (Remembered(L, lo, bit)) return 1;
  if (!tolua_isusertype(L, lo, type, def, err)) return 0;
  Remember(L, lo, bit);
  return 1;
}

}  // namespace bind
