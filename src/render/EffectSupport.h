// What the two effect-driven shaders share: loading a system effect file with the boxes of
// a failed compile, and the fog and light values both hand to their effects.
#pragma once

#include "math/d3dx/D3DX.h"
#include "platform/gfx/Device.h"

namespace RenderN {

class XFileInformationC;

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

/// The parameters both model effects have.
struct ModelEffectHandles {
  platform::EffectHandle world = 0, invWorld = 0, view = 0, projection = 0;
  platform::EffectHandle emissive = 0, diffuse = 0, texture = 0;
};

/// The world matrix, its inverse, and the device's current view and projection.
void SetTransformParameters(platform::Effect& effect, const ModelEffectHandles& handles,
                            const D3DXMATRIX& world, const platform::Device& device);

/// Draws every material's subset of the mesh within Begin and End: emissive and diffuse
/// (alpha 1) per material, `texturedPass` with the material's texture, `plainPass`
/// for a material without one.
void DrawMaterials(platform::Effect& effect, const ModelEffectHandles& handles,
                   const XFileInformationC& mesh, unsigned texturedPass, unsigned plainPass);

}  // namespace RenderN
