// Textures and surfaces of the GL device. A managed-pool texture keeps a copy of its
// levels in memory, as Direct3D's managed pool does, so it can be locked at any time and
// survives a lost GL context; default-pool textures live on the GPU only.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx/Device.h"

namespace platform {

class GlDevice;
class GlTexture;

/// A render target or depth-stencil: the back buffer's own, or a level of a texture
/// (which the surface keeps alive, as Direct3D's surfaces hold their texture).
class GlSurface final : public Surface, public std::enable_shared_from_this<GlSurface> {
 public:
  enum class Kind { kBackBufferColor, kBackBufferDepth, kTextureLevel };
  GlSurface(Kind kind, unsigned width, unsigned height,
            std::shared_ptr<GlTexture> texture = nullptr, unsigned level = 0)
      : mKind(kind), mWidth(width), mHeight(height), mTexture(std::move(texture)),
        mLevel(level) {}
  unsigned Width() const override { return mWidth; }
  unsigned Height() const override { return mHeight; }
  Kind SurfaceKind() const { return mKind; }
  GlTexture* TextureOf() const { return mTexture.get(); }
  unsigned Level() const { return mLevel; }
  /// True for depth-stencil surfaces.
  bool IsDepth() const;

 private:
  Kind mKind;
  unsigned mWidth, mHeight;
  std::shared_ptr<GlTexture> mTexture;
  unsigned mLevel;
};

class GlTexture final : public Texture, public std::enable_shared_from_this<GlTexture> {
 public:
  /// The GL formats of a Direct3D format; false for formats this device does not offer.
  static bool Supports(D3DFORMAT format, DWORD usage);
  /// Levels of a full mip chain for a size.
  static unsigned FullChainLevels(unsigned width, unsigned height);

  GlTexture(GlDevice& device, unsigned width, unsigned height, unsigned levels, DWORD usage,
            D3DFORMAT format, D3DPOOL pool);
  ~GlTexture() override;

  unsigned Width() const override { return mWidth; }
  unsigned Height() const override { return mHeight; }
  unsigned Levels() const override { return mLevels; }
  D3DFORMAT Format() const override { return mFormat; }
  bool Lock(unsigned level, LockedRect& locked, DWORD flags) override;
  void Unlock(unsigned level) override;

  SurfaceRef GetSurfaceLevel(unsigned level) override;

  GLuint Name() const { return mName; }
  bool IsRenderTarget() const { return (mUsage & D3DUSAGE_RENDERTARGET) != 0; }
  bool IsDepthStencil() const { return mFormat == D3DFMT_D24S8; }
  D3DPOOL Pool() const { return mPool; }
  unsigned LevelWidth(unsigned level) const;
  unsigned LevelHeight(unsigned level) const;

  /// Allocates the GL texture (and fills it from the kept copy); false on failure.
  bool CreateGlObject();
  /// Deletes the GL texture (`contextAlive` false: the context is gone, only forget it).
  void DropGlObject(bool contextAlive);
  /// Replaces a level's pixels (A8R8G8B8 words, `width` per row).
  void UploadLevel(unsigned level, const std::uint32_t* pixels);
  /// The device is going away: no more calls into it.
  void Detach() { mDevice = nullptr; }
  /// Level 0 as A8R8G8B8 words; empty for depth textures.
  std::vector<std::uint32_t> ReadLevel0() const;
  /// Level 0 as R, G, B, A floats per texel, top row first, unclamped; empty for depth
  /// textures.
  std::vector<float> ReadLevel0Floats() const;

 private:
  void Bind() const;

  GlDevice* mDevice;
  unsigned mWidth, mHeight, mLevels;
  DWORD mUsage;
  D3DFORMAT mFormat;
  D3DPOOL mPool;
  GLuint mName = 0;
  std::vector<std::vector<std::uint32_t>> mKeptLevels;  // managed pool only
  std::vector<std::uint32_t> mLockBuffer;               // other pools while locked
  int mLockedLevel = -1;
};

}  // namespace platform
