// What the two effect-driven shaders share: loading a system effect file with the boxes of
// a failed compile, and the fog and light values both hand to their effects.
#pragma once

#include "math/d3dx/D3DX.h"
#include "platform/gfx/Device.h"

namespace RenderN {

/// Compiles a system effect file (a Windows name). A compile failure shows `failureBox`
/// (the compiler's messages go to the debug output first) and ends the process with -1.
/// A file that cannot be read gives null: the shader then draws with fixed-function
/// lighting, so a game that ships without the file still shows its models.
platform::EffectRef LoadSystemEffect(const char* windowsName, const char* failureBox);
/// In debug mode, says that a model is drawn without the effect file it was given.
void NoteMissingEffect(const char* windowsName);

/// The light direction as effects take it: (x, y, z, 0) made unit length; zero stays zero.
void SetLightParameter(platform::Effect& effect, platform::EffectHandle parameter,
                       const D3DXVECTOR3& direction);

/// The handles of the fog parameters.
struct FogParameters {
  platform::EffectHandle color = 0, nearDistance = 0, farDistance = 0, flag = 0;
};
/// Sets the fog colour from the agent's ARGB fog colour (alpha x 0.5, red x 0.36,
/// green x 0.2, blue), the near and far distances as half the agent's fog start and end,
/// and the flag as the device's current fog enable.
void SetFogParameters(platform::Effect& effect, const FogParameters& fog);

/// Emissive and diffuse colour of a material, alpha 1.
void SetMaterialParameters(platform::Effect& effect, platform::EffectHandle emissive,
                           platform::EffectHandle diffuse, const D3DMATERIAL9& material);

}  // namespace RenderN
