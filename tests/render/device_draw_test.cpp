// Fixed-function drawing on the GL device: pixel coverage and winding as Direct3D has
// them, the depth buffer, fog, texture stage 0 and lighting.
#include <cstring>

#include "GlFixture.h"

namespace hinoki_test {
namespace {

DWORD Bits(float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

class DrawTest : public GlFixture {
 protected:
  void SetUp() override {
    CreateDevice(64, 64);
    PlainClipSpaceState();
    device->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
  }
};

TEST_F(DrawTest, ReportsTheDrawingPathOfTheRun) {
  EXPECT_EQ(device->UsesClipControl(), !RenderWithoutClipControl());
}

TEST_F(DrawTest, FanCoversPixelCentresAndCullsByDirect3DWinding) {
  // Clockwise on screen: Direct3D's front face.
  auto quad = ScreenQuad(16, 8, 48, 24, 0.5f, 0xFFFF0000u);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  DrawFan(quad);
  auto pixels = Read();
  const auto at = [&](int x, int y) { return pixels[size_t(y) * 64 + size_t(x)]; };
  // Edges on pixel centres: the left and top ones are in, the right and bottom ones out.
  EXPECT_EQ(at(16, 8), 0xFFFF0000u);
  EXPECT_EQ(at(47, 23), 0xFFFF0000u);
  EXPECT_EQ(at(15, 8), 0xFF000000u);
  EXPECT_EQ(at(48, 8), 0xFF000000u);
  EXPECT_EQ(at(16, 7), 0xFF000000u);
  EXPECT_EQ(at(16, 24), 0xFF000000u);

  // The same quad counter-clockwise is culled by CCW, drawn by CW culling and by none.
  auto reversed = ScreenQuad(16, 40, 48, 56, 0.5f, 0xFF00FF00u);
  std::swap(reversed[1], reversed[3]);
  DrawFan(reversed);
  EXPECT_EQ(Pixel(30, 48), 0xFF000000u);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  DrawFan(reversed);
  EXPECT_EQ(Pixel(30, 48), 0xFF00FF00u);
  auto front = ScreenQuad(0, 30, 8, 38, 0.5f, 0xFF0000FFu);
  DrawFan(front);
  EXPECT_EQ(Pixel(4, 34), 0xFF000000u);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  DrawFan(front);
  EXPECT_EQ(Pixel(4, 34), 0xFF0000FFu);
}

TEST_F(DrawTest, LinesAndTriangleListsAndStrips) {
  const std::uint32_t white = 0xFFFFFFFFu;
  auto quad = ScreenQuad(0, 0, 8, 8, 0.5f, white);
  const ColorVertex list[6] = {quad[0], quad[1], quad[2], quad[0], quad[2], quad[3]};
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, list, sizeof(ColorVertex));
  auto strip = ScreenQuad(10, 0, 18, 8, 0.5f, white);
  const ColorVertex stripOrder[4] = {strip[0], strip[1], strip[3], strip[2]};
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, stripOrder, sizeof(ColorVertex));
  auto line = ScreenQuad(20, 30, 40, 30, 0.5f, white);
  device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line.data(), sizeof(ColorVertex));
  EXPECT_EQ(Pixel(0, 0), white);
  EXPECT_EQ(Pixel(7, 7), white);
  EXPECT_EQ(Pixel(8, 7), 0xFF000000u);
  EXPECT_EQ(Pixel(10, 0), white);
  EXPECT_EQ(Pixel(17, 7), white);
  EXPECT_EQ(Pixel(30, 30), white);
  EXPECT_EQ(Pixel(30, 29), 0xFF000000u);
  EXPECT_EQ(Pixel(30, 31), 0xFF000000u);
}

TEST_F(DrawTest, DepthBufferHidesFartherAndWritesOnlyWhenAsked) {
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  DrawFan(ScreenQuad(0, 0, 32, 32, 0.25f, 0xFFFF0000u));
  DrawFan(ScreenQuad(16, 16, 48, 48, 0.75f, 0xFF00FF00u));
  EXPECT_EQ(Pixel(20, 20), 0xFFFF0000u);  // hidden behind the nearer one
  EXPECT_EQ(Pixel(40, 40), 0xFF00FF00u);
  device->SetRenderState(D3DRS_ZWRITEENABLE, 0);
  DrawFan(ScreenQuad(0, 40, 16, 56, 0.1f, 0xFF0000FFu));
  device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
  DrawFan(ScreenQuad(0, 40, 16, 56, 0.5f, 0xFFFFFF00u));
  EXPECT_EQ(Pixel(8, 48), 0xFFFFFF00u);  // the first one left no depth behind
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  DrawFan(ScreenQuad(16, 16, 24, 24, 0.9f, 0xFFFFFFFFu));
  EXPECT_EQ(Pixel(20, 20), 0xFFFFFFFFu);
}

TEST_F(DrawTest, LinearFogByViewDepth) {
  device->SetRenderState(D3DRS_FOGENABLE, 1);
  device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
  device->SetRenderState(D3DRS_FOGCOLOR, 0xFF008800u);
  device->SetRenderState(D3DRS_FOGSTART, Bits(0.0f));
  device->SetRenderState(D3DRS_FOGEND, Bits(1.0f));
  // Depth 0.75 keeps a quarter of the colour and takes three quarters of the fog.
  DrawFan(ScreenQuad(0, 0, 16, 16, 0.75f, 0xFFCC0000u));
  EXPECT_EQ(Pixel(8, 8), 0xFF336600u);
  // Nearer than the start: no fog; beyond the end: fog only.
  device->SetRenderState(D3DRS_FOGSTART, Bits(0.8f));
  DrawFan(ScreenQuad(16, 0, 32, 16, 0.75f, 0xFFCC0000u));
  EXPECT_EQ(Pixel(24, 8), 0xFFCC0000u);
  device->SetRenderState(D3DRS_FOGEND, Bits(0.5f));
  device->SetRenderState(D3DRS_FOGSTART, Bits(0.0f));
  DrawFan(ScreenQuad(32, 0, 48, 16, 0.75f, 0xFFCC0000u));
  EXPECT_EQ(Pixel(40, 8), 0xFF008800u);
  device->SetRenderState(D3DRS_FOGENABLE, 0);
  DrawFan(ScreenQuad(48, 0, 64, 16, 0.75f, 0xFFCC0000u));
  EXPECT_EQ(Pixel(56, 8), 0xFFCC0000u);
}

TEST_F(DrawTest, TextureModulatesDiffuseAndNoTextureLeavesDiffuse) {
  const auto grey = MakeTexture(1, 1, {0xFF808080u});
  device->SetTexture(0, grey.get());
  DrawFan(ScreenQuad(0, 0, 16, 16, 0.5f, 0xFFFF00FFu));
  EXPECT_EQ(Pixel(8, 8), 0xFF800080u);
  device->SetTexture(0, nullptr);
  DrawFan(ScreenQuad(16, 0, 32, 16, 0.5f, 0xFFFF00FFu));
  EXPECT_EQ(Pixel(24, 8), 0xFFFF00FFu);
  // Alpha modulates too and drives the blend.
  const auto half = MakeTexture(1, 1, {0x80FFFFFFu});
  device->SetTexture(0, half.get());
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  DrawFan(ScreenQuad(32, 0, 48, 16, 0.5f, 0xFFFF0000u));
  EXPECT_EQ(Pixel(40, 8), 0xFF800000u);
}

TEST_F(DrawTest, DirectionalLightAndAmbientFollowTheMaterial) {
  struct NormalVertex {
    float x, y, z, nx, ny, nz, u, v;
  };
  const auto quad = ScreenQuad(0, 0, 16, 16, 0.5f, 0);
  std::vector<NormalVertex> lit;
  for (const auto& v : quad) lit.push_back({v.x, v.y, v.z, 0, 0, -1, v.u, v.v});

  device->SetRenderState(D3DRS_LIGHTING, 1);
  D3DMATERIAL9 material{};
  material.Diffuse = {1, 1, 1, 1};
  material.Ambient = {1, 1, 1, 1};
  device->SetMaterial(material);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {0.8f, 0.4f, 0.0f, 1.0f};
  light.Direction = {0, 0, 1};
  device->SetLight(0, light);
  device->LightEnable(0, true);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, lit.data(), sizeof(NormalVertex));
  EXPECT_EQ(Pixel(8, 8), 0xFFCC6600u);

  // A light from behind the face adds nothing; the ambient state still does.
  light.Direction = {0, 0, -1};
  device->SetLight(0, light);
  device->SetRenderState(D3DRS_AMBIENT, 0xFF404040u);
  std::vector<NormalVertex> second = lit;
  for (auto& v : second) v.x += 0.5f;
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, second.data(), sizeof(NormalVertex));
  EXPECT_EQ(Pixel(24, 8), 0xFF404040u);

  // Lit vertices without a normal get the ambient and emissive terms only.
  light.Direction = {0, 0, 1};
  device->SetLight(0, light);
  material.Emissive = {0.0f, 0.0f, 0.2f, 0.0f};
  device->SetMaterial(material);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  DrawFan(ScreenQuad(32, 0, 48, 16, 0.5f, 0xFFFFFFFFu));
  EXPECT_EQ(Pixel(40, 8), 0xFF404073u);

  // A point light out of range lights nothing; within range its attenuation counts.
  device->SetRenderState(D3DRS_AMBIENT, 0);
  material.Emissive = {0, 0, 0, 0};
  device->SetMaterial(material);
  D3DLIGHT9 point{};
  point.Type = D3DLIGHT_POINT;
  point.Diffuse = {1, 1, 1, 1};
  point.Position = {0, 0, -1000};
  point.Range = 10;
  point.Attenuation0 = 2;
  device->SetLight(0, point);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  std::vector<NormalVertex> third = lit;
  for (auto& v : third) v.y -= 0.5f;
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, third.data(), sizeof(NormalVertex));
  EXPECT_EQ(Pixel(8, 24), 0xFF000000u);
  point.Range = 2000;
  device->SetLight(0, point);
  for (auto& v : third) v.x += 0.5f;
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, third.data(), sizeof(NormalVertex));
  const std::uint32_t half = Pixel(24, 24);
  EXPECT_NEAR(int(half & 0xFF), 128, 1);  // 1 / attenuation 2, the light almost head-on

  // A spot light pointing away lights nothing.
  D3DLIGHT9 spot = point;
  spot.Type = D3DLIGHT_SPOT;
  spot.Direction = {0, 0, -1};
  spot.Theta = 0.2f;
  spot.Phi = 0.4f;
  spot.Falloff = 1;
  device->SetLight(0, spot);
  for (auto& v : third) v.x += 0.5f;
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, third.data(), sizeof(NormalVertex));
  EXPECT_EQ(Pixel(40, 24), 0xFF000000u);
  spot.Direction = {0, 0, 1};
  device->SetLight(0, spot);
  for (auto& v : third) v.x -= 1.0f, v.y -= 0.5f;
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, third.data(), sizeof(NormalVertex));
  EXPECT_NEAR(int(Pixel(8, 40) & 0xFF), 128, 1);  // inside the inner cone
}

TEST_F(DrawTest, StatesReadBackAsSetWithDirect3DDefaults) {
  CreateDevice(8, 8);  // a fresh device
  EXPECT_EQ(device->GetRenderState(D3DRS_ZENABLE), DWORD{D3DZB_TRUE});
  EXPECT_EQ(device->GetRenderState(D3DRS_CULLMODE), DWORD{D3DCULL_CCW});
  EXPECT_EQ(device->GetRenderState(D3DRS_LIGHTING), 1u);
  EXPECT_EQ(device->GetRenderState(D3DRS_SRCBLEND), DWORD{D3DBLEND_ONE});
  EXPECT_EQ(device->GetRenderState(D3DRS_DESTBLEND), DWORD{D3DBLEND_ZERO});
  EXPECT_EQ(device->GetRenderState(D3DRS_FOGSTART), Bits(0.0f));
  EXPECT_EQ(device->GetRenderState(D3DRS_FOGEND), Bits(1.0f));
  EXPECT_EQ(device->GetRenderState(D3DRS_AMBIENT), 0u);
  D3DMATRIX view{};
  view._11 = 2;
  view._43 = 5;
  device->SetTransform(D3DTS_VIEW, view);
  EXPECT_EQ(std::memcmp(device->GetTransform(D3DTS_VIEW).m, view.m, sizeof view.m), 0);
  EXPECT_EQ(device->GetTransform(D3DTS_WORLD)._11, 1.0f);
  const D3DVIEWPORT9 viewport = device->GetViewport();
  EXPECT_EQ(viewport.Width, 8u);
  EXPECT_EQ(viewport.MaxZ, 1.0f);
}

}  // namespace
}  // namespace hinoki_test
