// Models loaded from .x files and drawn by the rendering manager on the GL device, as a
// player sees them: per-vertex lighting of the engine's light objects, materials with and
// without textures, and models placed by their matrices.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "AgentFixture.h"
#include "base/FixedTexts.h"
#include "platform/Platform.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/gfx/gl/GlGraphics.h"
#include "platform/image/Image.h"
#include "platform/window/sdl/SdlWindow.h"
#include "render/D3DDeviceAgentC.h"
#include "render/LightC.h"
#include "render/RenderingManagerC.h"
#include "render/TextureStorageC.h"
#include "render/XFileStorageC.h"

namespace hinoki_test {
namespace {

using RenderN::DirectionalLightC;
using RenderN::LightC;
using RenderN::PointLightC;
using RenderN::SpotLightC;

constexpr int kSize = 64;
constexpr int kCells = 32;  // plane cells per side: a vertex every two pixels
constexpr float kPi = 3.14159265f;

struct MaterialText {
  std::array<float, 3> diffuse;
  std::string texture;  ///< none when empty
};

/// A text .x mesh of quads, each run clockwise seen from its front, with texture
/// coordinates and one material per quad.
struct MeshText {
  std::vector<std::array<float, 5>> vertices;  ///< x, y, z, u, v
  std::vector<std::array<int, 4>> quads;
  std::vector<int> quadMaterials;
  std::vector<MaterialText> materials;

  std::string Text() const {
    std::ostringstream x;
    x << "xof 0302txt 0032\nMesh model {\n" << vertices.size() << ";\n";
    for (std::size_t i = 0; i < vertices.size(); ++i) {
      const auto& v = vertices[i];
      x << v[0] << ";" << v[1] << ";" << v[2] << (i + 1 == vertices.size() ? ";;\n" : ";,\n");
    }
    x << quads.size() << ";\n";
    for (std::size_t q = 0; q < quads.size(); ++q) {
      const auto& c = quads[q];
      x << "4;" << c[0] << "," << c[1] << "," << c[2] << "," << c[3]
        << (q + 1 == quads.size() ? ";;\n" : ";,\n");
    }
    x << "MeshTextureCoords {\n" << vertices.size() << ";\n";
    for (std::size_t i = 0; i < vertices.size(); ++i) {
      x << vertices[i][3] << ";" << vertices[i][4] << (i + 1 == vertices.size() ? ";;\n" : ";,\n");
    }
    x << "}\nMeshMaterialList {\n" << materials.size() << ";\n" << quads.size() << ";\n";
    for (std::size_t q = 0; q < quads.size(); ++q) {
      x << quadMaterials[q] << (q + 1 == quads.size() ? ";;\n" : ",");
    }
    // No specular or emissive part: what shows is the diffuse and ambient lighting.
    for (const MaterialText& m : materials) {
      x << "Material { " << m.diffuse[0] << ";" << m.diffuse[1] << ";" << m.diffuse[2]
        << ";1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;;";
      if (!m.texture.empty()) x << " TextureFilename { \"" << m.texture << "\"; }";
      x << " }\n";
    }
    x << "}\n}\n";
    return x.str();
  }
};

/// A square from (-1, -1) to (1, 1) in the z = 0 plane, facing -z, cut into a fine grid
/// so that per-vertex lighting follows a light's distance and cone smoothly.
MeshText Plane(const MaterialText& material) {
  MeshText mesh;
  const auto at = [](int i) { return float(i) * 2.0f / kCells - 1.0f; };
  for (int row = 0; row <= kCells; ++row) {
    for (int column = 0; column <= kCells; ++column) {
      mesh.vertices.push_back({at(column), at(row), 0.0f, float(column) / kCells,
                               1.0f - float(row) / kCells});
    }
  }
  const auto vertex = [](int column, int row) { return row * (kCells + 1) + column; };
  for (int row = 0; row < kCells; ++row) {
    for (int column = 0; column < kCells; ++column) {
      mesh.quads.push_back({vertex(column, row), vertex(column, row + 1),
                            vertex(column + 1, row + 1), vertex(column + 1, row)});
      mesh.quadMaterials.push_back(0);
    }
  }
  mesh.materials = {material};
  return mesh;
}

/// A cube from (-h, -h, -h) to (h, h, h) whose sides keep their own vertices, so each
/// side is lit flat. The -z side takes material 0, every other side material 1.
MeshText Box(float h, const MaterialText& front, const MaterialText& rest) {
  // Corner i has the maximum x, y, z where bit 0, 1, 2 of i is set; each side is listed
  // clockwise seen from outside: -z, +z, -x, +x, -y, +y.
  constexpr int kSides[6][4] = {{2, 3, 1, 0}, {7, 6, 4, 5}, {6, 2, 0, 4},
                                {3, 7, 5, 1}, {0, 1, 5, 4}, {2, 6, 7, 3}};
  constexpr float kUv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  MeshText mesh;
  for (int side = 0; side < 6; ++side) {
    for (int k = 0; k < 4; ++k) {
      const int corner = kSides[side][k];
      mesh.vertices.push_back({corner & 1 ? h : -h, corner & 2 ? h : -h, corner & 4 ? h : -h,
                               kUv[k][0], kUv[k][1]});
    }
    mesh.quads.push_back({4 * side, 4 * side + 1, 4 * side + 2, 4 * side + 3});
    mesh.quadMaterials.push_back(side == 0 ? 0 : 1);
  }
  mesh.materials = {front, rest};
  return mesh;
}

/// One channel of Direct3D 9's vertex lighting on 0..255: the material's diffuse colour
/// times (the light's diffuse part at N·L plus the ambient light), the material's ambient
/// colour being its diffuse one.
int Lit(float materialDiffuse, float facing, float ambient255) {
  return int(std::lround(materialDiffuse * (255.0f * std::max(facing, 0.0f) + ambient255)));
}

int Red(std::uint32_t pixel) { return int((pixel >> 16) & 0xFF); }
int Green(std::uint32_t pixel) { return int((pixel >> 8) & 0xFF); }
int Blue(std::uint32_t pixel) { return int(pixel & 0xFF); }

class ModelPixels : public AgentPixelTest {
 protected:
  ModelPixels() : AgentPixelTest(kSize, "models") {}

  void SetUp() override {
    AgentPixelTest::SetUp();
    Look(1.0f, kPi / 2);
  }

  /// The camera on the -z axis at `distance` from the origin, looking at it with a
  /// vertical field of `fov` radians. At distance 1 with a right angle, pixel (x, y) sees
  /// the point (ViewX(x), ViewY(y), 0).
  void Look(float distance, float fov) {
    mEye = D3DXVECTOR3(0, 0, -distance);
    const D3DXVECTOR3 at(0, 0, 0), up(0, 1, 0);
    D3DXMATRIX view, projection;
    D3DXMatrixLookAtLH(&view, &mEye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, fov, 1.0f, 0.05f, 100.0f);
    Agent().SetViewMatrix(view);
    Agent().SetProjectionMatrix(projection);
  }

  /// Direct3D's pixel centres lie on whole coordinates.
  static float ViewX(int x) { return float(x) * 2.0f / kSize - 1.0f; }
  static float ViewY(int y) { return 1.0f - float(y) * 2.0f / kSize; }

  std::string Write(const std::string& name, const MeshText& mesh) {
    std::ofstream(name, std::ios::binary) << mesh.Text();
    return name;
  }

  /// A one-colour PNG of 8 x 8 texels.
  std::string Image(const std::string& name, std::uint32_t color) {
    const std::vector<std::uint32_t> pixels(64, color);
    EXPECT_TRUE(platform::image::SavePng(name, 8, 8, pixels.data()));
    return name;
  }

  /// One frame of the manager's models, read back.
  std::vector<std::uint32_t> Frame() {
    Agent().BeginRendering();
    Manager().Draw(mEye, D3DXVECTOR3(0, 0, 0));
    std::vector<std::uint32_t> pixels = Agent().mDevice->ReadBackBuffer();
    Agent().EndRendering();
    return pixels;
  }

  static std::uint32_t At(const std::vector<std::uint32_t>& pixels, int x, int y) {
    return pixels[std::size_t(y) * kSize + std::size_t(x)];
  }

  /// 0..1 of a light at distance `height` in front of the plane's centre reaching pixel
  /// (x, y) of the plane, by the angle alone.
  static float Facing(int x, int y, float height) {
    return height / std::sqrt(ViewX(x) * ViewX(x) + ViewY(y) * ViewY(y) + height * height);
  }

  static D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
  }

  static D3DXMATRIX TurnedAboutY(float degrees) {
    D3DXMATRIX m;
    D3DXMatrixRotationY(&m, degrees * kPi / 180.0f);
    return m;
  }

  D3DXVECTOR3 mEye;
};

// A copper-coloured plane: diffuse 0.8, 0.4, 0.2.
const MaterialText kCopper{{0.8f, 0.4f, 0.2f}, ""};

TEST_F(ModelPixels, DirectionalLightShadesByTheAngleToTheLight) {
  Agent().SetAmbient(0xFF202020u);
  const std::string file = Write("plane.x", Plane(kCopper));
  const RenderN::SPMODEL plane = Manager().CreateModel(file.c_str());
  ASSERT_TRUE(plane->mXFile);

  // Facing the light: the material's colour at full light, plus its share of the ambient
  // light, the same all over the flat model.
  DirectionalLightC light;
  light.SetDirection(D3DXVECTOR3(0, 0, 1));
  light.Apply();
  std::vector<std::uint32_t> pixels = Frame();
  for (const auto& [x, y] : {std::pair{32, 32}, {4, 4}, {60, 58}, {10, 50}}) {
    const std::uint32_t pixel = At(pixels, x, y);
    EXPECT_NEAR(Red(pixel), Lit(0.8f, 1.0f, 32.0f), 3) << x << "," << y;
    EXPECT_NEAR(Green(pixel), Lit(0.4f, 1.0f, 32.0f), 3) << x << "," << y;
    EXPECT_NEAR(Blue(pixel), Lit(0.2f, 1.0f, 32.0f), 3) << x << "," << y;
  }

  // Sixty degrees off the normal: half the light. Nothing changes before Apply.
  light.SetDirection(D3DXVECTOR3(std::sqrt(3.0f), 0, 1));
  EXPECT_EQ(At(Frame(), 32, 32), At(pixels, 32, 32));
  light.Apply();
  pixels = Frame();
  EXPECT_NEAR(Red(At(pixels, 32, 32)), Lit(0.8f, 0.5f, 32.0f), 3);
  EXPECT_NEAR(Green(At(pixels, 20, 40)), Lit(0.4f, 0.5f, 32.0f), 3);
  EXPECT_NEAR(Blue(At(pixels, 50, 12)), Lit(0.2f, 0.5f, 32.0f), 3);

  // From behind the model: only the ambient light is left.
  light.SetDirection(D3DXVECTOR3(0, 0, -1));
  light.Apply();
  pixels = Frame();
  EXPECT_NEAR(Red(At(pixels, 32, 32)), Lit(0.8f, 0.0f, 32.0f), 3);
  EXPECT_NEAR(Green(At(pixels, 32, 32)), Lit(0.4f, 0.0f, 32.0f), 3);
  EXPECT_NEAR(Blue(At(pixels, 32, 32)), Lit(0.2f, 0.0f, 32.0f), 3);

  // The model's matrix turns its normals too: turned 60 degrees away from a light that
  // shines straight ahead, the plane gets half of it.
  light.SetDirection(D3DXVECTOR3(0, 0, 1));
  light.Apply();
  plane->SetMatrix(TurnedAboutY(60.0f));
  pixels = Frame();
  EXPECT_NEAR(Red(At(pixels, 32, 32)), Lit(0.8f, 0.5f, 32.0f), 3);
  EXPECT_NEAR(Green(At(pixels, 32, 32)), Lit(0.4f, 0.5f, 32.0f), 3);
}

TEST_F(ModelPixels, PointLightIsBrightestAtItsFootAndEndsAtItsRange) {
  const std::string file = Write("plane.x", Plane(kCopper));
  ASSERT_TRUE(Manager().CreateModel(file.c_str())->mXFile);
  PointLightC light;
  light.SetPosition(D3DXVECTOR3(0, 0, -0.5f));
  light.SetRange(0.6f);  // reaches the plane within a radius of 0.33
  light.SetAmbient(0, 0, 0);
  light.Apply();
  const std::vector<std::uint32_t> pixels = Frame();
  EXPECT_NEAR(Red(At(pixels, 32, 32)), Lit(0.8f, Facing(32, 32, 0.5f), 0), 3);
  EXPECT_NEAR(Green(At(pixels, 32, 32)), Lit(0.4f, Facing(32, 32, 0.5f), 0), 3);
  EXPECT_NEAR(Red(At(pixels, 40, 32)), Lit(0.8f, Facing(40, 32, 0.5f), 0), 3);
  EXPECT_NEAR(Red(At(pixels, 32, 24)), Lit(0.8f, Facing(32, 24, 0.5f), 0), 3);
  EXPECT_LT(Red(At(pixels, 40, 32)), Red(At(pixels, 32, 32)) - 15);
  // Beyond the range the plane is as dark as the cleared frame.
  EXPECT_EQ(At(pixels, 48, 32), 0xFF000000u);
  EXPECT_EQ(At(pixels, 32, 50), 0xFF000000u);
  EXPECT_EQ(At(pixels, 4, 4), 0xFF000000u);

  // Moved to a corner, the bright spot follows it.
  light.SetPosition(D3DXVECTOR3(0.5f, 0.5f, -0.5f));
  light.Apply();
  const std::vector<std::uint32_t> moved = Frame();
  EXPECT_NEAR(Red(At(moved, 48, 16)), Lit(0.8f, 1.0f, 0), 3);
  EXPECT_EQ(At(moved, 32, 32), 0xFF000000u);
}

TEST_F(ModelPixels, SpotLightIsBrightInsideThetaAndDarkOutsidePhi) {
  const std::string file = Write("plane.x", Plane(kCopper));
  ASSERT_TRUE(Manager().CreateModel(file.c_str())->mXFile);
  SpotLightC light;
  light.SetPosition(D3DXVECTOR3(0, 0, -0.5f));
  light.SetDirection(D3DXVECTOR3(0, 0, 1));
  light.SetTheta(AngleC(DegreeC(40.0f)));  // full inside a radius of 0.18 on the plane
  light.SetPhi(AngleC(DegreeC(60.0f)));    // nothing beyond a radius of 0.29
  light.SetAmbient(0, 0, 0);
  light.Apply();
  const std::vector<std::uint32_t> pixels = Frame();
  EXPECT_NEAR(Red(At(pixels, 32, 32)), Lit(0.8f, Facing(32, 32, 0.5f), 0), 3);
  EXPECT_NEAR(Red(At(pixels, 35, 32)), Lit(0.8f, Facing(35, 32, 0.5f), 0), 3);
  EXPECT_NEAR(Blue(At(pixels, 32, 28)), Lit(0.2f, Facing(32, 28, 0.5f), 0), 3);
  EXPECT_EQ(At(pixels, 44, 32), 0xFF000000u);
  EXPECT_EQ(At(pixels, 32, 20), 0xFF000000u);
  EXPECT_EQ(At(pixels, 41, 41), 0xFF000000u);
  // Between the cones it fades.
  const int between = Red(At(pixels, 39, 32));
  EXPECT_GT(between, 0);
  EXPECT_LT(between, Lit(0.8f, Facing(39, 32, 0.5f), 0) - 10);
}

TEST_F(ModelPixels, TexturedMaterialsTintTheirTextureAndOthersShowTheirColour) {
  Agent().SetAmbient(0xFF202020u);
  Image("green.png", 0xFF00FF00u);
  // White under a green texture on the -z side, orange elsewhere.
  const std::string file =
      Write("crate.x", Box(1.0f, {{1.0f, 1.0f, 1.0f}, "green.png"}, {{1.0f, 0.6f, 0.0f}, ""}));
  // Turned by 45 degrees, the textured side shows on the left, the +x side on the right,
  // both at 45 degrees to a light that shines straight ahead.
  const RenderN::SPMODEL crate = Manager().CreateModel(file.c_str(), TurnedAboutY(45.0f));
  ASSERT_TRUE(crate->mXFile);
  DirectionalLightC light;
  light.SetDirection(D3DXVECTOR3(0, 0, 1));
  light.Apply();
  Look(4.0f, kPi / 3);
  const float facing = std::sqrt(0.5f);
  const std::vector<std::uint32_t> pixels = Frame();
  for (const auto& [x, y] : {std::pair{22, 32}, {27, 26}}) {
    const std::uint32_t textured = At(pixels, x, y);
    EXPECT_EQ(Red(textured), 0) << x << "," << y;
    EXPECT_NEAR(Green(textured), Lit(1.0f, facing, 32.0f), 3) << x << "," << y;
    EXPECT_EQ(Blue(textured), 0) << x << "," << y;
  }
  for (const auto& [x, y] : {std::pair{42, 32}, {37, 38}}) {
    const std::uint32_t plain = At(pixels, x, y);
    EXPECT_NEAR(Red(plain), Lit(1.0f, facing, 32.0f), 3) << x << "," << y;
    EXPECT_NEAR(Green(plain), Lit(0.6f, facing, 32.0f), 3) << x << "," << y;
    EXPECT_EQ(Blue(plain), 0) << x << "," << y;
  }
  EXPECT_EQ(At(pixels, 4, 32), 0xFF000000u);
}

TEST_F(ModelPixels, AMissingTextureLeavesTheMaterialsColour) {
  const std::string file = Write("lost.x", Plane({{0.2f, 0.6f, 1.0f}, "nowhere.png"}));
  const RenderN::SPMODEL plane = Manager().CreateModel(file.c_str());
  ASSERT_TRUE(plane->mXFile);
  // The texture's box told the player; the model loads all the same.
  ASSERT_EQ(mDialog.Shown().size(), 1u);
  EXPECT_EQ(mDialog.Shown()[0].text, BaseN::FixedText::kTextureInfoFailure);
  mDialog.Clear();

  DirectionalLightC light;
  light.SetDirection(D3DXVECTOR3(0, 0, 1));
  light.Apply();
  const std::uint32_t pixel = At(Frame(), 32, 32);
  EXPECT_NEAR(Red(pixel), Lit(0.2f, 1.0f, 0), 3);
  EXPECT_NEAR(Green(pixel), Lit(0.6f, 1.0f, 0), 3);
  EXPECT_NEAR(Blue(pixel), Lit(1.0f, 1.0f, 0), 3);
}

TEST_F(ModelPixels, ModelsOfOneFileStandWhereTheirMatricesPutThemUnlessDisabled) {
  const MaterialText blue{{0.2f, 0.4f, 0.8f}, ""};
  const std::string file = Write("block.x", Box(0.5f, blue, blue));
  const RenderN::SPMODEL left = Manager().CreateModel(file.c_str(), Translation(-1, 0, 0));
  const RenderN::SPMODEL right = Manager().CreateModel(file.c_str(), Translation(1, 0, 0));
  const RenderN::SPMODEL middle = Manager().CreateModel(file.c_str(), Translation(0, 0, 0));
  ASSERT_TRUE(left->mXFile);
  EXPECT_EQ(left->mXFile, right->mXFile);  // one record for the file
  middle->Enabled(false);
  DirectionalLightC light;
  light.SetDirection(D3DXVECTOR3(0, 0, 1));
  light.Apply();
  // From 4 units away with a 60-degree view, the front sides cover pixels 8 to 24 and
  // 40 to 56 across; the middle block would cover 24 to 40.
  Look(4.0f, kPi / 3);
  std::vector<std::uint32_t> pixels = Frame();
  for (const int x : {16, 48}) {
    const std::uint32_t pixel = At(pixels, x, 32);
    EXPECT_NEAR(Red(pixel), Lit(0.2f, 1.0f, 0), 3) << x;
    EXPECT_NEAR(Green(pixel), Lit(0.4f, 1.0f, 0), 3) << x;
    EXPECT_NEAR(Blue(pixel), Lit(0.8f, 1.0f, 0), 3) << x;
  }
  EXPECT_EQ(At(pixels, 32, 32), 0xFF000000u);
  EXPECT_EQ(At(pixels, 3, 32), 0xFF000000u);
  EXPECT_EQ(At(pixels, 60, 32), 0xFF000000u);
  EXPECT_EQ(At(pixels, 16, 10), 0xFF000000u);

  middle->Enabled(true);
  left->Enabled(false);
  pixels = Frame();
  EXPECT_NEAR(Blue(At(pixels, 32, 32)), Lit(0.8f, 1.0f, 0), 3);
  EXPECT_EQ(At(pixels, 16, 32), 0xFF000000u);
  EXPECT_NEAR(Blue(At(pixels, 48, 32)), Lit(0.8f, 1.0f, 0), 3);
}

}  // namespace
}  // namespace hinoki_test
