// A 2D sprite: a rectangle of texels of one texture, placed by its transform in
// back-buffer pixels and drawn inside the rendering manager's sprite batch.
#pragma once

#include <memory>

#include "platform/gfx/D3DTypes.h"
#include "render/RenderingC.h"
#include "render/TextureStorageC.h"
#include "utility/NewHandlerSupportC.h"

namespace RenderN {

class SpriteC : public RenderingC, public MemoryN::NewHandlerSupportC<SpriteC> {
 public:
  /// Cell size in texels used by SetSize and Split.
  struct SizeS {
    float x = 0.0f;
    float y = 0.0f;
  };

  /// A sprite of the texture "system\notex.lat" from the texture storage.
  SpriteC();

  /// Draws through the device agent's sprite batch, inside the manager's Begin and End;
  /// a sprite without a texture is skipped.
  void Draw() override;
  /// Draws the sprite in a batch of its own, with its own blending: a script's direct
  /// Draw happens outside the manager's batch.
  void DrawAlone();

  /// Replaces the texture; size and source rectangle stay.
  void SetTexture(const SPTEXTUREDATA& texture) { mTexture = texture; }
  void SetCenterPosition(const D3DXVECTOR3& center) { mCenterPosition = center; }
  /// Sets x and y of the centre; z stays.
  void SetCenterPosition(float x, float y);
  /// Stores the cell size and makes the source rectangle that large from its top left.
  void SetSize(float width, float height);
  /// Selects the cell at (column, row) of the cell size.
  void Split(int column, int row);
  /// Additive blending on means the sprite is no longer translucent.
  void AdditiveBlending(bool on) { mTranslucent = !on; }
  void SetColor(D3DCOLOR color) { mColor = color; }
  /// Sizes the sprite to its texture: cell size, source rectangle and centre. Nothing
  /// changes when the sprite has no texture.
  void FitToTexture();

  RECT mSourceRect{0, 0, 2, 2};
  D3DXVECTOR3 mCenterPosition{0.0f, 0.0f, 0.0f};
  SPTEXTUREDATA mTexture;
  SizeS mSize;
  D3DCOLOR mColor = 0xFFFFFFFFu;
};

using SPSPRITE = std::shared_ptr<SpriteC>;

}  // namespace RenderN
