// Models drawn through the effect-driven shaders on the GL device, as a player sees them:
// the basic shader's per-pixel light and fog, and the shadow map's casters darkening
// exactly their footprint on a receiver, with the script's viewport and back buffer
// untouched by the shadow passes.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "AgentFixture.h"
#include "platform/Platform.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/gfx/gl/GlDevice.h"
#include "platform/gfx/gl/GlGraphics.h"
#include "platform/window/sdl/SdlWindow.h"
#include "render/BasicShaderC.h"
#include "render/D3DDeviceAgentC.h"
#include "render/LightC.h"
#include "render/ModelC.h"
#include "render/RenderingManagerC.h"
#include "render/ShadowMapC.h"
#include "render/TextureStorageC.h"
#include "render/XFileStorageC.h"

namespace hinoki_test {
namespace {

using RenderN::BasicShaderC;
using RenderN::ShadowMapC;

constexpr int kSize = 64;
constexpr float kPi = 3.14159265f;

struct Material {
  std::array<float, 3> diffuse;
  std::array<float, 3> emissive;
};

/// A text .x mesh of polygons, each run clockwise seen from its front, one material each.
/// Normals are left to the loader, which makes them from the geometry.
struct MeshText {
  std::vector<std::array<float, 3>> vertices;
  std::vector<std::vector<int>> faces;
  std::vector<int> faceMaterials;
  std::vector<Material> materials;

  void Add(std::vector<int> face, int material = 0) {
    faces.push_back(std::move(face));
    faceMaterials.push_back(material);
  }

  std::string Text() const {
    std::ostringstream x;
    x << "xof 0302txt 0032\nMesh model {\n" << vertices.size() << ";\n";
    for (std::size_t i = 0; i < vertices.size(); ++i) {
      const auto& v = vertices[i];
      x << v[0] << ";" << v[1] << ";" << v[2] << (i + 1 == vertices.size() ? ";;\n" : ";,\n");
    }
    x << faces.size() << ";\n";
    for (std::size_t f = 0; f < faces.size(); ++f) {
      x << faces[f].size() << ";";
      for (std::size_t k = 0; k < faces[f].size(); ++k) x << (k ? "," : "") << faces[f][k];
      x << (f + 1 == faces.size() ? ";;\n" : ";,\n");
    }
    x << "MeshMaterialList {\n" << materials.size() << ";\n" << faces.size() << ";\n";
    for (std::size_t f = 0; f < faces.size(); ++f) {
      x << faceMaterials[f] << (f + 1 == faces.size() ? ";;\n" : ",");
    }
    // Face colour, power, specular, emissive: no specular part.
    for (const Material& m : materials) {
      x << "Material { " << m.diffuse[0] << ";" << m.diffuse[1] << ";" << m.diffuse[2]
        << ";1.0;; 0.0; 0.0;0.0;0.0;; " << m.emissive[0] << ";" << m.emissive[1] << ";"
        << m.emissive[2] << ";; }\n";
    }
    x << "}\n}\n";
    return x.str();
  }
};

/// A square grid over u, v in -1..1 placed by `at`; its front is the side from which u
/// runs right and v runs up.
MeshText Grid(const Material& material, int cells,
              const std::function<std::array<float, 3>(float, float)>& at) {
  MeshText mesh;
  for (int row = 0; row <= cells; ++row) {
    for (int column = 0; column <= cells; ++column) {
      mesh.vertices.push_back(
          at(float(column) * 2.0f / cells - 1.0f, float(row) * 2.0f / cells - 1.0f));
    }
  }
  const auto vertex = [cells](int column, int row) { return row * (cells + 1) + column; };
  for (int row = 0; row < cells; ++row) {
    for (int column = 0; column < cells; ++column) {
      mesh.Add({vertex(column, row), vertex(column, row + 1), vertex(column + 1, row + 1),
                vertex(column + 1, row)});
    }
  }
  mesh.materials = {material};
  return mesh;
}

/// The ground: y = 0 from -1 to 1 in x and z, facing up; seen from above with +z up on
/// the screen, u is x and v is z.
MeshText Ground(const Material& material) {
  return Grid(material, 16, [](float u, float v) { return std::array<float, 3>{u, 0.0f, v}; });
}

/// A wall: z = 0 from -1 to 1 in x and y, facing -z.
MeshText Wall(const Material& material) {
  return Grid(material, 16, [](float u, float v) { return std::array<float, 3>{u, v, 0.0f}; });
}

/// A cube from (-h, -h, -h) to (h, h, h) whose sides keep their own vertices.
MeshText Box(float h, const Material& material) {
  // Corner i has the maximum x, y, z where bit 0, 1, 2 of i is set; each side is listed
  // clockwise seen from outside.
  constexpr int kSides[6][4] = {{2, 3, 1, 0}, {7, 6, 4, 5}, {6, 2, 0, 4},
                                {3, 7, 5, 1}, {0, 1, 5, 4}, {2, 6, 7, 3}};
  MeshText mesh;
  for (int side = 0; side < 6; ++side) {
    std::vector<int> face;
    for (int k = 0; k < 4; ++k) {
      const int corner = kSides[side][k];
      face.push_back(int(mesh.vertices.size()));
      mesh.vertices.push_back({corner & 1 ? h : -h, corner & 2 ? h : -h, corner & 4 ? h : -h});
    }
    mesh.Add(face);
  }
  mesh.materials = {material};
  return mesh;
}

/// A unit sphere about the origin, its poles on the y axis, fine enough that its shared
/// vertices' normals light it as smoothly as a true sphere. No seam: the last meridian
/// joins the first.
MeshText Sphere(const Material& material) {
  constexpr int kRings = 64, kMeridians = 128;
  MeshText mesh;
  mesh.vertices.push_back({0.0f, 1.0f, 0.0f});
  for (int ring = 1; ring < kRings; ++ring) {
    const float theta = kPi * float(ring) / kRings;
    for (int meridian = 0; meridian < kMeridians; ++meridian) {
      const float phi = 2.0f * kPi * float(meridian) / kMeridians;
      mesh.vertices.push_back(
          {std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)});
    }
  }
  const int bottom = int(mesh.vertices.size());
  mesh.vertices.push_back({0.0f, -1.0f, 0.0f});
  // Seen from outside, the meridian number grows to the right and the ring number
  // downward.
  const auto vertex = [](int ring, int meridian) {
    return 1 + (ring - 1) * kMeridians + meridian % kMeridians;
  };
  for (int meridian = 0; meridian < kMeridians; ++meridian) {
    mesh.Add({0, vertex(1, meridian + 1), vertex(1, meridian)});
    for (int ring = 1; ring + 1 < kRings; ++ring) {
      mesh.Add({vertex(ring, meridian), vertex(ring, meridian + 1), vertex(ring + 1, meridian + 1),
                vertex(ring + 1, meridian)});
    }
    mesh.Add({vertex(kRings - 1, meridian), vertex(kRings - 1, meridian + 1), bottom});
  }
  mesh.materials = {material};
  return mesh;
}

int Red(std::uint32_t pixel) {
  return int((pixel >> 16) & 0xFF);
}
int Green(std::uint32_t pixel) {
  return int((pixel >> 8) & 0xFF);
}
int Blue(std::uint32_t pixel) {
  return int(pixel & 0xFF);
}
int Channel(std::uint32_t pixel, int channel) {
  return int((pixel >> (16 - 8 * channel)) & 0xFF);
}

/// 0..1 to 0..255 as the target stores it.
int Byte(float value) {
  return int(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

class ShaderPixels : public AgentPixelTest {
 protected:
  ShaderPixels() : AgentPixelTest(kSize, "shaders") {}

  void SetUp() override {
    AgentPixelTest::SetUp();
    CopyShippedEffects();
  }

  static ShadowMapC& Shadow() { return *ShadowMapC::GetInstance(); }

  /// The camera at `eye` looking at the origin with a vertical field whose half has the
  /// tangent `slope`.
  void Look(const D3DXVECTOR3& eye, const D3DXVECTOR3& up, float slope) {
    mEye = eye;
    const D3DXVECTOR3 at(0, 0, 0);
    D3DXMATRIX view, projection;
    D3DXMatrixLookAtLH(&view, &mEye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 2.0f * std::atan(slope), 1.0f, 0.05f, 100.0f);
    Agent().SetViewMatrix(view);
    Agent().SetProjectionMatrix(projection);
  }

  /// From 2 above the ground, +z up on the screen: pixel (x, y) sees the ground point
  /// (ViewX(x), 0, ViewY(y)).
  void LookDown() { Look(D3DXVECTOR3(0, 2, 0), D3DXVECTOR3(0, 0, 1), 0.5f); }

  /// Direct3D's pixel centres lie on whole coordinates.
  static float ViewX(int x) { return float(x) * 2.0f / kSize - 1.0f; }
  static float ViewY(int y) { return 1.0f - float(y) * 2.0f / kSize; }

  /// The pixel whose centre sees the ground point (x, 0, z) from LookDown.
  static std::pair<int, int> Pixel(float x, float z) {
    return {int(std::lround((x + 1.0f) * kSize / 2)), int(std::lround((1.0f - z) * kSize / 2))};
  }

  RenderN::SPMODEL Model(const std::string& name, const MeshText& mesh,
                         const D3DXMATRIX& matrix = Translation(0, 0, 0)) {
    std::ofstream(name, std::ios::binary) << mesh.Text();
    RenderN::SPMODEL model = Manager().CreateModel(name.c_str(), matrix);
    EXPECT_TRUE(model->mXFile) << name;
    return model;
  }

  /// One frame: the back buffer cleared, `before` run (the script's shadow passes), the
  /// manager's models drawn, read back.
  std::vector<std::uint32_t> Frame(const std::function<void()>& before = [] {}) {
    Agent().BeginRendering();
    before();
    Manager().Draw(mEye, D3DXVECTOR3(0, 0, 0));
    std::vector<std::uint32_t> pixels = Agent().mDevice->ReadBackBuffer();
    Agent().EndRendering();
    return pixels;
  }

  static std::uint32_t At(const std::vector<std::uint32_t>& pixels, int x, int y) {
    return pixels[std::size_t(y) * kSize + std::size_t(x)];
  }
  static std::uint32_t At(const std::vector<std::uint32_t>& pixels, std::pair<int, int> p) {
    return At(pixels, p.first, p.second);
  }

  static D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
  }

  /// The light straight down onto the ground, seen by an orthographic projection 2.5 wide
  /// with +z up in the shadow texture, as the camera of LookDown sees the ground.
  static void LightFromAbove() {
    const D3DXVECTOR3 eye(0, 5, 0), at(0, 0, 0), up(0, 0, 1);
    D3DXMATRIX view, projection;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixOrthoLH(&projection, 2.5f, 2.5f, 1.0f, 10.0f);
    Shadow().SetLightView(view);
    Shadow().SetLightProjection(projection);
    Shadow().SetLightDirection(D3DXVECTOR3(0, -1, 0));
  }

  D3DXVECTOR3 mEye;
};

const Material kWhite{{1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f}};
// The ground of the shadow tests: lit (0.8, 0.7, 0.6), in shadow only its emissive part.
const Material kGround{{0.6f, 0.6f, 0.6f}, {0.2f, 0.1f, 0.0f}};
const std::array<float, 3> kGroundLit{0.8f, 0.7f, 0.6f};
const std::array<float, 3> kGroundShadowed{0.2f, 0.1f, 0.0f};

void ExpectColor(std::uint32_t pixel, const std::array<float, 3>& color, int tolerance,
                 const std::string& where) {
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(Channel(pixel, c), Byte(color[c]), tolerance) << where << " channel " << c;
  }
}

std::string Name(std::pair<int, int> p) {
  return std::to_string(p.first) + "," + std::to_string(p.second);
}

TEST_F(ShaderPixels, BasicShaderLightsByTheAngleToItsLightAndFogsByHalfTheFogDistances) {
  const RenderN::SPMODEL sphere = Model("sphere.x", Sphere(kWhite));
  sphere->SetShader(BasicShaderC::GetInstance());
  // From 4 away, the unit sphere fills a circle of about 20 pixels' radius.
  constexpr float kDistance = 4.0f, kSlope = 0.4f;
  Look(D3DXVECTOR3(0, 0, -kDistance), D3DXVECTOR3(0, 1, 0), kSlope);

  // Where the pixel's ray meets the sphere, in view space (the view is the world moved by
  // 4 along z): its normal and depth. False for rays that miss or only graze it.
  struct Hit {
    D3DXVECTOR3 normal;
    float depth;
  };
  const auto hit = [&](int x, int y, Hit& out) {
    const D3DXVECTOR3 ray(ViewX(x) * kSlope, ViewY(y) * kSlope, 1.0f);
    const float a = D3DXVec3Dot(&ray, &ray);
    const float discriminant = kDistance * kDistance - a * (kDistance * kDistance - 1.0f);
    if (discriminant <= 0.0f) return false;
    const float s = (kDistance - std::sqrt(discriminant)) / a;
    out.normal = D3DXVECTOR3(ray.x * s, ray.y * s, ray.z * s - kDistance);
    out.depth = ray.z * s;
    // The silhouette's pixels are partly background.
    return out.normal.z < -0.2f;
  };

  // A light travelling toward -x: the +x half bright by the cosine, the -x half black.
  BasicShaderC::GetInstance()->SetLightDirection(D3DXVECTOR3(-1, 0, 0));
  std::vector<std::uint32_t> pixels = Frame();
  int checked = 0, brightest = 0, brightestExpected = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      Hit h;
      if (!hit(x, y, h)) continue;
      ++checked;
      const int expected = Byte(std::max(h.normal.x, 0.0f));
      const std::uint32_t pixel = At(pixels, x, y);
      EXPECT_NEAR(Red(pixel), expected, 3) << x << "," << y;
      EXPECT_NEAR(Green(pixel), expected, 3) << x << "," << y;
      EXPECT_NEAR(Blue(pixel), expected, 3) << x << "," << y;
      if (h.normal.x < 0.0f) {
        EXPECT_EQ(pixel, 0xFF000000u) << x << "," << y;
      }
      brightest = std::max(brightest, Red(pixel));
      brightestExpected = std::max(brightestExpected, expected);
    }
  }
  EXPECT_GT(checked, 600);
  // The +x side nearly full white where it turns to the light.
  EXPECT_GE(brightestExpected, 230);
  EXPECT_NEAR(brightest, brightestExpected, 3);
  EXPECT_EQ(At(pixels, 2, 2), 0xFF000000u);

  // Lit from the camera, fogged: the fog runs from half the fog start to half the fog
  // end in view depth, so a sphere 3 to 5 away is all fog for a fog from 2 to 4 ...
  BasicShaderC::GetInstance()->SetLightDirection(D3DXVECTOR3(0, 0, 1));
  const std::array<float, 3> fog{0x30 / 255.0f, 0x60 / 255.0f, 0xC0 / 255.0f};
  Agent().SetFogState(0xFF3060C0u, 2.0f, 4.0f);
  pixels = Frame();
  for (const auto& p : {std::pair{32, 32}, {40, 30}, {24, 36}, {32, 20}}) {
    ExpectColor(At(pixels, p), fog, 1, Name(p));
  }
  EXPECT_EQ(At(pixels, 2, 2), 0xFF000000u);  // fog colours models, not the background

  // ... and partly fogged for one from 4 to 12: clear at depth 2, all fog at depth 6.
  Agent().SetFogState(0xFF3060C0u, 4.0f, 12.0f);
  pixels = Frame();
  checked = 0;
  for (int y = 0; y < kSize; y += 3) {
    for (int x = 0; x < kSize; x += 3) {
      Hit h;
      if (!hit(x, y, h)) continue;
      ++checked;
      const float lit = std::max(-h.normal.z, 0.0f);
      const float visible = std::clamp((6.0f - h.depth) / 4.0f, 0.0f, 1.0f);
      std::array<float, 3> expected;
      for (int c = 0; c < 3; ++c) expected[c] = fog[c] + (lit - fog[c]) * visible;
      ExpectColor(At(pixels, x, y), expected, 3, Name({x, y}));
    }
  }
  EXPECT_GT(checked, 60);
  // At the front, three quarters of the lit white.
  ExpectColor(At(pixels, 32, 32),
              {0.75f + 0.25f * fog[0], 0.75f + 0.25f * fog[1], 0.75f + 0.25f * fog[2]}, 3,
              "centre");

  // A model with its fog off shows no fog through the shader either.
  sphere->mFog = false;
  Agent().SetFogState(0xFF3060C0u, 2.0f, 4.0f);
  pixels = Frame();
  ExpectColor(At(pixels, 32, 32), {1.0f, 1.0f, 1.0f}, 3, "unfogged");
}

TEST_F(ShaderPixels, RemovedShadowDataIsOneInEveryTexel) {
  platform::GlDevice* device = dynamic_cast<platform::GlDevice*>(Agent().mDevice.get());
  ASSERT_NE(device, nullptr);
  LightFromAbove();
  const RenderN::SPMODEL caster = Model("caster.x", Box(0.5f, kWhite), Translation(0, 0.5f, 0));
  caster->Enabled(false);
  const RenderN::SPTEXTUREDATA texture = Shadow().GetTextureData();
  ASSERT_TRUE(texture && texture->mTexture);

  // A caster's depth first, so that the clearing shows.
  Frame([&] {
    Shadow().RemoveShadowData();
    Shadow().SaveShadowData(*caster);
  });
  std::vector<float> texels = device->ReadTextureFloats(*texture->mTexture);
  ASSERT_EQ(texels.size(), std::size_t(ShadowMapC::kSize) * ShadowMapC::kSize * 4);
  // The box's top at 4.0 from the light, of a depth range from 1 to 10.
  const std::size_t middle =
      (std::size_t(ShadowMapC::kSize / 2) * ShadowMapC::kSize + ShadowMapC::kSize / 2) * 4;
  EXPECT_NEAR(texels[middle], 3.0f / 9.0f, 0.002f);

  Frame([&] { Shadow().RemoveShadowData(); });
  texels = device->ReadTextureFloats(*texture->mTexture);
  ASSERT_EQ(texels.size(), std::size_t(ShadowMapC::kSize) * ShadowMapC::kSize * 4);
  std::size_t notOne = 0;
  for (const float texel : texels) notOne += texel != 1.0f;
  EXPECT_EQ(notOne, 0u);
}

TEST_F(ShaderPixels, ACasterDarkensExactlyItsFootprintOnTheGround) {
  LightFromAbove();
  LookDown();
  const RenderN::SPMODEL ground = Model("ground.x", Ground(kGround));
  ground->SetShader(ShadowMapC::GetInstance());
  // Half a unit square centred on (-0.4, 0.5, 0.3): its footprint x -0.65 to -0.15,
  // z 0.05 to 0.55, pixels 11.2 to 27.2 across and 14.4 to 30.4 down. Off one side of
  // the middle in both directions, so that a mirrored shadow would show elsewhere.
  const RenderN::SPMODEL caster =
      Model("caster.x", Box(0.25f, kWhite), Translation(-0.4f, 0.5f, 0.3f));
  caster->Enabled(false);
  const std::vector<std::uint32_t> pixels = Frame([&] {
    Shadow().RemoveShadowData();
    Shadow().SaveShadowData(*caster);
  });

  for (const auto& p : {std::pair{19, 22}, {12, 15}, {26, 30}, {12, 30}, {26, 15}}) {
    ExpectColor(At(pixels, p), kGroundShadowed, 3, "shadow " + Name(p));
  }
  // Two to three pixels beyond each edge, and far away (the mirror images included).
  for (const auto& p : {std::pair{9, 22},
                        {30, 22},
                        {19, 12},
                        {19, 33},
                        {45, 22},
                        {19, 42},
                        {45, 42},
                        {60, 60},
                        {3, 3}}) {
    ExpectColor(At(pixels, p), kGroundLit, 3, "lit " + Name(p));
  }

  // Without shadow data the whole ground is lit.
  const std::vector<std::uint32_t> cleared = Frame([&] { Shadow().RemoveShadowData(); });
  ExpectColor(At(cleared, 19, 22), kGroundLit, 3, "cleared");
}

TEST_F(ShaderPixels, CastersSavedOneAfterAnotherBothShadowTheGround) {
  LightFromAbove();
  LookDown();
  const RenderN::SPMODEL ground = Model("ground.x", Ground(kGround));
  ground->SetShader(ShadowMapC::GetInstance());
  // One over (-0.4, 0.3) and one, smaller, over (0.45, -0.4): x 0.25 to 0.65, z -0.6 to
  // -0.2, pixels 40 to 52.8 across and 38.4 to 51.2 down.
  const RenderN::SPMODEL first =
      Model("first.x", Box(0.25f, kWhite), Translation(-0.4f, 0.5f, 0.3f));
  const RenderN::SPMODEL second =
      Model("second.x", Box(0.2f, kWhite), Translation(0.45f, 0.3f, -0.4f));
  first->Enabled(false);
  second->Enabled(false);
  const std::vector<std::uint32_t> pixels = Frame([&] {
    Shadow().RemoveShadowData();
    Shadow().SaveShadowData(*first);
    Shadow().SaveShadowData(*second);
  });
  for (const auto& p : {Pixel(-0.4f, 0.3f), Pixel(0.45f, -0.4f), {42, 40}, {51, 50}}) {
    ExpectColor(At(pixels, p), kGroundShadowed, 3, "shadow " + Name(p));
  }
  for (const auto& p :
       {std::pair{37, 45}, {55, 45}, {46, 36}, {46, 54}, {32, 32}, {60, 4}, {4, 60}}) {
    ExpectColor(At(pixels, p), kGroundLit, 3, "lit " + Name(p));
  }
}

TEST_F(ShaderPixels, ShadowPassesLeaveTheViewportAndTheBackBufferInPlace) {
  // A black frame first: a viewport's clear leaves the rest of the back buffer as it was.
  Frame();
  LightFromAbove();
  LookDown();
  BasicShaderC::GetInstance()->SetLightDirection(D3DXVECTOR3(0, -1, 0));
  // A visible block in front of the ground, made first so that the ground, drawn after
  // it, is hidden there only by the back buffer's depth: its top at 1.55 from the eye
  // covers 0.45 to 0.84 of the screen's half width right and up.
  const RenderN::SPMODEL block =
      Model("block.x", Box(0.15f, {{0.0f, 0.8f, 0.4f}, {0.0f, 0.0f, 0.0f}}),
            Translation(0.5f, 0.3f, 0.5f));
  block->SetShader(BasicShaderC::GetInstance());
  const RenderN::SPMODEL ground = Model("ground.x", Ground(kGround));
  ground->SetShader(ShadowMapC::GetInstance());
  const RenderN::SPMODEL caster =
      Model("caster.x", Box(0.25f, kWhite), Translation(-0.4f, 0.5f, 0.3f));
  caster->Enabled(false);

  // Then the script draws into the top right quarter only.
  const D3DVIEWPORT9 quarter(32, 0, 32, 32, 0.0f, 1.0f);
  Agent().mDevice->SetViewport(quarter);
  D3DVIEWPORT9 after;
  const std::vector<std::uint32_t> pixels = Frame([&] {
    Shadow().RemoveShadowData();
    Shadow().SaveShadowData(*caster);
    after = Agent().mDevice->GetViewport();
  });
  EXPECT_EQ(after.X, quarter.X);
  EXPECT_EQ(after.Y, quarter.Y);
  EXPECT_EQ(after.Width, quarter.Width);
  EXPECT_EQ(after.Height, quarter.Height);
  EXPECT_EQ(after.MinZ, quarter.MinZ);
  EXPECT_EQ(after.MaxZ, quarter.MaxZ);
  EXPECT_EQ(Agent().mDevice->GetRenderTarget(0), Agent().mBackBufferSurface);
  EXPECT_EQ(Agent().mDevice->GetDepthStencilSurface(), Agent().mDepthStencilSurface);

  // Within the quarter, pixel (32 + x / 2, y / 2) sees what (x, y) of the whole screen
  // does: the shadow at (-0.4, 0.3) ...
  const auto inQuarter = [](float x, float z) {
    const auto [px, py] = Pixel(x, z);
    return std::pair{32 + px / 2, py / 2};
  };
  ExpectColor(At(pixels, inQuarter(-0.4f, 0.3f)), kGroundShadowed, 3, "shadow");
  ExpectColor(At(pixels, inQuarter(0.5f, -0.5f)), kGroundLit, 3, "lit");
  ExpectColor(At(pixels, inQuarter(-0.6f, -0.6f)), kGroundLit, 3, "lit");
  // ... the block's top, lit from above, over the ground ...
  ExpectColor(At(pixels, 58, 6), {0.0f, 0.8f, 0.4f}, 3, "block");
  // ... and nothing outside the quarter.
  for (const auto& p : {std::pair{16, 16}, {16, 48}, {48, 48}, {31, 16}, {48, 32}}) {
    EXPECT_EQ(At(pixels, p), 0xFF000000u) << Name(p);
  }
}

TEST_F(ShaderPixels, APlankWithAShaderIsNotDrawnAndAModelWithItsShaderOffUsesTheLights) {
  Look(D3DXVECTOR3(0, 0, -1), D3DXVECTOR3(0, 1, 0), 1.0f);
  // A white plank covering the middle half of the screen.
  const RenderN::SPPLANK plank = Manager().CreatePlank();
  std::vector<std::uint32_t> pixels = Frame();
  ASSERT_EQ(At(pixels, 32, 32), 0xFFFFFFFFu);
  plank->SetShader(BasicShaderC::GetInstance());
  pixels = Frame();
  EXPECT_EQ(At(pixels, 32, 32), 0xFF000000u);
  EXPECT_EQ(At(pixels, 20, 44), 0xFF000000u);
  plank->SetShader(ShadowMapC::GetInstance());
  EXPECT_EQ(At(Frame(), 32, 32), 0xFF000000u);
  plank->Enabled(false);

  // A wall lit by the device's light from the front, while the shader's light comes from
  // behind it: through the shader it is black (no emissive part) ...
  Agent().SetAmbient(0xFF202020u);
  RenderN::DirectionalLightC light;
  light.SetDirection(D3DXVECTOR3(0, 0, 1));
  light.Apply();
  BasicShaderC::GetInstance()->SetLightDirection(D3DXVECTOR3(0, 0, -1));
  const RenderN::SPMODEL wall =
      Model("wall.x", Wall({{0.8f, 0.4f, 0.2f}, {0.0f, 0.0f, 0.0f}}), Translation(0, 0, 0));
  wall->SetShader(BasicShaderC::GetInstance());
  pixels = Frame();
  EXPECT_EQ(At(pixels, 32, 32), 0xFF000000u);
  EXPECT_EQ(At(pixels, 8, 50), 0xFF000000u);

  // ... and with its shader off, the fixed-function light and the ambient light show:
  // the material's colour times (full light + 32 / 255).
  wall->ShaderEnabled(false);
  pixels = Frame();
  for (const auto& p : {std::pair{32, 32}, {8, 50}}) {
    ExpectColor(At(pixels, p),
                {0.8f * (1.0f + 32.0f / 255.0f), 0.4f * (1.0f + 32.0f / 255.0f),
                 0.2f * (1.0f + 32.0f / 255.0f)},
                3, Name(p));
  }
}

}  // namespace
}  // namespace hinoki_test
