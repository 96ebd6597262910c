// The basic shader's effect and its per-model parameters.
#include "render/BasicShaderC.h"

#include <algorithm>

#include "base/FixedTexts.h"
#include "render/D3DDeviceAgentC.h"
#include "render/EffectSupport.h"
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
  mWorld = e.GetParameterByName("gWorld");
  mInvWorld = e.GetParameterByName("gInvWorld");
  mView = e.GetParameterByName("gView");
  mProjection = e.GetParameterByName("gProjection");
  mEmissive = e.GetParameterByName("gEmissive");
  mDiffuse = e.GetParameterByName("gDiffuse");
  mLight = e.GetParameterByName("gLightDirection");
  mTexture = e.GetParameterByName("gTexture");
  mFogColor = e.GetParameterByName("gFogColor");
  mNear = e.GetParameterByName("gNear");
  mFar = e.GetParameterByName("gFar");
  mFogFlag = e.GetParameterByName("gFogFlag");
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
  const XFileInformationC& mesh = *model.mXFile;
  e.SetTechnique(mTechnique);
  const D3DMATRIX projection = device->GetTransform(D3DTS_PROJECTION);
  const D3DMATRIX view = device->GetTransform(D3DTS_VIEW);
  D3DXMATRIX inverse;
  D3DXMatrixInverse(&inverse, nullptr, &model.mMatrix);
  e.SetMatrix(mWorld, model.mMatrix);
  e.SetMatrix(mInvWorld, inverse);
  e.SetMatrix(mView, view);
  e.SetMatrix(mProjection, projection);
  SetLightParameter(e, mLight, mLightDirection);
  SetFogParameters(e, {mFogColor, mNear, mFar, mFogFlag});

  e.Begin(nullptr, 0);
  const std::size_t count = std::min<std::size_t>(mesh.mMaterialNum, mesh.mMaterial.size());
  for (std::size_t i = 0; i < count; ++i) {
    SetMaterialParameters(e, mEmissive, mDiffuse, mesh.mMaterial[i]);
    const SPTEXTUREDATA& texture = mesh.mMaterialTexture[i];
    if (texture) {
      e.BeginPass(0);
      e.SetTexture(mTexture, texture->mTexture.get());
    } else {
      e.BeginPass(1);
    }
    e.CommitChanges();
    mesh.DrawMeshSubset(i);
    e.EndPass();
  }
  e.End();
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
