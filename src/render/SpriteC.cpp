// Sprite operations and drawing through the device agent's sprite batch.
#include "render/SpriteC.h"

#include <cstdint>

#include "render/D3DDeviceAgentC.h"
#include "utility/NumberConversion.h"

namespace RenderN {

namespace {

// Products of a cell size and an index wrap like 32-bit integers instead of overflowing.
LONG Wrap(std::int64_t value) {
  return static_cast<LONG>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

}  // namespace

SpriteC::SpriteC() {
  mTranslucent = true;
  mTexture = TextureStorageC::GetInstance().GetTexture("system\\notex.lat");
}

void SpriteC::SetCenterPosition(float x, float y) {
  mCenterPosition.x = x;
  mCenterPosition.y = y;
}

void SpriteC::SetSize(float width, float height) {
  mSize.x = width;
  mSize.y = height;
  mSourceRect.right = Wrap(std::int64_t{mSourceRect.left} + UtilityN::TruncateToInt32(width));
  mSourceRect.bottom = Wrap(std::int64_t{mSourceRect.top} + UtilityN::TruncateToInt32(height));
}

void SpriteC::Split(int column, int row) {
  const std::int64_t w = UtilityN::TruncateToInt32(mSize.x);
  const std::int64_t h = UtilityN::TruncateToInt32(mSize.y);
  mSourceRect.left = Wrap(w * column);
  mSourceRect.top = Wrap(h * row);
  mSourceRect.right = Wrap(w * column + w);
  mSourceRect.bottom = Wrap(h * row + h);
}

void SpriteC::FitToTexture() {
  if (!mTexture) return;
  const float width = mTexture->mWidth;
  const float height = mTexture->mHeight;
  mSize.x = width;
  mSize.y = height;
  mSourceRect.right = Wrap(std::int64_t{mSourceRect.left} + UtilityN::TruncateToInt32(width));
  mSourceRect.bottom = Wrap(std::int64_t{mSourceRect.top} + UtilityN::TruncateToInt32(height));
  mCenterPosition.x = width * 0.5f;
  mCenterPosition.y = height * 0.5f;
}

void SpriteC::Draw() {
  mCenterPosition.z = 0.0f;
  // An empty handle (a failed load stored by the script) or a record whose texture is
  // gone has nothing to draw from: the sprite is skipped.
  if (!mTexture || !mTexture->mTexture) return;
  platform::Sprite* sprite = D3DDeviceAgentC::GetInstance().mSprite.get();
  if (!sprite) return;
  sprite->SetTransform(mMatrix);
  sprite->Draw(mTexture->mTexture.get(), &mSourceRect, &mCenterPosition, nullptr, mColor);
}

void SpriteC::DrawAlone() {
  D3DDeviceAgentC& agent = D3DDeviceAgentC::GetInstance();
  if (!agent.mDevice || !agent.mSprite) return;
  agent.mDevice->SetRenderState(D3DRS_DESTBLEND,
                                mTranslucent ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE);
  agent.mSprite->Begin(D3DXSPRITE_ALPHABLEND);
  Draw();
  agent.mSprite->End();
}

}  // namespace RenderN
