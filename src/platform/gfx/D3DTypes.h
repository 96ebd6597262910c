// The Direct3D 9 value types the engine passes around (vectors, matrices, viewports),
// laid out byte for byte as Direct3D 9 lays them out so saved data and scripts agree.
#pragma once

#include <cstdint>

using DWORD = std::uint32_t;

struct D3DVECTOR {
  float x, y, z;
};

struct D3DMATRIX {
  union {
    struct {
      float _11, _12, _13, _14;
      float _21, _22, _23, _24;
      float _31, _32, _33, _34;
      float _41, _42, _43, _44;
    };
    float m[4][4];
  };
};

struct D3DVIEWPORT9 {
  D3DVIEWPORT9() = default;
  D3DVIEWPORT9(DWORD x, DWORD y, DWORD width, DWORD height, float minZ, float maxZ)
      : X(x), Y(y), Width(width), Height(height), MinZ(minZ), MaxZ(maxZ) {}
  DWORD X = 0, Y = 0, Width = 0, Height = 0;
  float MinZ = 0.0f, MaxZ = 0.0f;
};

static_assert(sizeof(D3DVECTOR) == 12, "D3DVECTOR must match Direct3D 9's layout");
static_assert(sizeof(D3DMATRIX) == 64, "D3DMATRIX must match Direct3D 9's layout");
static_assert(sizeof(D3DVIEWPORT9) == 24, "D3DVIEWPORT9 must match Direct3D 9's layout");
