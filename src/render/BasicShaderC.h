// The basic model shader: per-pixel lighting by one directional light, and fog, through
// the effect system\normal.lat. One per process, shared by every model that uses it.
#pragma once

#include <cstdint>
#include <memory>

#include "math/d3dx/D3DX.h"
#include "platform/gfx/Device.h"
#include "render/EffectSupport.h"
#include "render/ShaderC.h"

namespace RenderN {

class BasicShaderC : public ShaderC {
 public:
  /// The single shader, made on the first request.
  static const std::shared_ptr<BasicShaderC>& GetInstance();

  /// Light travelling in `direction`; kept as the direction toward the light.
  void SetLightDirection(const D3DXVECTOR3& direction) { mLightDirection = -direction; }

  void DrawFace(FaceC&) override {}
  /// Draws the model's materials through the effect: pass 0 with a texture, 1 without.
  void DrawModel(ModelC& model) override;

  /// Around a device reset.
  void OnLostDevice();
  void OnResetDevice();

  /// The compiled effect; null when its file could not be read.
  const platform::Effect* Effect();
  const D3DXVECTOR3& LightDirection() const { return mLightDirection; }

  BasicShaderC();

 private:
  /// Compiles the effect for the current device when it has not been (a shader made before
  /// the device, or a new device since).
  void LoadEffect();

  platform::EffectRef mEffect;
  std::uint32_t mEffectDevice = 0;  ///< serial of the device the effect was made for
  bool mMissingNoted = false;
  platform::EffectHandle mTechnique = 0;
  ModelEffectHandles mModel;
  platform::EffectHandle mLight = 0;
  FogParameters mFog;
  D3DXVECTOR3 mLightDirection{0.0f, 0.0f, 0.0f};
};

using SPBASICSHADER = std::shared_ptr<BasicShaderC>;

/// Draws the model's mesh record with the fixed-function pipeline: what a shader without
/// its effect falls back to.
void DrawWithoutEffect(ModelC& model);

}  // namespace RenderN
