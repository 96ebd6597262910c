// What a shader object offers the drawables: faces and models hand their drawing to it
// when one is set. The shaders themselves live beside this file.
#pragma once

#include <memory>

namespace RenderN {

class FaceC;
class ModelC;

class ShaderC {
 public:
  virtual ~ShaderC() = default;
  /// Draws a plank or billboard in place of the face's own drawing.
  virtual void DrawFace(FaceC& face) = 0;
  /// Draws a model after the model has set its render states and world transform.
  virtual void DrawModel(ModelC& model) = 0;
};

using SPSHADER = std::shared_ptr<ShaderC>;

}  // namespace RenderN
