// The base of everything the rendering manager draws: a transform, the enabled flag, the
// blending choice that also picks the manager's list, and the sort key.
#pragma once

#include <cstddef>
#include <memory>

#include "math/MatrixC.h"
#include "utility/UncopyableC.h"

namespace RenderN {

class RenderingC : private UtilityN::UncopyableC {
 public:
  virtual ~RenderingC() = default;
  /// Draws the object now on the device agent's device.
  virtual void Draw() = 0;

  void SetMatrix(const D3DXMATRIX& matrix) { mMatrix = matrix; }
  /// The object's own matrix: later changes show through the reference.
  const MatrixC& GetMatrix() const { return mMatrix; }
  void Enabled(bool on) { mEnabled = on; }
  bool Enabled() const { return mEnabled; }
  void SetOrder(float order) { mOrder = order; }
  float GetOrder() const { return mOrder; }

  MatrixC mMatrix;            ///< world transform (3D objects) or sprite transform (sprites)
  bool mEnabled = true;       ///< the manager skips the object when false
  bool mTranslucent = false;  ///< 3D: depth-sorted list; sprite: alpha (true) or additive
  /// Sort key: sprites ascend by it, billboards get their camera depth in it every frame.
  /// Zero for a new object, so unsorted sprites keep their creation order.
  float mOrder = 0.0f;
  /// Where the manager's list holds the object, so that Erase need not search for it.
  std::size_t mListIndex = 0;

 protected:
  RenderingC() = default;
};

using SPRENDERING = std::shared_ptr<RenderingC>;

}  // namespace RenderN
