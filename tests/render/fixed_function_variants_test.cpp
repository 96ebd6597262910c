// The programs made for the fixed-function state in use draw exactly what the general
// program draws: the same scenes (lights of every type, specular, fog modes, texture
// stage operations, alpha test, pretransformed vertices) are drawn on a device of each
// kind and compared pixel for pixel.
#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "GlFixture.h"

namespace hinoki_test {
namespace {

constexpr unsigned kSize = 48;
constexpr int kCells = 12;

struct FullVertex {
  float x, y, z, nx, ny, nz;
  std::uint32_t color;
  float u, v;
};

struct RhwVertex {
  float x, y, z, rhw;
  std::uint32_t color;
  float u, v;
};

class FixedFunctionVariants : public GlFixture {
 protected:
  /// A bumpy grid in clip space (= view space) with normals that turn across it and a
  /// colour that changes per vertex.
  static std::vector<FullVertex> Grid() {
    std::vector<FullVertex> out;
    const auto vertex = [](int i, int j) {
      const float x = -0.9f + 1.8f * float(i) / kCells;
      const float y = -0.9f + 1.8f * float(j) / kCells;
      const float nx = std::sin(x * 2.0f) * 0.8f, ny = std::cos(y * 3.0f) * 0.6f;
      const std::uint32_t color = 0x80000000u | (std::uint32_t(i * 20) << 16) |
                                  (std::uint32_t(j * 20) << 8) | 0x40u;
      return FullVertex{x, y, 0.3f + 0.05f * float(i + j) / kCells, nx, ny, -1.0f,
                        color, float(i) / kCells * 2.0f, float(j) / kCells * 2.0f};
    };
    for (int j = 0; j < kCells; ++j) {
      for (int i = 0; i < kCells; ++i) {
        for (const auto& [di, dj] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}}) {
          out.push_back(vertex(i + di, j + dj));
        }
      }
    }
    return out;
  }

  void DrawGrid() {
    const auto vertices = Grid();
    device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, unsigned(vertices.size() / 3), vertices.data(),
                            sizeof(FullVertex));
  }

  void Lights() {
    D3DLIGHT9 directional{};
    directional.Type = D3DLIGHT_DIRECTIONAL;
    directional.Diffuse = {0.6f, 0.5f, 0.4f, 1.0f};
    directional.Specular = {0.5f, 0.5f, 0.5f, 1.0f};
    directional.Ambient = {0.1f, 0.0f, 0.1f, 1.0f};
    directional.Direction = {0.3f, -0.4f, 1.0f};
    D3DLIGHT9 point = directional;
    point.Type = D3DLIGHT_POINT;
    point.Diffuse = {0.2f, 0.7f, 0.3f, 1.0f};
    point.Position = {0.4f, 0.4f, -0.2f};
    point.Range = 1.5f;
    point.Attenuation0 = 0.5f;
    point.Attenuation1 = 0.8f;
    D3DLIGHT9 spot = point;
    spot.Type = D3DLIGHT_SPOT;
    spot.Diffuse = {0.9f, 0.2f, 0.6f, 1.0f};
    spot.Position = {-0.4f, -0.3f, -0.3f};
    spot.Direction = {0.2f, 0.1f, 1.0f};
    spot.Theta = 0.6f;
    spot.Phi = 1.2f;
    spot.Falloff = 2.0f;
    device->SetLight(0, directional);
    device->SetLight(3, point);
    device->SetLight(5, spot);
    for (DWORD index : {0u, 3u, 5u}) device->LightEnable(index, true);
    D3DMATERIAL9 material{};
    material.Diffuse = {0.8f, 0.9f, 0.7f, 0.75f};
    material.Ambient = {0.5f, 0.5f, 0.5f, 1.0f};
    material.Specular = {0.7f, 0.6f, 0.9f, 1.0f};
    material.Emissive = {0.05f, 0.1f, 0.0f, 1.0f};
    material.Power = 12.0f;
    device->SetMaterial(material);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF202830u);
  }

  void Fog(DWORD mode, bool table) {
    device->SetRenderState(D3DRS_FOGENABLE, 1);
    device->SetRenderState(table ? D3DRS_FOGTABLEMODE : D3DRS_FOGVERTEXMODE, mode);
    device->SetRenderState(D3DRS_FOGCOLOR, 0xFF3366CCu);
    const float start = 0.2f, end = 0.5f, density = 2.5f;
    DWORD bits;
    std::memcpy(&bits, &start, 4);
    device->SetRenderState(D3DRS_FOGSTART, bits);
    std::memcpy(&bits, &end, 4);
    device->SetRenderState(D3DRS_FOGEND, bits);
    std::memcpy(&bits, &density, 4);
    device->SetRenderState(D3DRS_FOGDENSITY, bits);
  }

  /// Every scene drawn on one device, each read back after it.
  std::vector<std::vector<std::uint32_t>> DrawScenes() {
    CreateDevice(kSize, kSize);
    const auto texture = MakeTexture(4, 4, {0xFFFF0000u, 0x8000FF00u, 0x400000FFu, 0xFFFFFFFFu,
                                            0x00102030u, 0xC0A0B0C0u, 0xFF00FFFFu, 0x20FFFF00u,
                                            0xFF000000u, 0x80808080u, 0x10203040u, 0xF0E0D0C0u,
                                            0x7F7F7F7Fu, 0xFFC08040u, 0x40C080FFu, 0x90909090u});
    std::vector<std::function<void()>> scenes = {
        [&] {  // three lights, specular, the vertex colour as diffuse material
          Lights();
          device->SetRenderState(D3DRS_SPECULARENABLE, 1);
          device->SetRenderState(D3DRS_NORMALIZENORMALS, 1);
          DrawGrid();
        },
        [&] {  // material colours only, the non-local viewer, linear vertex fog
          Lights();
          device->SetRenderState(D3DRS_COLORVERTEX, 0);
          device->SetRenderState(D3DRS_SPECULARENABLE, 1);
          device->SetRenderState(D3DRS_LOCALVIEWER, 0);
          Fog(D3DFOG_LINEAR, false);
          DrawGrid();
        },
        [&] {  // ambient and emissive from the vertex, exponential table fog, a texture
          Lights();
          device->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_COLOR1);
          device->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_COLOR1);
          device->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
          Fog(D3DFOG_EXP, true);
          device->SetTexture(0, texture.get());
          DrawGrid();
        },
        [&] {  // unlit, squared exponential fog, texture added, alpha from the factor
          device->SetRenderState(D3DRS_LIGHTING, 0);
          Fog(D3DFOG_EXP2, false);
          device->SetTexture(0, texture.get());
          device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x9A336699u);
          device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
          device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
          device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
          device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
          device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
          device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
          DrawGrid();
        },
        [&] {  // unlit, complemented and alpha-replicated arguments, 2x modulation, alpha test
          device->SetRenderState(D3DRS_LIGHTING, 0);
          device->SetTexture(0, texture.get());
          device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE2X);
          device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE | 0x10);
          device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE | 0x20);
          device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
          device->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
          device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
          device->SetRenderState(D3DRS_ALPHAREF, 0x60);
          DrawGrid();
        },
        [&] {  // pretransformed vertices with fog and lighting on: neither applies
          Lights();
          Fog(D3DFOG_LINEAR, false);
          device->SetTexture(0, texture.get());
          device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
          const RhwVertex quad[4] = {{3, 5, 0.5f, 1, 0xFF8040C0u, 0, 0},
                                     {40, 2, 0.5f, 1, 0xFF40C080u, 1, 0},
                                     {44, 41, 0.5f, 1, 0xFFC08040u, 1, 1},
                                     {6, 45, 0.5f, 1, 0xFF202020u, 0, 1}};
          device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
          device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(RhwVertex));
        },
    };
    std::vector<std::vector<std::uint32_t>> pictures;
    for (const auto& scene : scenes) {
      device->Reset();  // every scene from the default state
      device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
      device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
      device->Clear(D3DCLEAR_TARGET, 0xFF102030u, 1.0f, 0);
      scene();
      pictures.push_back(Read());
    }
    return pictures;
  }
};

TEST_F(FixedFunctionVariants, SpecialisedProgramsDrawWhatTheGeneralOneDraws) {
  const char* previous = std::getenv("HINOKI_GL_GENERAL_PROGRAM");
  const std::string restore = previous ? previous : "";
  setenv("HINOKI_GL_GENERAL_PROGRAM", "0", 1);
  const auto specialised = DrawScenes();
  setenv("HINOKI_GL_GENERAL_PROGRAM", "1", 1);
  const auto general = DrawScenes();
  if (previous) {
    setenv("HINOKI_GL_GENERAL_PROGRAM", restore.c_str(), 1);
  } else {
    unsetenv("HINOKI_GL_GENERAL_PROGRAM");
  }
  ASSERT_EQ(specialised.size(), general.size());
  for (size_t scene = 0; scene < general.size(); ++scene) {
    ASSERT_EQ(specialised[scene].size(), general[scene].size());
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < general[scene].size(); ++i) {
      if (specialised[scene][i] != general[scene][i] && differing++ == 0) first = i;
    }
    EXPECT_EQ(differing, 0u) << "scene " << scene << ", first at (" << first % kSize << ", "
                             << first / kSize << "): " << std::hex << specialised[scene][first]
                             << " instead of " << general[scene][first];
    // The scene drew something besides the clear colour.
    size_t drawn = 0;
    for (std::uint32_t pixel : general[scene]) drawn += (pixel | 0xFF000000u) != 0xFF102030u;
    EXPECT_GT(drawn, general[scene].size() / 3) << "scene " << scene;
  }
}

}  // namespace
}  // namespace hinoki_test
