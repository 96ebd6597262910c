// The one owner and orderer of the drawables: it keeps a handle to every sprite, plank,
// billboard and model in one of three lists and draws them all, in a fixed sequence,
// when the script calls Draw with the camera.
#pragma once

#include <vector>

#include "math/MatrixC.h"
#include "math/Vector3C.h"
#include "render/BillboardC.h"
#include "render/ModelC.h"
#include "render/PlankC.h"
#include "render/RenderingC.h"
#include "render/SpriteC.h"
#include "utility/UncopyableC.h"

namespace RenderN {

class RenderingManagerC : private UtilityN::UncopyableC {
 public:
  /// The single manager, created on first use and kept until the process ends.
  static RenderingManagerC& GetInstance();

  /// Draws the opaque objects in creation order, the billboards from far to near along
  /// the view from `eye` to `at`, then the sprites in ascending order in one batch.
  void Draw(const D3DXVECTOR3& eye, const D3DXVECTOR3& at);

  /// Removes the object from the list that holds it; an object in no list is ignored.
  void Erase(const SPRENDERING& object);
  /// Empties the opaque, then the translucent, then the sprite list.
  void Clear();

  SPSPRITE CreateSprite();
  /// A sprite of the image file, sized to it. When the file cannot be loaded the sprite
  /// has no texture (it is not drawn) and keeps the default size.
  SPSPRITE CreateSprite(const char* file);
  SPSPRITE CreateSprite(const char* file, const D3DXMATRIX& matrix);
  SPPLANK CreatePlank();
  /// A plank textured with the image file; the texture does not change its size.
  SPPLANK CreatePlank(const char* file);
  SPPLANK CreatePlank(const char* file, const D3DXMATRIX& matrix);
  SPBILLBOARD CreateBillboard();
  SPBILLBOARD CreateBillboard(const char* file);
  /// As above, then turned toward the camera and moved to `position`.
  SPBILLBOARD CreateBillboard(const char* file, const D3DXVECTOR3& position, const D3DXVECTOR3& eye,
                              const D3DXVECTOR3& at, const D3DXVECTOR3& up);
  /// A model without mesh record.
  SPMODEL CreateModel();
  /// A model drawing the mesh record of the .x file (empty when it cannot be loaded).
  SPMODEL CreateModel(const char* file);
  SPMODEL CreateModel(const char* file, const D3DXMATRIX& matrix);

  ~RenderingManagerC();

  // The three draw lists. Their order after one Draw is the starting order of the next.
  std::vector<SPRENDERING> mOpaqueList;
  std::vector<SPRENDERING> mTranslucentList;
  std::vector<SPRENDERING> mSpriteList;
  bool mSpriteAlphaBlending = true;  ///< blending of the sprite batch: alpha (true) or additive

 private:
  RenderingManagerC() = default;

  /// Appends a newly made object to the list its kind and blending choose.
  void Enter(const SPRENDERING& object, bool sprite);
  /// Closes the gaps Erase left in list `k` and records every object's new place.
  void Compact(int k);
  std::vector<SPRENDERING>& List(int k);

  // Erase drops the manager's handle at once but leaves a gap, so that erasing thousands
  // of objects one by one costs no more than one pass; gaps are closed once they make
  // half a list, and always before drawing.
  std::size_t mGaps[3] = {0, 0, 0};
  void DrawTranslucentList(const D3DXVECTOR3& eye, const D3DXVECTOR3& at);
  void DrawSpriteList();
};

/// The module function RenderN.RENDERER: the single manager.
RenderingManagerC& RENDERER();

}  // namespace RenderN
