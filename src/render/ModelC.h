// A model: a mesh record placed in the world by its matrix, drawn with fixed-function
// lighting or handed to a shader. Without a mesh record it draws nothing.
#pragma once

#include <memory>

#include "math/MatrixC.h"
#include "math/Vector3C.h"
#include "render/RenderingC.h"
#include "render/ShaderC.h"
#include "utility/NewHandlerSupportC.h"

namespace RenderN {

class XFileInformationC;
/// A loaded .x mesh with its materials and textures, shared through the mesh storage.
using SPXFILEDATA = std::shared_ptr<XFileInformationC>;

class ModelC : public RenderingC, public MemoryN::NewHandlerSupportC<ModelC> {
 public:
  ModelC() = default;

  /// Sets the model's render states and world transform, then hands the model to its
  /// shader or draws the mesh with fixed-function lighting.
  void Draw() override;

  using RenderingC::SetMatrix;
  /// Rotations by a, b, c degrees in the order the text names ("XYZ", "zyx", ...; any
  /// other text, null included, means yaw a, pitch b, roll c), then the translation to
  /// `position`, then `base`.
  void SetMatrix(const char* order, float a, float b, float c, const D3DXVECTOR3& position,
                 const D3DXMATRIX& base);
  /// Row 1, 2 or 3 of the matrix made unit length; (0, 0, 0) for any other axis.
  Vector3C GetOBBAxis(int axis) const;
  /// The largest length of the matrix's first three rows: the largest axis scale.
  float GetRadius() const;
  void SetMesh(const SPXFILEDATA& mesh) { mXFile = mesh; }
  void SetShader(const SPSHADER& shader) { mShader = shader; }
  void Lighting(bool on) { mLighting = on; }
  void ShaderEnabled(bool on) { mShaderEnabled = on; }
  bool ShaderEnabled() const { return mShaderEnabled; }

  SPXFILEDATA mXFile;
  SPSHADER mShader;
  bool mAdditiveBlending = false;
  bool mCulling = true;
  bool mWritingZBuffer = true;
  bool mFog = true;
  bool mLighting = true;
  bool mShaderEnabled = true;
};

using SPMODEL = std::shared_ptr<ModelC>;

/// The largest length of the matrix's x, y and z basis rows: how much it scales along its
/// most stretched axis.
float LargestAxisScale(const D3DXMATRIX& matrix);

}  // namespace RenderN
