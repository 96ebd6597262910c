// A billboard: a face turned toward the camera, drawn after the opaque objects from far
// to near, without writing depth, so that translucent billboards blend over each other.
#pragma once

#include <memory>

#include "math/MatrixC.h"
#include "math/Vector3C.h"
#include "render/FaceC.h"
#include "utility/NewHandlerSupportC.h"

namespace RenderN {

class BillboardC : public FaceC, public MemoryN::NewHandlerSupportC<BillboardC> {
 public:
  BillboardC() : FaceC(/*culling=*/true, /*writingZBuffer=*/false, /*translucent=*/true) {}

  using RenderingC::SetMatrix;
  /// Faces the quad toward a camera at `eye` looking at `at`, parallel to the screen,
  /// and moves it to `position`.
  void SetMatrix(const D3DXVECTOR3& position, const D3DXVECTOR3& eye, const D3DXVECTOR3& at,
                 const D3DXVECTOR3& up);
  /// As above, with `local` applied to the quad first and the translation taken from the
  /// fourth row of `place` (the rest of `place` is ignored).
  void SetMatrix(const D3DXMATRIX& local, const D3DXMATRIX& place, const D3DXVECTOR3& eye,
                 const D3DXVECTOR3& at, const D3DXVECTOR3& up);

  /// The rotation that turns local +z into the viewing direction: the inverse of the
  /// look-at rotation. The identity when eye, at and up give no direction to look in.
  static D3DXMATRIX FacingRotation(const D3DXVECTOR3& eye, const D3DXVECTOR3& at,
                                   const D3DXVECTOR3& up);
};

using SPBILLBOARD = std::shared_ptr<BillboardC>;

}  // namespace RenderN
