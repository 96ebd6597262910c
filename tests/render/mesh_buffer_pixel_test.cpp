// Meshes kept in device buffers, as a player sees them: a row of four quads with their
// own normals, drawn whole or by index range, lit, textured, and again after the GL
// context was made anew.
#include <cmath>
#include <cstdint>
#include <vector>

#include "GlFixture.h"

namespace hinoki_test {
namespace {

constexpr unsigned kWidth = 32;
constexpr unsigned kHeight = 8;
constexpr unsigned kQuads = 4;  // each 8 pixels wide, the full height
constexpr DWORD kMeshFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

/// The engine's mesh vertex: position, normal, one texture coordinate.
struct MeshVertex {
  float x, y, z, nx, ny, nz, u, v;
};

class MeshBufferPixels : public GlFixture {
 protected:
  void SetUp() override {
    CreateDevice(kWidth, kHeight);
    // Quad q turns its normal away from the camera by q * 25 degrees, so each is lit
    // differently; texture coordinates span the whole row. The vertices are stored last
    // quad first, so no index range matches another draw's indices by chance.
    for (unsigned q = kQuads; q-- > 0;) {
      const float angle = float(q) * 25.0f * 3.14159265f / 180.0f;
      const float nx = std::sin(angle), nz = -std::cos(angle);
      const float left = float(q) * 8.0f, right = left + 8.0f;
      const auto cx = [](float x) { return x / float(kWidth) * 2.0f - 1.0f; };
      const auto u = [](float x) { return x / float(kWidth); };
      mVertices.push_back({cx(left), 1.0f, 0.5f, nx, 0.0f, nz, u(left), 0.0f});
      mVertices.push_back({cx(right), 1.0f, 0.5f, nx, 0.0f, nz, u(right), 0.0f});
      mVertices.push_back({cx(right), -1.0f, 0.5f, nx, 0.0f, nz, u(right), 1.0f});
      mVertices.push_back({cx(left), -1.0f, 0.5f, nx, 0.0f, nz, u(left), 1.0f});
    }
    for (unsigned q = 0; q < kQuads; ++q) {
      const std::uint16_t first = std::uint16_t((kQuads - 1 - q) * 4);
      for (unsigned corner : {0u, 1u, 2u, 0u, 2u, 3u}) {
        mIndices.push_back(std::uint16_t(first + corner));
      }
    }
    mMesh = MakeMesh();
    ASSERT_TRUE(mMesh);
    LitState();
  }

  platform::MeshBufferRef MakeMesh() {
    return device->CreateMeshBuffer(mVertices.data(), unsigned(mVertices.size()),
                                    sizeof(MeshVertex), mIndices.data(),
                                    unsigned(mIndices.size()));
  }

  /// Identity transforms, a white light along +z, an orange material, no depth or culling.
  void LitState() {
    device->SetFVF(kMeshFvf);
    device->SetRenderState(D3DRS_LIGHTING, 1);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF202020u);
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    device->SetLight(0, light);
    device->LightEnable(0, true);
    D3DMATERIAL9 material{};
    material.Diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    device->SetMaterial(material);
    device->SetTexture(0, nullptr);
    Clear();
  }

  void Clear() { device->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0); }

  /// The colour at the centre of quad `q`.
  static std::uint32_t QuadCentre(const std::vector<std::uint32_t>& pixels, unsigned q) {
    return pixels[size_t(kHeight / 2) * kWidth + q * 8 + 4];
  }

  std::vector<MeshVertex> mVertices;
  std::vector<std::uint16_t> mIndices;
  platform::MeshBufferRef mMesh;
};

TEST_F(MeshBufferPixels, LitMeshMatchesTheSameTrianglesSentEachDraw) {
  EXPECT_EQ(mMesh->VertexCount(), 16u);
  EXPECT_EQ(mMesh->IndexCount(), 24u);
  device->DrawIndexedTriangles(*mMesh, 0, 8);
  const auto fromBuffer = Read();

  Clear();
  std::vector<MeshVertex> expanded;
  for (std::uint16_t index : mIndices) expanded.push_back(mVertices[index]);
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 8, expanded.data(), sizeof(MeshVertex));
  EXPECT_EQ(fromBuffer, Read());

  // Lit in the material's colour, darker as the normal turns away from the light.
  const std::uint32_t facing = QuadCentre(fromBuffer, 0);
  EXPECT_GT((facing >> 16) & 0xFF, (facing >> 8) & 0xFF);
  EXPECT_GT((facing >> 8) & 0xFF, facing & 0xFF);
  const auto green = [&](unsigned q) { return (QuadCentre(fromBuffer, q) >> 8) & 0xFF; };
  for (unsigned q = 1; q < kQuads; ++q) EXPECT_LT(green(q), green(q - 1)) << "quad " << q;

  // Bad data gives no buffer.
  const std::uint16_t pastEnd[3] = {0, 1, 16};
  EXPECT_FALSE(device->CreateMeshBuffer(mVertices.data(), 16, sizeof(MeshVertex), pastEnd, 3));
  EXPECT_FALSE(device->CreateMeshBuffer(nullptr, 16, sizeof(MeshVertex), mIndices.data(), 24));
}

TEST_F(MeshBufferPixels, IndexRangesDrawOnlyTheirTriangles) {
  device->DrawIndexedTriangles(*mMesh, 0, 8);
  const auto whole = Read();

  Clear();
  device->DrawIndexedTriangles(*mMesh, 6, 2);   // quad 1
  device->DrawIndexedTriangles(*mMesh, 21, 1);  // the lower-left half of quad 3
  const auto parts = Read();
  EXPECT_EQ(QuadCentre(parts, 0), 0xFF000000u);
  EXPECT_EQ(QuadCentre(parts, 1), QuadCentre(whole, 1));
  EXPECT_EQ(QuadCentre(parts, 2), 0xFF000000u);
  EXPECT_EQ(parts[size_t(kHeight - 1) * kWidth + 25], QuadCentre(whole, 3));
  EXPECT_EQ(parts[30], 0xFF000000u);  // the upper-right half stays undrawn

  // A range running past the last index draws nothing at all.
  Clear();
  device->DrawIndexedTriangles(*mMesh, 18, 3);
  device->DrawIndexedTriangles(*mMesh, 30, 1);
  for (std::uint32_t pixel : Read()) ASSERT_EQ(pixel, 0xFF000000u);
}

TEST_F(MeshBufferPixels, BuffersDrawAgainAfterTheContextIsMadeAnew) {
  device->DrawIndexedTriangles(*mMesh, 0, 8);
  const auto before = Read();
  const unsigned generation = device->ContextGeneration();

  device->SimulateDeviceLoss(platform::GlDevice::LossKind::kContextReset);
  EXPECT_EQ(device->Present(), platform::DeviceResult::kDeviceLost);
  EXPECT_EQ(device->TestCooperativeLevel(), platform::DeviceResult::kDeviceLost);
  EXPECT_EQ(device->TestCooperativeLevel(), platform::DeviceResult::kDeviceNotReset);
  ASSERT_TRUE(device->Reset());
  ASSERT_EQ(device->ContextGeneration(), generation + 1);

  LitState();  // Reset brings the state back to its defaults
  device->DrawIndexedTriangles(*mMesh, 0, 8);
  EXPECT_EQ(Read(), before);

  // A buffer released after its device is harmless.
  device.reset();
  mMesh.reset();
}

TEST_F(MeshBufferPixels, StageZeroTextureUsesTheMeshCoordinates) {
  // Four texels across the row: each quad shows one.
  const std::vector<std::uint32_t> texels = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
  const auto texture = MakeTexture(4, 1, texels);
  ASSERT_TRUE(texture);
  auto sprite = device->CreateSprite();
  const auto drawSprite = [&](float x, float y) {
    sprite->Begin(0);
    const D3DVECTOR position{x, y, 0};
    sprite->Draw(texture.get(), nullptr, nullptr, &position, 0xFFFFFFFFu);
    sprite->End();
  };
  drawSprite(0, 0);  // drawn over by the mesh
  device->SetFVF(kMeshFvf);
  device->SetRenderState(D3DRS_LIGHTING, 0);
  device->SetTexture(0, texture.get());
  device->DrawIndexedTriangles(*mMesh, 0, 8);
  auto pixels = Read();
  for (unsigned q = 0; q < kQuads; ++q) EXPECT_EQ(QuadCentre(pixels, q), texels[q]) << "quad " << q;

  // Vertices sent per draw and sprite quads still draw between mesh draws.
  PlainClipSpaceState();
  device->SetTexture(0, nullptr);
  DrawFan(ScreenQuad(0, 0, 4, 4, 0.5f, 0xFF808080u));
  drawSprite(28, 4);
  device->SetFVF(kMeshFvf);
  device->SetTexture(0, texture.get());
  device->DrawIndexedTriangles(*mMesh, 6, 2);
  pixels = Read();
  EXPECT_EQ(pixels[size_t(1) * kWidth + 1], 0xFF808080u);
  EXPECT_EQ(QuadCentre(pixels, 1), texels[1]);
  EXPECT_EQ(pixels[size_t(4) * kWidth + 28], texels[0]);
  EXPECT_EQ(pixels[size_t(4) * kWidth + 31], texels[3]);
}

}  // namespace
}  // namespace hinoki_test
