// The lights' index bookkeeping and their device calls. Device results are not looked
// at: an index the device cannot light (beyond its active-light limit) simply stays dark.
#include "render/LightC.h"

#include <map>

#include "render/D3DDeviceAgentC.h"

namespace RenderN {
namespace {

/// Indices handed out since the start or the last ResetIndex.
std::uint32_t gIndexCount = 0;

/// The newest light of each index still alive. After ResetIndex an old and a new light
/// share an index; only the newest may switch it off when it is destroyed.
std::map<std::uint32_t, const LightC*>& IndexOwners() {
  static std::map<std::uint32_t, const LightC*> owners;
  return owners;
}

platform::Device* CurrentDevice() {
  return D3DDeviceAgentC::GetInstance().mDevice.get();
}

void SendLight(std::uint32_t index, const D3DLIGHT9& light) {
  if (platform::Device* device = CurrentDevice()) device->SetLight(index, light);
}

void SendEnable(std::uint32_t index, bool on) {
  if (platform::Device* device = CurrentDevice()) device->LightEnable(index, on);
}

D3DVECTOR Normalized(float x, float y, float z) {
  const D3DXVECTOR3 raw(x, y, z);
  D3DXVECTOR3 unit;
  D3DXVec3Normalize(&unit, &raw);
  return unit;
}

constexpr D3DCOLORVALUE kWhite{1.0f, 1.0f, 1.0f, 1.0f};
constexpr D3DCOLORVALUE kHalfGrey{0.5f, 0.5f, 0.5f, 1.0f};
constexpr D3DCOLORVALUE kFaintGrey{0.1f, 0.1f, 0.1f, 1.0f};

}  // namespace

LightC::LightC() : mLight{}, mIndex(gIndexCount++), mEnabled(false) {
  IndexOwners()[mIndex] = this;
}

LightC::~LightC() {
  auto& owners = IndexOwners();
  const auto found = owners.find(mIndex);
  if (found == owners.end() || found->second != this) return;
  owners.erase(found);
  SendEnable(mIndex, false);
}

void LightC::SetDiffuse(float red, float green, float blue) {
  mLight.Diffuse.r = red;
  mLight.Diffuse.g = green;
  mLight.Diffuse.b = blue;
}

void LightC::SetAmbient(float red, float green, float blue) {
  mLight.Ambient.r = red;
  mLight.Ambient.g = green;
  mLight.Ambient.b = blue;
}

void LightC::SetSpecular(float red, float green, float blue) {
  mLight.Specular.r = red;
  mLight.Specular.g = green;
  mLight.Specular.b = blue;
}

void LightC::Enabled(bool on) {
  if (on == mEnabled) return;
  SendEnable(mIndex, on);
  mEnabled = on;
}

void LightC::Apply() {
  if (!mEnabled) {
    SendEnable(mIndex, true);
    mEnabled = true;
  }
  SendLight(mIndex, mLight);
}

void LightC::ResetIndex() {
  for (std::uint32_t index = 0; index < gIndexCount; ++index) SendEnable(index, false);
  gIndexCount = 0;
}

void LightC::Reset(const D3DLIGHT9& defaults) {
  mLight = defaults;
  mEnabled = false;
  SendLight(mIndex, mLight);
  SendEnable(mIndex, true);
  mEnabled = true;
}

void PointLightC::Initialize() {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = kWhite;
  light.Specular = kHalfGrey;
  light.Ambient = kFaintGrey;
  light.Position = D3DVECTOR{0.0f, 10.0f, 0.0f};
  light.Range = 10.0f;
  light.Attenuation0 = 1.0f;
  Reset(light);
}

void SpotLightC::Initialize() {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_SPOT;
  light.Diffuse = kWhite;
  light.Specular = kHalfGrey;
  light.Ambient = kFaintGrey;
  light.Position = D3DVECTOR{1.0f, 10.0f, 3.0f};
  light.Direction = Normalized(1.0f, -1.0f, 0.0f);
  light.Range = 10.0f;
  light.Falloff = 1.0f;
  light.Attenuation0 = 1.0f;
  light.Theta = 10.0f * kDegreeToRadian;
  light.Phi = 20.0f * kDegreeToRadian;
  Reset(light);
}

void DirectionalLightC::Initialize() {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = kWhite;
  light.Direction = Normalized(1.0f, -1.0f, 0.0f);
  Reset(light);
}

}  // namespace RenderN
