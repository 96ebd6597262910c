// The shadow map's render resources, its two passes and its device-loss handling.
#include "render/ShadowMapC.h"

#include <algorithm>
#include <cstdlib>

#include "base/FixedTexts.h"
#include "base/MemoryFailure.h"
#include "render/BasicShaderC.h"
#include "render/D3DDeviceAgentC.h"
#include "render/ModelC.h"
#include "render/XFileStorageC.h"

namespace RenderN {
namespace {

namespace fixed = BaseN::FixedText;

// Half a texel of the shadow texture: the four lookups of a receiver are this far apart.
constexpr float kHalfTexel = 0.0009765625f;

[[noreturn]] void Fail(const char* box) {
  BaseN::ShowFatalErrorBox(box, false);
  std::exit(-1);
}

platform::Device* TheDevice() { return D3DDeviceAgentC::GetInstance().mDevice.get(); }

}  // namespace

const std::shared_ptr<ShadowMapC>& ShadowMapC::GetInstance() {
  static const std::shared_ptr<ShadowMapC> instance = std::make_shared<ShadowMapC>();
  return instance;
}

ShadowMapC::ShadowMapC() {
  D3DXMatrixIdentity(&mLightProjection);
  D3DXMatrixIdentity(&mLightView);
  mTextureData = TextureStorageC::GetInstance().MakeTextureData(nullptr);
  mTextureData->mWidth = static_cast<float>(kSize);
  mTextureData->mHeight = static_cast<float>(kSize);
  Prepare();
}

ShadowMapC::~ShadowMapC() {
  // The record first, then the depth, the surface, the texture and the two effects.
  mTextureData.reset();
  mShadowDepth.reset();
  mShadowSurface.reset();
  mShadowTextureObject.reset();
  mMapEffect.reset();
  mModelEffect.reset();
}

void ShadowMapC::Prepare() {
  const D3DDeviceAgentC& agent = D3DDeviceAgentC::GetInstance();
  if (!agent.mDevice || mDevice == agent.DeviceSerial()) return;
  mDevice = agent.DeviceSerial();

  mModelEffect = LoadSystemEffect("system\\shshmod.lat", fixed::kShadowModelEffectFailure);
  if (mModelEffect) {
    platform::Effect& e = *mModelEffect;
    mModelTechnique = e.GetTechniqueByName("MyTechnique");
    mModel.world = e.GetParameterByName("gWorld");
    mModel.invWorld = e.GetParameterByName("gInvWorld");
    mModel.view = e.GetParameterByName("gView");
    mModel.projection = e.GetParameterByName("gProjection");
    mModel.emissive = e.GetParameterByName("gEmissive");
    mModel.diffuse = e.GetParameterByName("gDiffuse");
    mLight = e.GetParameterByName("gLightDirection");
    mModel.texture = e.GetParameterByName("gTexture");
    mLightScreen = e.GetParameterByName("gLightScreen");
    mShadowTexture = e.GetParameterByName("gShadowTexture");
    mOffset = e.GetParameterByName("gOffset");
    mFog.color = e.GetParameterByName("gFogColor");
    mFog.nearDistance = e.GetParameterByName("gNear");
    mFog.farDistance = e.GetParameterByName("gFar");
    mFog.flag = e.GetParameterByName("gFogFlag");
  }
  mMapEffect = LoadSystemEffect("system\\shshmap.lat", fixed::kShadowMapEffectFailure);
  if (mMapEffect) {
    mMapTechnique = mMapEffect->GetTechniqueByName("MyTechnique");
    mMapLightScreen = mMapEffect->GetParameterByName("gLightScreen");
  }
  CreateRenderResources();
}

void ShadowMapC::CreateRenderResources() {
  platform::Device* device = TheDevice();
  if (!device) return;
  mShadowTextureObject = device->CreateTexture(kSize, kSize, 1, D3DUSAGE_RENDERTARGET,
                                               D3DFMT_A16B16G16R16F, D3DPOOL_DEFAULT);
  if (!mShadowTextureObject) Fail(fixed::kShadowTextureFailure);
  mShadowSurface = mShadowTextureObject->GetSurfaceLevel(0);
  mShadowDepth = device->CreateDepthStencilSurface(kSize, kSize, D3DFMT_D24S8);
  if (!mShadowDepth) Fail(fixed::kShadowDepthFailure);
  // Holders of the record see the new texture; the record itself stays the same.
  mTextureData->mTexture = mShadowTextureObject;
  // A new target's content is undefined; until the script renders casters, nothing is in
  // shadow rather than everything.
  const D3DVIEWPORT9 viewport = BeginShadowTarget(*device);
  device->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFFu, 1.0f, 0);
  EndShadowTarget(*device, viewport);
}

D3DVIEWPORT9 ShadowMapC::BeginShadowTarget(platform::Device& device) {
  const D3DVIEWPORT9 saved = device.GetViewport();
  device.SetRenderTarget(0, mShadowSurface.get());
  device.SetDepthStencilSurface(mShadowDepth.get());
  device.SetViewport(D3DVIEWPORT9(0, 0, kSize, kSize, 0.0f, 1.0f));
  return saved;
}

void ShadowMapC::EndShadowTarget(platform::Device& device, const D3DVIEWPORT9& viewport) {
  const D3DDeviceAgentC& agent = D3DDeviceAgentC::GetInstance();
  device.SetRenderTarget(0, agent.mBackBufferSurface.get());
  device.SetDepthStencilSurface(agent.mDepthStencilSurface.get());
  device.SetViewport(viewport);
}

void ShadowMapC::RemoveShadowData() {
  Prepare();
  platform::Device* device = TheDevice();
  if (!device || !mShadowSurface) return;
  const D3DVIEWPORT9 viewport = BeginShadowTarget(*device);
  device->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFFu, 1.0f, 0);
  EndShadowTarget(*device, viewport);
}

void ShadowMapC::SaveShadowData(const ModelC& model) {
  Prepare();
  platform::Device* device = TheDevice();
  // A model without a mesh casts nothing.
  if (!device || !mShadowSurface || !mMapEffect || !model.mXFile) return;
  const XFileInformationC& mesh = *model.mXFile;
  const D3DVIEWPORT9 viewport = BeginShadowTarget(*device);
  platform::Effect& e = *mMapEffect;
  e.SetTechnique(mMapTechnique);
  const D3DXMATRIX lightScreen = model.mMatrix * mLightView * mLightProjection;
  e.SetMatrix(mMapLightScreen, lightScreen);
  e.CommitChanges();
  e.Begin(nullptr, 0);
  e.BeginPass(0);
  const std::size_t count = std::min<std::size_t>(mesh.mMaterialNum, mesh.mMaterial.size());
  for (std::size_t i = 0; i < count; ++i) mesh.DrawMeshSubset(i);
  e.EndPass();
  e.End();
  EndShadowTarget(*device, viewport);
}

void ShadowMapC::DrawModel(ModelC& model) {
  Prepare();
  platform::Device* device = TheDevice();
  if (!model.mXFile || !device) return;
  if (!mModelEffect) {
    // Said once: the same model is drawn every frame.
    if (!mMissingNoted) NoteMissingEffect("system\\shshmod.lat");
    mMissingNoted = true;
    DrawWithoutEffect(model);
    return;
  }
  platform::Effect& e = *mModelEffect;
  e.SetTechnique(mModelTechnique);
  SetTransformParameters(e, mModel, model.mMatrix, *device);
  const D3DXMATRIX lightScreen = mLightView * mLightProjection;
  e.SetMatrix(mLightScreen, lightScreen);
  SetLightParameter(e, mLight, mLightDirection);
  e.SetTexture(mShadowTexture, mShadowTextureObject.get());
  const float offset[4] = {kHalfTexel, kHalfTexel, 0.0f, 0.0f};
  e.SetVector(mOffset, offset);
  SetFogParameters(e, mFog);
  DrawMaterials(e, mModel, *model.mXFile, 2, 3);
}

void ShadowMapC::OnLostDevice() {
  Prepare();
  mShadowTextureObject.reset();
  mShadowSurface.reset();
  mShadowDepth.reset();
  mTextureData->mTexture.reset();
  if (mModelEffect) mModelEffect->OnLostDevice();
  if (mMapEffect) mMapEffect->OnLostDevice();
}

void ShadowMapC::OnResetDevice() {
  if (mDevice == D3DDeviceAgentC::GetInstance().DeviceSerial()) CreateRenderResources();
  if (mModelEffect) mModelEffect->OnResetDevice();
  if (mMapEffect) mMapEffect->OnResetDevice();
}

}  // namespace RenderN
