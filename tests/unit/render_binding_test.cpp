// The device agent and the texture storage as scripts reach them: module functions,
// fields of texture handles, and the exact refusals of wrong arguments and empty handles.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/gfx/fake/RecordingDevice.h"
#include "platform/image/Image.h"
#include "render/D3DDeviceAgentC.h"
#include "render/BasicShaderC.h"
#include "render/RenderingManagerC.h"
#include "render/ShadowMapC.h"
#include "render/TextureStorageC.h"
#include "render/XFileStorageC.h"
#include "unit/HostFixture.h"

namespace {

class RenderScripts : public hinoki_test::HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    hinoki_test::EnsureProcessHost();
    platform::Components components = platform::Installed();
    components.graphics = &mGraphics;
    platform::Install(components);
    RenderN::D3DDeviceAgentC::GetInstance().Destroy();
    ASSERT_TRUE(RenderN::D3DDeviceAgentC::GetInstance().Create(false, &Window(), true, 800, 600));
    std::vector<std::uint32_t> pixels(12 * 7, 0xFF112233u);
    ASSERT_TRUE(platform::image::SavePng(Path("tile.png"), 12, 7, pixels.data()));
  }

  void TearDown() override {
    RenderN::RenderingManagerC::GetInstance().Clear();
    RenderN::XFileStorageC::GetInstance().ClearAll();
    RenderN::TextureStorageC::GetInstance().ClearAll();
    RenderN::D3DDeviceAgentC::GetInstance().Destroy();
    HostFixture::TearDown();
  }

  std::string Run(const std::string& code) {
    return Outcome(host_.GetState(), "local dev = RenderN.DEVICE()\n"
                                     "local tex = RenderN.TEXTURE()\n"
                                     "local tile = '" + Path("tile.png") + "'\n" + code);
  }
  std::string Refusal(const std::string& call) {
    return Run("return select(2, pcall(" + call + "))");
  }
  platform::fake::RecordingDevice& Device() { return *mGraphics.mLastDevice; }

  platform::fake::RecordingGraphics mGraphics;
  LuaN::LuaUtilityC host_;
};

const std::string kHead = "ok error in function ";

TEST_F(RenderScripts, TheDeviceAgentIsOneObjectWithItsOperations) {
  EXPECT_EQ(Run("return dev == RenderN.D3DDeviceAgentC:GetInstance(), tolua.type(dev)"),
            "ok true RenderN::D3DDeviceAgentC");
  EXPECT_EQ(Run("return dev:GetBackWidth(), dev:GetBackHeight(), dev:GetAspect() > 1.3333"),
            "ok 800 600 true");
  EXPECT_EQ(Run("dev:BeginRendering() return dev:EndRendering()"), "ok false");
  EXPECT_EQ(Run("dev:SetAmbient(D3DARGB(255, 16, 32, 48)) dev:SetFogState(D3DARGB(0), 1, '2.5')"
                " dev:SetViewMatrix(MatrixC()) dev:SetProjectionMatrix(D3DXMATRIX())"
                " dev:InitializeRenderState()"),
            "ok");
  EXPECT_EQ(Device().GetRenderState(D3DRS_AMBIENT), 0xFF102030u);
  EXPECT_EQ(RenderN::D3DDeviceAgentC::GetInstance().mFogEnd, 2.5f);
  RenderN::D3DDeviceAgentC::GetInstance().mAmbient = 0;
  RenderN::D3DDeviceAgentC::GetInstance().SetFogState(0xFF0000FFu, 50.0f, 100.0f);

  Device().LoseOnNextPresent();
  EXPECT_EQ(Run("dev:BeginRendering() return dev:EndRendering()"), "ok true");

  EXPECT_EQ(Refusal("dev.SetFogState, dev, D3DARGB(0), 'x', 1"),
            kHead + "'SetFogState'.\n     argument #3 is 'string'; 'number' expected.\n");
  EXPECT_EQ(Refusal("dev.SetAmbient, dev, nil"),
            kHead + "'SetAmbient'.\n     argument #2 is 'nil'; 'const D3DARGB' expected.\n");
  EXPECT_EQ(Refusal("dev.SetViewMatrix, dev, nil"),
            kHead + "'SetViewMatrix'.\n     argument #2 is 'nil'; 'const D3DXMATRIX' expected.\n");
  EXPECT_EQ(Refusal("dev.SetAmbient, nil, D3DARGB(0)"), "ok invalid 'self' in function 'SetAmbient'");
  EXPECT_EQ(Refusal("RenderN.DEVICE, RenderN"),
            kHead + "'DEVICE'.\n     argument #1 is 'table'; '[no object]' expected.\n");
  EXPECT_EQ(Run("return dev.delete"), "ok nil");
}

TEST_F(RenderScripts, TextureHandlesShareTheirRecord) {
  EXPECT_EQ(Run("return tex == RenderN.TextureStorageC:GetInstance(), tolua.type(tex)"),
            "ok true RenderN::TextureStorageC");
  EXPECT_EQ(Run("local a = tex:GetTexture(tile) local b = tex:GetTexture(tile)\n"
                "a.mWidth = 3.5\n"
                "return tolua.type(a), b.mWidth, b.mHeight, a == b"),
            "ok const SPTEXTUREDATA 3.5 7 false");  // two handles, one record
  EXPECT_EQ(Run("return tex:Erase(tile), tex:Erase(tile)"), "ok true false");
  EXPECT_EQ(Run("tex:GetTexture(tile) tex:ClearAll() return tex:GetTexture(tile).mWidth"), "ok 12");

  // A handle the script drops is collected and lets its record go.
  std::weak_ptr<RenderN::TextureInformationS> record =
      RenderN::TextureStorageC::GetInstance().GetTexture(Path("tile.png").c_str());
  EXPECT_EQ(Run("held = tex:GetTexture(tile) tex:ClearAll()"), "ok");
  EXPECT_FALSE(record.expired());
  EXPECT_EQ(Run("held = nil collectgarbage() collectgarbage()"), "ok");
  EXPECT_TRUE(record.expired());

  EXPECT_EQ(Refusal("tex.GetTexture, tex, nil"),
            kHead + "'GetTexture'.\n     argument #2 is 'nil'; 'string' expected.\n");
  EXPECT_EQ(Refusal("tex.Erase, tex, nil"),
            kHead + "'Erase'.\n     argument #2 is 'nil'; 'string' expected.\n");
}

TEST_F(RenderScripts, AnEmptyHandleRefusesItsFields) {
  // The missing file shows its box and gives a handle without a record.
  EXPECT_EQ(Run("empty = tex:GetTexture('no such file.png') return tolua.type(empty)"),
            "ok const SPTEXTUREDATA");
  EXPECT_EQ(Dialog().Shown().size(), 1u);
  EXPECT_EQ(Refusal("function() return empty.mWidth end"),
            "ok invalid 'self' in accessing variable 'mWidth'");
  EXPECT_EQ(Refusal("function() empty.mHeight = 1 end"),
            "ok invalid 'self' in accessing variable 'mHeight'");
  EXPECT_EQ(Refusal("function() local h = tex:GetTexture(tile) h.mWidth = 'wide' end"),
            "ok invalid type in variable assignment.\n     value is 'string'; 'number' expected.\n");

  // Saving: the record's texture goes to a PNG; an empty handle writes nothing.
  const std::string out = Path("shot.png");
  EXPECT_EQ(Run("RenderN.SavePNG(tex:GetTexture(tile), '" + out + "')"), "ok");
  platform::image::ImageInfo info;
  ASSERT_TRUE(platform::image::ReadImageInfo(out, info));
  EXPECT_EQ(info.width, 12u);
  EXPECT_EQ(Run("RenderN.SavePNG(empty, '" + Path("none.png") + "')"), "ok");
  EXPECT_FALSE(std::filesystem::exists(Path("none.png")));
  EXPECT_EQ(Run("RenderN.SavePNG(tex:GetTexture(tile), '" + Path("no/dir/x.png") + "')"), "ok");
  EXPECT_EQ(Refusal("RenderN.SavePNG, nil, 'x.png'"),
            kHead + "'SavePNG'.\n     argument #1 is 'nil'; 'const SPTEXTUREDATA' expected.\n");
  EXPECT_EQ(Run("empty = nil"), "ok");
}

TEST_F(RenderScripts, TextTexturesTakeOneCharacter) {
  const std::string a = hinoki_test::Sjis("あ");
  EXPECT_EQ(Run("local t = tex:GetTextTexture('" + a + "', D3DARGB(255, 255, 255, 255), -24)\n"
                "local u = tex:GetTextTexture('" + a + "', D3DARGB(255, 255, 255, 255), -24, 400, '" +
                hinoki_test::Sjis("MS ゴシック") + "')\n"
                "u.mWidth = 77 return t.mWidth, t.mHeight > 0"),
            "ok 77 true");
  EXPECT_EQ(Run("return tex:GetTextTexture('A', D3DARGB(0), 16, 700).mWidth > 0"), "ok true");
  const std::string refused =
      "'GetTextTexture'.\n     argument #2 is 'string'; 'one CP932 character' expected.\n";
  EXPECT_EQ(Refusal("tex.GetTextTexture, tex, 'AB', D3DARGB(0), 16"), kHead + refused);
  EXPECT_EQ(Refusal("tex.GetTextTexture, tex, '', D3DARGB(0), 16"), kHead + refused);
  EXPECT_EQ(Refusal("tex.GetTextTexture, tex, '\\130', D3DARGB(0), 16"), kHead + refused);
  EXPECT_EQ(Refusal("tex.GetTextTexture, tex, 'A', D3DARGB(0), 16, 400, nil"),
            kHead + "'GetTextTexture'.\n     argument #6 is 'nil'; 'string' expected.\n");
  EXPECT_TRUE(Dialog().Shown().empty());
}

}  // namespace

// A cube from (-1, -1, -1) to (1, 1, 1), one material.
const char kCube[] =
    "xof 0302txt 0032\nMesh {\n8;\n"
    "-1;-1;-1;, 1;-1;-1;, -1;1;-1;, 1;1;-1;, -1;-1;1;, 1;-1;1;, -1;1;1;, 1;1;1;;\n"
    "6;\n4;2,3,1,0;, 4;7,6,4,5;, 4;6,2,0,4;, 4;3,7,5,1;, 4;0,1,5,4;, 4;2,6,7,3;;\n}\n";

TEST_F(RenderScripts, MeshRecordsAndHitTestsFromScripts) {
  hinoki_test::WriteFile(Path("cube.x"), kCube);
  const std::string head = "local xf = RenderN.XFILE() local cube = '" + Path("cube.x") + "'\n";
  EXPECT_EQ(Run(head + "local m = xf:GetXFile(cube)\n"
                "return xf == RenderN.XFileStorageC:GetInstance(), tolua.type(m), m.mMaterialNum,"
                " m.mOBBMin.x, m.mOBBDistance.z, m.mRadius > 1.73"),
            "ok true SPXFILEDATA 1 -1 1 true");
  // Vectors read from a record are the record's own, and keep it alive.
  EXPECT_EQ(Run(head + "local c = xf:GetXFile(cube).mOBBCenter c.x = 5\n"
                "local m = xf:GetXFile(cube) m.mOBBMin = Vector3C(-9, 0, 0) m.mRadius = 2.5\n"
                "return m.mOBBCenter.x, m.mOBBMin.x, m.mRadius"),
            "ok 5 -9 2.5");
  EXPECT_EQ(Run(head + "kept = xf:GetXFile(cube).mOBBMax xf:delete() collectgarbage()\n"
                "collectgarbage() return kept.y, xf:GetXFile(cube).mOBBCenter.x"),
            "ok 1 0");
  EXPECT_EQ(Run("kept = nil"), "ok");

  // Hit tests.
  EXPECT_EQ(Run(head + "local m = xf:GetXFile(cube) local n, h = Vector3C(), Vector3C()\n"
                "local t = RayJudgment(m, MatrixC(), Vector3C(0.5, 0.5, -5), Vector3C(0, 0, 1), n, h)\n"
                "local miss = RayJudgment(m, MatrixC(), Vector3C(5, 5, -5), Vector3C(0, 0, 1))\n"
                "return t, n.z, miss, SphereJudgment(Vector3C(0, 0, 0), 1, Vector3C(2, 0, 0), 1),\n"
                " SphereJudgment(m, MatrixC(), Vector3C(3, 0, 0), 1),"
                " AABBJudgment(m, MatrixC(), m, MatrixC():Translation(2, 0, 0))"),
            "ok 4 -1 -1 true false false");
  EXPECT_EQ(Refusal("RayJudgment, nil, MatrixC(), Vector3C(), Vector3C()"),
            kHead + "'RayJudgment'.\n     argument #1 is 'nil'; 'value' expected.\n");
  EXPECT_EQ(Refusal("SphereJudgment, Vector3C(), 1, nil, 1"),
            kHead + "'SphereJudgment'.\n     argument #3 is 'nil'; 'value' expected.\n");

  // A failed load is an empty handle: no fields, no hits, nothing drawn.
  EXPECT_EQ(Run("empty = RenderN.XFILE():GetXFile('nothing.x') empty:Draw() empty:DrawSubset(0)\n"
                "return RayJudgment(empty, MatrixC(), Vector3C(), Vector3C(0, 0, 1)),"
                " SphereJudgment(empty, MatrixC(), Vector3C(), 100)"),
            "ok -1 false");
  EXPECT_EQ(Dialog().Shown().size(), 1u);
  EXPECT_EQ(Refusal("function() return empty.mOBBCenter end"),
            "ok invalid 'self' in accessing variable 'mOBBCenter'");
  EXPECT_EQ(Refusal("function() empty.mMaterialNum = 3 end"),
            "ok invalid 'self' in accessing variable 'mMaterialNum'");
  EXPECT_EQ(Run("empty = nil"), "ok");

  // Models made from the file refer to its record; GetMesh is the model's own handle.
  EXPECT_EQ(Run(head + "local model = RenderN.RENDERER():CreateModel(cube, MatrixC())\n"
                "local mesh = model:GetMesh() local r = mesh.mRadius\n"
                "model:SetMesh(RenderN.XFILE():GetXFile('nothing.x'))\n"
                "return r > 1.73, pcall(function() return mesh.mRadius end)"),
            "ok true false invalid 'self' in accessing variable 'mRadius'");
}

TEST_F(RenderScripts, ShaderHandlesShareTheirOneShaderAndServeAsShaders) {
  EXPECT_EQ(Run("local a, b = RenderN.BASICSHADER(), RenderN.BASICSHADER()\n"
                "a:SetLightDirection(Vector3C(0, -2, 0))\n"
                "return tolua.type(a), a == b"),
            "ok SPBASICSHADER false");
  EXPECT_EQ(RenderN::BasicShaderC::GetInstance()->LightDirection(), D3DXVECTOR3(0, 2, 0));
  EXPECT_EQ(Run("local map = RenderN.SHADOWMAP()\n"
                "map:SetLightDirection(Vector3C(1, 0, 0)) map:SetLightView(MatrixC())\n"
                "map:SetLightProjection(MatrixC()) map:RemoveShadowData()\n"
                "local model = RenderN.RENDERER():CreateModel()\n"
                "map:SaveShadowData(model) model:SetShader(map) model:SetShader(RenderN.BASICSHADER())\n"
                "model:SetShader(nil) RenderN.RENDERER():CreatePlank():SetShader(map)\n"
                "return tolua.type(map), map:GetTextureData().mWidth"),
            "ok SPSHADOWMAP 512");
  EXPECT_EQ(RenderN::ShadowMapC::GetInstance()->LightDirection(), D3DXVECTOR3(-1, 0, 0));
  EXPECT_EQ(Refusal("RenderN.SHADOWMAP().SaveShadowData, RenderN.SHADOWMAP(), nil"),
            kHead + "'SaveShadowData'.\n     argument #2 is 'nil'; 'value' expected.\n");
  EXPECT_EQ(Refusal("RenderN.SHADOWMAP().SetLightView, RenderN.SHADOWMAP(), Vector3C()"),
            kHead + "'SetLightView'.\n     argument #2 is 'Vector3C'; 'const MatrixC' expected.\n");
}
