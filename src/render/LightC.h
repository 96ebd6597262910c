// Fixed-function lights that scripts create: each object owns one light index of the
// device, keeps a D3DLIGHT9 record the script edits field by field, and sends it to the
// device only on Apply (or Initialize), so a script can change several fields at once.
#pragma once

#include <cstdint>

#include "math/AngleC.h"
#include "math/d3dx/D3DX.h"
#include "platform/gfx/D3DTypes.h"
#include "utility/UncopyableC.h"

namespace RenderN {

class LightC : private UtilityN::UncopyableC {
 public:
  /// Switches the index off on the device, unless a newer light has taken the index
  /// over since ResetIndex (collection must not put out a light the script still uses).
  virtual ~LightC();

  /// The device light index, fixed at construction.
  std::uint32_t GetIndex() const { return mIndex; }
  /// The record itself, as last edited (not necessarily as the device has it).
  const D3DLIGHT9& GetLight() const { return mLight; }
  /// Red, green and blue of a colour of the record; alpha stays.
  void SetDiffuse(float red, float green, float blue);
  void SetAmbient(float red, float green, float blue);
  void SetSpecular(float red, float green, float blue);
  /// Enables or disables the index on the device when that changes the object's state.
  void Enabled(bool on);
  /// Sends the record to the device, enabling the index first when it is off.
  void Apply();
  /// Disables every index handed out so far; the next light constructed gets index 0.
  static void ResetIndex();

 protected:
  /// Takes the next index; the record starts zeroed and disabled.
  LightC();
  /// Replaces the record by `defaults`, sends it and enables the index.
  void Reset(const D3DLIGHT9& defaults);

  D3DLIGHT9 mLight;
  std::uint32_t mIndex;
  bool mEnabled;
};

/// A light at a position, shining every way, fading with distance and ending at its range.
class PointLightC : public LightC {
 public:
  PointLightC() { Initialize(); }
  ~PointLightC() override = default;
  /// White at (0, 10, 0), range 10, constant attenuation 1; sent and enabled.
  void Initialize();
  void SetPosition(const D3DXVECTOR3& position) { mLight.Position = position; }
  void SetRange(float range) { mLight.Range = range; }
  /// The constant attenuation factor; the linear and quadratic ones stay.
  void SetAttenuation(float attenuation) { mLight.Attenuation0 = attenuation; }
};

/// A cone of light: full inside theta, fading to nothing at phi.
class SpotLightC : public LightC {
 public:
  SpotLightC() { Initialize(); }
  ~SpotLightC() override = default;
  /// White at (1, 10, 3) toward (1, -1, 0), range 10, theta 10 and phi 20 degrees,
  /// falloff 1; sent and enabled.
  void Initialize();
  /// Stored as given: the device normalises directions itself.
  void SetDirection(const D3DXVECTOR3& direction) { mLight.Direction = direction; }
  void SetPosition(const D3DXVECTOR3& position) { mLight.Position = position; }
  void SetRange(float range) { mLight.Range = range; }
  void SetAttenuation(float attenuation) { mLight.Attenuation0 = attenuation; }
  /// The full angle of the inner cone.
  void SetTheta(const AngleC& angle) { mLight.Theta = angle.ToRad(); }
  /// The full angle of the outer cone.
  void SetPhi(const AngleC& angle) { mLight.Phi = angle.ToRad(); }
  void SetFallOff(float falloff) { mLight.Falloff = falloff; }
};

/// Parallel light from infinitely far away: brightness depends only on the angle.
class DirectionalLightC : public LightC {
 public:
  DirectionalLightC() { Initialize(); }
  ~DirectionalLightC() override = default;
  /// White diffuse toward (1, -1, 0), no specular or ambient part; sent and enabled.
  void Initialize();
  /// Stored as given: the device normalises directions itself.
  void SetDirection(const D3DXVECTOR3& direction) { mLight.Direction = direction; }
};

}  // namespace RenderN
