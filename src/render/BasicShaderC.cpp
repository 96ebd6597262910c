// The basic shader's effect and its per-model parameters.
#include "render/BasicShaderC.h"

#include "base/FixedTexts.h"
#include "render/D3DDeviceAgentC.h"
#include "render/ModelC.h"
#include "render/XFileStorageC.h"

namespace RenderN {

void DrawWithoutEffect(ModelC& model) {
  if (!model.mXFile) return;
  if (platform::Device* device = D3DDeviceAgentC::GetInstance().mDevice.get()) {
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
  }
  model.mXFile->Draw();
}

const std::shared_ptr<BasicShaderC>& BasicShaderC::GetInstance() {
  static const std::shared_ptr<BasicShaderC> instance = std::make_shared<BasicShaderC>();
  return instance;
}

BasicShaderC::BasicShaderC() { LoadEffect(); }

void BasicShaderC::LoadEffect() {
  const D3DDeviceAgentC& agent = D3DDeviceAgentC::GetInstance();
  if (!agent.mDevice || mEffectDevice == agent.DeviceSerial()) return;
  mEffectDevice = agent.DeviceSerial();
  mEffect = LoadSystemEffect("system\\normal.lat", BaseN::FixedText::kModelEffectFailure);
  if (!mEffect) return;
  platform::Effect& e = *mEffect;
  mTechnique = e.GetTechniqueByName("MyTechnique");
  mModel.world = e.GetParameterByName("gWorld");
  mModel.invWorld = e.GetParameterByName("gInvWorld");
  mModel.view = e.GetParameterByName("gView");
  mModel.projection = e.GetParameterByName("gProjection");
  mModel.emissive = e.GetParameterByName("gEmissive");
  mModel.diffuse = e.GetParameterByName("gDiffuse");
  mLight = e.GetParameterByName("gLightDirection");
  mModel.texture = e.GetParameterByName("gTexture");
  mFog.color = e.GetParameterByName("gFogColor");
  mFog.nearDistance = e.GetParameterByName("gNear");
  mFog.farDistance = e.GetParameterByName("gFar");
  mFog.flag = e.GetParameterByName("gFogFlag");
}

void BasicShaderC::DrawModel(ModelC& model) {
  platform::Device* device = D3DDeviceAgentC::GetInstance().mDevice.get();
  if (!model.mXFile || !device) return;
  LoadEffect();
  if (!mEffect) {
    // Said once: the same model is drawn every frame.
    if (!mMissingNoted) NoteMissingEffect("system\\normal.lat");
    mMissingNoted = true;
    DrawWithoutEffect(model);
    return;
  }
  platform::Effect& e = *mEffect;
  e.SetTechnique(mTechnique);
  SetTransformParameters(e, mModel, model.mMatrix, *device);
  SetLightParameter(e, mLight, mLightDirection);
  SetFogParameters(e, mFog);
  DrawMaterials(e, mModel, *model.mXFile, 0, 1);
}

void BasicShaderC::OnLostDevice() {
  LoadEffect();
  if (mEffect) mEffect->OnLostDevice();
}

void BasicShaderC::OnResetDevice() {
  if (mEffect) mEffect->OnResetDevice();
}

const platform::Effect* BasicShaderC::Effect() {
  LoadEffect();
  return mEffect.get();
}

}  // namespace RenderN
