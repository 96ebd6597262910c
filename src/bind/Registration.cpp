// The registration order of the script interface. Each step is one generated package;
// steps of subsystems that do not exist yet are added here as they arrive.
#include "bind/Registration.h"

#include <lua.hpp>
#include <tolua++.h>

#include "bind/FastMemberAccess.h"
#include "bind/LightGlue.h"
#include "bind/MathGlue.h"
#include "bind/ScriptSafety.h"
#include "sound/Mp3SoundScript.h"

int tolua_LuaUtility_open(lua_State* L);
int tolua_Vector_open(lua_State* L);
int tolua_Random_open(lua_State* L);
int tolua_Matrix_open(lua_State* L);
int tolua_Angle_open(lua_State* L);
int tolua_Input_open(lua_State* L);
int tolua_Mp3Sound_open(lua_State* L);
int tolua_WaveSound_open(lua_State* L);
int tolua_Color_open(lua_State* L);
int tolua_Device_open(lua_State* L);
int tolua_Renderer_open(lua_State* L);
int tolua_Light_open(lua_State* L);
int tolua_Smooth_open(lua_State* L);
int tolua_Plank_open(lua_State* L);
int tolua_Billboard_open(lua_State* L);
int tolua_Model_open(lua_State* L);
int tolua_Sprite_open(lua_State* L);
int tolua_Texture_open(lua_State* L);
int tolua_XFile_open(lua_State* L);
int tolua_Judgment_open(lua_State* L);
int tolua_ShadowMap_open(lua_State* L);
int tolua_BasicShader_open(lua_State* L);

namespace bind {

void RegisterScriptInterface(lua_State* L) {
  tolua_LuaUtility_open(L);  // 1: LuaN.LuaUtilityC, LuaN.LUA
  tolua_Vector_open(L);      // 2: D3DVECTOR, D3DXVECTOR3, Vector3C
  tolua_Random_open(L);      // 3: RandomC
  tolua_Matrix_open(L);      // 4: D3DMATRIX, D3DXMATRIX, MatrixC (and viewport, quaternion)
  tolua_Angle_open(L);       // 5: DegreeC, RadianC, AngleC
  tolua_Input_open(L);       // 6: InputN.ExternalInputC, constants, InputN.EXINPUT
  tolua_Mp3Sound_open(L);   // 7: SoundN.Mp3SoundDirectorC, SoundN.MP3SOUND, SecTo, MilSecTo
  SoundN::script::AddMediaTimeCollector(L);
  tolua_WaveSound_open(L);  // 8: SoundN.WaveSoundDirectorC, SoundN.WAVESOUND
  tolua_Color_open(L);       // 9: D3DARGB
  tolua_Device_open(L);      // 9: RenderN.D3DDeviceAgentC, RenderN.DEVICE
  tolua_Renderer_open(L);    // 10: RenderN.RenderingManagerC, RenderN.RENDERER
  tolua_Light_open(L);       // 11: LightC, SpotLightC, DirectionalLightC, PointLightC
  RecordAsOwnBase(L, "const D3DLIGHT9");
  tolua_Smooth_open(L);      // 12: GetSmoothValue, GetSmoothDiff
  tolua_Plank_open(L);       // 13: PlankC, SPPLANK
  tolua_Billboard_open(L);   // 14: BillboardC, SPBILLBOARD
  tolua_Model_open(L);       // 15: SPMODEL
  tolua_Sprite_open(L);      // 16: SpriteC, SPSPRITE
  tolua_Texture_open(L);     // 17: SPTEXTUREDATA, RenderN.TextureStorageC, TEXTURE, SavePNG
  tolua_XFile_open(L);       // 18: SPXFILEDATA, RenderN.XFileStorageC, RenderN.XFILE
  tolua_Judgment_open(L);    // 19: SphereJudgment, AABBJudgment, RayJudgment
  tolua_ShadowMap_open(L);   // 20: SPSHADOWMAP, RenderN.SHADOWMAP
  tolua_BasicShader_open(L); // 21: SPBASICSHADER, RenderN.BASICSHADER
  AddArrayConversions(L);
  AddDegreeConversion(L);
  RefuseSingleNumberConstructors(L);
  GuardScriptInterface(L);
  AddFastMemberAccess(L);  // last: it covers every class registered above
}

}  // namespace bind
