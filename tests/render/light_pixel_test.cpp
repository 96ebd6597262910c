// Lights as a player sees them on the GL device: a lit plane facing the camera, drawn as
// a fine grid of triangles with normals (lighting is per vertex, as in Direct3D 9) in
// view space = clip space, lit by the engine's light objects.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "AgentFixture.h"
#include "platform/Platform.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/gfx/gl/GlGraphics.h"
#include "platform/window/sdl/SdlWindow.h"
#include "render/D3DDeviceAgentC.h"
#include "render/LightC.h"

namespace hinoki_test {
namespace {

using RenderN::DirectionalLightC;
using RenderN::LightC;
using RenderN::PointLightC;
using RenderN::SpotLightC;

constexpr int kSize = 64;
constexpr int kCells = 32;       // grid cells per side: a vertex every two pixels
constexpr float kPlaneZ = 0.5f;  // the plane's distance from the camera

struct LitVertex {
  float x, y, z, nx, ny, nz;
};

class LightPixels : public AgentPixelTest {
 protected:
  LightPixels() : AgentPixelTest(kSize, "lights") {}

  void SetUp() override {
    AgentPixelTest::SetUp();
    platform::Device& device = *Agent().mDevice;
    D3DMATRIX identity{};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    device.SetTransform(D3DTS_WORLD, identity);
    device.SetTransform(D3DTS_VIEW, identity);
    device.SetTransform(D3DTS_PROJECTION, identity);
    device.SetRenderState(D3DRS_LIGHTING, 1);
    device.SetRenderState(D3DRS_FOGENABLE, 0);
    device.SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device.SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    device.SetRenderState(D3DRS_SPECULARENABLE, 0);
    device.SetTexture(0, nullptr);
    D3DMATERIAL9 material{};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {1, 1, 1, 1};
    device.SetMaterial(material);
  }

  /// The whole view covered by the plane facing the camera, drawn afresh.
  std::vector<std::uint32_t> Frame() {
    platform::Device& device = *Agent().mDevice;
    device.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    std::vector<LitVertex> grid;
    const auto at = [](int i) { return float(i) * 2.0f / kCells - 1.0f; };
    for (int row = 0; row < kCells; ++row) {
      for (int column = 0; column < kCells; ++column) {
        const float x0 = at(column), x1 = at(column + 1), y0 = at(row), y1 = at(row + 1);
        for (const auto& [x, y] :
             {std::pair{x0, y0}, {x1, y0}, {x1, y1}, {x0, y0}, {x1, y1}, {x0, y1}}) {
          grid.push_back({x, y, kPlaneZ, 0.0f, 0.0f, -1.0f});
        }
      }
    }
    device.SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
    device.DrawPrimitiveUP(D3DPT_TRIANGLELIST, unsigned(grid.size() / 3), grid.data(),
                           sizeof(LitVertex));
    return device.ReadBackBuffer();
  }

  static std::uint32_t At(const std::vector<std::uint32_t>& pixels, int x, int y) {
    return pixels[std::size_t(y) * kSize + std::size_t(x)];
  }
  static int Red(std::uint32_t pixel) { return int((pixel >> 16) & 0xFF); }
  static int Green(std::uint32_t pixel) { return int((pixel >> 8) & 0xFF); }
  static int Blue(std::uint32_t pixel) { return int(pixel & 0xFF); }

  /// Where pixel (x, y) samples the plane, in view space: Direct3D's pixel centres lie
  /// on whole coordinates.
  static float ViewX(int x) { return float(x) * 2.0f / kSize - 1.0f; }
  static float ViewY(int y) { return 1.0f - float(y) * 2.0f / kSize; }

  /// 0..255 of a white light at the origin shining on pixel (x, y) of the plane, by the
  /// angle alone (no attenuation).
  static int Facing(int x, int y) {
    const float distance = std::sqrt(ViewX(x) * ViewX(x) + ViewY(y) * ViewY(y) + kPlaneZ * kPlaneZ);
    return int(std::lround(255.0f * kPlaneZ / distance));
  }

};

TEST_F(LightPixels, DirectionalLightFollowsTheAngleAndWaitsForApply) {
  DirectionalLightC light;  // its default shines along the plane: nothing lit
  EXPECT_EQ(At(Frame(), 32, 32), 0xFF000000u);

  light.SetDirection(D3DXVECTOR3(0, 0, 1));
  EXPECT_EQ(At(Frame(), 32, 32), 0xFF000000u);  // not sent yet
  light.Apply();
  EXPECT_EQ(At(Frame(), 32, 32), 0xFFFFFFFFu);  // head-on

  // Brightness is N·L: 45 degrees gives cos 45, 60 degrees gives a half. The direction
  // need not be a unit vector.
  light.SetDirection(D3DXVECTOR3(1, 0, 1));
  light.Apply();
  EXPECT_NEAR(Blue(At(Frame(), 10, 50)), 180, 2);
  light.SetDirection(D3DXVECTOR3(std::sqrt(3.0f), 0, 1));
  light.SetDiffuse(1.0f, 0.5f, 0.0f);
  light.Apply();
  const std::uint32_t tinted = At(Frame(), 50, 10);
  EXPECT_NEAR(Red(tinted), 128, 2);
  EXPECT_NEAR(Green(tinted), 64, 2);
  EXPECT_EQ(Blue(tinted), 0);

  // Switched off it lights nothing; Apply switches it back on.
  light.Enabled(false);
  EXPECT_EQ(At(Frame(), 32, 32), 0xFF000000u);
  light.Enabled(false);
  light.Apply();
  EXPECT_NEAR(Red(At(Frame(), 32, 32)), 128, 2);
  // ResetIndex puts every light out.
  LightC::ResetIndex();
  EXPECT_EQ(At(Frame(), 32, 32), 0xFF000000u);
}

TEST_F(LightPixels, PointLightFadesWithDistanceAndEndsAtItsRange) {
  PointLightC light;
  light.SetPosition(D3DXVECTOR3(0, 0, 0));
  light.SetRange(0.6f);  // reaches the plane within a radius of 0.33
  light.SetAmbient(0, 0, 0);
  light.Apply();
  std::vector<std::uint32_t> pixels = Frame();
  EXPECT_NEAR(Blue(At(pixels, 32, 32)), Facing(32, 32), 3);
  EXPECT_NEAR(Blue(At(pixels, 40, 32)), Facing(40, 32), 3);  // farther from the light: darker
  EXPECT_NEAR(Blue(At(pixels, 32, 24)), Facing(32, 24), 3);
  EXPECT_LT(Blue(At(pixels, 40, 32)), Blue(At(pixels, 32, 32)) - 20);
  EXPECT_EQ(At(pixels, 48, 32), 0xFF000000u);  // beyond the range
  EXPECT_EQ(At(pixels, 32, 50), 0xFF000000u);
  EXPECT_EQ(At(pixels, 2, 2), 0xFF000000u);

  // The constant attenuation divides everywhere; the light's own ambient part adds only
  // within its range.
  light.SetAttenuation(2);
  light.SetAmbient(0.25f, 0.25f, 0.25f);
  light.Apply();
  pixels = Frame();
  EXPECT_NEAR(Blue(At(pixels, 32, 32)), (Facing(32, 32) + 64) / 2, 3);
  EXPECT_EQ(At(pixels, 48, 32), 0xFF000000u);

  // Distance attenuation of the device: 1 / (a0 + a1 d + a2 d²).
  light.Enabled(false);
  D3DLIGHT9 fading = light.GetLight();
  fading.Ambient = {0, 0, 0, 0};
  fading.Attenuation0 = 0;
  fading.Attenuation1 = 2;  // 1 / 2d: exactly 1 where the plane is nearest
  Agent().mDevice->SetLight(7, fading);
  Agent().mDevice->LightEnable(7, true);
  pixels = Frame();
  const auto expected = [](int x, int y) {
    const float d = std::sqrt(ViewX(x) * ViewX(x) + ViewY(y) * ViewY(y) + kPlaneZ * kPlaneZ);
    return int(std::lround(255.0f * (kPlaneZ / d) / (2.0f * d)));
  };
  EXPECT_NEAR(Blue(At(pixels, 32, 32)), expected(32, 32), 3);
  EXPECT_NEAR(Blue(At(pixels, 40, 32)), expected(40, 32), 3);
  EXPECT_EQ(At(pixels, 48, 32), 0xFF000000u);
  Agent().mDevice->LightEnable(7, false);
}

TEST_F(LightPixels, SpotLightIsBrightInsideThetaAndDarkOutsidePhi) {
  SpotLightC light;
  light.SetPosition(D3DXVECTOR3(0, 0, 0));
  light.SetDirection(D3DXVECTOR3(0, 0, 1));
  light.SetTheta(AngleC(DegreeC(40.0f)));  // full inside a radius of 0.18 on the plane
  light.SetPhi(AngleC(DegreeC(60.0f)));    // nothing beyond a radius of 0.29
  light.SetAmbient(0, 0, 0);
  light.Apply();
  const std::vector<std::uint32_t> pixels = Frame();
  EXPECT_NEAR(Blue(At(pixels, 32, 32)), Facing(32, 32), 3);
  EXPECT_NEAR(Blue(At(pixels, 35, 32)), Facing(35, 32), 3);
  EXPECT_NEAR(Blue(At(pixels, 32, 28)), Facing(32, 28), 3);
  EXPECT_EQ(At(pixels, 44, 32), 0xFF000000u);
  EXPECT_EQ(At(pixels, 32, 20), 0xFF000000u);
  EXPECT_EQ(At(pixels, 41, 41), 0xFF000000u);
  // Between the cones it fades.
  const int between = Blue(At(pixels, 39, 32));
  EXPECT_GT(between, 0);
  EXPECT_LT(between, Facing(39, 32) - 10);
}

TEST_F(LightPixels, GlobalAmbientAndEmissiveAddToTheLights) {
  Agent().SetAmbient(0xFF202020u);
  D3DMATERIAL9 material{};
  material.Diffuse = {1, 1, 1, 1};
  material.Ambient = {1, 1, 1, 1};
  material.Emissive = {0.0f, 0.0f, 0.25f, 0.0f};
  Agent().mDevice->SetMaterial(material);
  const std::uint32_t unlit = At(Frame(), 32, 32);
  EXPECT_NEAR(Red(unlit), 0x20, 1);
  EXPECT_NEAR(Green(unlit), 0x20, 1);
  EXPECT_NEAR(Blue(unlit), 0x60, 1);

  // A point light's default ambient part (0.1) adds where the light reaches.
  PointLightC light;
  light.SetPosition(D3DXVECTOR3(0, 0, 0));
  light.SetDiffuse(0, 0, 0);
  light.Apply();
  const std::uint32_t lit = At(Frame(), 32, 32);
  EXPECT_NEAR(Red(lit), 0x20 + 26, 1);
  EXPECT_NEAR(Blue(lit), 0x60 + 26, 1);
  light.SetPosition(D3DXVECTOR3(0, 0, -100));  // out of range of the plane
  light.Apply();
  EXPECT_EQ(At(Frame(), 32, 32), unlit);
}

TEST_F(LightPixels, LightsBeyondTheDevicesActiveLimitStayDark) {
  std::vector<std::unique_ptr<DirectionalLightC>> sideways;
  for (int i = 0; i < 8; ++i) sideways.push_back(std::make_unique<DirectionalLightC>());
  DirectionalLightC ninth;
  ASSERT_EQ(ninth.GetIndex(), 8u);
  ninth.SetDirection(D3DXVECTOR3(0, 0, 1));
  ninth.Apply();
  EXPECT_EQ(At(Frame(), 32, 32), 0xFF000000u);

  // Once the indices start again, the same light shines.
  LightC::ResetIndex();
  DirectionalLightC first;
  ASSERT_EQ(first.GetIndex(), 0u);
  first.SetDirection(D3DXVECTOR3(0, 0, 1));
  first.Apply();
  EXPECT_EQ(At(Frame(), 32, 32), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace hinoki_test
