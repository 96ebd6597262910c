// Direct3D's fixed-function state turned into GL state and the shader's uniform block.
// Each piece is compared with what GL last received, so unchanged state costs no GL call.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gfx/gl/GlDevice.h"
#include "platform/gfx/gl/GlMath.h"

namespace platform {
namespace {

// Where pixel centres lie relative to GL's: a shift of 63/128 pixel instead of 1/2 keeps
// edges that fall exactly on Direct3D pixel centres on the side the top-left rule wants.
constexpr float kPixelCentreShift = 63.0f / 128.0f;

float BitsToFloat(DWORD bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void ColorToFloats(D3DCOLOR color, float out[4]) {
  out[0] = ((color >> 16) & 0xFF) / 255.0f;
  out[1] = ((color >> 8) & 0xFF) / 255.0f;
  out[2] = (color & 0xFF) / 255.0f;
  out[3] = ((color >> 24) & 0xFF) / 255.0f;
}

void ValueToFloats(const D3DCOLORVALUE& color, float out[4]) {
  out[0] = color.r;
  out[1] = color.g;
  out[2] = color.b;
  out[3] = color.a;
}

GLenum BlendFactor(DWORD blend, bool source) {
  switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case 11: return GL_SRC_ALPHA_SATURATE;
    // BOTHSRCALPHA and BOTHINVSRCALPHA set both factors from the source's.
    case 12: return source ? GL_SRC_ALPHA : GL_ONE_MINUS_SRC_ALPHA;
    case 13: return source ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    case 14: return GL_CONSTANT_COLOR;
    case 15: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return source ? GL_ONE : GL_ZERO;
  }
}

GLenum CompareFunction(DWORD function) {
  switch (function) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLint Wrap(DWORD address) {
  switch (address) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    default: return GL_REPEAT;
  }
}

template <typename T, typename Send>
void Update(T& applied, T wanted, Send send) {
  if (applied == wanted) return;
  applied = wanted;
  send();
}

}  // namespace

void GlDevice::ApplyPipelineState() {
  const DWORD* rs = mRenderStates;
  const int blend = rs[D3DRS_ALPHABLENDENABLE] ? 1 : 0;
  Update(mApplied.blend, blend, [&] { blend ? glEnable(GL_BLEND) : glDisable(GL_BLEND); });
  if (blend) {
    const DWORD source = rs[D3DRS_SRCBLEND];
    DWORD destination = rs[D3DRS_DESTBLEND];
    const GLenum s = BlendFactor(source, true);
    const GLenum d = (source == 12 || source == 13) ? BlendFactor(source, false)
                                                    : BlendFactor(destination, false);
    if (mApplied.blendSource != s || mApplied.blendDestination != d) {
      glBlendFunc(s, d);
      mApplied.blendSource = s;
      mApplied.blendDestination = d;
    }
    GLenum equation = GL_FUNC_ADD;
    switch (rs[D3DRS_BLENDOP]) {
      case 2: equation = GL_FUNC_SUBTRACT; break;
      case 3: equation = GL_FUNC_REVERSE_SUBTRACT; break;
      case 4: equation = GL_MIN; break;
      case 5: equation = GL_MAX; break;
      default: break;
    }
    Update(mApplied.blendEquation, equation, [&] { glBlendEquation(equation); });
  }
  // Without a depth surface there is nothing to test against.
  const int depthTest = (rs[D3DRS_ZENABLE] != D3DZB_FALSE && mDepthTarget) ? 1 : 0;
  Update(mApplied.depthTest, depthTest,
         [&] { depthTest ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST); });
  if (depthTest) {
    if (mDepthTarget == mBackBufferDepth) ResolveDepthClear();
    const int depthMask = rs[D3DRS_ZWRITEENABLE] ? 1 : 0;
    Update(mApplied.depthMask, depthMask, [&] { glDepthMask(depthMask ? GL_TRUE : GL_FALSE); });
    const GLenum function = CompareFunction(rs[D3DRS_ZFUNC]);
    Update(mApplied.depthFunction, function, [&] { glDepthFunc(function); });
  }
  // GL's front faces are set up as Direct3D's clockwise ones (see CreateGlObjects).
  const int cull = (rs[D3DRS_CULLMODE] == D3DCULL_CW || rs[D3DRS_CULLMODE] == D3DCULL_CCW) ? 1 : 0;
  Update(mApplied.cull, cull, [&] { cull ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE); });
  if (cull) {
    const GLenum face = rs[D3DRS_CULLMODE] == D3DCULL_CCW ? GL_BACK : GL_FRONT;
    Update(mApplied.cullFace, face, [&] { glCullFace(face); });
  }
  int colorMask = static_cast<int>(rs[D3DRS_COLORWRITEENABLE] & 0xF);
  if (TargetIsBackBuffer()) colorMask &= 0x7;  // the back buffer's alpha stays opaque
  Update(mApplied.colorMask, colorMask, [&] {
    glColorMask((colorMask & 1) != 0, (colorMask & 2) != 0, (colorMask & 4) != 0,
                (colorMask & 8) != 0);
  });
  const GLenum polygonMode = rs[D3DRS_FILLMODE] == 1 ? GL_POINT
                             : rs[D3DRS_FILLMODE] == 2 ? GL_LINE
                                                       : GL_FILL;
  Update(mApplied.polygonMode, polygonMode,
         [&] { glPolygonMode(GL_FRONT_AND_BACK, polygonMode); });
  // Direct3D's depth bias is in depth units; GL counts steps of a 24-bit buffer.
  const float slope = BitsToFloat(rs[D3DRS_SLOPESCALEDEPTHBIAS]);
  const float units = BitsToFloat(rs[D3DRS_DEPTHBIAS]) * 16777216.0f;
  if (mApplied.polygonOffset[0] != slope || mApplied.polygonOffset[1] != units) {
    if (slope != 0.0f || units != 0.0f) {
      glEnable(GL_POLYGON_OFFSET_FILL);
      glPolygonOffset(slope, units);
    } else {
      glDisable(GL_POLYGON_OFFSET_FILL);
    }
    mApplied.polygonOffset[0] = slope;
    mApplied.polygonOffset[1] = units;
  }
}

void GlDevice::ApplyTextureAndSampler() {
  GlTexture* texture = BoundGlTexture();
  const GLuint name = texture ? texture->Name() : 0;
  if (mApplied.texture != name) {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, name);
    mApplied.texture = name;
  }
  if (!texture) return;
  const DWORD* s = mSamplerStates[0];
  const bool linearMin = s[D3DSAMP_MINFILTER] >= D3DTEXF_LINEAR;
  GLint minFilter = linearMin ? GL_LINEAR : GL_NEAREST;
  if (s[D3DSAMP_MIPFILTER] == D3DTEXF_POINT) {
    minFilter = linearMin ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  } else if (s[D3DSAMP_MIPFILTER] >= D3DTEXF_LINEAR) {
    minFilter = linearMin ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
  }
  const GLint magFilter = s[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
  Update(mApplied.minFilter, minFilter,
         [&] { glSamplerParameteri(mSampler, GL_TEXTURE_MIN_FILTER, minFilter); });
  Update(mApplied.magFilter, magFilter,
         [&] { glSamplerParameteri(mSampler, GL_TEXTURE_MAG_FILTER, magFilter); });
  const GLint wrapS = Wrap(s[D3DSAMP_ADDRESSU]);
  const GLint wrapT = Wrap(s[D3DSAMP_ADDRESSV]);
  Update(mApplied.wrapS, wrapS, [&] { glSamplerParameteri(mSampler, GL_TEXTURE_WRAP_S, wrapS); });
  Update(mApplied.wrapT, wrapT, [&] { glSamplerParameteri(mSampler, GL_TEXTURE_WRAP_T, wrapT); });
  const D3DCOLOR border = s[D3DSAMP_BORDERCOLOR];
  if (!mApplied.borderValid || mApplied.borderColor != border) {
    float color[4];
    ColorToFloats(border, color);
    glSamplerParameterfv(mSampler, GL_TEXTURE_BORDER_COLOR, color);
    mApplied.borderColor = border;
    mApplied.borderValid = true;
  }
}

void GlDevice::ApplyBlock(const VertexLayout& layout, bool spritePixels) {
  const int key = (layout.pretransformed ? 1 : 0) | (layout.normalOffset >= 0 ? 2 : 0) |
                  (layout.diffuseOffset >= 0 ? 4 : 0) | (layout.texCoordOffset >= 0 ? 8 : 0) |
                  (spritePixels ? 16 : 0);
  if (mBlockValid && !mBlockDirty && key == mBlockKey) return;
  mBlockDirty = false;
  mBlockKey = key;
  FixedFunctionBlock block;
  BuildBlock(layout, spritePixels, block);
  mFixedProgram = mProgram.ProgramFor(block);
  if (mBlockValid && std::memcmp(&block, &mBlock, sizeof block) == 0) return;
  mBlock = block;
  mBlockValid = true;
  glBindBuffer(GL_UNIFORM_BUFFER, mBlockStream.Name());
  const size_t offset =
      mBlockStream.Write(&block, sizeof block, static_cast<size_t>(mUniformAlignment));
  glBindBufferRange(GL_UNIFORM_BUFFER, FixedFunctionProgram::kBlockBinding, mBlockStream.Name(),
                    static_cast<GLintptr>(offset), sizeof block);
  mApplied.blockOffset = offset;
}

void GlDevice::ApplyEffectPixelOffset() {
  if (mEffectPixelOffsetLocation < 0) return;
  // The shift the fixed-function program applies to everything but sprites.
  const float width = static_cast<float>(std::max<DWORD>(mViewport.Width, 1));
  const float height = static_cast<float>(std::max<DWORD>(mViewport.Height, 1));
  const float offset[3] = {2.0f * kPixelCentreShift / width, -2.0f * kPixelCentreShift / height,
                           mApplied.yFlip};
  if (mEffectPixelOffsetSent && std::equal(offset, offset + 3, mEffectPixelOffset)) return;
  glUniform3f(mEffectPixelOffsetLocation, offset[0], offset[1], offset[2]);
  std::copy(offset, offset + 3, mEffectPixelOffset);
  mEffectPixelOffsetSent = true;
}

void GlDevice::BuildBlock(const VertexLayout& layout, bool spritePixels,
                          FixedFunctionBlock& block) const {
  std::memset(&block, 0, sizeof block);
  const DWORD* rs = mRenderStates;
  const D3DMATRIX worldView = gl_math::Multiply(mWorld, mView);
  const D3DMATRIX worldViewProjection = gl_math::Multiply(worldView, mProjection);
  const D3DMATRIX normal = gl_math::NormalMatrix(worldView);
  std::memcpy(block.worldViewProjection, worldViewProjection.m, sizeof block.worldViewProjection);
  std::memcpy(block.worldView, worldView.m, sizeof block.worldView);
  std::memcpy(block.normalMatrix, normal.m, sizeof block.normalMatrix);

  const float width = static_cast<float>(std::max<DWORD>(mViewport.Width, 1));
  const float height = static_cast<float>(std::max<DWORD>(mViewport.Height, 1));
  block.viewport[0] = static_cast<float>(mViewport.X);
  block.viewport[1] = static_cast<float>(mViewport.Y);
  block.viewport[2] = width;
  block.viewport[3] = height;
  // Sprites are placed so their quad edges are pixel edges (the sprite's own half-pixel
  // shift and the pixel-centre shift cancel); everything else gets Direct3D's centres.
  if (!spritePixels) {
    block.pixelOffset[0] = 2.0f * kPixelCentreShift / width;
    block.pixelOffset[1] = -2.0f * kPixelCentreShift / height;
  }
  block.pixelOffset[2] = mClipControl ? 0.0f : 1.0f;
  block.pixelOffset[3] = mApplied.yFlip;

  const bool lighting = rs[D3DRS_LIGHTING] != 0 && !layout.pretransformed;
  block.vertex[0] = lighting ? 1 : 0;
  block.vertex[1] = layout.normalOffset >= 0 ? 1 : 0;
  block.vertex[2] = layout.diffuseOffset >= 0 ? 1 : 0;
  block.vertex[3] = layout.pretransformed ? 1 : 0;

  if (rs[D3DRS_FOGENABLE]) {
    const DWORD mode = rs[D3DRS_FOGVERTEXMODE] != D3DFOG_NONE ? rs[D3DRS_FOGVERTEXMODE]
                                                              : rs[D3DRS_FOGTABLEMODE];
    block.fog[0] = static_cast<int>(mode <= D3DFOG_LINEAR ? mode : D3DFOG_NONE);
  }
  block.fog[1] = rs[D3DRS_SPECULARENABLE] ? 1 : 0;
  block.fog[2] = rs[D3DRS_LOCALVIEWER] ? 1 : 0;
  block.fog[3] = rs[D3DRS_NORMALIZENORMALS] ? 1 : 0;
  ColorToFloats(rs[D3DRS_FOGCOLOR], block.fogColor);
  const float fogStart = BitsToFloat(rs[D3DRS_FOGSTART]);
  const float fogEnd = BitsToFloat(rs[D3DRS_FOGEND]);
  block.fogParameters[0] = fogStart;
  block.fogParameters[1] = fogEnd;
  block.fogParameters[2] = BitsToFloat(rs[D3DRS_FOGDENSITY]);
  // Start equal to end: everything beyond is fogged, everything nearer is not.
  block.fogParameters[3] = fogEnd != fogStart ? 1.0f / (fogEnd - fogStart) : 1e30f;
  ColorToFloats(rs[D3DRS_TEXTUREFACTOR], block.textureFactor);
  block.alphaReference[0] = static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF);
  block.alphaReference[1] = mMaterial.Power;

  const DWORD* stage = mStageStates[0];
  block.colorStage[0] = static_cast<int>(stage[D3DTSS_COLOROP]);
  block.colorStage[1] = static_cast<int>(stage[D3DTSS_COLORARG1]);
  block.colorStage[2] = static_cast<int>(stage[D3DTSS_COLORARG2]);
  const GlTexture* texture = BoundGlTexture();
  block.colorStage[3] = (texture && texture->Name() && !texture->IsDepthStencil() &&
                         layout.texCoordOffset >= 0) ? 1 : 0;
  block.alphaStage[0] = static_cast<int>(stage[D3DTSS_ALPHAOP]);
  block.alphaStage[1] = static_cast<int>(stage[D3DTSS_ALPHAARG1]);
  block.alphaStage[2] = static_cast<int>(stage[D3DTSS_ALPHAARG2]);
  block.alphaStage[3] = rs[D3DRS_ALPHATESTENABLE] ? static_cast<int>(rs[D3DRS_ALPHAFUNC]) : 0;
  if (block.alphaStage[3] == static_cast<int>(D3DCMP_ALWAYS)) block.alphaStage[3] = 0;

  if (!lighting) return;
  ValueToFloats(mMaterial.Diffuse, block.materialDiffuse);
  ValueToFloats(mMaterial.Ambient, block.materialAmbient);
  ValueToFloats(mMaterial.Specular, block.materialSpecular);
  ValueToFloats(mMaterial.Emissive, block.materialEmissive);
  ColorToFloats(rs[D3DRS_AMBIENT], block.globalAmbient);
  // The vertex colour feeds a material colour only when the vertex has one; the second
  // vertex colour (specular) is not part of the formats drawn here.
  const bool vertexColor = rs[D3DRS_COLORVERTEX] != 0 && layout.diffuseOffset >= 0;
  const DWORD sources[4] = {rs[D3DRS_DIFFUSEMATERIALSOURCE], rs[D3DRS_AMBIENTMATERIALSOURCE],
                            rs[D3DRS_SPECULARMATERIALSOURCE], rs[D3DRS_EMISSIVEMATERIALSOURCE]};
  for (int i = 0; i < 4; ++i) {
    block.materialSource[i] = vertexColor && sources[i] == D3DMCS_COLOR1 ? 1 : 0;
  }
  int count = 0;
  for (const auto& [index, slot] : mLights) {
    if (!slot.enabled || count == kMaxActiveLights) continue;
    const D3DLIGHT9& light = slot.light;
    FixedFunctionLight& out = block.light[count++];
    ValueToFloats(light.Diffuse, out.diffuse);
    ValueToFloats(light.Specular, out.specular);
    ValueToFloats(light.Ambient, out.ambient);
    const D3DVECTOR position = gl_math::TransformPoint(light.Position, mView);
    const D3DVECTOR direction =
        gl_math::Normalized(gl_math::TransformDirection(light.Direction, mView));
    out.position[0] = position.x;
    out.position[1] = position.y;
    out.position[2] = position.z;
    out.position[3] = static_cast<float>(light.Type);
    out.direction[0] = direction.x;
    out.direction[1] = direction.y;
    out.direction[2] = direction.z;
    out.direction[3] = light.Range;
    out.attenuation[0] = light.Attenuation0;
    out.attenuation[1] = light.Attenuation1;
    out.attenuation[2] = light.Attenuation2;
    out.attenuation[3] = light.Falloff;
    out.spot[0] = std::cos(light.Theta * 0.5f);
    out.spot[1] = std::cos(light.Phi * 0.5f);
  }
  block.lights[0] = count;
}

}  // namespace platform
