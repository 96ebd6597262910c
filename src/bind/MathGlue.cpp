// Registrations of the math classes beyond what tolua++ generates.
#include "bind/MathGlue.h"

#include <cstring>

namespace bind {
namespace {

int ComponentAddress(lua_State* L) {
  lua_pushlightuserdata(L, tolua_tousertype(L, 1, nullptr));
  return 1;
}

void SetClassField(lua_State* L, const char* type, const char* name, lua_CFunction function,
                   bool keepPrevious) {
  luaL_getmetatable(L, type);
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    return;
  }
  lua_pushstring(L, name);
  if (keepPrevious) {
    lua_pushstring(L, name);
    lua_rawget(L, -3);
    lua_pushstring(L, type);
    lua_pushcclosure(L, function, 2);
  } else {
    lua_pushcfunction(L, function);
  }
  lua_rawset(L, -3);
  lua_pop(L, 1);
}

// new, new_local and the class call with one number: refused; otherwise the generated
// constructor (upvalue 1) runs as it would have.
int ConstructUnlessSingleNumber(lua_State* L) {
  if (lua_gettop(L) == 2 && lua_type(L, 2) == LUA_TNUMBER) {
    const char* type = lua_tostring(L, lua_upvalueindex(2));
    const bool matrix = std::strstr(type, "MATRIX") || std::strstr(type, "Matrix");
    return luaL_error(L, "%s cannot be made from one number: give %s", type,
                      matrix ? "16 numbers or a matrix" : "x, y and z or a vector");
  }
  // The generated constructor runs on this very stack, without a second Lua call.
  const lua_CFunction constructor = lua_tocfunction(L, lua_upvalueindex(1));
  return constructor ? constructor(L) : luaL_error(L, "constructor of %s is missing",
                                                   lua_tostring(L, lua_upvalueindex(2)));
}

int DegreeOfAngle(lua_State* L) {
  tolua_Error error{};
  if (!tolua_isusertype(L, 1, "const AngleC", 0, &error) || !tolua_isnoobj(L, 2, &error)) {
    tolua_error(L, const_cast<char*>("#ferror in function '.const DegreeC&'."), &error);
    return 0;
  }
  const auto* angle = static_cast<const AngleC*>(tolua_tousertype(L, 1, nullptr));
  if (!angle) return luaL_error(L, "invalid 'self' in function '.const DegreeC&'");
  tolua_pushusertype(L, new DegreeC(angle->mDegree), "DegreeC");
  tolua_register_gc(L, lua_gettop(L));
  return 1;
}

}  // namespace

void AddDegreeConversion(lua_State* L) {
  SetClassField(L, "AngleC", ".const DegreeC&", DegreeOfAngle, false);
}

void AddArrayConversions(lua_State* L) {
  for (const char* type : {"D3DXVECTOR3", "D3DXMATRIX"}) {
    SetClassField(L, type, ".float*", ComponentAddress, false);
    SetClassField(L, type, ".const float*", ComponentAddress, false);
  }
}

void RefuseSingleNumberConstructors(lua_State* L) {
  for (const char* type : {"D3DXVECTOR3", "Vector3C", "D3DXMATRIX", "MatrixC"}) {
    for (const char* name : {"new", "new_local", ".call"}) {
      SetClassField(L, type, name, ConstructUnlessSingleNumber, true);
    }
  }
}

}  // namespace bind
