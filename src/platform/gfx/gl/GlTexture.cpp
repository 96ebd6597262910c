// GL textures with Direct3D's formats, pools and locking.
#include "platform/gfx/gl/GlTexture.h"

#include <algorithm>

#include "platform/gfx/gl/GlDevice.h"

namespace platform {
namespace {

struct GlFormat {
  GLint internalFormat;
  GLenum format;
  GLenum type;
  GLint swizzle[4];
};

bool FormatOf(D3DFORMAT format, GlFormat& out) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
      out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
      return true;
    case D3DFMT_X8R8G8B8:  // the unused byte reads as opaque
      out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
      return true;
    case D3DFMT_R32F:  // Direct3D samples the missing channels as one
      out = {GL_R32F, GL_RED, GL_FLOAT, {GL_RED, GL_ONE, GL_ONE, GL_ONE}};
      return true;
    case D3DFMT_A16B16G16R16F:  // render targets for values beyond 8 bits (shadow depths)
      out = {GL_RGBA16F, GL_RGBA, GL_FLOAT, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
      return true;
    case D3DFMT_A32B32G32R32F:
      out = {GL_RGBA32F, GL_RGBA, GL_FLOAT, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
      return true;
    case D3DFMT_D24S8:
      out = {GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8,
             {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
      return true;
    default:
      return false;
  }
}

bool IsEightBit(D3DFORMAT format) {
  return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8;
}

}  // namespace

bool GlSurface::IsDepth() const {
  return mKind == Kind::kBackBufferDepth ||
         (mKind == Kind::kTextureLevel && mTexture && mTexture->IsDepthStencil());
}

bool GlTexture::Supports(D3DFORMAT format, DWORD usage) {
  GlFormat f;
  if (!FormatOf(format, f)) return false;
  // Depth formats only as depth-stencil textures, and those only as such.
  return (format == D3DFMT_D24S8) == ((usage & D3DUSAGE_DEPTHSTENCIL) != 0);
}

unsigned GlTexture::FullChainLevels(unsigned width, unsigned height) {
  unsigned levels = 1;
  for (unsigned size = std::max(width, height); size > 1; size >>= 1) ++levels;
  return levels;
}

GlTexture::GlTexture(GlDevice& device, unsigned width, unsigned height, unsigned levels,
                     DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : mDevice(&device), mWidth(width), mHeight(height), mLevels(levels), mUsage(usage),
      mFormat(format), mPool(pool) {
  if (mPool == D3DPOOL_MANAGED && IsEightBit(mFormat) && !IsRenderTarget()) {
    mKeptLevels.resize(mLevels);
    for (unsigned level = 0; level < mLevels; ++level) {
      mKeptLevels[level].assign(size_t{LevelWidth(level)} * LevelHeight(level), 0u);
    }
  }
}

GlTexture::~GlTexture() {
  if (mDevice) mDevice->OnTextureDestroyed(this);
}

unsigned GlTexture::LevelWidth(unsigned level) const { return std::max(1u, mWidth >> level); }
unsigned GlTexture::LevelHeight(unsigned level) const { return std::max(1u, mHeight >> level); }

void GlTexture::Bind() const {
  if (mDevice) mDevice->BindTextureForUpdate(mName);
}

bool GlTexture::CreateGlObject() {
  GlFormat f;
  if (!FormatOf(mFormat, f)) return false;
  glGenTextures(1, &mName);
  Bind();
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(mLevels) - 1);
  glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, f.swizzle);
  while (glGetError() != GL_NO_ERROR) {
  }
  for (unsigned level = 0; level < mLevels; ++level) {
    const void* pixels = mKeptLevels.empty() ? nullptr : mKeptLevels[level].data();
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), f.internalFormat,
                 static_cast<GLsizei>(LevelWidth(level)), static_cast<GLsizei>(LevelHeight(level)),
                 0, f.format, f.type, pixels);
  }
  if (glGetError() != GL_NO_ERROR) {  // out of memory or beyond a limit
    DropGlObject(true);
    return false;
  }
  return true;
}

void GlTexture::DropGlObject(bool contextAlive) {
  if (mName && contextAlive) {
    if (mDevice) mDevice->ForgetTextureName(mName);
    glDeleteTextures(1, &mName);
  }
  mName = 0;
}

void GlTexture::UploadLevel(unsigned level, const std::uint32_t* pixels) {
  if (level >= mLevels || !IsEightBit(mFormat)) return;
  const size_t count = size_t{LevelWidth(level)} * LevelHeight(level);
  if (!mKeptLevels.empty()) std::copy(pixels, pixels + count, mKeptLevels[level].begin());
  if (!mName) return;
  Bind();
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0,
                  static_cast<GLsizei>(LevelWidth(level)), static_cast<GLsizei>(LevelHeight(level)),
                  GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
}

bool GlTexture::Lock(unsigned level, LockedRect& locked, DWORD flags) {
  // Render targets and float or depth formats live on the GPU only.
  if (level >= mLevels || mLockedLevel >= 0 || IsRenderTarget() || !IsEightBit(mFormat)) {
    return false;
  }
  std::uint32_t* bits;
  if (!mKeptLevels.empty()) {
    bits = mKeptLevels[level].data();
  } else {
    mLockBuffer.assign(size_t{LevelWidth(level)} * LevelHeight(level), 0u);
    if (!(flags & D3DLOCK_DISCARD) && mName) {  // a read-write lock sees the old texels
      Bind();
      glPixelStorei(GL_PACK_ALIGNMENT, 4);
      glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), GL_BGRA,
                    GL_UNSIGNED_INT_8_8_8_8_REV, mLockBuffer.data());
    }
    bits = mLockBuffer.data();
  }
  mLockedLevel = static_cast<int>(level);
  locked.pitch = static_cast<int>(LevelWidth(level) * 4);
  locked.bits = bits;
  return true;
}

void GlTexture::Unlock(unsigned level) {
  if (mLockedLevel < 0 || static_cast<unsigned>(mLockedLevel) != level) return;
  mLockedLevel = -1;
  if (!mKeptLevels.empty()) {
    UploadLevel(level, mKeptLevels[level].data());
  } else {
    UploadLevel(level, mLockBuffer.data());
    std::vector<std::uint32_t>().swap(mLockBuffer);
  }
}

SurfaceRef GlTexture::GetSurfaceLevel(unsigned level) {
  if (level >= mLevels) return nullptr;
  return std::make_shared<GlSurface>(GlSurface::Kind::kTextureLevel, LevelWidth(level),
                                     LevelHeight(level), shared_from_this(), level);
}

std::vector<std::uint32_t> GlTexture::ReadLevel0() const {
  if (!mName || IsDepthStencil()) return {};
  std::vector<std::uint32_t> pixels(size_t{mWidth} * mHeight);
  Bind();
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  // Float levels are clamped to 0..1 and rounded to 8 bits by the conversion.
  glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
  if (mFormat == D3DFMT_X8R8G8B8) {
    for (auto& p : pixels) p |= 0xFF000000u;
  }
  return pixels;
}

std::vector<float> GlTexture::ReadLevel0Floats() const {
  if (!mName || IsDepthStencil()) return {};
  std::vector<float> values(size_t{mWidth} * mHeight * 4);
  Bind();
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, values.data());
  return values;
}

}  // namespace platform
