// The shaders' effect files as a game ships them: a file that does not compile ends the
// game with its box (and the compiler's messages in debug mode), a missing file leaves
// the models to the fixed-function lights, and a game with all three draws through them.
#include <gtest/gtest.h>

#include <string>

#include "e2e/GameRunner.h"

namespace {

const char kCube[] =
    "xof 0302txt 0032\nMesh {\n8;\n"
    "-1;-1;-1;, 1;-1;-1;, -1;1;-1;, 1;1;-1;, -1;-1;1;, 1;-1;1;, -1;1;1;, 1;1;1;;\n"
    "6;\n4;2,3,1,0;, 4;7,6,4,5;, 4;6,2,0,4;, 4;3,7,5,1;, 4;0,1,5,4;, 4;2,6,7,3;;\n}\n";

// Draws a cube through the basic shader, then through the shadow map with the cube as its
// own caster, for a few frames (Quit in frame 6 leaves one more), and says what it saw.
const char kGame[] = R"(
local device, renderer = RenderN.DEVICE(), RenderN.RENDERER()
local frames = 0
function ScriptInitialize()
  cube = renderer:CreateModel("cube.x", MatrixC:MkTranslation(0, 0, 3))
  cube:SetShader(RenderN.BASICSHADER())
  RenderN.BASICSHADER():SetLightDirection(Vector3C(0, 0, 1))
  print("basic shader set")
end
function ScriptFrame()
  frames = frames + 1
  local map = RenderN.SHADOWMAP()
  if frames == 3 then cube:SetShader(map) print("shadow map set") end
  device:BeginRendering()
  if frames >= 3 then
    map:SetLightView(MatrixC:MkLookAtLH(Vector3C(0, 5, 3), Vector3C(0, 0, 3), Vector3C(0, 0, 1)))
    map:SetLightProjection(MatrixC:MkOrthoLH(8, 8, 1, 10))
    map:RemoveShadowData()
    map:SaveShadowData(cube)
  end
  renderer:Draw(Vector3C(0, 0, -5), Vector3C(0, 0, 0))
  device:EndRendering()
  if frames == 6 then LuaN.LUA():Quit() end
end
function ScriptExit() print("ended after " .. frames .. " frames") end
return true
)";

const char kBroken[] = "//! technique MyTechnique passes 2\nthis is not GLSL;\n";

e2e::GameFolder Game(const std::map<std::string, std::string>& effects) {
  std::map<std::string, std::string> files = {{"system/loset.lat", e2e::QuickGameSettings()},
                                              {"main.lua", kGame},
                                              {"cube.x", kCube}};
  for (const auto& [name, text] : effects) files["system/" + name] = text;
  return e2e::GameFolder(files);
}

TEST(ShaderGame, ModelsDrawThroughBothShadersWithTheShippedEffects) {
  const e2e::GameFolder game = Game({{"normal.lat", e2e::ShippedSystemFile("normal.lat")},
                                     {"shshmap.lat", e2e::ShippedSystemFile("shshmap.lat")},
                                     {"shshmod.lat", e2e::ShippedSystemFile("shshmod.lat")}});
  const e2e::RunResult result = e2e::RunHinoki(game.Path(), "\n");
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find("shadow map set"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("ended after 7 frames"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find("not found"), std::string::npos) << result.out;
  EXPECT_EQ(result.err, "");
}

TEST(ShaderGame, MissingEffectFilesLeaveTheModelsToTheFixedFunctionLights) {
  const e2e::GameFolder game = Game({});
  const e2e::RunResult result = e2e::RunHinoki(game.Path(), "\n");
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find("ended after 7 frames"), std::string::npos) << result.out;
  // Said once per shader, in debug mode, when a model first needs the file.
  const std::string normal =
      "*** effect system\\normal.lat not found: models given this shader are drawn with "
      "fixed-function lighting ***";
  const std::size_t first = result.out.find(normal);
  EXPECT_NE(first, std::string::npos) << result.out;
  EXPECT_EQ(result.out.find(normal, first + 1), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("system\\shshmod.lat not found"), std::string::npos) << result.out;
  EXPECT_EQ(result.err, "");
}

TEST(ShaderGame, AnEffectThatDoesNotCompileEndsTheGameWithItsBox) {
  const e2e::GameFolder basic = Game({{"normal.lat", kBroken}});
  e2e::RunResult result = e2e::RunHinoki(basic.Path(), "\n");
  EXPECT_EQ(result.exitStatus, 255);
  EXPECT_EQ(result.err, "== ERROR ==\nモデル描画エフェクトデータのコンパイルに失敗しました。\n[OK]\n");
  // Debug mode names the file and gives the compiler's messages with the file's lines.
  EXPECT_NE(result.out.find("*** effect system\\normal.lat did not compile:"), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("0:2"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find("basic shader set"), std::string::npos) << result.out;

  const e2e::GameFolder model = Game({{"normal.lat", e2e::ShippedSystemFile("normal.lat")},
                                      {"shshmod.lat", kBroken}});
  result = e2e::RunHinoki(model.Path(), "\n");
  EXPECT_EQ(result.exitStatus, 255);
  EXPECT_EQ(result.err, "== ERROR ==\n影モデル描画エフェクトデータのコンパイルに失敗しました。\n[OK]\n");

  const e2e::GameFolder map = Game({{"normal.lat", e2e::ShippedSystemFile("normal.lat")},
                                    {"shshmod.lat", e2e::ShippedSystemFile("shshmod.lat")},
                                    {"shshmap.lat", kBroken}});
  result = e2e::RunHinoki(map.Path(), "\n");
  EXPECT_EQ(result.exitStatus, 255);
  EXPECT_EQ(result.err, "== ERROR ==\n影データ描画エフェクトデータのコンパイルに失敗しました。\n[OK]\n");
  EXPECT_NE(result.out.find("basic shader set"), std::string::npos) << result.out;
}

}  // namespace
