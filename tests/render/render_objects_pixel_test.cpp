// Drawables and the rendering manager on the GL device, through the device agent with
// its default camera: what a frame's pixels show about draw order, blending, culling and
// fog.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "AgentFixture.h"
#include "platform/Platform.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/gfx/gl/GlGraphics.h"
#include "platform/image/Image.h"
#include "platform/window/sdl/SdlWindow.h"
#include "render/D3DDeviceAgentC.h"
#include "render/RenderingManagerC.h"
#include "render/TextureStorageC.h"

namespace hinoki_test {
namespace {

constexpr unsigned kSize = 128;

class DrawablePixels : public AgentPixelTest {
 protected:
  DrawablePixels() : AgentPixelTest(kSize, "pixels") {}

  void SetUp() override {
    AgentPixelTest::SetUp();
    // Every sprite starts with system\notex.lat of the game folder.
    Image("system/notex.lat", 0xFFFF00FFu);
  }

  /// A one-colour image file of `size` x `size` texels; returns its name.
  std::string Image(const std::string& name, std::uint32_t color, unsigned size = 16) {
    const std::string path = mFolder + "/" + name;
    std::vector<std::uint32_t> pixels(size * size, color);
    EXPECT_TRUE(platform::image::SavePng(path, size, size, pixels.data()));
    return path;
  }

  /// One frame drawn by the manager with the agent's default camera, read back.
  std::vector<std::uint32_t> Frame() {
    Agent().BeginRendering();
    Manager().Draw(D3DXVECTOR3(0, 0, -5), D3DXVECTOR3(0, 0, 0));
    std::vector<std::uint32_t> pixels = Agent().mDevice->ReadBackBuffer();
    Agent().EndRendering();
    return pixels;
  }

  static std::uint32_t At(const std::vector<std::uint32_t>& pixels, int x, int y) {
    return pixels[std::size_t(y) * kSize + std::size_t(x)];
  }

  static D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
  }

};

// Each channel of `actual` within `tolerance` of `expected`.
::testing::AssertionResult Near(std::uint32_t actual, std::uint32_t expected, int tolerance = 3) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = int((actual >> shift) & 0xFF);
    const int e = int((expected >> shift) & 0xFF);
    if (std::abs(a - e) > tolerance) {
      return ::testing::AssertionFailure()
             << std::hex << "0x" << actual << " is not near 0x" << expected;
    }
  }
  return ::testing::AssertionSuccess();
}

TEST_F(DrawablePixels, SpritesOfEqualOrderKeepCreationOrderAboveSmallerOrders) {
  // Three 16 x 16 squares, each 8 pixels right of the last: red order 2, green order 1,
  // blue order 2. Green is drawn first, then red, then blue.
  RenderN::SPSPRITE red =
      Manager().CreateSprite(Image("red.png", 0xFFFF0000u).c_str(), Translation(40, 40, 0));
  RenderN::SPSPRITE green =
      Manager().CreateSprite(Image("green.png", 0xFF00FF00u).c_str(), Translation(48, 40, 0));
  RenderN::SPSPRITE blue =
      Manager().CreateSprite(Image("blue.png", 0xFF0000FFu).c_str(), Translation(56, 40, 0));
  red->SetOrder(2);
  green->SetOrder(1);
  blue->SetOrder(2);
  const std::vector<std::uint32_t> pixels = Frame();
  EXPECT_EQ(At(pixels, 34, 40), 0xFFFF0000u);       // red alone
  EXPECT_EQ(At(pixels, 44, 40), 0xFFFF0000u);       // red over green
  EXPECT_EQ(At(pixels, 52, 40), 0xFF0000FFu);       // blue over green
  EXPECT_EQ(At(pixels, 62, 40), 0xFF0000FFu);       // blue alone
  EXPECT_EQ(At(pixels, 40, 30), At(pixels, 0, 0));  // the centre is at the translation
}

TEST_F(DrawablePixels, AdditiveSpritesAddWhereAlphaSpritesCover) {
  RenderN::SPSPRITE base =
      Manager().CreateSprite(Image("grey.png", 0xFF808080u, 32).c_str(), Translation(40, 40, 0));
  const std::string dim = Image("dim.png", 0xFF404040u);
  RenderN::SPSPRITE added = Manager().CreateSprite(dim.c_str(), Translation(32, 40, 0));
  RenderN::SPSPRITE covered = Manager().CreateSprite(dim.c_str(), Translation(48, 40, 0));
  added->AdditiveBlending(true);
  added->SetOrder(1);
  covered->SetOrder(1);
  const std::vector<std::uint32_t> pixels = Frame();
  EXPECT_TRUE(Near(At(pixels, 32, 40), 0xFFC0C0C0u));
  EXPECT_TRUE(Near(At(pixels, 48, 40), 0xFF404040u));
  EXPECT_TRUE(Near(At(pixels, 40, 52), 0xFF808080u));
}

TEST_F(DrawablePixels, NewPlankIsAWhiteUnitSquareSeenFromBothSides) {
  const std::uint32_t background = Frame()[0];
  RenderN::SPPLANK plank = Manager().CreatePlank();
  std::vector<std::uint32_t> pixels = Frame();
  // A unit square 5 units from the eye with a 60 degree view: 2 x 11 pixels across.
  EXPECT_EQ(At(pixels, 64, 64), 0xFFFFFFFFu);
  EXPECT_EQ(At(pixels, 54, 54), 0xFFFFFFFFu);
  EXPECT_EQ(At(pixels, 73, 73), 0xFFFFFFFFu);
  EXPECT_EQ(At(pixels, 64, 50), background);
  EXPECT_EQ(At(pixels, 78, 64), background);

  // Turned round, its back still shows: planks do not cull.
  D3DXMatrixRotationY(&plank->mMatrix, 3.14159265f);
  EXPECT_EQ(At(Frame(), 64, 64), 0xFFFFFFFFu);
  // A billboard's back is culled.
  Manager().Clear();
  RenderN::SPBILLBOARD billboard = Manager().CreateBillboard();
  EXPECT_EQ(At(Frame(), 64, 64), 0xFFFFFFFFu);
  D3DXMatrixRotationY(&billboard->mMatrix, 3.14159265f);
  EXPECT_EQ(At(Frame(), 64, 64), background);
}

TEST_F(DrawablePixels, TranslucentBillboardsBlendFromFarToNear) {
  const std::uint32_t background = Frame()[0];
  ASSERT_EQ(background, 0xFF000000u);
  const D3DXVECTOR3 eye(0, 0, -5), at(0, 0, 0), up(0, 1, 0);
  // The near one first: only the manager's sort puts the far one underneath.
  RenderN::SPBILLBOARD nearGreen = Manager().CreateBillboard();
  nearGreen->SetMatrix(D3DXVECTOR3(0, 0, 0), eye, at, up);
  nearGreen->SetColor(0, 255, 0, 4);
  nearGreen->SetAlpha(128, 4);
  RenderN::SPBILLBOARD farRed = Manager().CreateBillboard();
  farRed->SetMatrix(D3DXVECTOR3(0, 0, 1), eye, at, up);
  farRed->SetColor(255, 0, 0, 4);
  farRed->SetAlpha(128, 4);
  const std::vector<std::uint32_t> pixels = Frame();
  // Red at half over black, then green at half over that.
  EXPECT_TRUE(Near(At(pixels, 64, 64) & 0x00FFFFFFu, 0x00408000u));
  EXPECT_EQ(Manager().mTranslucentList.front(), farRed);
}

TEST_F(DrawablePixels, FogTintsAPlankByItsDistanceUnlessSwitchedOff) {
  Agent().SetFogState(0xFF0000FFu, 1.0f, 10.0f);
  RenderN::SPPLANK fogged = Manager().CreatePlank();
  fogged->mMatrix = Translation(-0.6f, 0, 0.5f);  // 5.5 from the eye: half way into the fog
  RenderN::SPPLANK clear = Manager().CreatePlank();
  clear->mMatrix = Translation(0.6f, 0, 0.5f);
  clear->Fog(false);
  const std::vector<std::uint32_t> pixels = Frame();
  EXPECT_TRUE(Near(At(pixels, 64 - 12, 64), 0xFF8080FFu, 4));
  EXPECT_EQ(At(pixels, 64 + 12, 64), 0xFFFFFFFFu);
}

TEST_F(DrawablePixels, SplitShowsOneCellOfTheTexture) {
  // 256 x 128 texels in 4 x 2 cells of one colour each; cell (1, 1) is the only green one.
  std::vector<std::uint32_t> texels(256 * 128);
  for (unsigned y = 0; y < 128; ++y) {
    for (unsigned x = 0; x < 256; ++x) {
      const unsigned column = x / 64, row = y / 64;
      texels[y * 256 + x] =
          column == 1 && row == 1 ? 0xFF00FF00u : 0xFF000010u * (1 + column + 4 * row);
    }
  }
  const std::string sheet = mFolder + "/sheet.png";
  ASSERT_TRUE(platform::image::SavePng(sheet, 256, 128, texels.data()));
  RenderN::SPPLANK plank = Manager().CreatePlank(sheet.c_str());
  D3DXMatrixScaling(&plank->mMatrix, 4, 4, 1);  // about 88 pixels square
  plank->Split(4, 2, 1, 1);
  const std::vector<std::uint32_t> pixels = Frame();
  for (const auto& [x, y] : {std::pair{64, 64}, {28, 28}, {100, 28}, {28, 100}, {100, 100}}) {
    EXPECT_EQ(At(pixels, x, y), 0xFF00FF00u) << x << ", " << y;
  }
}

}  // namespace
}  // namespace hinoki_test
