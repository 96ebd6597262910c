// The device agent on the recording device: creation fallbacks, the default state, the
// caches that keep unchanged values off the device, and a real lost-device recovery.
#include <gtest/gtest.h>

#include <cstring>

#include "math/d3dx/D3DX.h"
#include "unit/render_test_fixture.h"

namespace {

using platform::fake::Line;
using Type = platform::Graphics::DeviceType;
using Processing = platform::Graphics::VertexProcessing;

double Bits(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

std::vector<std::string> DefaultStateLines(std::uint32_t ambient, std::uint32_t fogColor,
                                           float fogStart, float fogEnd) {
  return {
      Line("SetRenderState", {143, 1}),   Line("SetRenderState", {7, 1}),
      Line("SetRenderState", {14, 1}),    Line("SetRenderState", {27, 1}),
      Line("SetRenderState", {19, 5}),    Line("SetRenderState", {20, 6}),
      Line("SetTextureStageState", {0, 4, 4}), Line("SetTextureStageState", {0, 5, 2}),
      Line("SetTextureStageState", {0, 6, 0}), Line("SetTextureStageState", {0, 1, 4}),
      Line("SetRenderState", {145, 0}),   Line("SetSamplerState", {0, 6, 2}),
      Line("SetSamplerState", {0, 7, 2}), Line("SetSamplerState", {0, 5, 2}),
      Line("SetFVF", {0x142}),            Line("SetRenderState", {137, 1}),
      Line("SetRenderState", {22, 3}),    Line("SetRenderState", {136, 1}),
      Line("SetRenderState", {139, double(ambient)}), Line("SetRenderState", {28, 1}),
      Line("SetRenderState", {34, double(fogColor)}), Line("SetRenderState", {140, 3}),
      Line("SetRenderState", {35, 0}),    Line("SetRenderState", {36, Bits(fogStart)}),
      Line("SetRenderState", {37, Bits(fogEnd)}), Line("SetTransform", {2}),
      Line("SetTransform", {3}),
  };
}

D3DXMATRIX DefaultView() {
  D3DXMATRIX view;
  const D3DXVECTOR3 eye(0, 0, -5), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  return view;
}

D3DXMATRIX DefaultProjection(float aspect) {
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, 1.0471976f, aspect, 0.05f, 5000.0f);
  return projection;
}

bool Same(const D3DMATRIX& a, const D3DMATRIX& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class DeviceAgent : public rendertest::RenderTest {};

TEST_F(DeviceAgent, CreateFallsBackThroughFourDevicesAndRunsOnce) {
  mGraphics.mFailingAttempts = {0, 1, 2};
  ASSERT_TRUE(Agent().Create(true, &mWindow, false, 640, 480));
  const std::vector<std::pair<Type, Processing>> expected = {
      {Type::kHardware, Processing::kHardware},
      {Type::kHardware, Processing::kSoftware},
      {Type::kReference, Processing::kHardware},
      {Type::kReference, Processing::kSoftware}};
  EXPECT_EQ(mGraphics.mAttempts, expected);
  const platform::PresentParameters& p = mGraphics.mLastParameters;
  EXPECT_EQ(p.backBufferWidth, 640u);
  EXPECT_EQ(p.backBufferHeight, 480u);
  EXPECT_EQ(p.window, &mWindow);
  EXPECT_FALSE(p.windowed);
  EXPECT_TRUE(p.synchronise);
  EXPECT_EQ(Agent().GetBackWidth(), 640u);
  EXPECT_EQ(Agent().GetBackHeight(), 480u);
  EXPECT_NE(Agent().mSprite, nullptr);
  EXPECT_NE(Agent().mBackBufferSurface, nullptr);
  EXPECT_NE(Agent().mDepthStencilSurface, nullptr);

  // A second creation changes nothing.
  EXPECT_FALSE(CreateAgent());
  EXPECT_EQ(mGraphics.mAttempts.size(), 4u);
  EXPECT_EQ(Agent().GetBackWidth(), 640u);
}

TEST_F(DeviceAgent, ADeviceWithoutSizeTakesTheClientArea) {
  mWindow.Create("game", 320, 200, true);
  ASSERT_TRUE(Agent().Create(false, &mWindow, true, 0, 0));
  EXPECT_EQ(mGraphics.mLastParameters.backBufferWidth, 320u);
  EXPECT_EQ(Agent().GetBackHeight(), 200u);
  EXPECT_FLOAT_EQ(Agent().GetAspect(), 1.6f);

  ResetAgent();  // a size that is given is kept
  ASSERT_TRUE(Agent().Create(false, &mWindow, false, 640, 0));
  EXPECT_EQ(Agent().GetBackWidth(), 640u);
  EXPECT_EQ(Agent().GetBackHeight(), 200u);
}

TEST_F(DeviceAgent, CreateFailsWhenAnyStepFails) {
  mGraphics.mFailingAttempts = {0, 1, 2, 3};
  EXPECT_FALSE(CreateAgent());
  EXPECT_EQ(mGraphics.mAttempts.size(), 4u);
  EXPECT_EQ(Agent().mDevice, nullptr);
  EXPECT_FALSE(Agent().EndRendering());  // no device: nothing happens

  ResetAgent();
  mGraphics.mFailingAttempts.clear();
  mGraphics.mDisplayModeReadable = false;
  EXPECT_FALSE(CreateAgent());

  ResetAgent();
  mGraphics.mDisplayModeReadable = true;
  mGraphics.mFailSprite = true;
  EXPECT_FALSE(CreateAgent());

  ResetAgent();
  platform::Components none = platform::Installed();
  none.graphics = nullptr;
  platform::Install(none);
  EXPECT_FALSE(CreateAgent());
}

TEST_F(DeviceAgent, CreationSendsTheDefaultStateInOrder) {
  ASSERT_TRUE(CreateAgent());
  std::vector<std::string> calls = Device().Calls();
  ASSERT_GE(calls.size(), 28u);
  EXPECT_EQ(calls[0], "CreateSprite()");
  const std::vector<std::string> steps(calls.begin() + 1, calls.begin() + 28);
  EXPECT_EQ(steps, DefaultStateLines(0, 0xFF0000FFu, 50.0f, 100.0f));
  EXPECT_EQ(calls[28], "GetRenderTarget(0)");
  EXPECT_EQ(calls[29], "GetDepthStencilSurface()");

  EXPECT_FLOAT_EQ(Agent().GetAspect(), 1.3333334f);
  EXPECT_TRUE(Same(Device().GetTransform(D3DTS_VIEW), DefaultView()));
  EXPECT_TRUE(Same(Device().GetTransform(D3DTS_PROJECTION), DefaultProjection(800.0f / 600.0f)));
  EXPECT_EQ(Agent().mStandardVertexFormat, 1u);

  // The script may ask for the defaults again at any time.
  Agent().mStandardVertexFormat = 0;
  Device().ClearCalls();
  Agent().InitializeRenderState();
  EXPECT_EQ(Device().Calls(), DefaultStateLines(0, 0xFF0000FFu, 50.0f, 100.0f));
  EXPECT_EQ(Agent().mStandardVertexFormat, 1u);
}

TEST_F(DeviceAgent, UnchangedFogAndAmbientAreNotSentAgain) {
  ASSERT_TRUE(CreateAgent());
  Device().ClearCalls();
  Agent().SetFogState(0xFF0000FFu, 50.0f, 100.0f);
  EXPECT_TRUE(Device().Calls().empty());

  Agent().SetAmbient(0xFF202020u);
  Agent().SetAmbient(0xFF202020u);
  EXPECT_EQ(Device().Calls(), std::vector<std::string>{Line("SetRenderState", {139, 0xFF202020u})});

  Device().ClearCalls();
  Agent().SetFogState(0xFF0000FFu, 10.0f, 100.0f);  // only the start differs
  Agent().SetFogState(0xFF00FF00u, 10.0f, 200.0f);
  EXPECT_EQ(Device().Calls(), (std::vector<std::string>{
                                  Line("SetRenderState", {36, Bits(10.0f)}),
                                  Line("SetRenderState", {34, 0xFF00FF00u}),
                                  Line("SetRenderState", {37, Bits(200.0f)})}));
  EXPECT_EQ(Agent().mFogColor, 0xFF00FF00u);
  EXPECT_EQ(Agent().mFogStart, 10.0f);
  EXPECT_EQ(Agent().mFogEnd, 200.0f);

  // Matrices are not cached: each call reaches the device.
  Device().ClearCalls();
  Agent().SetViewMatrix(DefaultView());
  Agent().SetViewMatrix(DefaultView());
  Agent().SetProjectionMatrix(DefaultView());
  EXPECT_EQ(Device().Calls(), (std::vector<std::string>{Line("SetTransform", {2}),
                                                        Line("SetTransform", {2}),
                                                        Line("SetTransform", {3})}));
}

TEST_F(DeviceAgent, AFrameClearsBeginsEndsAndPresents) {
  Agent().BeginRendering();  // no device yet: nothing to do
  EXPECT_FALSE(Agent().EndRendering());
  ASSERT_TRUE(CreateAgent());
  Device().ClearCalls();
  Agent().BeginRendering();
  EXPECT_FALSE(Agent().EndRendering());
  EXPECT_EQ(Device().Calls(), (std::vector<std::string>{
                                  Line("Clear", {7, 0xFF000000u, 1, 0}), "BeginScene()",
                                  "EndScene()", "Present()"}));
  EXPECT_EQ(Device().ReadBackBuffer()[0], 0xFF000000u);
}

TEST_F(DeviceAgent, ALostDeviceIsRestoredWithDefaultsAndTheScriptsFogAndAmbient) {
  ASSERT_TRUE(CreateAgent());
  const std::string image = WritePng("wall.png", 12, 10);
  RenderN::SPTEXTUREDATA held = Storage().GetTexture(image.c_str());
  ASSERT_TRUE(held && held->mTexture);
  held->mWidth = 99.0f;  // a script overwrote it
  Agent().mCurrentTexture = held->mTexture;
  const platform::SurfaceRef oldTarget = Agent().mBackBufferSurface;

  Agent().SetAmbient(0xFF404040u);
  Agent().SetFogState(0xFFFFFFFFu, 5.0f, 25.0f);
  D3DXMATRIX scriptView;
  D3DXMatrixIdentity(&scriptView);
  Agent().SetViewMatrix(scriptView);

  // The device stays lost for three polls; meanwhile the user resizes and closes.
  Device().LoseOnNextPresent(3);
  platform::WindowMessage resize;
  resize.kind = platform::WindowMessageKind::kResized;
  mWindow.Queue(resize);
  mWindow.PostQuit();
  BaseN::GetIniSettings().mDebugMode = true;
  Device().ClearCalls();
  testing::internal::CaptureStdout();
  Agent().BeginRendering();
  const bool recovered = Agent().EndRendering();
  const std::string console = testing::internal::GetCapturedStdout();
  ASSERT_TRUE(recovered);

  EXPECT_EQ(platform::text::Utf8ToCp932(console),
            platform::text::Utf8ToCp932("*** D3Dデバイスのロストを検知しました ***\n"
                                        "*** D3Dデバイスのロストから復帰しました ***\n"));
  const std::vector<std::string> calls = Device().Calls();
  auto at = [&](const std::string& line) {
    return std::find(calls.begin(), calls.end(), line) - calls.begin();
  };
  // Textures go before the reset and come back after it, in the defined order.
  EXPECT_LT(at("Sprite.OnLostDevice()"), at("ReleaseTexture(12, 10)"));
  EXPECT_LT(at("ReleaseTexture(12, 10)"), at("TestCooperativeLevel()"));
  EXPECT_LT(at("TestCooperativeLevel()"), at("Reset()"));
  EXPECT_LT(at("Reset()"), at("Sprite.OnResetDevice()"));
  EXPECT_LT(at("Sprite.OnResetDevice()"), at("CreateTextureFromData(12, 10, 1, 0)"));
  EXPECT_EQ(Device().Calls("TestCooperativeLevel()").size(), 4u);
  EXPECT_EQ(Device().mPresents, 2);  // the frame's, and one for the resize

  // Defaults again for the matrices, the script's values for ambient and fog.
  EXPECT_TRUE(Same(Device().GetTransform(D3DTS_VIEW), DefaultView()));
  EXPECT_TRUE(Same(Device().GetTransform(D3DTS_PROJECTION), DefaultProjection(800.0f / 600.0f)));
  EXPECT_EQ(Device().GetRenderState(D3DRS_AMBIENT), 0xFF404040u);
  EXPECT_EQ(Device().GetRenderState(D3DRS_FOGCOLOR), 0xFFFFFFFFu);
  EXPECT_EQ(Device().GetRenderState(D3DRS_FOGSTART), Bits(5.0f));
  EXPECT_EQ(Device().GetRenderState(D3DRS_FOGEND), Bits(25.0f));

  // The holder's record has a new texture and the image's own size again.
  ASSERT_TRUE(held->mTexture);
  EXPECT_EQ(held->mWidth, 12.0f);
  EXPECT_EQ(Agent().mCurrentTexture, nullptr);
  EXPECT_NE(Agent().mBackBufferSurface, nullptr);
  EXPECT_NE(Agent().mBackBufferSurface, oldTarget);
  // The image's, and the shadow map's target, made for the recovery as every owner of
  // device resources is.
  EXPECT_EQ(Device().LiveDefaultPoolTextures(), 2);

  // The close taken by the wait is handed back to the main loop.
  platform::WindowMessage next;
  ASSERT_TRUE(mWindow.PeekMessage(next));
  EXPECT_EQ(next.kind, platform::WindowMessageKind::kQuit);

  // The next frame is an ordinary one.
  Agent().BeginRendering();
  EXPECT_FALSE(Agent().EndRendering());
}

TEST_F(DeviceAgent, WithoutDebugModeTheRecoveryWritesNothing) {
  ASSERT_TRUE(CreateAgent());
  Device().LoseOnNextPresent();
  testing::internal::CaptureStdout();
  EXPECT_TRUE(Agent().EndRendering());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_FALSE(mWindow.mQuitPosted);
}

TEST_F(DeviceAgent, AFailedResetEndsTheProcessWithItsBox) {
  ASSERT_TRUE(CreateAgent());
  Device().LoseOnNextPresent();
  Device().mResetSucceeds = false;
  // Without a dialog the box goes to standard error, where the test can read it.
  platform::Components components = platform::Installed();
  components.dialog = nullptr;
  platform::Install(components);
  EXPECT_EXIT(Agent().EndRendering(), testing::ExitedWithCode(255),
              "ERROR: D3Dデバイスの復帰に失敗しました。");
}

}  // namespace
