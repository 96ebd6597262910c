// Effect loading and the parameter values the shaders share.
#include "render/EffectSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "base/IniSettingsS.h"
#include "base/MemoryFailure.h"
#include "platform/console/StandardOutput.h"
#include "platform/path/Path.h"
#include "render/D3DDeviceAgentC.h"
#include "render/XFileStorageC.h"

namespace RenderN {
namespace {

void WriteDebugLine(const std::string& line) {
  if (!BaseN::GetIniSettings().mDebugMode) return;
  platform::console::Write(line);
  platform::console::Flush();
}

}  // namespace

platform::EffectRef LoadSystemEffect(const char* windowsName, const char* failureBox) {
  platform::Device* device = D3DDeviceAgentC::GetInstance().mDevice.get();
  if (!device) return nullptr;
  std::string errors;
  platform::EffectRef effect =
      device->CreateEffectFromFile(platform::path::Resolve(windowsName), errors);
  if (effect) return effect;
  if (!errors.empty()) {
    WriteDebugLine(std::string("*** effect ") + windowsName + " did not compile:\n" + errors +
                   (errors.back() == '\n' ? "" : "\n") + "***\n");
    BaseN::ShowFatalErrorBox(failureBox, false);
    std::exit(-1);
  }
  return nullptr;
}

void NoteMissingEffect(const char* windowsName) {
  WriteDebugLine(std::string("*** effect ") + windowsName +
                 " not found: models given this shader are drawn with fixed-function lighting "
                 "***\n");
}

void SetLightParameter(platform::Effect& effect, platform::EffectHandle parameter,
                       const D3DXVECTOR3& direction) {
  float value[4] = {direction.x, direction.y, direction.z, 0.0f};
  const float length =
      std::sqrt(value[0] * value[0] + value[1] * value[1] + value[2] * value[2]);
  if (length > 0.0f) {
    for (float& v : value) v /= length;
  }
  effect.SetVector(parameter, value);
}

void SetFogParameters(platform::Effect& effect, const FogParameters& fog) {
  const D3DDeviceAgentC& agent = D3DDeviceAgentC::GetInstance();
  const D3DCOLOR c = agent.mFogColor;
  const float color[4] = {static_cast<float>((c >> 24) & 0xFF) / 255.0f * 0.5f,
                          static_cast<float>((c >> 16) & 0xFF) / 255.0f * 0.36f,
                          static_cast<float>((c >> 8) & 0xFF) / 255.0f * 0.2f,
                          static_cast<float>(c & 0xFF) / 255.0f};
  effect.SetVector(fog.color, color);
  effect.SetFloat(fog.nearDistance, agent.mFogStart * 0.5f);
  effect.SetFloat(fog.farDistance, agent.mFogEnd * 0.5f);
  const bool fogOn = agent.mDevice && agent.mDevice->GetRenderState(D3DRS_FOGENABLE) != 0;
  effect.SetBool(fog.flag, fogOn);
}

void SetTransformParameters(platform::Effect& effect, const ModelEffectHandles& handles,
                            const D3DXMATRIX& world, const platform::Device& device) {
  const D3DMATRIX projection = device.GetTransform(D3DTS_PROJECTION);
  const D3DMATRIX view = device.GetTransform(D3DTS_VIEW);
  D3DXMATRIX inverse;
  D3DXMatrixInverse(&inverse, nullptr, &world);
  effect.SetMatrix(handles.world, world);
  effect.SetMatrix(handles.invWorld, inverse);
  effect.SetMatrix(handles.view, view);
  effect.SetMatrix(handles.projection, projection);
}

void DrawMaterials(platform::Effect& effect, const ModelEffectHandles& handles,
                   const XFileInformationC& mesh, unsigned texturedPass, unsigned plainPass) {
  effect.Begin(nullptr, 0);
  const std::size_t count = std::min<std::size_t>(mesh.mMaterialNum, mesh.mMaterial.size());
  for (std::size_t i = 0; i < count; ++i) {
    const D3DMATERIAL9& material = mesh.mMaterial[i];
    const float emissive[4] = {material.Emissive.r, material.Emissive.g, material.Emissive.b, 1.0f};
    const float diffuse[4] = {material.Diffuse.r, material.Diffuse.g, material.Diffuse.b, 1.0f};
    effect.SetVector(handles.emissive, emissive);
    effect.SetVector(handles.diffuse, diffuse);
    const SPTEXTUREDATA& texture = mesh.mMaterialTexture[i];
    if (texture) {
      effect.BeginPass(texturedPass);
      effect.SetTexture(handles.texture, texture->mTexture.get());
    } else {
      effect.BeginPass(plainPass);
    }
    effect.CommitChanges();
    mesh.DrawMeshSubset(i);
    effect.EndPass();
  }
  effect.End();
}

}  // namespace RenderN
