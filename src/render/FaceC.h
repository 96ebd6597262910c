// A textured quad in 3D, the common part of planks and billboards: four coloured,
// textured vertices drawn as a triangle fan with the face's own render states.
#pragma once

#include <cstdint>

#include "math/Vector3C.h"
#include "platform/gfx/D3DTypes.h"
#include "render/RenderingC.h"
#include "render/ShaderC.h"
#include "render/TextureStorageC.h"

namespace RenderN {

/// One vertex in the layout XYZ | DIFFUSE | TEX1.
struct FaceVertexS {
  Vector3C mPosition;
  D3DCOLOR mColor;
  float mU;
  float mV;
};
static_assert(sizeof(FaceVertexS) == 24, "the face vertex layout has a stride of 24 bytes");

/// D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1.
inline constexpr DWORD kFaceVertexFormat = 0x142;

class FaceC : public RenderingC {
 public:
  /// Draws the quad, or hands it to the shader when one is set.
  void Draw() override;

  /// Sets the alpha byte of vertex 0-3, or of all four for any other vertex number.
  void SetAlpha(std::uint8_t alpha, int vertex);
  /// Sets red, green and blue of vertex 0-3, or of all four; alpha stays.
  void SetColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, int vertex);
  void AdditiveBlending(bool on) { mAdditiveBlending = on; }
  void WritingZBuffer(bool on) { mWritingZBuffer = on; }
  void Culling(bool on) { mCulling = on; }
  void Fog(bool on) { mFog = on; }
  void SetTexture(const SPTEXTUREDATA& texture) { mTexture = texture; }
  void SetShader(const SPSHADER& shader) { mShader = shader; }
  /// Moves vertex 0-3; other vertex numbers are ignored.
  void SetPosition(const D3DXVECTOR3& position, int vertex);
  /// The position of vertex 0-3 inside the face; (0, 0, 0) for any other number.
  const Vector3C& GetPosition(int vertex) const;
  /// Maps the quad onto cell (column, row) of a columns x rows grid over the texture; the
  /// right and bottom edges stop one texel short of the next cell. Needs a texture.
  void Split(unsigned columns, unsigned rows, unsigned column, unsigned row);

  SPTEXTUREDATA mTexture;  ///< stage 0; empty draws untextured
  FaceVertexS mVertex[4];
  SPSHADER mShader;
  bool mAdditiveBlending = false;
  bool mCulling;
  bool mWritingZBuffer;
  bool mFog = true;
  bool mLighting = false;

 protected:
  /// A white unit square in the x-y plane centred on the origin, front facing -z.
  FaceC(bool culling, bool writingZBuffer, bool translucent);
};

}  // namespace RenderN
