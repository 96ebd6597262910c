// Argument checks of the math value types that skip tolua++'s string work when the value
// is a kind already accepted before. ToluaHooks.lua points the generated checks of these
// types here; every other type keeps tolua_isusertype.
#pragma once

#include <lua.hpp>
#include <tolua++.h>

// The classes checked this way; ToluaHooks.lua names the same list. A name there that is
// missing here fails to compile, so the two cannot drift apart silently.
#define HINOKI_FAST_CHECKED_TYPES(X) \
  X(D3DVECTOR)                       \
  X(D3DXVECTOR3)                     \
  X(Vector3C)                        \
  X(D3DMATRIX)                       \
  X(D3DXMATRIX)                      \
  X(MatrixC)                         \
  X(DegreeC)                         \
  X(RadianC)                         \
  X(AngleC)                          \
  X(D3DARGB)                         \
  X(D3DVIEWPORT9)                    \
  X(D3DXQUATERNION)

namespace bind {

enum class FastCheckedType : int {
#define HINOKI_FAST_CHECK_ENUM(Name) Name,
  HINOKI_FAST_CHECKED_TYPES(HINOKI_FAST_CHECK_ENUM)
#undef HINOKI_FAST_CHECK_ENUM
};

/// tolua_isusertype with a memo: `plain` is the class the caller checks for and `type` is
/// either `plain` or "const " followed by it. A userdata whose metatable tolua_isusertype
/// accepted for `type` before in this Lua state is accepted at once; everything else, and
/// any other `type`, goes to tolua_isusertype, so its answer and error record are kept.
int IsUsertypeMemoized(lua_State* L, int lo, const char* type, int def, tolua_Error* err,
                       FastCheckedType plain, const char* plainName);

// One entry point per class with tolua_isusertype's signature, as the generator calls it:
// bind::IsFast_D3DXMATRIX(tolua_S, 2, "const D3DXMATRIX", 0, &tolua_err).
#define HINOKI_FAST_CHECK_FUNCTION(Name)                                                   \
  inline int IsFast_##Name(lua_State* L, int lo, const char* type, int def,               \
                           tolua_Error* err) {                                             \
    return IsUsertypeMemoized(L, lo, type, def, err, FastCheckedType::Name, #Name);       \
  }
HINOKI_FAST_CHECKED_TYPES(HINOKI_FAST_CHECK_FUNCTION)
#undef HINOKI_FAST_CHECK_FUNCTION

}  // namespace bind
