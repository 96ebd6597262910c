// The sprite batch (the ID3DXSprite role) on the GL device: quads in back-buffer pixels
// gathered in memory and drawn with one upload and one draw call per flush.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/Device.h"

namespace platform {

class GlDevice;
class GlTexture;

class GlSprite final : public Sprite {
 public:
  explicit GlSprite(GlDevice& device);
  ~GlSprite() override;

  void Begin(DWORD flags) override;
  void SetTransform(const D3DMATRIX& transform) override { mTransform = transform; }
  void Draw(Texture* texture, const RECT* source, const D3DVECTOR* center,
            const D3DVECTOR* position, D3DCOLOR color) override;
  void Flush() override;
  void End() override;
  void OnLostDevice() override;
  void OnResetDevice() override {}

  /// The device is going away.
  void Detach() { mDevice = nullptr; }
  /// A texture is going away: quads queued with it are dropped.
  void OnTextureDestroyed(GlTexture* texture);

 private:
  /// The 0x142 layout, except that the colour is stored as R, G, B, A bytes: the order
  /// software rasterisers fetch fastest.
  struct Vertex {
    float x, y, z;
    std::uint8_t rgba[4];
    float u, v;
  };
  static_assert(sizeof(Vertex) == 24, "sprite vertices are 24 bytes");

  /// Device state the batch changes, put back by End.
  struct SavedState {
    DWORD renderStates[13];
    DWORD stageStates[8];
    DWORD samplerStates[5];
    DWORD fvf;
    D3DMATRIX world, view, projection;
    Texture* texture;
  };

  void SaveState();
  void RestoreState();

  GlDevice* mDevice;
  bool mInBatch = false;
  DWORD mFlags = 0;
  D3DMATRIX mTransform;
  Texture* mBatchTexture = nullptr;
  unsigned mBatchWidth = 0, mBatchHeight = 0;  ///< of mBatchTexture
  std::vector<Vertex> mVertices;
  SavedState mSaved{};
};

}  // namespace platform
