// The basic shader and the shadow map as the engine drives their effects: the parameter
// values read back from the effect, the passes chosen per material, the shadow passes'
// render targets and viewports, and what a device reset does to them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "render/BasicShaderC.h"
#include "render/ShadowMapC.h"
#include "render/XFileStorageC.h"
#include "unit/drawables_fixture.h"

namespace {

using RenderN::BasicShaderC;
using RenderN::ShadowMapC;

// A float4 parameter's value.
struct Four {
  float x, y, z, w;
  bool operator==(const Four& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
};
std::ostream& operator<<(std::ostream& out, const Four& v) {
  return out << "(" << v.x << ", " << v.y << ", " << v.z << ", " << v.w << ")";
}

// Three materials over three quads: textured, plain, textured.
const char kThreeMaterials[] =
    "xof 0302txt 0032\nMesh {\n12;\n"
    "0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;, 2;0;0;, 3;0;0;, 3;1;0;, 2;1;0;,"
    " 4;0;0;, 5;0;0;, 5;1;0;, 4;1;0;;\n"
    "3;\n4;3,2,1,0;, 4;7,6,5,4;, 4;11,10,9,8;;\n"
    "MeshMaterialList { 3; 3; 0,1,2;;\n"
    " Material { 1;0;0;1;; 5; 0;0;0;; 0.25;0;0;; TextureFilename { \"skin.png\"; } }\n"
    " Material { 0;1;0;1;; 5; 0;0;0;; 0;0.5;0;; }\n"
    " Material { 0;0;1;1;; 5; 0;0;0;; 0;0;0;; TextureFilename { \"skin.png\"; } }\n}\n}\n";

class Shaders : public drawtest::DrawablesTest {
 protected:
  void SetUp() override {
    drawtest::DrawablesTest::SetUp();
    for (const char* name : {"normal.lat", "shshmap.lat", "shshmod.lat"}) {
      std::filesystem::copy_file(std::string(HINOKI_SOURCE_DIR) + "/system/" + name,
                                 mFolder + "/system/" + name);
    }
    WritePng("skin.png", 4, 4);
    std::ofstream(mFolder + "/three.x") << kThreeMaterials;
    mModel = Manager().CreateModel("three.x");
    ASSERT_TRUE(mModel->mXFile);
  }

  void TearDown() override {
    mModel.reset();
    RenderN::XFileStorageC::GetInstance().ClearAll();
    BasicShaderC::GetInstance()->SetLightDirection(D3DXVECTOR3(0, 0, 0));
    ShadowMapC::GetInstance()->SetLightDirection(D3DXVECTOR3(0, 0, 0));
    drawtest::DrawablesTest::TearDown();
  }

  static Four Vector(const platform::Effect& effect, const char* name) {
    float v[4] = {-9, -9, -9, -9};
    EXPECT_TRUE(effect.GetVector(const_cast<platform::Effect&>(effect).GetParameterByName(name), v))
        << name;
    return Four{v[0], v[1], v[2], v[3]};
  }
  static float Float(const platform::Effect& effect, const char* name) {
    float v = -9;
    EXPECT_TRUE(effect.GetFloat(const_cast<platform::Effect&>(effect).GetParameterByName(name), v));
    return v;
  }
  static D3DXMATRIX Matrix(const platform::Effect& effect, const char* name) {
    D3DMATRIX m{};
    EXPECT_TRUE(effect.GetMatrix(const_cast<platform::Effect&>(effect).GetParameterByName(name), m));
    return D3DXMATRIX(m);
  }
  std::vector<int> PassesDrawn(std::size_t from) {
    std::vector<int> passes;
    for (std::size_t i = from; i < Device().mDraws.size(); ++i) passes.push_back(Device().mDraws[i].effectPass);
    return passes;
  }

  RenderN::SPMODEL mModel;
};

TEST_F(Shaders, BasicShaderSetsLightFogAndMatricesAndPicksAPassPerMaterial) {
  const auto& shader = BasicShaderC::GetInstance();
  ASSERT_NE(shader->Effect(), nullptr);
  D3DXMATRIX place;
  D3DXMatrixTranslation(&place, 1, 2, 3);
  mModel->mMatrix = place;
  mModel->SetShader(shader);

  shader->SetLightDirection(D3DXVECTOR3(0, -1, 0));
  const std::size_t before = Device().mDraws.size();
  mModel->Draw();
  const platform::Effect& effect = *shader->Effect();
  EXPECT_EQ(Vector(effect, "gLightDirection"), (Four{0, 1, 0, 0}));
  // The agent's first fog: ARGB 0xFF0000FF from 50 to 100.
  EXPECT_EQ(Vector(effect, "gFogColor"), (Four{0.5f, 0, 0, 1}));
  EXPECT_EQ(Float(effect, "gNear"), 25.0f);
  EXPECT_EQ(Float(effect, "gFar"), 50.0f);
  bool fog = false;
  EXPECT_TRUE(effect.GetBool(const_cast<platform::Effect&>(effect).GetParameterByName("gFogFlag"), fog));
  EXPECT_TRUE(fog);
  EXPECT_TRUE(drawtest::SameMatrix(Matrix(effect, "gWorld"), place));
  D3DXMATRIX inverse;
  D3DXMatrixTranslation(&inverse, -1, -2, -3);
  EXPECT_TRUE(drawtest::NearMatrix(Matrix(effect, "gInvWorld"), inverse));
  EXPECT_TRUE(drawtest::SameMatrix(Matrix(effect, "gView"), Device().mTransforms[D3DTS_VIEW]));
  // The last material drawn was the third: blue, no emissive.
  EXPECT_EQ(Vector(effect, "gDiffuse"), (Four{0, 0, 1, 1}));
  EXPECT_EQ(Vector(effect, "gEmissive"), (Four{0, 0, 0, 1}));
  EXPECT_EQ(effect.GetTexture(const_cast<platform::Effect&>(effect).GetParameterByName("gTexture")),
            mModel->mXFile->mMaterialTexture[2]->mTexture.get());
  EXPECT_EQ(PassesDrawn(before), (std::vector<int>{0, 1, 0}));

  // Two script handles are one shader: (3, 0, 4) seen from either is (-0.6, 0, -0.8).
  RenderN::SPBASICSHADER other = BasicShaderC::GetInstance();
  other->SetLightDirection(D3DXVECTOR3(3, 0, 4));
  mModel->Draw();
  EXPECT_EQ(Vector(effect, "gLightDirection"), (Four{-0.6f, 0, -0.8f, 0}));

  // The mesh's vertex format replaced the faces': a plank drawn next sets its own again.
  RenderN::SPPLANK plank = Manager().CreatePlank();
  Device().ClearCalls();
  plank->Draw();
  EXPECT_EQ(Device().Calls("SetFVF(").size(), 1u);

  // A disabled shader leaves the model to the fixed-function pipeline.
  mModel->ShaderEnabled(false);
  const std::size_t fixed = Device().mDraws.size();
  mModel->Draw();
  EXPECT_EQ(PassesDrawn(fixed), (std::vector<int>{-1, -1, -1}));
}

TEST_F(Shaders, ShadowPassesDrawIntoTheShadowTextureAndPutTheTargetsBack) {
  const auto& map = ShadowMapC::GetInstance();
  ASSERT_NE(map->MapEffect(), nullptr);
  const platform::SurfaceRef back = Device().GetRenderTarget(0);
  const platform::SurfaceRef depth = Device().GetDepthStencilSurface();
  const D3DVIEWPORT9 scriptViewport(10, 20, 300, 200, 0.25f, 0.75f);
  Device().SetViewport(scriptViewport);

  Device().ClearCalls();
  map->RemoveShadowData();
  const std::vector<std::string> clears = Device().Calls("Clear(");
  ASSERT_EQ(clears.size(), 1u);
  EXPECT_NE(clears[0].find("4294967295"), std::string::npos) << clears[0];
  EXPECT_EQ(Device().GetRenderTarget(0), back);
  EXPECT_EQ(Device().GetDepthStencilSurface(), depth);
  EXPECT_EQ(std::memcmp(&Device().mViewport, &scriptViewport, sizeof scriptViewport), 0);

  D3DXMATRIX view, projection, place;
  D3DXMatrixTranslation(&view, 0, 0, 5);
  D3DXMatrixScaling(&projection, 0.5f, 0.5f, 0.1f);
  D3DXMatrixTranslation(&place, 2, 0, 0);
  map->SetLightView(view);
  map->SetLightProjection(projection);
  mModel->mMatrix = place;
  const std::size_t before = Device().mDraws.size();
  map->SaveShadowData(*mModel);
  map->SaveShadowData(*mModel);
  EXPECT_EQ(PassesDrawn(before), (std::vector<int>(6, 0)));
  EXPECT_EQ(Device().Calls("Clear(").size(), 1u);  // the second caster adds to the first
  const D3DXMATRIX lightScreen = place * view * projection;
  EXPECT_TRUE(drawtest::SameMatrix(Matrix(*map->MapEffect(), "gLightScreen"), lightScreen));
  EXPECT_EQ(Device().GetRenderTarget(0), back);
  EXPECT_EQ(std::memcmp(&Device().mViewport, &scriptViewport, sizeof scriptViewport), 0);

  // Receivers: passes 2 and 3, the light's view and projection without the world.
  map->SetLightDirection(D3DXVECTOR3(0, -1, 0));
  mModel->SetShader(map);
  const std::size_t receiver = Device().mDraws.size();
  mModel->Draw();
  EXPECT_EQ(PassesDrawn(receiver), (std::vector<int>{2, 3, 2}));
  const platform::Effect& effect = *map->ModelEffect();
  EXPECT_TRUE(drawtest::SameMatrix(Matrix(effect, "gLightScreen"), view * projection));
  EXPECT_EQ(Vector(effect, "gLightDirection"), (Four{0, 1, 0, 0}));
  EXPECT_EQ(Vector(effect, "gOffset").x, 0.0009765625f);
  EXPECT_EQ(effect.GetTexture(const_cast<platform::Effect&>(effect).GetParameterByName("gShadowTexture")),
            map->GetTextureData()->mTexture.get());
  EXPECT_EQ(map->GetTextureData()->mWidth, 512.0f);

  // A model without a mesh casts nothing.
  RenderN::SPMODEL empty = Manager().CreateModel();
  const std::size_t none = Device().mDraws.size();
  map->SaveShadowData(*empty);
  EXPECT_EQ(Device().mDraws.size(), none);
}

TEST_F(Shaders, ADeviceResetKeepsTheShadowRecordAndRestoresBothEffects) {
  const auto& map = ShadowMapC::GetInstance();
  BasicShaderC::GetInstance()->Effect();
  const RenderN::SPTEXTUREDATA before = map->GetTextureData();
  const platform::Texture* oldTexture = before->mTexture.get();
  ASSERT_NE(oldTexture, nullptr);

  Device().ClearCalls();
  Device().LoseOnNextPresent();
  Agent().BeginRendering();
  EXPECT_TRUE(Agent().EndRendering());
  const std::vector<std::string> effectCalls = Device().Calls("Effect.On");
  EXPECT_EQ(effectCalls, (std::vector<std::string>{"Effect.OnLostDevice", "Effect.OnLostDevice",
                                                   "Effect.OnLostDevice", "Effect.OnResetDevice",
                                                   "Effect.OnResetDevice", "Effect.OnResetDevice"}));
  const RenderN::SPTEXTUREDATA after = map->GetTextureData();
  EXPECT_EQ(after, before);
  ASSERT_NE(after->mTexture, nullptr);
  EXPECT_EQ(after->mTexture->Width(), 512u);
}

}  // namespace
