// The GL device around drawing: render-target textures, texture creation limits, the back
// buffer shown scaled in the window, and the lost-device cycle.
#include <stdlib.h>

#include "GlFixture.h"

namespace hinoki_test {
namespace {

class LifecycleTest : public GlFixture {};

TEST_F(LifecycleTest, DrawsIntoRenderTargetTexturesAndBack) {
  CreateDevice(32, 32);
  PlainClipSpaceState();
  const auto target = device->CreateTexture(16, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                            D3DPOOL_DEFAULT);
  const auto floatTarget =
      device->CreateTexture(16, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R32F, D3DPOOL_DEFAULT);
  ASSERT_TRUE(target);
  ASSERT_TRUE(floatTarget);
  const platform::SurfaceRef backBuffer = device->GetRenderTarget(0);
  const platform::SurfaceRef depth = device->GetDepthStencilSurface();
  ASSERT_TRUE(backBuffer);
  EXPECT_EQ(backBuffer->Width(), 32u);

  device->SetRenderTarget(0, target->GetSurfaceLevel(0).get());
  EXPECT_EQ(device->GetViewport().Width, 16u);  // the viewport follows the target
  EXPECT_EQ(device->GetRenderTarget(0)->Width(), 16u);
  device->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x80FF0000u, 1.0f, 0);
  // The top half of the target in green: rows run top first in textures too.
  const ColorVertex top[4] = {{-1, 1, 0.5f, 0xFF00FF00u, 0, 0}, {1, 1, 0.5f, 0xFF00FF00u, 1, 0},
                              {1, 0, 0.5f, 0xFF00FF00u, 1, 1}, {-1, 0, 0.5f, 0xFF00FF00u, 0, 1}};
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, top, sizeof(ColorVertex));
  device->SetRenderTarget(0, floatTarget->GetSurfaceLevel(0).get());
  const ColorVertex all[4] = {{-1, 1, 0.5f, 0xFF800000u, 0, 0}, {1, 1, 0.5f, 0xFF800000u, 1, 0},
                              {1, -1, 0.5f, 0xFF800000u, 1, 1}, {-1, -1, 0.5f, 0xFF800000u, 0, 1}};
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, all, sizeof(ColorVertex));
  device->SetRenderTarget(0, backBuffer.get());
  device->SetDepthStencilSurface(depth.get());
  EXPECT_EQ(device->GetViewport().Width, 32u);

  const auto pixels = device->ReadTexture(*target);
  ASSERT_EQ(pixels.size(), 16u * 8u);
  EXPECT_EQ(pixels[0], 0xFF00FF00u);
  EXPECT_EQ(pixels[3 * 16 + 15], 0xFF00FF00u);
  EXPECT_EQ(pixels[4 * 16], 0x80FF0000u);  // the clear colour keeps its alpha here
  const auto floats = device->ReadTexture(*floatTarget);
  ASSERT_EQ(floats.size(), 16u * 8u);
  EXPECT_EQ((floats[5] >> 16) & 0xFF, 0x80u);

  // The target drawn on the back buffer as a texture: its top is the top.
  device->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  device->SetTexture(0, target.get());
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  DrawFan(ScreenQuad(0, 0, 16, 8, 0.5f, 0xFFFFFFFFu));
  EXPECT_EQ(Pixel(8, 1), 0xFF00FF00u);
  EXPECT_EQ(Pixel(8, 6), 0xFFFF0000u);
  EXPECT_EQ(Pixel(20, 20), 0xFF000000u);  // the back buffer's clear colour, opaque
}

TEST_F(LifecycleTest, TextureCreationLimitsAndLocking) {
  CreateDevice(8, 8);
  const unsigned tooWide = unsigned(device->MaxTextureSize()) + 1;
  EXPECT_FALSE(device->CreateTexture(tooWide, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED));
  EXPECT_FALSE(device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED));
  EXPECT_FALSE(device->CreateTexture(4, 4, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED));
  const auto chain = device->CreateTexture(64, 32, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
  ASSERT_TRUE(chain);
  EXPECT_EQ(chain->Levels(), 7u);

  for (D3DPOOL pool : {D3DPOOL_MANAGED, D3DPOOL_DEFAULT}) {
    const auto texture = device->CreateTexture(2, 2, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, pool);
    ASSERT_TRUE(texture);
    platform::LockedRect locked;
    ASSERT_TRUE(texture->Lock(0, locked, D3DLOCK_DISCARD));
    EXPECT_EQ(locked.pitch, 8);
    auto* words = static_cast<std::uint32_t*>(locked.bits);
    words[0] = 0xFF102030u;
    words[3] = 0x40506070u;
    texture->Unlock(0);
    const auto read = device->ReadTexture(*texture);
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[0], 0xFF102030u);
    EXPECT_EQ(read[3], 0x40506070u);
  }
  auto target =
      device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
  platform::LockedRect locked;
  EXPECT_FALSE(target->Lock(0, locked, 0));
  // A texture that goes away while bound leaves nothing bound.
  device->SetTexture(0, target.get());
  platform::Texture* raw = target.get();
  EXPECT_EQ(device->GetTexture(0), raw);
  target.reset();
  EXPECT_EQ(device->GetTexture(0), nullptr);
}

TEST_F(LifecycleTest, PresentScalesTheBackBufferIntoTheWindow) {
  CreateDevice(32, 32, 64, 48);
  PlainClipSpaceState();
  device->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  DrawFan(ScreenQuad(0, 0, 16, 16, 0.5f, 0xFFFF0000u));
  DrawFan(ScreenQuad(16, 0, 32, 16, 0.5f, 0xFF00FF00u));
  DrawFan(ScreenQuad(0, 16, 16, 32, 0.5f, 0xFF0000FFu));
  DrawFan(ScreenQuad(16, 16, 32, 32, 0.5f, 0xFFFFFFFFu));
  ASSERT_EQ(device->Present(), platform::DeviceResult::kOk);
  int w = 0, h = 0;
  const auto shown = device->ReadWindow(w, h);
  ASSERT_EQ(w, 64);
  ASSERT_EQ(h, 48);
  const auto at = [&](int x, int y) { return shown[size_t(y) * size_t(w) + size_t(x)] | 0xFF000000u; };
  EXPECT_EQ(at(10, 8), 0xFFFF0000u);
  EXPECT_EQ(at(54, 8), 0xFF00FF00u);
  EXPECT_EQ(at(10, 40), 0xFF0000FFu);
  EXPECT_EQ(at(54, 40), 0xFFFFFFFFu);
  EXPECT_EQ(at(0, 0), 0xFFFF0000u);
  EXPECT_EQ(at(63, 47), 0xFFFFFFFFu);
}

TEST_F(LifecycleTest, TheWindowShowsTheBackBufferThroughFramesWithAndWithoutTargets) {
  CreateDevice(32, 32);
  PlainClipSpaceState();
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  // A window of the back buffer's size is drawn into directly.
  EXPECT_EQ(device->DrawsIntoWindow(), !RenderPresentByBlit());
  const auto frame = [&] {
    device->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    DrawFan(ScreenQuad(0, 0, 16, 16, 0.25f, 0xFFFF0000u));
    DrawFan(ScreenQuad(16, 0, 32, 16, 0.25f, 0xFF00FF00u));
  };
  const auto expectShown = [&](std::uint32_t bottomRight) {
    int w = 0, h = 0;
    const auto shown = device->ReadWindow(w, h);
    ASSERT_EQ(w, 32);
    ASSERT_EQ(h, 32);
    const auto at = [&](int x, int y) { return shown[size_t(y) * 32 + size_t(x)] | 0xFF000000u; };
    EXPECT_EQ(at(4, 4), 0xFFFF0000u);
    EXPECT_EQ(at(28, 4), 0xFF00FF00u);
    EXPECT_EQ(at(4, 28), 0xFF000000u);
    EXPECT_EQ(at(28, 28), bottomRight);
    // A capture after Present reads what the window shows, top row first.
    const auto captured = Read();
    EXPECT_EQ(captured[4 * 32 + 4] | 0xFF000000u, 0xFFFF0000u);
    EXPECT_EQ(captured[28 * 32 + 28] | 0xFF000000u, bottomRight);
  };
  frame();
  ASSERT_EQ(device->Present(), platform::DeviceResult::kOk);
  expectShown(0xFF000000u);

  // A frame that draws into a render target midway keeps what was drawn before, depth too.
  const auto target = device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                            D3DPOOL_DEFAULT);
  ASSERT_TRUE(target);
  const platform::SurfaceRef backBuffer = device->GetRenderTarget(0);
  frame();
  DrawFan(ScreenQuad(16, 16, 32, 32, 0.25f, 0xFF0000FFu));
  device->SetRenderTarget(0, target->GetSurfaceLevel(0).get());
  device->Clear(D3DCLEAR_TARGET, 0xFFFFFF00u, 1.0f, 0);
  device->SetRenderTarget(0, backBuffer.get());
  EXPECT_FALSE(device->DrawsIntoWindow());
  // Behind the blue quad: the depth test hides it.
  DrawFan(ScreenQuad(0, 0, 32, 32, 0.75f, 0xFFFFFFFFu));
  EXPECT_EQ(Pixel(4, 28), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(28, 28), 0xFF0000FFu);
  EXPECT_EQ(device->ReadTexture(*target)[0], 0xFFFFFF00u);
  ASSERT_EQ(device->Present(), platform::DeviceResult::kOk);
  {
    int w = 0, h = 0;
    const auto shown = device->ReadWindow(w, h);
    ASSERT_EQ(shown.size(), 32u * 32u);
    EXPECT_EQ(shown[4 * 32 + 4] | 0xFF000000u, 0xFFFF0000u);
    EXPECT_EQ(shown[28 * 32 + 4] | 0xFF000000u, 0xFFFFFFFFu);
    EXPECT_EQ(shown[28 * 32 + 28] | 0xFF000000u, 0xFF0000FFu);
  }

  // A frame without targets after one with them, then one more, which is drawn into the
  // window again.
  for (int i = 0; i < 2; ++i) {
    frame();
    ASSERT_EQ(device->Present(), platform::DeviceResult::kOk);
    expectShown(0xFF000000u);
  }
  EXPECT_EQ(device->DrawsIntoWindow(), !RenderPresentByBlit());

  // A viewport's clear and drawing stay in its rectangle, counted from the top.
  device->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
  device->SetViewport(D3DVIEWPORT9(20, 2, 10, 6, 0.0f, 1.0f));
  device->Clear(D3DCLEAR_TARGET, 0xFF00FFFFu, 1.0f, 0);
  device->SetViewport(D3DVIEWPORT9(2, 20, 6, 10, 0.0f, 1.0f));
  const ColorVertex whole[4] = {{-1, 1, 0.5f, 0xFFFF00FFu, 0, 0}, {1, 1, 0.5f, 0xFFFF00FFu, 1, 0},
                                {1, -1, 0.5f, 0xFFFF00FFu, 1, 1},
                                {-1, -1, 0.5f, 0xFFFF00FFu, 0, 1}};
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, whole, sizeof(ColorVertex));
  const auto pixels = Read();
  const auto at = [&](int x, int y) { return pixels[size_t(y) * 32 + size_t(x)] | 0xFF000000u; };
  EXPECT_EQ(at(20, 2), 0xFF00FFFFu);
  EXPECT_EQ(at(29, 7), 0xFF00FFFFu);
  EXPECT_EQ(at(19, 2), 0xFF000000u);
  EXPECT_EQ(at(20, 8), 0xFF000000u);
  EXPECT_EQ(at(2, 20), 0xFFFF00FFu);
  EXPECT_EQ(at(7, 29), 0xFFFF00FFu);
  EXPECT_EQ(at(8, 29), 0xFF000000u);
  EXPECT_EQ(at(2, 19), 0xFF000000u);
  EXPECT_EQ(at(2, 30), 0xFF000000u);
}

TEST_F(LifecycleTest, DepthClearsHoldForTheDrawsThatTestDepth) {
  CreateDevice(16, 16);
  PlainClipSpaceState();
  const auto target = device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                            D3DPOOL_DEFAULT);
  ASSERT_TRUE(target);
  const platform::SurfaceRef backBuffer = device->GetRenderTarget(0);
  for (int frame = 0; frame < 3; ++frame) {
    device->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000u, 0.4f, 0);
    // Drawn without the depth test: neither tested nor written.
    DrawFan(ScreenQuad(0, 0, 16, 16, 0.1f, 0xFF202020u));
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    DrawFan(ScreenQuad(0, 0, 8, 16, 0.5f, 0xFFFF0000u));   // behind the cleared depth
    DrawFan(ScreenQuad(8, 0, 16, 16, 0.3f, 0xFF00FF00u));  // in front of it
    EXPECT_EQ(Pixel(4, 8), 0xFF202020u);
    EXPECT_EQ(Pixel(12, 8), 0xFF00FF00u);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    // A clear of the depth alone, then drawing into a target in between: it still holds.
    device->Clear(D3DCLEAR_ZBUFFER, 0, 0.6f, 0);
    device->SetRenderTarget(0, target->GetSurfaceLevel(0).get());
    device->Clear(D3DCLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0);
    device->SetRenderTarget(0, backBuffer.get());
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    DrawFan(ScreenQuad(0, 0, 16, 8, 0.5f, 0xFF0000FFu));   // in front of 0.6
    DrawFan(ScreenQuad(0, 8, 16, 16, 0.7f, 0xFFFFFF00u));  // behind it
    EXPECT_EQ(Pixel(4, 4), 0xFF0000FFu);
    EXPECT_EQ(Pixel(4, 12), 0xFF202020u);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    // A clear of part of the depth after a whole one.
    device->Clear(D3DCLEAR_ZBUFFER, 0, 0.2f, 0);
    device->SetViewport(D3DVIEWPORT9(0, 0, 8, 16, 0.0f, 1.0f));
    device->Clear(D3DCLEAR_ZBUFFER, 0, 0.9f, 0);
    device->SetViewport(D3DVIEWPORT9(0, 0, 16, 16, 0.0f, 1.0f));
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    DrawFan(ScreenQuad(0, 0, 16, 16, 0.5f, 0xFFFF00FFu));
    EXPECT_EQ(Pixel(4, 4), 0xFFFF00FFu);
    EXPECT_EQ(Pixel(12, 4), 0xFF0000FFu);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    ASSERT_EQ(device->Present(), platform::DeviceResult::kOk);
  }
}

class LostDeviceTest : public GlFixture,
                       public ::testing::WithParamInterface<platform::GlDevice::LossKind> {};

TEST_P(LostDeviceTest, PresentLostThenResetAndDrawAgain) {
  CreateDevice(16, 16);
  const auto managed = MakeTexture(1, 1, {0xFF336699u});
  ASSERT_TRUE(managed);
  device->SetRenderState(D3DRS_LIGHTING, 0);
  const unsigned generation = device->ContextGeneration();

  device->SimulateDeviceLoss(GetParam());
  EXPECT_EQ(device->Present(), platform::DeviceResult::kDeviceLost);
  EXPECT_EQ(device->Present(), platform::DeviceResult::kDeviceLost);
  EXPECT_EQ(device->TestCooperativeLevel(), platform::DeviceResult::kDeviceLost);
  EXPECT_EQ(device->TestCooperativeLevel(), platform::DeviceResult::kDeviceNotReset);
  ASSERT_TRUE(device->Reset());
  EXPECT_EQ(device->TestCooperativeLevel(), platform::DeviceResult::kOk);
  EXPECT_EQ(device->ContextGeneration(),
            generation + (GetParam() == platform::GlDevice::LossKind::kContextReset ? 1u : 0u));
  EXPECT_EQ(device->GetRenderState(D3DRS_LIGHTING), 1u);  // state is back to the defaults

  // The managed texture survived and draws; so does everything else.
  PlainClipSpaceState();
  device->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
  device->SetTexture(0, managed.get());
  DrawFan(ScreenQuad(0, 0, 8, 8, 0.5f, 0xFFFFFFFFu));
  EXPECT_EQ(Pixel(4, 4), 0xFF336699u);
  auto sprite = device->CreateSprite();
  sprite->Begin(D3DXSPRITE_ALPHABLEND);
  const D3DVECTOR position{10, 10, 0};
  sprite->Draw(managed.get(), nullptr, nullptr, &position, 0xFFFFFFFFu);
  sprite->End();
  EXPECT_EQ(Pixel(10, 10), 0xFF336699u);
  EXPECT_EQ(device->Present(), platform::DeviceResult::kOk);
}

INSTANTIATE_TEST_SUITE_P(BothKinds, LostDeviceTest,
                         ::testing::Values(platform::GlDevice::LossKind::kKeepContext,
                                           platform::GlDevice::LossKind::kContextReset),
                         [](const auto& info) {
                           return info.param == platform::GlDevice::LossKind::kKeepContext
                                      ? std::string("KeepContext")
                                      : std::string("ContextReset");
                         });

TEST_F(LifecycleTest, EnvironmentChoosesThePresentThatReportsLoss) {
  setenv("HINOKI_LOSE_DEVICE_AT_PRESENT", "2", 1);
  CreateDevice(8, 8);
  unsetenv("HINOKI_LOSE_DEVICE_AT_PRESENT");
  EXPECT_EQ(device->Present(), platform::DeviceResult::kOk);
  EXPECT_EQ(device->Present(), platform::DeviceResult::kDeviceLost);
  EXPECT_EQ(device->TestCooperativeLevel(), platform::DeviceResult::kDeviceLost);
  EXPECT_EQ(device->TestCooperativeLevel(), platform::DeviceResult::kDeviceNotReset);
  EXPECT_TRUE(device->Reset());
  EXPECT_EQ(device->Present(), platform::DeviceResult::kOk);
  EXPECT_EQ(device->Present(), platform::DeviceResult::kOk);
}

}  // namespace
}  // namespace hinoki_test
