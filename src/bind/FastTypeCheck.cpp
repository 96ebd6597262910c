// The memo behind the argument checks of engine classes. tolua_isusertype finds out
// whether a value fits a type name by interning the name and "tolua_super" and walking
// registry tables, about a thousand instructions each time; a method call checks its self
// and often one or two more arguments. What it accepted once for one metatable it accepts
// again: tolua++ only ever adds names and super classes, it never takes one away, and a
// class metatable lives in the registry as long as its Lua state. So the memo keeps
// accepted pairs of metatable and type name, and anything it has not seen is asked of
// tolua_isusertype again, which also keeps every refusal and its error record as they were.
#include "bind/FastTypeCheck.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace bind {
namespace {

// Accepted pairs, one memo per Lua state, kept in a userdata in its registry (tests open
// and close several states in one process; a new state may get an old one's addresses).
// Each pair has one slot, chosen by its addresses; a pair that lands on a taken slot
// takes it over, the one it pushes out is asked of tolua_isusertype again when next seen.
struct Memo {
  static constexpr std::size_t kSlots = 512;
  struct Slot {
    const void* metatable;
    const char* type;
  };
  Slot slots[kSlots];
  bool closed;  // its state is being closed: nothing is remembered any more

  static std::size_t SlotOf(const void* metatable, const char* type) {
    const auto m = reinterpret_cast<std::uintptr_t>(metatable);
    const auto t = reinterpret_cast<std::uintptr_t>(type);
    std::uintptr_t h = (m >> 4) ^ (t * 0x9E3779B1u);
    h ^= h >> 11;
    return h & (kSlots - 1);
  }
};

// Its address is the memo's registry key.
char gMemoKey;

// The memo last used, and the state it belongs to (known by its registry, which all the
// state's threads share): a call finds it without a registry lookup.
const void* gLastRegistry = nullptr;
Memo* gLastMemo = nullptr;

int CloseMemo(lua_State* L) {
  auto* memo = static_cast<Memo*>(lua_touserdata(L, 1));
  if (!memo) return 0;
  memo->closed = true;
  if (gLastMemo == memo) {
    gLastMemo = nullptr;
    gLastRegistry = nullptr;
  }
  return 0;
}

Memo* MemoOf(lua_State* L, bool create) {
  const void* registry = lua_topointer(L, LUA_REGISTRYINDEX);
  if (registry == gLastRegistry) return gLastMemo;
  lua_pushlightuserdata(L, &gMemoKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  auto* memo = static_cast<Memo*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  if (!memo) {
    if (!create) return nullptr;
    memo = new (lua_newuserdata(L, sizeof(Memo))) Memo{};
    lua_newtable(L);
    lua_pushcfunction(L, CloseMemo);
    lua_setfield(L, -2, "__gc");
    lua_setmetatable(L, -2);
    lua_pushlightuserdata(L, &gMemoKey);
    lua_insert(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);
  }
  if (memo->closed) return nullptr;
  gLastRegistry = registry;
  gLastMemo = memo;
  return memo;
}

// The address of the metatable of the full userdata at `lo`, or null.
const void* MetatableOf(lua_State* L, int lo) {
  if (!lua_getmetatable(L, lo)) return nullptr;
  const void* metatable = lua_topointer(L, -1);
  lua_pop(L, 1);
  return metatable;
}

}  // namespace

int IsUsertypeFast(lua_State* L, int lo, const char* type, int def, tolua_Error* err) {
  // Only a full userdata is judged by its metatable alone. Nil, a missing argument, a
  // table standing for an instance and a light userdata keep tolua's own rules; a
  // negative index would move as the memo is reached.
  if (lo <= 0 || lua_type(L, lo) != LUA_TUSERDATA) return tolua_isusertype(L, lo, type, def, err);
  const void* metatable = MetatableOf(L, lo);
  if (!metatable) return tolua_isusertype(L, lo, type, def, err);
  const std::size_t slot = Memo::SlotOf(metatable, type);
  if (Memo* memo = MemoOf(L, false)) {
    const Memo::Slot& known = memo->slots[slot];
    if (known.metatable == metatable && known.type == type) return 1;
  }
  if (!tolua_isusertype(L, lo, type, def, err)) return 0;
  if (Memo* memo = MemoOf(L, true)) memo->slots[slot] = Memo::Slot{metatable, type};
  return 1;
}

}  // namespace bind
