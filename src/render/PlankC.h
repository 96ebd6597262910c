// A plank: a face placed in the world by its matrix, drawn with the opaque objects in
// creation order. Culling is off, so both sides show.
#pragma once

#include <memory>

#include "render/FaceC.h"
#include "utility/NewHandlerSupportC.h"

namespace RenderN {

class PlankC : public FaceC, public MemoryN::NewHandlerSupportC<PlankC> {
 public:
  PlankC() : FaceC(/*culling=*/false, /*writingZBuffer=*/true, /*translucent=*/false) {}
};

using SPPLANK = std::shared_ptr<PlankC>;

}  // namespace RenderN
