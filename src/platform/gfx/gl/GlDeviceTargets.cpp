// Render targets, clearing, textures and read-back of the GL device.
#include "platform/gfx/gl/GlDevice.h"

#include <algorithm>

#include "platform/gfx/gl/GlSprite.h"

namespace platform {

bool GlDevice::TargetIsBackBuffer() const { return mColorTarget == mBackBufferColor; }

SurfaceRef GlDevice::GetRenderTarget(DWORD index) {
  return index == 0 ? SurfaceRef(mColorTarget) : nullptr;
}

void GlDevice::SetRenderTarget(DWORD index, Surface* surface) {
  // One colour target; a depth surface is no colour target.
  auto* target = static_cast<GlSurface*>(surface);
  if (index != 0 || !target || target->IsDepth()) return;
  std::shared_ptr<GlSurface> next;
  if (target == mBackBufferColor.get()) {
    next = mBackBufferColor;
  } else if (target->SurfaceKind() == GlSurface::Kind::kTextureLevel && target->TextureOf() &&
             target->TextureOf()->IsRenderTarget()) {
    next = target->shared_from_this();
  } else {
    return;
  }
  mColorTarget = std::move(next);
  // As in Direct3D, a new render target brings a viewport covering all of it.
  mViewport = D3DVIEWPORT9(0, 0, mColorTarget->Width(), mColorTarget->Height(), 0.0f, 1.0f);
  mTargetsDirty = true;
  mBlockDirty = true;
}

void GlDevice::SetDepthStencilSurface(Surface* surface) {
  auto* depth = static_cast<GlSurface*>(surface);
  if (!depth) {
    mDepthTarget = nullptr;
  } else if (depth == mBackBufferDepth.get()) {
    mDepthTarget = mBackBufferDepth;
  } else if (depth->IsDepth()) {
    mDepthTarget = depth->shared_from_this();
  } else {
    return;
  }
  mTargetsDirty = true;
}

void GlDevice::ApplyTargets() {
  const bool onBackBuffer = TargetIsBackBuffer() && mDepthTarget == mBackBufferDepth;
  if (!onBackBuffer) {
    mTargetsUsed = true;
    ResolveDepthClear();
    // Render targets may share the back buffer's colour or depth, which then must be a
    // framebuffer object's.
    if (mDirect) MoveBackBufferOffWindow();
  }
  const GLuint framebuffer = !onBackBuffer ? mTargetFramebuffer : mDirect ? 0 : mBackFramebuffer;
  if (mApplied.drawFramebuffer != framebuffer) {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    mApplied.drawFramebuffer = framebuffer;
  }
  // Framebuffer objects hold rows top first, as Direct3D counts them; the window's rows
  // run bottom up. glClipControl turns y (and with it the facing) by its origin; without
  // it the shaders turn y themselves, and GL's facing follows.
  const int bottomUp = framebuffer == 0 ? 1 : 0;
  if (mApplied.bottomUp != bottomUp) {
    mApplied.bottomUp = bottomUp;
    if (mClipControl) glClipControl(bottomUp ? GL_LOWER_LEFT : GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glFrontFace(bottomUp || mClipControl ? GL_CW : GL_CCW);
    mApplied.yFlip = bottomUp || mClipControl ? 1.0f : -1.0f;
    mBlockDirty = true;
  }
  if (!onBackBuffer && mTargetsDirty) {
    if (mColorTarget == mBackBufferColor) {
      glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                mBackColor);
    } else {
      glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                             mColorTarget->TextureOf()->Name(),
                             static_cast<GLint>(mColorTarget->Level()));
    }
    if (!mDepthTarget) {
      glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    } else if (mDepthTarget == mBackBufferDepth) {
      glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                mBackDepth);
    } else {
      glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_TEXTURE_2D,
                             mDepthTarget->TextureOf()->Name(),
                             static_cast<GLint>(mDepthTarget->Level()));
    }
  }
  mTargetsDirty = false;
  // Direct3D's viewport counts rows from the top.
  const GLint top = static_cast<GLint>(mViewport.Y);
  const GLint viewport[4] = {
      static_cast<GLint>(mViewport.X),
      bottomUp ? static_cast<GLint>(mParameters.backBufferHeight) - top -
                     static_cast<GLint>(mViewport.Height)
               : top,
      static_cast<GLint>(mViewport.Width), static_cast<GLint>(mViewport.Height)};
  if (!std::equal(viewport, viewport + 4, mApplied.viewport)) {
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    std::copy(viewport, viewport + 4, mApplied.viewport);
  }
  if (mApplied.depthRange[0] != mViewport.MinZ || mApplied.depthRange[1] != mViewport.MaxZ) {
    glDepthRange(mViewport.MinZ, mViewport.MaxZ);
    mApplied.depthRange[0] = mViewport.MinZ;
    mApplied.depthRange[1] = mViewport.MaxZ;
  }
}

void GlDevice::Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  if (!mContext) return;
  ApplyTargets();
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) {
    const int allChannels = 0xF;
    if (mApplied.colorMask != allChannels) {
      glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
      mApplied.colorMask = allChannels;
    }
    // The back buffer has no alpha of its own (X8R8G8B8): it reads as opaque.
    if (TargetIsBackBuffer()) color |= 0xFF000000u;
    if (!mApplied.clearColorValid || mApplied.clearColor != color) {
      glClearColor(((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f,
                   (color & 0xFF) / 255.0f, ((color >> 24) & 0xFF) / 255.0f);
      mApplied.clearColor = color;
      mApplied.clearColorValid = true;
    }
    mask |= GL_COLOR_BUFFER_BIT;
  }
  // Direct3D clears the viewport's rectangle; one covering the whole target needs no
  // scissor.
  const GLint viewportLeft = static_cast<GLint>(mViewport.X);
  const GLint viewportTop = static_cast<GLint>(mViewport.Y);
  const GLsizei viewportWidth = static_cast<GLsizei>(mViewport.Width);
  const GLsizei viewportHeight = static_cast<GLsizei>(mViewport.Height);
  const GLsizei targetWidth = static_cast<GLsizei>(mColorTarget->Width());
  const GLsizei targetHeight = static_cast<GLsizei>(mColorTarget->Height());
  const bool whole = viewportLeft == 0 && viewportTop == 0 && viewportWidth >= targetWidth &&
                     viewportHeight >= targetHeight;
  const bool backDepth = mDepthTarget == mBackBufferDepth;
  const bool onBackBuffer = backDepth && TargetIsBackBuffer();
  if (onBackBuffer && whole && (flags & D3DCLEAR_ZBUFFER)) {
    // The back buffer's depth is seen only by draws that test it, often none in a frame
    // (an empty or two-dimensional one): its clear waits for the first of them.
    mDepthClearPending = true;
    mPendingDepth = std::clamp(z, 0.0f, 1.0f);
  } else if (mDepthTarget && (flags & D3DCLEAR_ZBUFFER)) {
    if (backDepth) ResolveDepthClear();
    if (mApplied.depthMask != 1) {
      glDepthMask(GL_TRUE);
      mApplied.depthMask = 1;
    }
    const float depth = std::clamp(z, 0.0f, 1.0f);
    if (mApplied.clearDepth != depth) {
      glClearDepth(depth);
      mApplied.clearDepth = depth;
    }
    mask |= GL_DEPTH_BUFFER_BIT;
    // No draw tests or writes the stencil, so its bits hold nothing anyone can see: it is
    // cleared along with the depth, which lets the driver clear the packed depth-stencil
    // words whole instead of keeping their stencil bits. A stencil clear alone is skipped.
    // (The stencil write mask and clear value keep GL's defaults: all bits, 0.)
    mask |= GL_STENCIL_BUFFER_BIT;
  }
  (void)stencil;
  if (!mask) return;
  if (whole) {
    glClear(mask);
    return;
  }
  glEnable(GL_SCISSOR_TEST);
  glScissor(viewportLeft,
            mApplied.bottomUp == 1 ? targetHeight - viewportTop - viewportHeight : viewportTop,
            viewportWidth, viewportHeight);
  glClear(mask);
  glDisable(GL_SCISSOR_TEST);
}

TextureRef GlDevice::CreateTexture(unsigned width, unsigned height, unsigned levels, DWORD usage,
                                   D3DFORMAT format, D3DPOOL pool) {
  if (!mContext || width == 0 || height == 0) return nullptr;
  if (width > static_cast<unsigned>(mMaxTextureSize) ||
      height > static_cast<unsigned>(mMaxTextureSize)) {
    return nullptr;
  }
  if (!GlTexture::Supports(format, usage)) return nullptr;
  // Targets live in the default pool only, as Direct3D requires.
  if ((usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) && pool != D3DPOOL_DEFAULT) {
    return nullptr;
  }
  const unsigned fullChain = GlTexture::FullChainLevels(width, height);
  if (levels == 0) levels = fullChain;
  if (levels > fullChain) return nullptr;
  auto texture = std::make_shared<GlTexture>(*this, width, height, levels, usage, format, pool);
  mTextures.push_back(texture.get());
  if (!texture->CreateGlObject()) return nullptr;
  return texture;
}

TextureRef GlDevice::CreateTexture(const std::vector<TextureLevelData>& levels, D3DPOOL pool) {
  if (levels.empty()) return nullptr;
  const unsigned width = levels[0].width, height = levels[0].height;
  for (size_t level = 0; level < levels.size(); ++level) {
    const TextureLevelData& data = levels[level];
    if (!data.pixels || data.width != std::max(1u, width >> level) ||
        data.height != std::max(1u, height >> level)) {
      return nullptr;
    }
  }
  auto texture = CreateTexture(width, height, static_cast<unsigned>(levels.size()), 0,
                               D3DFMT_A8R8G8B8, pool);
  if (!texture) return nullptr;
  auto* gl = static_cast<GlTexture*>(texture.get());
  for (size_t level = 0; level < levels.size(); ++level) {
    gl->UploadLevel(static_cast<unsigned>(level), levels[level].pixels);
  }
  return texture;
}

std::vector<std::uint32_t> GlDevice::ReadTexture(Texture& texture) {
  if (!mContext) return {};
  return static_cast<GlTexture&>(texture).ReadLevel0();
}

std::vector<float> GlDevice::ReadTextureFloats(Texture& texture) {
  if (!mContext) return {};
  return static_cast<GlTexture&>(texture).ReadLevel0Floats();
}

SurfaceRef GlDevice::CreateDepthStencilSurface(unsigned width, unsigned height,
                                               D3DFORMAT format) {
  // A depth-stencil texture of one level stands for the surface; the surface keeps it.
  if (format != D3DFMT_D24S8) return nullptr;
  TextureRef texture =
      CreateTexture(width, height, 1, D3DUSAGE_DEPTHSTENCIL, D3DFMT_D24S8, D3DPOOL_DEFAULT);
  return texture ? texture->GetSurfaceLevel(0) : nullptr;
}

std::vector<std::uint32_t> GlDevice::ReadBackBuffer() {
  if (!mContext) return {};
  std::vector<std::uint32_t> pixels(size_t{mParameters.backBufferWidth} *
                                    mParameters.backBufferHeight);
  const GLsizei width = static_cast<GLsizei>(mParameters.backBufferWidth);
  const GLsizei height = static_cast<GLsizei>(mParameters.backBufferHeight);
  if (!mDirect) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, mBackFramebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    return pixels;
  }
  // The window's back buffer (after Present, what it showed: the drivers keep it), whose
  // rows run bottom up.
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
  for (GLsizei row = 0; row < height / 2; ++row) {
    std::swap_ranges(pixels.begin() + ptrdiff_t{row} * width,
                     pixels.begin() + ptrdiff_t{row + 1} * width,
                     pixels.begin() + ptrdiff_t{height - 1 - row} * width);
  }
  return pixels;
}

void GlDevice::ResolveDepthClear() {
  if (!mDepthClearPending) return;
  mDepthClearPending = false;
  const GLuint own = mDirect ? 0 : mBackFramebuffer;
  if (mApplied.drawFramebuffer != own) {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, own);
    mApplied.drawFramebuffer = own;
  }
  if (mApplied.depthMask != 1) {
    glDepthMask(GL_TRUE);
    mApplied.depthMask = 1;
  }
  if (mApplied.clearDepth != mPendingDepth) {
    glClearDepth(mPendingDepth);
    mApplied.clearDepth = mPendingDepth;
  }
  // The whole surface, and its unused stencil with it (see Clear).
  glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void GlDevice::MoveBackBufferOffWindow() {
  ResolveDepthClear();
  // The blit keeps the window's picture and depth, its rows turned top first.
  const GLint width = static_cast<GLint>(mParameters.backBufferWidth);
  const GLint height = static_cast<GLint>(mParameters.backBufferHeight);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  glReadBuffer(GL_BACK);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, mBackFramebuffer);
  mApplied.drawFramebuffer = mBackFramebuffer;
  if (mApplied.colorMask != 0xF) {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    mApplied.colorMask = 0xF;
  }
  if (mApplied.depthMask != 1) {
    glDepthMask(GL_TRUE);
    mApplied.depthMask = 1;
  }
  glBlitFramebuffer(0, 0, width, height, 0, height, width, 0,
                    GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT, GL_NEAREST);
  mDirect = false;
}

void GlDevice::OnTextureDestroyed(GlTexture* texture) {
  mTextures.erase(std::remove(mTextures.begin(), mTextures.end(), texture), mTextures.end());
  for (DWORD stage = 0; stage < kStages; ++stage) {
    if (mStageTexture[stage] == texture) SetTexture(stage, nullptr);
  }
  for (GlSprite* sprite : mSprites) sprite->OnTextureDestroyed(texture);
  texture->DropGlObject(mContext != nullptr);
}

void GlDevice::BindTextureForUpdate(GLuint name) {
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, name);
  mApplied.texture = name;
}

void GlDevice::ForgetTextureName(GLuint name) {
  if (mApplied.texture == name) mApplied.texture = ~0u;
  mTargetsDirty = true;
}

}  // namespace platform
