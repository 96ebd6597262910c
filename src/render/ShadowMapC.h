// The shadow map: casters' depths as the light sees them, rendered into a 512 x 512 float
// texture by system\shshmap.lat, and receivers drawn by system\shshmod.lat with lighting,
// fog and a lookup in that texture. The script drives it: light view and projection,
// clear, one depth pass per caster, then the receivers draw with the manager.
#pragma once

#include <cstdint>
#include <memory>

#include "math/d3dx/D3DX.h"
#include "platform/gfx/Device.h"
#include "render/EffectSupport.h"
#include "render/ShaderC.h"
#include "render/TextureStorageC.h"

namespace RenderN {

class ShadowMapC : public ShaderC {
 public:
  /// The single shadow map, made on the first request.
  static const std::shared_ptr<ShadowMapC>& GetInstance();

  static constexpr unsigned kSize = 512;

  void SetLightView(const D3DXMATRIX& matrix) { mLightView = matrix; }
  void SetLightProjection(const D3DXMATRIX& matrix) { mLightProjection = matrix; }
  /// Light travelling in `direction`; kept as the direction toward the light.
  void SetLightDirection(const D3DXVECTOR3& direction) { mLightDirection = -direction; }

  /// Every texel 1 (nothing casts) and the depth cleared.
  void RemoveShadowData();
  /// Adds the model's depth from the light to what earlier casters wrote.
  void SaveShadowData(const ModelC& model);
  /// A new handle to the record of the shadow texture; the record outlives device resets.
  SPTEXTUREDATA GetTextureData() {
    Prepare();
    return mTextureData;
  }

  void DrawFace(FaceC&) override {}
  /// Draws a receiver: pass 2 for textured materials, 3 for the others.
  void DrawModel(ModelC& model) override;

  /// Around a device reset: the render resources go and come back; the shadow data is
  /// empty until the script renders it again.
  void OnLostDevice();
  void OnResetDevice();

  /// The compiled effects; null when their files could not be read.
  const platform::Effect* ModelEffect() {
    Prepare();
    return mModelEffect.get();
  }
  const platform::Effect* MapEffect() {
    Prepare();
    return mMapEffect.get();
  }
  const D3DXVECTOR3& LightDirection() const { return mLightDirection; }

  ShadowMapC();
  ~ShadowMapC() override;

 private:
  /// The effects and render resources for the current device, when not made yet for it.
  void Prepare();
  void CreateRenderResources();
  /// Points the device at the shadow texture and its depth; returns the viewport to put back.
  D3DVIEWPORT9 BeginShadowTarget(platform::Device& device);
  void EndShadowTarget(platform::Device& device, const D3DVIEWPORT9& viewport);

  platform::EffectRef mModelEffect;
  platform::EffectHandle mModelTechnique = 0;
  ModelEffectHandles mModel;
  platform::EffectHandle mLight = 0;
  platform::EffectHandle mLightScreen = 0, mShadowTexture = 0, mOffset = 0;
  FogParameters mFog;
  platform::EffectRef mMapEffect;
  platform::EffectHandle mMapTechnique = 0;
  platform::EffectHandle mMapLightScreen = 0;
  platform::TextureRef mShadowTextureObject;
  platform::SurfaceRef mShadowSurface;
  platform::SurfaceRef mShadowDepth;
  D3DXVECTOR3 mLightDirection{0.0f, 0.0f, 0.0f};
  D3DXMATRIX mLightProjection;
  D3DXMATRIX mLightView;
  SPTEXTUREDATA mTextureData;
  std::uint32_t mDevice = 0;  ///< serial of the device the resources were made on
  bool mMissingNoted = false;
};

using SPSHADOWMAP = std::shared_ptr<ShadowMapC>;

}  // namespace RenderN
