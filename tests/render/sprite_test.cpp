// The sprite batch on the GL device: texel-exact placement, colour modulation, and the
// blend state each flush draws with.
#include "GlFixture.h"

namespace hinoki_test {
namespace {

class SpriteTest : public GlFixture {
 protected:
  void SetUp() override {
    CreateDevice(64, 64);
    // 4 x 4 texels that differ from every neighbour, so any blending of two shows.
    for (std::uint32_t i = 0; i < 16; ++i) {
      texels.push_back(0xFF000000u | ((i * 16 + 15) << 16) | ((255 - i * 16) << 8) | (i % 2 ? 0xFF : 0x00));
    }
    texture = MakeTexture(4, 4, texels);
    ASSERT_TRUE(texture);
    sprite = device->CreateSprite();
    device->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  }
  void TearDown() override {
    sprite.reset();
    texture.reset();
    GlFixture::TearDown();
  }
  std::uint32_t Texel(int x, int y) const { return texels[size_t(y) * 4 + size_t(x)]; }

  std::vector<std::uint32_t> texels;
  platform::TextureRef texture;
  std::unique_ptr<platform::Sprite> sprite;
};

TEST_F(SpriteTest, TexelsLandOnPixelsWithLinearFiltering) {
  sprite->Begin(D3DXSPRITE_ALPHABLEND);
  const D3DVECTOR position{10, 20, 0};
  sprite->Draw(texture.get(), nullptr, nullptr, &position, 0xFFFFFFFFu);
  // A source rectangle, and a centre placed at the position.
  const RECT source{1, 1, 3, 3};
  const D3DVECTOR sourcePosition{30, 5, 0};
  sprite->Draw(texture.get(), &source, nullptr, &sourcePosition, 0xFFFFFFFFu);
  const D3DVECTOR center{2, 2, 0};
  const D3DVECTOR centredPosition{50, 50, 0};
  sprite->Draw(texture.get(), nullptr, &center, &centredPosition, 0xFFFFFFFFu);
  // The transform moves everything drawn after it.
  D3DMATRIX moved{};
  moved._11 = moved._22 = moved._33 = moved._44 = 1.0f;
  moved._41 = 5.0f;
  moved._42 = 40.0f;
  sprite->SetTransform(moved);
  sprite->Draw(texture.get(), nullptr, nullptr, nullptr, 0xFFFFFFFFu);
  sprite->End();

  const auto pixels = Read();
  const auto at = [&](int x, int y) { return pixels[size_t(y) * 64 + size_t(x)]; };
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(at(10 + x, 20 + y), Texel(x, y)) << x << "," << y;
      EXPECT_EQ(at(48 + x, 48 + y), Texel(x, y)) << x << "," << y;
      EXPECT_EQ(at(5 + x, 40 + y), Texel(x, y)) << x << "," << y;
    }
  }
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) EXPECT_EQ(at(30 + x, 5 + y), Texel(1 + x, 1 + y));
  }
  // Nothing outside the quads.
  EXPECT_EQ(at(9, 20), 0xFF000000u);
  EXPECT_EQ(at(14, 20), 0xFF000000u);
  EXPECT_EQ(at(10, 19), 0xFF000000u);
  EXPECT_EQ(at(10, 24), 0xFF000000u);
  EXPECT_EQ(at(32, 5), 0xFF000000u);
}

TEST_F(SpriteTest, ColourModulatesTexels) {
  const auto grey = MakeTexture(1, 1, {0xFF808080u});
  sprite->Begin(0);
  const D3DVECTOR position{8, 8, 0};
  sprite->Draw(grey.get(), nullptr, nullptr, &position, 0xFF00FF00u);
  const D3DVECTOR second{20, 8, 0};
  sprite->Draw(grey.get(), nullptr, nullptr, &second, 0xFFFFFFFFu);
  sprite->End();
  EXPECT_EQ(Pixel(8, 8), 0xFF008000u);
  EXPECT_EQ(Pixel(20, 8), 0xFF808080u);
}

TEST_F(SpriteTest, EachFlushUsesTheBlendStateOfItsTime) {
  const auto white = MakeTexture(1, 1, {0x80FFFFFFu});
  const auto red = MakeTexture(1, 1, {0xFF800000u});
  device->Clear(D3DCLEAR_TARGET, 0xFF4000FFu, 1.0f, 0);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  sprite->Begin(D3DXSPRITE_ALPHABLEND);
  const D3DVECTOR first{4, 4, 0};
  sprite->Draw(white.get(), nullptr, nullptr, &first, 0xFFFFFFFFu);
  sprite->Flush();
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  const D3DVECTOR second{8, 4, 0};
  sprite->Draw(red.get(), nullptr, nullptr, &second, 0xFFFFFFFFu);
  sprite->Flush();
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  const D3DVECTOR third{12, 4, 0};
  sprite->Draw(red.get(), nullptr, nullptr, &third, 0xFFFFFFFFu);
  sprite->End();

  // Half-transparent white over (0x40, 0, 0xFF): red 255 * 128/255 + 64 * 127/255 rounds
  // to 160, blue stays 255, green is 128.
  const std::uint32_t blended = Pixel(4, 4);
  EXPECT_NEAR(int((blended >> 16) & 0xFF), 160, 1);
  EXPECT_EQ((blended >> 8) & 0xFF, 0x80u);
  EXPECT_EQ(blended & 0xFF, 0xFFu);
  EXPECT_EQ(Pixel(8, 4), 0xFFC000FFu);   // added: 0x80 + 0x40 red, blue kept
  EXPECT_EQ(Pixel(12, 4), 0xFF800000u);  // opaque over: replaced
  // The sprite puts back what it changed.
  EXPECT_EQ(device->GetRenderState(D3DRS_DESTBLEND), DWORD{D3DBLEND_INVSRCALPHA});
  EXPECT_EQ(device->GetRenderState(D3DRS_LIGHTING), 1u);
  EXPECT_EQ(device->GetRenderState(D3DRS_ZENABLE), DWORD{D3DZB_TRUE});
  EXPECT_EQ(device->GetRenderState(D3DRS_ALPHABLENDENABLE), 0u);
  EXPECT_EQ(device->GetTexture(0), nullptr);
}

TEST_F(SpriteTest, ManyQuadsInOneBatch) {
  const auto white = MakeTexture(1, 1, {0xFFFFFFFFu});
  sprite->Begin(D3DXSPRITE_ALPHABLEND);
  for (int i = 0; i < 10000; ++i) {
    const D3DVECTOR position{float(i % 64), float((i / 64) % 64), 0};
    sprite->Draw(white.get(), nullptr, nullptr, &position, 0xFFFFFFFFu);
  }
  sprite->End();
  const auto pixels = Read();
  for (int i = 0; i < 10000 && i < 64 * 64; i += 97) {
    EXPECT_EQ(pixels[size_t((i / 64) % 64) * 64 + size_t(i % 64)], 0xFFFFFFFFu) << i;
  }
}

// The batch draws the same whatever alpha test the device holds when it flushes.
TEST_F(SpriteTest, ColoursStayWithAnyAlphaTest) {
  const auto white = MakeTexture(1, 1, {0xFFFFFFFFu});
  sprite->Begin(D3DXSPRITE_ALPHABLEND);
  const D3DVECTOR first{4, 4, 0};
  sprite->Draw(white.get(), nullptr, nullptr, &first, 0xFFFF0000u);
  sprite->Flush();
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  device->SetRenderState(D3DRS_ALPHAREF, 0x80);
  const D3DVECTOR second{8, 4, 0};
  sprite->Draw(white.get(), nullptr, nullptr, &second, 0xFF0000FFu);
  const D3DVECTOR hidden{12, 4, 0};
  sprite->Draw(white.get(), nullptr, nullptr, &hidden, 0x7F00FF00u);
  sprite->End();
  EXPECT_EQ(Pixel(4, 4), 0xFFFF0000u);
  EXPECT_EQ(Pixel(8, 4), 0xFF0000FFu);
  EXPECT_EQ(Pixel(12, 4), 0xFF000000u);
}

// Frame after frame of large batches: the vertex memory is written round and round, and
// once in a while one frame holds more than all of it. Every frame shows its own quads.
TEST_F(SpriteTest, LargeBatchesFrameAfterFrame) {
  const auto white = MakeTexture(1, 1, {0xFFFFFFFFu});
  const int counts[] = {20000, 20000, 30000, 20000, 60000, 20000, 20000, 30000, 20000, 20000};
  std::uint32_t frame = 0;
  for (const int count : counts) {
    const std::uint32_t color = 0xFF000000u | ((frame * 40 + 15) << 16) | (255 - frame * 20);
    device->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    sprite->Begin(D3DXSPRITE_ALPHABLEND);
    for (int i = 0; i < count; ++i) {
      const D3DVECTOR position{float(i % 64), float((i / 64) % 64), 0};
      sprite->Draw(white.get(), nullptr, nullptr, &position, color);
    }
    sprite->End();
    const auto pixels = Read();
    for (size_t i = 0; i < pixels.size(); i += 61) {
      ASSERT_EQ(pixels[i], color) << "frame " << frame << " pixel " << i;
    }
    EXPECT_EQ(device->Present(), platform::DeviceResult::kOk);
    ++frame;
  }
}

}  // namespace
}  // namespace hinoki_test
