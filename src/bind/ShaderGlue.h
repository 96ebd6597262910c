// What the generated shader bindings need: the two shader handles, their module functions
// (each call a new handle to the one shader), and the operations reached through them.
#pragma once

#include "bind/BindingGlue.h"
#include "render/RenderingScript.h"

namespace RenderN::script {

inline void SetLightDirection(SPBASICSHADER* self, const Vector3C& direction) {
  Target(self, "SetLightDirection").SetLightDirection(direction);
}

inline void SetLightDirection(SPSHADOWMAP* self, const Vector3C& direction) {
  Target(self, "SetLightDirection").SetLightDirection(direction);
}
inline void SetLightView(SPSHADOWMAP* self, const MatrixC& matrix) {
  Target(self, "SetLightView").SetLightView(matrix);
}
inline void SetLightProjection(SPSHADOWMAP* self, const MatrixC& matrix) {
  Target(self, "SetLightProjection").SetLightProjection(matrix);
}
inline void RemoveShadowData(SPSHADOWMAP* self) {
  Target(self, "RemoveShadowData").RemoveShadowData();
}
/// An empty model handle casts nothing.
inline void SaveShadowData(SPSHADOWMAP* self, const SPMODEL& model) {
  ShadowMapC& map = Target(self, "SaveShadowData");
  if (const ModelC* object = model.Get()) map.SaveShadowData(*object);
}
inline SPTEXTUREDATA GetTextureData(SPSHADOWMAP* self) {
  return Target(self, "GetTextureData").GetTextureData();
}

}  // namespace RenderN::script

namespace RenderN {

/// RenderN.BASICSHADER: a new handle to the one basic shader.
inline script::SPBASICSHADER BASICSHADER() {
  return script::SPBASICSHADER(BasicShaderC::GetInstance());
}

/// RenderN.SHADOWMAP: a new handle to the one shadow map.
inline script::SPSHADOWMAP SHADOWMAP() { return script::SPSHADOWMAP(ShadowMapC::GetInstance()); }

}  // namespace RenderN
