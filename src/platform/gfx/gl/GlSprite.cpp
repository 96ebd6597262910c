// The sprite batch. Begin sets what a Direct3D sprite sets (no lighting, fog, culling or
// depth; a screen-space projection; alpha blending when asked) and End puts the device
// back. A flush draws with the device's blend state as it is then, so a caller may
// change the destination blend between flushes.
#include "platform/gfx/gl/GlSprite.h"

#include <iterator>

#include "platform/gfx/gl/GlDevice.h"
#include "platform/gfx/gl/GlMath.h"

namespace platform {
namespace {

constexpr D3DRENDERSTATETYPE kSavedRenderStates[] = {
    D3DRS_LIGHTING,      D3DRS_FOGENABLE, D3DRS_CULLMODE,         D3DRS_ZENABLE,
    D3DRS_ZWRITEENABLE,  D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND,   D3DRS_DESTBLEND,
    D3DRS_ALPHATESTENABLE, D3DRS_ALPHAFUNC, D3DRS_ALPHAREF,       D3DRS_FILLMODE,
    D3DRS_SPECULARENABLE};
constexpr D3DTEXTURESTAGESTATETYPE kSavedStageStates[] = {
    D3DTSS_COLOROP,  D3DTSS_COLORARG1, D3DTSS_COLORARG2,     D3DTSS_ALPHAOP,
    D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2, D3DTSS_TEXCOORDINDEX, D3DTSS_TEXTURETRANSFORMFLAGS};
constexpr D3DSAMPLERSTATETYPE kSavedSamplerStates[] = {
    D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV, D3DSAMP_MAGFILTER, D3DSAMP_MINFILTER, D3DSAMP_MIPFILTER};
static_assert(std::size(kSavedRenderStates) == 13 && std::size(kSavedStageStates) == 8 &&
                  std::size(kSavedSamplerStates) == 5,
              "SavedState holds every saved state");

}  // namespace

GlSprite::GlSprite(GlDevice& device) : mDevice(&device), mTransform(gl_math::Identity()) {
  mVertices.reserve(4 * 1024);
  device.OnSpriteCreated(this);
}

GlSprite::~GlSprite() {
  if (mDevice) mDevice->OnSpriteDestroyed(this);
}

void GlSprite::SaveState() {
  for (size_t i = 0; i < std::size(kSavedRenderStates); ++i) {
    mSaved.renderStates[i] = mDevice->GetRenderState(kSavedRenderStates[i]);
  }
  for (size_t i = 0; i < std::size(kSavedStageStates); ++i) {
    mSaved.stageStates[i] = mDevice->GetTextureStageState(0, kSavedStageStates[i]);
  }
  for (size_t i = 0; i < std::size(kSavedSamplerStates); ++i) {
    mSaved.samplerStates[i] = mDevice->GetSamplerState(0, kSavedSamplerStates[i]);
  }
  mSaved.fvf = mDevice->GetFVF();
  mSaved.world = mDevice->GetTransform(D3DTS_WORLD);
  mSaved.view = mDevice->GetTransform(D3DTS_VIEW);
  mSaved.projection = mDevice->GetTransform(D3DTS_PROJECTION);
  mSaved.texture = mDevice->GetTexture(0);
}

void GlSprite::RestoreState() {
  for (size_t i = 0; i < std::size(kSavedRenderStates); ++i) {
    mDevice->SetRenderState(kSavedRenderStates[i], mSaved.renderStates[i]);
  }
  for (size_t i = 0; i < std::size(kSavedStageStates); ++i) {
    mDevice->SetTextureStageState(0, kSavedStageStates[i], mSaved.stageStates[i]);
  }
  for (size_t i = 0; i < std::size(kSavedSamplerStates); ++i) {
    mDevice->SetSamplerState(0, kSavedSamplerStates[i], mSaved.samplerStates[i]);
  }
  mDevice->SetFVF(mSaved.fvf);
  mDevice->SetTransform(D3DTS_WORLD, mSaved.world);
  mDevice->SetTransform(D3DTS_VIEW, mSaved.view);
  mDevice->SetTransform(D3DTS_PROJECTION, mSaved.projection);
  mDevice->SetTexture(0, mSaved.texture);
}

void GlSprite::Begin(DWORD flags) {
  if (!mDevice || mInBatch) return;
  mInBatch = true;
  mFlags = flags;
  mBatchTexture = nullptr;
  mVertices.clear();
  SaveState();
  GlDevice& d = *mDevice;
  d.SetRenderState(D3DRS_LIGHTING, 0);
  d.SetRenderState(D3DRS_FOGENABLE, 0);
  d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d.SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  d.SetRenderState(D3DRS_ZWRITEENABLE, 0);
  d.SetRenderState(D3DRS_FILLMODE, 3);
  d.SetRenderState(D3DRS_SPECULARENABLE, 0);
  if (flags & D3DXSPRITE_ALPHABLEND) {
    // Alpha blending, and fully transparent texels are not drawn at all.
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d.SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    d.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    d.SetRenderState(D3DRS_ALPHAREF, 0);
  } else {
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    d.SetRenderState(D3DRS_ALPHATESTENABLE, 0);
  }
  d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d.SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d.SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  d.SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  d.SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, 0);
  d.SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  d.SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
  d.SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  d.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d.SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  d.SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  // Screen space in pixels of the viewport: x right, y down, z as given.
  const D3DVIEWPORT9 viewport = d.GetViewport();
  const float width = static_cast<float>(viewport.Width ? viewport.Width : 1);
  const float height = static_cast<float>(viewport.Height ? viewport.Height : 1);
  D3DMATRIX projection = gl_math::Identity();
  projection._11 = 2.0f / width;
  projection._22 = -2.0f / height;
  projection._41 = -1.0f - 2.0f * static_cast<float>(viewport.X) / width;
  projection._42 = 1.0f + 2.0f * static_cast<float>(viewport.Y) / height;
  d.SetTransform(D3DTS_WORLD, gl_math::Identity());
  d.SetTransform(D3DTS_VIEW, gl_math::Identity());
  d.SetTransform(D3DTS_PROJECTION, projection);
}

void GlSprite::Draw(Texture* texture, const RECT* source, const D3DVECTOR* center,
                    const D3DVECTOR* position, D3DCOLOR color) {
  if (!mDevice || !mInBatch || !texture) return;
  if (texture != mBatchTexture) {
    Flush();
    mBatchTexture = texture;
    mBatchWidth = texture->Width();
    mBatchHeight = texture->Height();
  }
  const float textureWidth = static_cast<float>(mBatchWidth);
  const float textureHeight = static_cast<float>(mBatchHeight);
  const RECT rect = source ? *source
                           : RECT{0, 0, static_cast<LONG>(mBatchWidth), static_cast<LONG>(mBatchHeight)};
  const float width = static_cast<float>(rect.right - rect.left);
  const float height = static_cast<float>(rect.bottom - rect.top);
  const float u0 = static_cast<float>(rect.left) / textureWidth;
  const float v0 = static_cast<float>(rect.top) / textureHeight;
  const float u1 = static_cast<float>(rect.right) / textureWidth;
  const float v1 = static_cast<float>(rect.bottom) / textureHeight;
  const float cx = center ? center->x : 0.0f, cy = center ? center->y : 0.0f;
  const float cz = center ? center->z : 0.0f;
  const float px = position ? position->x : 0.0f, py = position ? position->y : 0.0f;
  const float pz = position ? position->z : 0.0f;
  const float x0 = px - cx, y0 = py - cy, z = pz - cz;
  const D3DMATRIX& m = mTransform;
  const std::uint8_t r = static_cast<std::uint8_t>(color >> 16);
  const std::uint8_t g = static_cast<std::uint8_t>(color >> 8);
  const std::uint8_t b = static_cast<std::uint8_t>(color);
  const std::uint8_t a = static_cast<std::uint8_t>(color >> 24);
  const size_t first = mVertices.size();
  mVertices.resize(first + 4);
  Vertex* out = mVertices.data() + first;
  const auto corner = [&](Vertex& vertex, float x, float y, float u, float v) {
    vertex = Vertex{x * m._11 + y * m._21 + z * m._31 + m._41,
                    x * m._12 + y * m._22 + z * m._32 + m._42,
                    x * m._13 + y * m._23 + z * m._33 + m._43, {r, g, b, a}, u, v};
  };
  corner(out[0], x0, y0, u0, v0);
  corner(out[1], x0 + width, y0, u1, v0);
  corner(out[2], x0 + width, y0 + height, u1, v1);
  corner(out[3], x0, y0 + height, u0, v1);
}

void GlSprite::Flush() {
  if (!mDevice || !mInBatch || mVertices.empty()) return;
  mDevice->SetTexture(0, mBatchTexture);
  mDevice->DrawSpriteQuads(mVertices.data(), static_cast<unsigned>(mVertices.size() / 4));
  mVertices.clear();
}

void GlSprite::End() {
  if (!mDevice || !mInBatch) return;
  Flush();
  mInBatch = false;
  mBatchTexture = nullptr;
  RestoreState();
}

void GlSprite::OnLostDevice() {
  mVertices.clear();
  mBatchTexture = nullptr;
  mInBatch = false;
}

void GlSprite::OnTextureDestroyed(GlTexture* texture) {
  if (mBatchTexture == static_cast<Texture*>(texture)) {
    mVertices.clear();
    mBatchTexture = nullptr;
  }
  if (mSaved.texture == static_cast<Texture*>(texture)) mSaved.texture = nullptr;
}

}  // namespace platform
