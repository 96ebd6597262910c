// The registration order of the script interface. Each step is one generated package;
// steps of subsystems that do not exist yet are added here as they arrive.
#include "bind/Registration.h"

#include <lua.hpp>
#include <tolua++.h>

#include "bind/MathGlue.h"

int tolua_LuaUtility_open(lua_State* L);
int tolua_Vector_open(lua_State* L);
int tolua_Random_open(lua_State* L);
int tolua_Matrix_open(lua_State* L);
int tolua_Angle_open(lua_State* L);
int tolua_Input_open(lua_State* L);
int tolua_WaveSound_open(lua_State* L);
int tolua_Color_open(lua_State* L);
int tolua_Smooth_open(lua_State* L);

namespace bind {

void RegisterScriptInterface(lua_State* L) {
  tolua_LuaUtility_open(L);  // 1: LuaN.LuaUtilityC, LuaN.LUA
  tolua_Vector_open(L);      // 2: D3DVECTOR, D3DXVECTOR3, Vector3C
  tolua_Random_open(L);      // 3: RandomC
  tolua_Matrix_open(L);      // 4: D3DMATRIX, D3DXMATRIX, MatrixC (and viewport, quaternion)
  tolua_Angle_open(L);       // 5: DegreeC, RadianC, AngleC
  tolua_Input_open(L);       // 6: InputN.ExternalInputC, constants, InputN.EXINPUT
  tolua_WaveSound_open(L);  // 8: SoundN.WaveSoundDirectorC, SoundN.WAVESOUND
  tolua_Color_open(L);       // 9: D3DARGB
  tolua_Smooth_open(L);      // 12: GetSmoothValue, GetSmoothDiff
  AddArrayConversions(L);
  AddDegreeConversion(L);
  RefuseSingleNumberConstructors(L);
}

}  // namespace bind
