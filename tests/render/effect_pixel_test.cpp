// Effects on the GL device as a player sees them: passes drawing their own colours,
// matrices placing geometry where the fixed-function path does, textures and float
// render targets read by effects, compiler errors, a rebuilt context, effect draws mixed
// with fixed-function and sprite draws, and depth-tested drawing into a texture.
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "GlFixture.h"

namespace hinoki_test {
namespace {

using platform::EffectHandle;
using platform::EffectRef;

constexpr DWORD kColorFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Two passes, each filling with its own colour parameter.
constexpr const char* kTwoPass = R"(//! technique Flat passes 2
uniform vec4 gColor0;
uniform vec4 gColor1;
#ifdef VERTEX
layout(location = 0) in vec3 aPosition;
void main() { gl_Position = HinokiClip(vec4(aPosition, 1.0)); }
#endif
#ifdef FRAGMENT
out vec4 oColor;
void main() {
#if PASS == 0
  oColor = gColor0;
#else
  oColor = gColor1;
#endif
}
#endif
)";

// Direct3D's v * World * View * Projection, with the vertex colour.
constexpr const char* kTransformed = R"(//! technique Transformed passes 1
uniform mat4 gWorld;
uniform mat4 gView;
uniform mat4 gProjection;
#ifdef VERTEX
layout(location = 0) in vec3 aPosition;
layout(location = 2) in vec4 aDiffuse;
out vec4 vColor;
void main() {
  gl_Position = HinokiClip(gProjection * (gView * (gWorld * vec4(aPosition, 1.0))));
  vColor = aDiffuse;
}
#endif
#ifdef FRAGMENT
in vec4 vColor;
out vec4 oColor;
void main() { oColor = vColor; }
#endif
)";

// The texel under the texture coordinate, times a scale and plus a bias.
constexpr const char* kTextured = R"(//! technique Textured passes 1
//! sampler gTexture clamp point
uniform sampler2D gTexture;
uniform vec4 gScale;
uniform vec4 gBias;
#ifdef VERTEX
layout(location = 0) in vec3 aPosition;
layout(location = 3) in vec2 aTexCoord;
out vec2 vTexCoord;
void main() {
  gl_Position = HinokiClip(vec4(aPosition, 1.0));
  vTexCoord = aTexCoord;
}
#endif
#ifdef FRAGMENT
in vec2 vTexCoord;
out vec4 oColor;
void main() { oColor = texture(gTexture, vTexCoord) * gScale + gBias; }
#endif
)";

// A value beyond 8 bits, as the shadow map stores depths.
constexpr const char* kWriteValue = R"(//! technique Depth passes 1
uniform float gValue;
uniform bool gBright;
#ifdef VERTEX
layout(location = 0) in vec3 aPosition;
void main() { gl_Position = HinokiClip(vec4(aPosition, 1.0)); }
#endif
#ifdef FRAGMENT
out vec4 oColor;
void main() { oColor = vec4(gValue, gBright ? 1.75 : 0.25, 0.0, 1.0); }
#endif
)";

// Line 7 has an error.
constexpr const char* kBroken = R"(//! technique Broken passes 1
#ifdef VERTEX
void main() { gl_Position = vec4(0.0); }
#endif
#ifdef FRAGMENT
out vec4 oColor;
void main() { oColor = undefinedThing; }
#endif
)";

class EffectPixels : public GlFixture {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/hinoki-effects-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mDirectory = pattern;
  }

  void TearDown() override {
    for (const std::string& path : mFiles) std::remove(path.c_str());
    rmdir(mDirectory.c_str());
    GlFixture::TearDown();
  }

  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = mDirectory + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    mFiles.push_back(path);
    return path;
  }

  EffectRef Load(const std::string& name, const char* text) {
    std::string errors;
    EffectRef effect = device->CreateEffectFromFile(Write(name, text), errors);
    EXPECT_TRUE(effect) << errors;
    return effect;
  }

  static void Vector(platform::Effect& effect, const char* name, float r, float g, float b,
                     float a) {
    const float value[4] = {r, g, b, a};
    effect.SetVector(effect.GetParameterByName(name), value);
  }

  std::uint32_t At(const std::vector<std::uint32_t>& pixels, unsigned w, int x, int y) {
    return pixels[size_t(y) * w + size_t(x)];
  }

  std::string mDirectory;
  std::vector<std::string> mFiles;
};

bool Near(std::uint32_t actual, std::uint32_t expected, int tolerance = 1) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = int((actual >> shift) & 0xFF), e = int((expected >> shift) & 0xFF);
    if (std::abs(a - e) > tolerance) return false;
  }
  return true;
}

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

TEST_F(EffectPixels, EachPassDrawsWithItsOwnParametersAndFixedFunctionDrawingReturnsAfter) {
  CreateDevice(16, 8);
  PlainClipSpaceState();
  EffectRef effect = Load("flat.lat", kTwoPass);
  ASSERT_TRUE(effect);
  const EffectHandle technique = effect->GetTechniqueByName("Flat");
  EXPECT_NE(technique, 0u);
  EXPECT_EQ(effect->GetTechniqueByName("Other"), 0u);
  EXPECT_TRUE(effect->SetTechnique(technique));
  EXPECT_EQ(effect->GetParameterByName("gMissing"), 0u);
  // Setting through "none" changes nothing and does not fail.
  effect->SetFloat(0, 1.0f);
  float unknown = 0.0f;
  EXPECT_FALSE(effect->GetFloat(0, unknown));

  Vector(*effect, "gColor0", 1.0f, 0.0f, 0.0f, 1.0f);
  Vector(*effect, "gColor1", 0.0f, 0.0f, 1.0f, 1.0f);
  float readBack[4] = {};
  EXPECT_TRUE(effect->GetVector(effect->GetParameterByName("gColor1"), readBack));
  EXPECT_EQ(readBack[2], 1.0f);

  device->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  unsigned passes = 0;
  EXPECT_EQ(effect->CurrentPass(), -1);
  effect->Begin(&passes, 0);
  ASSERT_EQ(passes, 2u);
  effect->BeginPass(0);
  EXPECT_EQ(effect->CurrentPass(), 0);
  DrawFan(ScreenQuad(0, 0, 8, 8, 0.5f, 0xFFFFFFFFu));
  effect->EndPass();
  effect->BeginPass(1);
  EXPECT_EQ(effect->CurrentPass(), 1);
  DrawFan(ScreenQuad(8, 0, 16, 4, 0.5f, 0xFFFFFFFFu));
  // A change inside a pass shows once committed.
  Vector(*effect, "gColor1", 0.0f, 1.0f, 0.0f, 1.0f);
  effect->CommitChanges();
  DrawFan(ScreenQuad(8, 4, 16, 8, 0.5f, 0xFFFFFFFFu));
  effect->EndPass();
  effect->End();
  EXPECT_EQ(effect->CurrentPass(), -1);
  // The fixed-function program draws again: the vertex colour.
  DrawFan(ScreenQuad(6, 3, 10, 5, 0.5f, 0xFFFFFF00u));

  EXPECT_EQ(Pixel(1, 1), 0xFFFF0000u);
  EXPECT_EQ(Pixel(14, 1), 0xFF0000FFu);
  EXPECT_EQ(Pixel(14, 6), 0xFF00FF00u);
  EXPECT_EQ(Pixel(7, 4), 0xFFFFFF00u);
  EXPECT_EQ(Pixel(9, 4), 0xFFFFFF00u);
}

TEST_F(EffectPixels, MatricesPlaceGeometryWhereTheFixedFunctionPathDoes) {
  CreateDevice(64, 48);
  PlainClipSpaceState();
  D3DMATRIX world = Identity();
  const float angle = 0.4f;
  world._11 = std::cos(angle); world._12 = std::sin(angle);
  world._21 = -std::sin(angle); world._22 = std::cos(angle);
  world._41 = 0.3f; world._42 = -0.2f; world._43 = 3.0f;
  D3DMATRIX view = Identity();
  view._41 = -0.1f; view._43 = 0.5f;
  // A left-handed perspective projection, 60 degrees high, depth 0 at 1 and 1 at 100.
  const float yScale = 1.0f / std::tan(0.5236f), xScale = yScale * 48.0f / 64.0f;
  const float zf = 100.0f, zn = 1.0f;
  D3DMATRIX projection{};
  projection._11 = xScale;
  projection._22 = yScale;
  projection._33 = zf / (zf - zn);
  projection._34 = 1.0f;
  projection._43 = -zn * zf / (zf - zn);
  const std::vector<ColorVertex> quad = {{-1.1f, 1.3f, 0.2f, 0xFF20C040u, 0, 0},
                                         {1.2f, 0.9f, 0.0f, 0xFFC02040u, 0, 0},
                                         {0.9f, -1.0f, -0.3f, 0xFF2040C0u, 0, 0},
                                         {-1.0f, -0.8f, 0.1f, 0xFFC0C0C0u, 0, 0}};

  device->SetTransform(D3DTS_WORLD, world);
  device->SetTransform(D3DTS_VIEW, view);
  device->SetTransform(D3DTS_PROJECTION, projection);
  device->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  DrawFan(quad);
  const std::vector<std::uint32_t> fixed = Read();

  EffectRef effect = Load("transformed.lat", kTransformed);
  ASSERT_TRUE(effect);
  effect->SetMatrix(effect->GetParameterByName("gWorld"), world);
  effect->SetMatrix(effect->GetParameterByName("gView"), view);
  effect->SetMatrix(effect->GetParameterByName("gProjection"), projection);
  D3DMATRIX readBack{};
  EXPECT_TRUE(effect->GetMatrix(effect->GetParameterByName("gView"), readBack));
  EXPECT_EQ(readBack._41, -0.1f);
  // The device's own transforms must not matter to the effect.
  device->SetTransform(D3DTS_WORLD, Identity());
  device->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  effect->Begin(nullptr, 0);
  effect->BeginPass(0);
  DrawFan(quad);
  effect->EndPass();
  effect->End();
  const std::vector<std::uint32_t> viaEffect = Read();

  int covered = 0, differing = 0, colourOff = 0;
  for (size_t i = 0; i < fixed.size(); ++i) {
    covered += fixed[i] != 0xFF000000u;
    if ((fixed[i] == 0xFF000000u) != (viaEffect[i] == 0xFF000000u)) ++differing;
    else if (!Near(fixed[i], viaEffect[i], 2)) ++colourOff;
  }
  EXPECT_GT(covered, 300);
  EXPECT_LT(covered, 64 * 48 - 300);
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(colourOff, 0);
}

TEST_F(EffectPixels, ATextureParameterIsSampledAndStageZeroIsLeftAlone) {
  CreateDevice(8, 8);
  PlainClipSpaceState();
  auto texture = MakeTexture(2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu});
  auto other = MakeTexture(1, 1, {0xFF808080u});
  ASSERT_TRUE(texture && other);
  device->SetTexture(0, other.get());
  EffectRef effect = Load("textured.lat", kTextured);
  ASSERT_TRUE(effect);
  const EffectHandle sampler = effect->GetParameterByName("gTexture");
  effect->SetTexture(sampler, texture.get());
  EXPECT_EQ(effect->GetTexture(sampler), texture.get());
  Vector(*effect, "gScale", 1.0f, 1.0f, 1.0f, 1.0f);
  Vector(*effect, "gBias", 0.0f, 0.0f, 0.0f, 0.0f);
  device->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  effect->Begin(nullptr, 0);
  effect->BeginPass(0);
  DrawFan(ScreenQuad(0, 0, 8, 8, 0.5f, 0xFFFFFFFFu));
  effect->EndPass();
  effect->End();
  EXPECT_EQ(Pixel(1, 1), 0xFFFF0000u);
  EXPECT_EQ(Pixel(6, 1), 0xFF00FF00u);
  EXPECT_EQ(Pixel(1, 6), 0xFF0000FFu);
  EXPECT_EQ(Pixel(6, 6), 0xFFFFFFFFu);
  // Stage 0 still draws its own texture for the fixed-function path.
  DrawFan(ScreenQuad(2, 2, 6, 6, 0.5f, 0xFFFFFFFFu));
  EXPECT_EQ(Pixel(3, 3), 0xFF808080u);
  // A released texture reads back as none.
  texture.reset();
  EXPECT_EQ(effect->GetTexture(sampler), nullptr);
}

TEST_F(EffectPixels, AFloatRenderTargetKeepsValuesBeyondEightBitsForTheNextEffect) {
  CreateDevice(8, 8);
  PlainClipSpaceState();
  auto target =
      device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A16B16G16R16F, D3DPOOL_DEFAULT);
  ASSERT_TRUE(target);
  EXPECT_EQ(target->Format(), D3DFMT_A16B16G16R16F);
  auto backBuffer = device->GetRenderTarget(0);
  EffectRef writer = Load("write.lat", kWriteValue);
  EffectRef reader = Load("read.lat", kTextured);
  ASSERT_TRUE(writer && reader);
  writer->SetFloat(writer->GetParameterByName("gValue"), 0.3712f);
  writer->SetBool(writer->GetParameterByName("gBright"), true);
  bool bright = false;
  EXPECT_TRUE(writer->GetBool(writer->GetParameterByName("gBright"), bright));
  EXPECT_TRUE(bright);

  device->SetRenderTarget(0, target->GetSurfaceLevel(0).get());
  device->Clear(D3DCLEAR_TARGET, 0x00000000u, 1.0f, 0);
  writer->Begin(nullptr, 0);
  writer->BeginPass(0);
  DrawFan(ScreenQuad(0, 0, 8, 8, 0.5f, 0xFFFFFFFFu));
  writer->EndPass();
  writer->End();
  device->SetRenderTarget(0, backBuffer.get());

  const std::vector<float> values = device->ReadTextureFloats(*target);
  ASSERT_EQ(values.size(), 8u * 8u * 4u);
  EXPECT_NEAR(values[(3 * 8 + 5) * 4 + 0], 0.3712f, 1e-3f);
  EXPECT_NEAR(values[(3 * 8 + 5) * 4 + 1], 1.75f, 1e-3f);
  // The 8-bit read clamps.
  EXPECT_EQ(device->ReadTexture(*target)[3 * 8 + 5], 0xFF5FFF00u);

  // Sampled as floats: red * 2 and green - 1 fit in 8 bits only when nothing was clamped.
  reader->SetTexture(reader->GetParameterByName("gTexture"), target.get());
  Vector(*reader, "gScale", 2.0f, 1.0f, 0.0f, 1.0f);
  Vector(*reader, "gBias", 0.0f, -1.0f, 0.0f, 0.0f);
  device->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  reader->Begin(nullptr, 0);
  reader->BeginPass(0);
  DrawFan(ScreenQuad(0, 0, 8, 8, 0.5f, 0xFFFFFFFFu));
  reader->EndPass();
  reader->End();
  EXPECT_TRUE(Near(Pixel(4, 4), 0xFFBDBF00u)) << std::hex << Pixel(4, 4);
}

TEST_F(EffectPixels, FailuresGiveNoEffectWithTheCompilersMessages) {
  CreateDevice(8, 8);
  std::string errors;
  EXPECT_FALSE(device->CreateEffectFromFile(Write("broken.lat", kBroken), errors));
  EXPECT_NE(errors.find("broken.lat"), std::string::npos) << errors;
  EXPECT_NE(errors.find(":7("), std::string::npos) << errors;  // the file's own line 7
  EXPECT_NE(errors.find("undefinedThing"), std::string::npos) << errors;

  errors.clear();
  EXPECT_FALSE(device->CreateEffectFromFile(Write("plain.lat", "void main() {}\n"), errors));
  EXPECT_NE(errors.find("technique"), std::string::npos) << errors;

  errors = "stale";
  EXPECT_FALSE(device->CreateEffectFromFile(mDirectory + "/absent.lat", errors));
  EXPECT_TRUE(errors.empty()) << errors;
}

TEST_F(EffectPixels, AnEffectDrawsAgainAfterTheContextIsMadeAnew) {
  CreateDevice(8, 8);
  PlainClipSpaceState();
  EffectRef effect = Load("flat.lat", kTwoPass);
  ASSERT_TRUE(effect);
  Vector(*effect, "gColor0", 1.0f, 0.5f, 0.0f, 1.0f);
  const auto draw = [&] {
    device->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    effect->Begin(nullptr, 0);
    effect->BeginPass(0);
    DrawFan(ScreenQuad(2, 2, 6, 6, 0.5f, 0xFFFFFFFFu));
    effect->EndPass();
    effect->End();
  };
  draw();
  const auto before = Read();
  EXPECT_TRUE(Near(before[4 * 8 + 4], 0xFFFF8000u));
  const unsigned generation = device->ContextGeneration();

  device->SimulateDeviceLoss(platform::GlDevice::LossKind::kContextReset);
  EXPECT_EQ(device->Present(), platform::DeviceResult::kDeviceLost);
  EXPECT_EQ(device->TestCooperativeLevel(), platform::DeviceResult::kDeviceLost);
  EXPECT_EQ(device->TestCooperativeLevel(), platform::DeviceResult::kDeviceNotReset);
  effect->OnLostDevice();
  ASSERT_TRUE(device->Reset());
  effect->OnResetDevice();
  ASSERT_EQ(device->ContextGeneration(), generation + 1);

  PlainClipSpaceState();  // Reset brings the state back to its defaults
  draw();
  EXPECT_EQ(Read(), before);
  // A value set after the reset reaches the new program.
  Vector(*effect, "gColor0", 0.0f, 0.0f, 1.0f, 1.0f);
  draw();
  EXPECT_EQ(Pixel(4, 4), 0xFF0000FFu);

  // An effect released after its device is harmless.
  device.reset();
  effect.reset();
}

TEST_F(EffectPixels, EffectFixedFunctionSpriteAndMeshDrawsMixWithoutLeakingState) {
  CreateDevice(32, 8);
  PlainClipSpaceState();
  auto stageTexture = MakeTexture(1, 1, {0xFF00FF00u});
  auto spriteTexture = MakeTexture(4, 4, std::vector<std::uint32_t>(16, 0xFFFFFFFFu));
  auto effectTexture = MakeTexture(1, 1, {0xFF0000FFu});
  ASSERT_TRUE(stageTexture && spriteTexture && effectTexture);
  EffectRef effect = Load("textured.lat", kTextured);
  ASSERT_TRUE(effect);
  effect->SetTexture(effect->GetParameterByName("gTexture"), effectTexture.get());
  Vector(*effect, "gScale", 1.0f, 1.0f, 1.0f, 1.0f);
  Vector(*effect, "gBias", 0.0f, 0.0f, 0.0f, 0.0f);
  auto sprite = device->CreateSprite();
  ASSERT_TRUE(sprite);
  const auto drawSprite = [&](float x, D3DCOLOR color) {
    sprite->Begin(D3DXSPRITE_ALPHABLEND);
    const D3DVECTOR position{x, 2, 0};
    sprite->Draw(spriteTexture.get(), nullptr, nullptr, &position, color);
    sprite->End();
  };
  // A mesh of one quad over columns 16..23.
  const std::vector<ColorVertex> corners = ScreenQuad(16, 0, 24, 8, 0.5f, 0xFFFFFFFFu);
  const std::uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
  auto mesh = device->CreateMeshBuffer(corners.data(), 4, sizeof(ColorVertex), indices, 6);
  ASSERT_TRUE(mesh);

  device->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  device->SetTexture(0, stageTexture.get());
  DrawFan(ScreenQuad(0, 0, 8, 8, 0.5f, 0xFFFFFFFFu));  // fixed function: stage 0, green
  effect->Begin(nullptr, 0);
  effect->BeginPass(0);
  DrawFan(ScreenQuad(8, 0, 16, 8, 0.5f, 0xFFFFFFFFu));  // the effect's blue texture
  drawSprite(10, 0xFFFF0000u);                          // a sprite keeps its own program
  device->SetFVF(kColorFvf);
  device->DrawIndexedTriangles(*mesh, 0, 2);  // the mesh through the effect: blue
  effect->EndPass();
  effect->End();
  drawSprite(18, 0xFFFFFF00u);
  device->SetTexture(0, stageTexture.get());
  device->SetFVF(kColorFvf);
  DrawFan(ScreenQuad(24, 0, 32, 8, 0.5f, 0xFFFFFFFFu));  // fixed function again: green

  const auto pixels = Read();
  EXPECT_EQ(At(pixels, 32, 1, 1), 0xFF00FF00u);
  EXPECT_EQ(At(pixels, 32, 9, 1), 0xFF0000FFu);
  EXPECT_EQ(At(pixels, 32, 11, 3), 0xFFFF0000u);  // the sprite, 4 x 4 at (10, 2)
  EXPECT_EQ(At(pixels, 32, 15, 6), 0xFF0000FFu);
  EXPECT_EQ(At(pixels, 32, 17, 1), 0xFF0000FFu);
  EXPECT_EQ(At(pixels, 32, 19, 3), 0xFFFFFF00u);
  EXPECT_EQ(At(pixels, 32, 23, 6), 0xFF0000FFu);
  EXPECT_EQ(At(pixels, 32, 25, 1), 0xFF00FF00u);
  EXPECT_EQ(At(pixels, 32, 31, 7), 0xFF00FF00u);
}

TEST_F(EffectPixels, ADepthSurfaceOfItsOwnTestsDepthInATextureAndLeavesTheBackBufferAlone) {
  CreateDevice(16, 8);
  PlainClipSpaceState();
  EffectRef effect = Load("write.lat", kWriteValue);
  ASSERT_TRUE(effect);
  const EffectHandle value = effect->GetParameterByName("gValue");
  auto target = device->CreateTexture(512, 512, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A16B16G16R16F,
                                      D3DPOOL_DEFAULT);
  auto depth = device->CreateDepthStencilSurface(512, 512, D3DFMT_D24S8);
  ASSERT_TRUE(target && depth);
  EXPECT_EQ(depth->Width(), 512u);
  EXPECT_EQ(depth->Height(), 512u);

  // Something on the back buffer, with a depth of 0.3 in its depth buffer.
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
  DrawFan(ScreenQuad(0, 0, 8, 8, 0.3f, 0xFFFF0000u));
  auto backBuffer = device->GetRenderTarget(0);
  auto backDepth = device->GetDepthStencilSurface();

  device->SetRenderTarget(0, target->GetSurfaceLevel(0).get());
  device->SetDepthStencilSurface(depth.get());
  EXPECT_EQ(device->GetViewport().Width, 512u);
  device->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFFu, 1.0f, 0);
  const auto quad = [](float left, float right, float z) {
    return std::vector<ColorVertex>{{left, 1, z, 0xFFFFFFFFu, 0, 0},
                                    {right, 1, z, 0xFFFFFFFFu, 0, 0},
                                    {right, -1, z, 0xFFFFFFFFu, 0, 0},
                                    {left, -1, z, 0xFFFFFFFFu, 0, 0}};
  };
  effect->Begin(nullptr, 0);
  effect->BeginPass(0);
  effect->SetFloat(value, 0.2f);
  effect->CommitChanges();
  DrawFan(quad(-1.0f, 0.0f, 0.2f));  // the near half, left
  effect->SetFloat(value, 0.7f);
  effect->CommitChanges();
  DrawFan(quad(-1.0f, 1.0f, 0.7f));  // farther, over everything: only the right half shows
  effect->EndPass();
  effect->End();

  const std::vector<float> values = device->ReadTextureFloats(*target);
  ASSERT_EQ(values.size(), 512u * 512u * 4u);
  const auto red = [&](int x, int y) { return values[(size_t(y) * 512 + size_t(x)) * 4]; };
  EXPECT_NEAR(red(10, 10), 0.2f, 1e-3f);
  EXPECT_NEAR(red(250, 500), 0.2f, 1e-3f);
  EXPECT_NEAR(red(262, 10), 0.7f, 1e-3f);
  EXPECT_NEAR(red(511, 511), 0.7f, 1e-3f);

  // Back on the back buffer: its viewport, its pixels and its depth as they were.
  device->SetRenderTarget(0, backBuffer.get());
  device->SetDepthStencilSurface(backDepth.get());
  const D3DVIEWPORT9 viewport = device->GetViewport();
  EXPECT_EQ(viewport.Width, 16u);
  EXPECT_EQ(viewport.Height, 8u);
  EXPECT_EQ(Pixel(4, 4), 0xFFFF0000u);
  EXPECT_EQ(Pixel(12, 4), 0xFF000000u);
  // Behind the red quad's depth of 0.3: hidden on the left, shown on the right.
  DrawFan(ScreenQuad(0, 0, 16, 8, 0.5f, 0xFF00FF00u));
  EXPECT_EQ(Pixel(4, 4), 0xFFFF0000u);
  EXPECT_EQ(Pixel(12, 4), 0xFF00FF00u);
  EXPECT_EQ(Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(Pixel(15, 7), 0xFF00FF00u);
}

// The effect files kept for tests of engine code, next to this source.
std::string SharedEffect(const char* name) {
  std::string directory = __FILE__;
  directory.erase(directory.find_last_of('/') + 1);
  return directory + "../data/effects/" + name;
}

TEST_F(EffectPixels, TheSharedTestEffectsDrawOrFailAsTheySay) {
  CreateDevice(8, 8);
  PlainClipSpaceState();
  std::string errors;
  if (!std::ifstream(SharedEffect("two_pass.lat"))) GTEST_SKIP() << "no source tree here";
  EffectRef effect = device->CreateEffectFromFile(SharedEffect("two_pass.lat"), errors);
  ASSERT_TRUE(effect) << errors;
  auto texture = MakeTexture(1, 1, {0xFF00FF00u});
  effect->SetMatrix(effect->GetParameterByName("gWorldViewProjection"), Identity());
  Vector(*effect, "gColor", 1.0f, 0.0f, 0.0f, 1.0f);
  effect->SetTexture(effect->GetParameterByName("gTexture"), texture.get());
  device->Clear(D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  unsigned passes = 0;
  effect->Begin(&passes, 0);
  ASSERT_EQ(passes, 2u);
  effect->BeginPass(0);
  DrawFan(ScreenQuad(0, 0, 4, 8, 0.5f, 0xFFFFFFFFu));
  effect->EndPass();
  effect->BeginPass(1);
  DrawFan(ScreenQuad(4, 0, 8, 8, 0.5f, 0xFFFFFFFFu));
  effect->EndPass();
  effect->End();
  EXPECT_EQ(Pixel(1, 4), 0xFFFF0000u);
  EXPECT_EQ(Pixel(6, 4), 0xFF00FF00u);

  EXPECT_FALSE(device->CreateEffectFromFile(SharedEffect("broken.lat"), errors));
  EXPECT_NE(errors.find(":9("), std::string::npos) << errors;
}

}  // namespace
}  // namespace hinoki_test
