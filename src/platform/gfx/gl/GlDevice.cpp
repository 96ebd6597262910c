// The GL device: context and back buffer, Direct3D state as set, drawing, presentation
// and the lost-device cycle.
#include "platform/gfx/gl/GlDevice.h"

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/gfx/gl/GlEffect.h"
#include "platform/gfx/gl/GlMath.h"
#include "platform/gfx/gl/GlSprite.h"

namespace platform {
namespace {

DWORD FloatBits(float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

constexpr size_t kVertexStreamBytes = 4u << 20;
constexpr size_t kBlockStreamBytes = 1u << 20;

}  // namespace

std::unique_ptr<GlDevice> GlDevice::Create(SDL_Window* window, const PresentParameters& parameters,
                                           std::string* error) {
#ifdef __GLIBC__
  // Software rasterisers take a few hundred kilobytes for the vertices of each draw and
  // give them back after it. With the C library's default thresholds that memory goes
  // back to the system every time, and each draw then pays for fresh zeroed pages (a
  // tenth of the main thread's time with many models); keeping it is much cheaper.
  static const bool kKeepFreedMemory = [] {
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    return true;
  }();
  (void)kKeepFreedMemory;
#endif
  std::string message;
  std::unique_ptr<GlDevice> device;
  if (!window || parameters.backBufferWidth == 0 || parameters.backBufferHeight == 0) {
    message = "no window or an empty back buffer";
  } else {
    device.reset(new GlDevice(window, parameters));
    if (!device->CreateContext(message) || !device->CreateGlObjects(message)) device.reset();
  }
  if (!device && error) *error = message;
  return device;
}

GlDevice::GlDevice(SDL_Window* window, const PresentParameters& parameters)
    : mWindow(window), mParameters(parameters) {
  if (const char* text = std::getenv("HINOKI_LOSE_DEVICE_AT_PRESENT")) {
    mLoseAtPresent = std::strtoul(text, nullptr, 10);
  }
  // How long a scheduled loss lasts, like a full-screen game whose display was taken.
  if (const char* text = std::getenv("HINOKI_DEVICE_LOST_MS")) {
    mLostHoldMs = std::strtoul(text, nullptr, 10);
  }
  // Keeps the framebuffer object and the blit even when the window could be drawn into,
  // so that path can be tried on any window.
  if (const char* text = std::getenv("HINOKI_PRESENT_BY_BLIT")) {
    mForceFramebuffer = std::strtoul(text, nullptr, 10) != 0;
  }
  mBackBufferColor = std::make_shared<GlSurface>(GlSurface::Kind::kBackBufferColor,
                                                 parameters.backBufferWidth,
                                                 parameters.backBufferHeight);
  mBackBufferDepth = std::make_shared<GlSurface>(GlSurface::Kind::kBackBufferDepth,
                                                 parameters.backBufferWidth,
                                                 parameters.backBufferHeight);
  ResetStateToDefaults();
}

GlDevice::~GlDevice() {
  for (GlSprite* sprite : mSprites) sprite->Detach();
  for (GlEffect* effect : mEffects) {
    effect->DropGlObjects(mContext != nullptr);
    effect->Detach();
  }
  for (GlMeshBuffer* buffer : mMeshBuffers) {
    buffer->DropGlObjects(mContext != nullptr);
    buffer->Detach();
  }
  for (GlTexture* texture : mTextures) {
    texture->DropGlObject(mContext != nullptr);
    texture->Detach();
  }
  if (mContext) {
    SDL_Window* const otherWindow = SDL_GL_GetCurrentWindow();
    const SDL_GLContext otherContext = SDL_GL_GetCurrentContext();
    SDL_GL_MakeCurrent(mWindow, mContext);
    DestroyGlObjects(true);
    SDL_GL_DeleteContext(mContext);
    // Whoever else draws keeps its context current.
    if (otherContext && otherContext != mContext) SDL_GL_MakeCurrent(otherWindow, otherContext);
  }
}

bool GlDevice::CreateContext(std::string& error) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  // The window's framebuffer serves as the back buffer with its depth-stencil surface
  // (D3DFMT_D24S8). Window systems that choose the pixel format with the window read these
  // when the window is made; the others when the context is.
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  // A context that reports a GPU reset lets Present report the lost device; drivers that
  // cannot make one still get a plain context.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_ROBUST_ACCESS_FLAG);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION, SDL_GL_CONTEXT_RESET_LOSE_CONTEXT);
  mContext = SDL_GL_CreateContext(mWindow);
  mRobust = mContext != nullptr;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_RESET_NOTIFICATION, SDL_GL_CONTEXT_RESET_NO_NOTIFICATION);
  if (!mContext) mContext = SDL_GL_CreateContext(mWindow);
  if (!mContext) {
    error = SDL_GetError();
    return false;
  }
  SDL_GL_MakeCurrent(mWindow, mContext);
  ++mContextGeneration;
  if (epoxy_gl_version() < 33) {
    error = "OpenGL 3.3 is not available";
    SDL_GL_DeleteContext(mContext);
    mContext = nullptr;
    return false;
  }
  mRobust = mRobust && (epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_robustness") ||
                        epoxy_has_gl_extension("GL_KHR_robustness"));
  mClipControl = epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
  SDL_GL_SetSwapInterval(mParameters.synchronise ? 1 : 0);
  return true;
}

bool GlDevice::CreateGlObjects(std::string& error) {
  mApplied = AppliedState{};
  mBlockValid = false;
  mBlockDirty = true;
  mTargetsDirty = true;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &mMaxTextureSize);
  glGetIntegerv(GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT, &mUniformAlignment);
  if (mUniformAlignment < 16) mUniformAlignment = 16;

  // Direct3D's depth range 0..1 and y pointing down, natively or in the vertex shader,
  // are set by ApplyTargets: they depend on the framebuffer drawn into.
  if (!mSpriteProgram.Create(!mClipControl, error)) return false;
  if (!mProgram.Create(error)) return false;
  glUseProgram(mProgram.Program());
  mApplied.program = mProgram.Program();

  const GLsizei width = static_cast<GLsizei>(mParameters.backBufferWidth);
  const GLsizei height = static_cast<GLsizei>(mParameters.backBufferHeight);
  glGenRenderbuffers(1, &mBackColor);
  glBindRenderbuffer(GL_RENDERBUFFER, mBackColor);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glGenRenderbuffers(1, &mBackDepth);
  glBindRenderbuffer(GL_RENDERBUFFER, mBackDepth);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
  glGenFramebuffers(1, &mBackFramebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, mBackFramebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, mBackColor);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                            mBackDepth);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    error = "the back buffer cannot be made";
    return false;
  }
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClearDepth(1.0);
  glClearStencil(0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glGenFramebuffers(1, &mTargetFramebuffer);

  // The window's framebuffer can be the back buffer only with a depth-stencil surface as
  // deep as the back buffer's.
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  GLint depthType = GL_NONE, stencilType = GL_NONE, depthBits = 0, stencilBits = 0;
  glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH,
                                        GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &depthType);
  glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_STENCIL,
                                        GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &stencilType);
  if (depthType != GL_NONE && stencilType != GL_NONE) {
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH,
                                          GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE, &depthBits);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_STENCIL,
                                          GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE, &stencilBits);
  }
  mWindowDepthStencil = !mForceFramebuffer && depthBits >= 24 && stencilBits >= 8;
  if (mWindowDepthStencil) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  }
  mApplied.drawFramebuffer = 0;
  mApplied.bottomUp = -1;
  mDirect = false;
  mTargetsUsed = false;
  mDepthClearPending = false;
  ChooseBackBuffer();

  glGenVertexArrays(1, &mVertexArray);
  glBindVertexArray(mVertexArray);
  mVertexStream.Create(GL_ARRAY_BUFFER, kVertexStreamBytes);
  mBlockStream.Create(GL_UNIFORM_BUFFER, kBlockStreamBytes);
  glGenBuffers(1, &mQuadIndices);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mQuadIndices);
  mApplied.elementBuffer = mQuadIndices;
  mQuadIndexCapacity = 0;
  // Vertices without a colour are white, as Direct3D's default diffuse.
  glVertexAttrib4f(2, 1.0f, 1.0f, 1.0f, 1.0f);
  glVertexAttrib4f(1, 0.0f, 0.0f, 0.0f, 0.0f);
  glVertexAttrib4f(3, 0.0f, 0.0f, 0.0f, 1.0f);

  glGenSamplers(1, &mSampler);
  glBindSampler(0, mSampler);
  glActiveTexture(GL_TEXTURE0);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  return glGetError() == GL_NO_ERROR || (error = "GL failed while making the device", false);
}

void GlDevice::DestroyGlObjects(bool contextAlive) {
  mProgram.Destroy();
  mSpriteProgram.Destroy();
  mVertexStream.Destroy(contextAlive);
  mBlockStream.Destroy(contextAlive);
  if (contextAlive) {
    glDeleteBuffers(1, &mQuadIndices);
    glDeleteVertexArrays(1, &mVertexArray);
    glDeleteSamplers(1, &mSampler);
    glDeleteFramebuffers(1, &mBackFramebuffer);
    glDeleteFramebuffers(1, &mTargetFramebuffer);
    glDeleteRenderbuffers(1, &mBackColor);
    glDeleteRenderbuffers(1, &mBackDepth);
  }
  mQuadIndices = mVertexArray = mSampler = mBackFramebuffer = mTargetFramebuffer = 0;
  mBackColor = mBackDepth = 0;
  mQuadIndexCapacity = 0;
}

void GlDevice::ResetStateToDefaults() {
  std::fill(std::begin(mRenderStates), std::end(mRenderStates), 0u);
  DWORD* rs = mRenderStates;
  rs[D3DRS_ZENABLE] = D3DZB_TRUE;  // the back buffer has its depth-stencil
  rs[D3DRS_FILLMODE] = 3;          // solid
  rs[D3DRS_SHADEMODE] = 2;         // Gouraud
  rs[D3DRS_ZWRITEENABLE] = 1;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_FOGSTART] = FloatBits(0.0f);
  rs[D3DRS_FOGEND] = FloatBits(1.0f);
  rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
  rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
  rs[D3DRS_CLIPPING] = 1;
  rs[D3DRS_LIGHTING] = 1;
  rs[D3DRS_COLORVERTEX] = 1;
  rs[D3DRS_LOCALVIEWER] = 1;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRS_COLORWRITEENABLE] = 0xF;
  rs[D3DRS_BLENDOP] = 1;  // add

  for (DWORD stage = 0; stage < kStages; ++stage) {
    DWORD* ss = mStageStates[stage];
    std::fill(ss, ss + kStageStates, 0u);
    ss[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ss[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ss[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    ss[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ss[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ss[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ss[D3DTSS_TEXCOORDINDEX] = stage;
    mStageTexture[stage] = nullptr;
  }
  for (DWORD sampler = 0; sampler < kSamplers; ++sampler) {
    DWORD* s = mSamplerStates[sampler];
    std::fill(s, s + kSamplerStates, 0u);
    s[D3DSAMP_ADDRESSU] = s[D3DSAMP_ADDRESSV] = s[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    s[D3DSAMP_MAGFILTER] = s[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    s[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
  }
  mFvf = 0;
  mWorld = mView = mProjection = gl_math::Identity();
  mOtherTransforms.clear();
  mLights.clear();
  mMaterial = D3DMATERIAL9{};
  mColorTarget = mBackBufferColor;
  mDepthTarget = mBackBufferDepth;
  mViewport = D3DVIEWPORT9(0, 0, mParameters.backBufferWidth, mParameters.backBufferHeight,
                           0.0f, 1.0f);
  mTargetsDirty = true;
  mBlockDirty = true;
}

// ---- State as set.

void GlDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (state >= 256 || mRenderStates[state] == value) return;
  mRenderStates[state] = value;
  mBlockDirty = true;
}

DWORD GlDevice::GetRenderState(D3DRENDERSTATETYPE state) const {
  return state < 256 ? mRenderStates[state] : 0u;
}

void GlDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= kStages || type >= kStageStates) return;
  mStageStates[stage][type] = value;
  if (stage == 0) mBlockDirty = true;
}

DWORD GlDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const {
  return stage < kStages && type < kStageStates ? mStageStates[stage][type] : 0u;
}

void GlDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  if (sampler >= kSamplers || type >= kSamplerStates) return;
  mSamplerStates[sampler][type] = value;
}

DWORD GlDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type) const {
  return sampler < kSamplers && type < kSamplerStates ? mSamplerStates[sampler][type] : 0u;
}

void GlDevice::SetFVF(DWORD fvf) {
  if (mFvf == fvf) return;
  mFvf = fvf;
  mBlockDirty = true;
}

void GlDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix) {
  switch (state) {
    case D3DTS_WORLD: mWorld = matrix; break;
    case D3DTS_VIEW: mView = matrix; break;
    case D3DTS_PROJECTION: mProjection = matrix; break;
    default: mOtherTransforms[state] = matrix; return;
  }
  mBlockDirty = true;
}

D3DMATRIX GlDevice::GetTransform(D3DTRANSFORMSTATETYPE state) const {
  switch (state) {
    case D3DTS_WORLD: return mWorld;
    case D3DTS_VIEW: return mView;
    case D3DTS_PROJECTION: return mProjection;
    default: {
      const auto found = mOtherTransforms.find(state);
      return found == mOtherTransforms.end() ? gl_math::Identity() : found->second;
    }
  }
}

void GlDevice::SetViewport(const D3DVIEWPORT9& viewport) {
  mViewport = viewport;
  mBlockDirty = true;
}

void GlDevice::SetLight(DWORD index, const D3DLIGHT9& light) {
  mLights[index].light = light;
  mBlockDirty = true;
}

void GlDevice::LightEnable(DWORD index, bool enable) {
  auto found = mLights.find(index);
  if (found == mLights.end()) {
    // Enabling a light never set gives Direct3D's default: white, directional, along +z.
    LightSlot slot{};
    slot.light.Type = D3DLIGHT_DIRECTIONAL;
    slot.light.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
    slot.light.Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
    found = mLights.emplace(index, slot).first;
  }
  found->second.enabled = enable;
  mBlockDirty = true;
}

void GlDevice::SetMaterial(const D3DMATERIAL9& material) {
  mMaterial = material;
  mBlockDirty = true;
}

void GlDevice::SetTexture(DWORD stage, Texture* texture) {
  if (stage >= kStages || mStageTexture[stage] == texture) return;
  mStageTexture[stage] = texture;
  if (stage == 0) mBlockDirty = true;
}

GlTexture* GlDevice::BoundGlTexture() const { return static_cast<GlTexture*>(mStageTexture[0]); }

// ---- Drawing.

GlDevice::VertexLayout GlDevice::LayoutOf(DWORD fvf) {
  VertexLayout layout;
  unsigned offset = 0;
  switch (fvf & 0x400E) {
    case D3DFVF_XYZ: offset = 12; break;
    case D3DFVF_XYZRHW:
      offset = 16;
      layout.pretransformed = true;
      layout.positionSize = 4;
      break;
    default: return layout;  // blended positions are not used by the engine
  }
  if (fvf & D3DFVF_NORMAL) {
    layout.normalOffset = static_cast<int>(offset);
    offset += 12;
  }
  if (fvf & 0x020) offset += 4;  // point size
  if (fvf & D3DFVF_DIFFUSE) {
    layout.diffuseOffset = static_cast<int>(offset);
    offset += 4;
  }
  if (fvf & D3DFVF_SPECULAR) offset += 4;
  const unsigned sets = (fvf >> 8) & 0xF;
  for (unsigned set = 0; set < sets; ++set) {
    static constexpr int kSizes[4] = {2, 3, 4, 1};
    const int size = kSizes[(fvf >> (16 + 2 * set)) & 3];
    if (set == 0) {
      layout.texCoordOffset = static_cast<int>(offset);
      layout.texCoordSize = size;
    }
    offset += static_cast<unsigned>(size) * 4;
  }
  layout.size = offset;
  layout.valid = true;
  return layout;
}

void GlDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned primitiveCount,
                               const void* vertices, unsigned stride) {
  if (!mContext || primitiveCount == 0 || !vertices) return;
  GLenum mode;
  unsigned count;
  switch (type) {
    case D3DPT_POINTLIST: mode = GL_POINTS; count = primitiveCount; break;
    case D3DPT_LINELIST: mode = GL_LINES; count = primitiveCount * 2; break;
    case D3DPT_LINESTRIP: mode = GL_LINE_STRIP; count = primitiveCount + 1; break;
    case D3DPT_TRIANGLELIST: mode = GL_TRIANGLES; count = primitiveCount * 3; break;
    case D3DPT_TRIANGLESTRIP: mode = GL_TRIANGLE_STRIP; count = primitiveCount + 2; break;
    case D3DPT_TRIANGLEFAN: mode = GL_TRIANGLE_FAN; count = primitiveCount + 2; break;
    default: return;
  }
  const VertexLayout layout = LayoutOf(mFvf);
  if (!layout.valid || stride < layout.size) return;
  PrepareDraw(mFvf, layout, stride, false, mVertexStream.Name());
  glBindBuffer(GL_ARRAY_BUFFER, mVertexStream.Name());
  const size_t offset = mVertexStream.Write(vertices, size_t{count} * stride, stride);
  glDrawArrays(mode, static_cast<GLint>(offset / stride), static_cast<GLsizei>(count));
}

MeshBufferRef GlDevice::CreateMeshBuffer(const void* vertices, unsigned vertexCount,
                                         unsigned stride, const std::uint16_t* indices,
                                         unsigned indexCount) {
  if (!vertices || !indices || vertexCount == 0 || stride == 0 || indexCount == 0) return nullptr;
  if (std::any_of(indices, indices + indexCount,
                  [vertexCount](std::uint16_t index) { return index >= vertexCount; })) {
    return nullptr;
  }
  auto buffer = std::make_shared<GlMeshBuffer>(*this, vertices, vertexCount, stride, indices,
                                               indexCount);
  // Without a context (a reset that failed) the buffers are made by the next good Reset.
  if (mContext && !buffer->CreateGlObjects()) {
    buffer->Detach();
    return nullptr;
  }
  mMeshBuffers.push_back(buffer.get());
  return buffer;
}

void GlDevice::DrawIndexedTriangles(MeshBuffer& buffer, unsigned startIndex,
                                    unsigned primitiveCount) {
  auto& mesh = static_cast<GlMeshBuffer&>(buffer);
  if (!mContext || primitiveCount == 0 || !mesh.Drawable()) return;
  const size_t count = size_t{primitiveCount} * 3;
  if (startIndex > mesh.IndexCount() || count > mesh.IndexCount() - startIndex) return;
  const VertexLayout layout = LayoutOf(mFvf);
  if (!layout.valid || mesh.Stride() < layout.size) return;
  PrepareDraw(mFvf, layout, mesh.Stride(), false, mesh.VertexName());
  BindElements(mesh.IndexName());
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_SHORT,
                 reinterpret_cast<const void*>(size_t{startIndex} * sizeof(std::uint16_t)));
}

void GlDevice::OnMeshBufferDestroyed(GlMeshBuffer* buffer) {
  mMeshBuffers.erase(std::remove(mMeshBuffers.begin(), mMeshBuffers.end(), buffer),
                     mMeshBuffers.end());
  buffer->DropGlObjects(mContext != nullptr);
}

void GlDevice::ForgetMeshBufferNames(GLuint vertexName, GLuint indexName) {
  // GL may hand the names out again; a binding cached under them must be made anew.
  if (vertexName && mApplied.layoutBuffer == vertexName) mApplied.layoutBuffer = ~0u;
  if (indexName && mApplied.elementBuffer == indexName) mApplied.elementBuffer = ~0u;
}

void GlDevice::BindElements(GLuint name) {
  if (mApplied.elementBuffer == name) return;
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, name);
  mApplied.elementBuffer = name;
}

void GlDevice::DrawSpriteQuads(const void* vertices, unsigned quadCount) {
  if (!mContext || quadCount == 0) return;
  constexpr unsigned kStride = 24;
  constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
  static const VertexLayout kLayout = LayoutOf(kFvf);
  float alphaReference;
  if (SpriteProgramFits(alphaReference)) {
    ApplyTargets();
    ApplyPipelineState();
    ApplyTextureAndSampler();
    ApplyLayout(kFvf, kLayout, kStride, true, mVertexStream.Name());
    ApplySpriteProgram(alphaReference);
  } else {
    PrepareDraw(kFvf, kLayout, kStride, true, mVertexStream.Name());
  }
  // Mesh draws bind their own indices; the quads use the shared quad list.
  BindElements(mQuadIndices);
  if (quadCount > mQuadIndexCapacity) {
    unsigned capacity = std::max(1024u, mQuadIndexCapacity);
    while (capacity < quadCount) capacity *= 2;
    std::vector<GLuint> indices(size_t{capacity} * 6);
    for (GLuint quad = 0; quad < capacity; ++quad) {
      const GLuint first = quad * 4;
      GLuint* out = &indices[size_t{quad} * 6];
      out[0] = first; out[1] = first + 1; out[2] = first + 2;
      out[3] = first; out[4] = first + 2; out[5] = first + 3;
    }
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)),
                 indices.data(), GL_STATIC_DRAW);
    mQuadIndexCapacity = capacity;
  }
  glBindBuffer(GL_ARRAY_BUFFER, mVertexStream.Name());
  const size_t offset = mVertexStream.Write(vertices, size_t{quadCount} * 4 * kStride, kStride);
  glDrawElementsBaseVertex(GL_TRIANGLES, static_cast<GLsizei>(quadCount * 6), GL_UNSIGNED_INT,
                           nullptr, static_cast<GLint>(offset / kStride));
}

void GlDevice::PrepareDraw(DWORD fvf, const VertexLayout& layout, unsigned stride,
                           bool spritePixels, GLuint vertexBuffer) {
  ApplyTargets();
  ApplyPipelineState();
  if (mEffectProgram && !spritePixels) {
    // The effect binds its own textures, on units other than stage 0's.
    ApplyLayout(fvf, layout, stride, false, vertexBuffer);
    UseProgram(mEffectProgram);
    ApplyEffectPixelOffset();
    return;
  }
  ApplyTextureAndSampler();
  // Sprite vertices carry their colour as R, G, B, A bytes.
  ApplyLayout(fvf, layout, stride, spritePixels, vertexBuffer);
  ApplyBlock(layout, spritePixels);
  UseProgram(mFixedProgram);
}

void GlDevice::UseProgram(GLuint program) {
  if (mApplied.program == program) return;
  glUseProgram(program);
  mApplied.program = program;
}

bool GlDevice::SpriteProgramFits(float& alphaReference) const {
  const DWORD* rs = mRenderStates;
  if (rs[D3DRS_LIGHTING] || rs[D3DRS_FOGENABLE]) return false;
  const DWORD* stage = mStageStates[0];
  if (stage[D3DTSS_COLOROP] != D3DTOP_MODULATE || stage[D3DTSS_COLORARG1] != D3DTA_TEXTURE ||
      stage[D3DTSS_COLORARG2] != D3DTA_DIFFUSE || stage[D3DTSS_ALPHAOP] != D3DTOP_MODULATE ||
      stage[D3DTSS_ALPHAARG1] != D3DTA_TEXTURE || stage[D3DTSS_ALPHAARG2] != D3DTA_DIFFUSE) {
    return false;
  }
  const GlTexture* texture = BoundGlTexture();
  if (!texture || !texture->Name() || texture->IsDepthStencil()) return false;
  alphaReference = -1.0f;
  if (rs[D3DRS_ALPHATESTENABLE] && rs[D3DRS_ALPHAFUNC] != D3DCMP_ALWAYS) {
    if (rs[D3DRS_ALPHAFUNC] != D3DCMP_GREATER) return false;
    alphaReference = static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF);
  }
  return true;
}

void GlDevice::ApplySpriteProgram(float alphaReference) {
  UseProgram(mSpriteProgram.Program());
  const D3DMATRIX transform = gl_math::Multiply(gl_math::Multiply(mWorld, mView), mProjection);
  if (!mApplied.spriteTransformValid ||
      std::memcmp(mApplied.spriteTransform, transform.m, sizeof mApplied.spriteTransform) != 0) {
    std::memcpy(mApplied.spriteTransform, transform.m, sizeof mApplied.spriteTransform);
    mApplied.spriteTransformValid = true;
    glUniformMatrix4fv(mSpriteProgram.TransformLocation(), 1, GL_FALSE, mApplied.spriteTransform);
  }
  if (mApplied.spriteAlphaReference != alphaReference) {
    mApplied.spriteAlphaReference = alphaReference;
    glUniform1f(mSpriteProgram.AlphaReferenceLocation(), alphaReference);
  }
  if (mSpriteProgram.YFlipLocation() >= 0 && mApplied.spriteYFlip != mApplied.yFlip) {
    mApplied.spriteYFlip = mApplied.yFlip;
    glUniform1f(mSpriteProgram.YFlipLocation(), mApplied.yFlip);
  }
}

void GlDevice::ApplyLayout(DWORD fvf, const VertexLayout& layout, unsigned stride,
                           bool rgbaColor, GLuint vertexBuffer) {
  if (mApplied.layoutFvf == fvf && mApplied.layoutStride == stride &&
      mApplied.layoutRgba == rgbaColor && mApplied.layoutBuffer == vertexBuffer) {
    return;
  }
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
  const auto at = [](int offset) { return reinterpret_cast<const void*>(static_cast<intptr_t>(offset)); };
  const GLsizei s = static_cast<GLsizei>(stride);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, layout.positionSize, GL_FLOAT, GL_FALSE, s, at(0));
  if (layout.normalOffset >= 0) {
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, s, at(layout.normalOffset));
  } else {
    glDisableVertexAttribArray(1);
  }
  if (layout.diffuseOffset >= 0) {
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, rgbaColor ? 4 : GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s,
                          at(layout.diffuseOffset));
  } else {
    glDisableVertexAttribArray(2);
  }
  if (layout.texCoordOffset >= 0) {
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, std::min(layout.texCoordSize, 2), GL_FLOAT, GL_FALSE, s,
                          at(layout.texCoordOffset));
  } else {
    glDisableVertexAttribArray(3);
  }
  mApplied.layoutFvf = fvf;
  mApplied.layoutStride = stride;
  mApplied.layoutRgba = rgbaColor;
  mApplied.layoutBuffer = vertexBuffer;
}

// ---- Presentation and loss.

DeviceResult GlDevice::Present() {
  ++mPresentCount;
  if (mLoss != Loss::kNone || !mContext) return DeviceResult::kDeviceLost;
  const bool scheduled = mLoseAtPresent != 0 && mPresentCount == mLoseAtPresent;
  bool contextReset = false;
  if (mRobust) contextReset = glGetGraphicsResetStatusARB() != GL_NO_ERROR;
  if (mLossRequested || scheduled || contextReset) {
    mRebuildContext = contextReset ||
                      (mLossRequested && mRequestedKind == LossKind::kContextReset);
    mLossRequested = false;
    mLoss = Loss::kLost;
    mLostAt = SDL_GetTicks();
    return DeviceResult::kDeviceLost;
  }
  if (!mDirect) {
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(mWindow, &width, &height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, mBackFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    mApplied.drawFramebuffer = 0;
    mApplied.bottomUp = -1;
    const GLint w = static_cast<GLint>(mParameters.backBufferWidth);
    const GLint h = static_cast<GLint>(mParameters.backBufferHeight);
    // The back buffer is stored top row first; the window's rows run bottom up.
    glBlitFramebuffer(0, 0, w, h, 0, height, width, 0, GL_COLOR_BUFFER_BIT,
                      (w == width && h == height) ? GL_NEAREST : GL_LINEAR);
  }
  SDL_GL_SwapWindow(mWindow);
  mVertexStream.EndFrame();
  mBlockStream.EndFrame();
  ChooseBackBuffer();
  return DeviceResult::kOk;
}

void GlDevice::ChooseBackBuffer() {
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(mWindow, &width, &height);
  const bool sameSize = width == static_cast<int>(mParameters.backBufferWidth) &&
                        height == static_cast<int>(mParameters.backBufferHeight);
  // A game that drew into a render target last frame likely does so again: it keeps the
  // framebuffer object, which render targets can share the back buffer's depth with.
  const bool direct = mWindowDepthStencil && sameSize && !mTargetsUsed;
  mTargetsUsed = false;
  if (mDirect && !direct && sameSize) MoveBackBufferOffWindow();
  mDirect = direct;
}

DeviceResult GlDevice::TestCooperativeLevel() {
  switch (mLoss) {
    case Loss::kNone: return DeviceResult::kOk;
    case Loss::kLost:
      if (SDL_GetTicks() - mLostAt < mLostHoldMs) return DeviceResult::kDeviceLost;
      mLoss = Loss::kResettable;
      return DeviceResult::kDeviceLost;
    case Loss::kResettable: break;
  }
  return DeviceResult::kDeviceNotReset;
}

bool GlDevice::Reset() {
  for (GlSprite* sprite : mSprites) sprite->OnLostDevice();
  if (mRebuildContext || !mContext) {
    // Everything made in the old context is gone with it: make the context and the
    // device's objects again, and refill the textures that keep a copy of their levels.
    for (GlTexture* texture : mTextures) texture->DropGlObject(false);
    for (GlMeshBuffer* buffer : mMeshBuffers) buffer->DropGlObjects(false);
    for (GlEffect* effect : mEffects) effect->DropGlObjects(false);
    if (mContext) {
      DestroyGlObjects(false);
      SDL_GL_DeleteContext(mContext);
      mContext = nullptr;
    }
    std::string error;
    if (!CreateContext(error) || !CreateGlObjects(error)) return false;
    for (GlTexture* texture : mTextures) texture->CreateGlObject();
    for (GlMeshBuffer* buffer : mMeshBuffers) buffer->CreateGlObjects();
    // The sources compiled before compile again; a failure leaves the effect drawing
    // nothing of its own (its passes then draw with the fixed-function program).
    for (GlEffect* effect : mEffects) {
      std::string effectErrors;
      effect->CreateGlObjects(effectErrors);
    }
    mRebuildContext = false;
  }
  ResetStateToDefaults();
  mApplied = AppliedState{};
  mBlockValid = false;
  EndEffectPass();
  mLoss = Loss::kNone;
  return true;
}

void GlDevice::SimulateDeviceLoss(LossKind kind) {
  mLossRequested = true;
  mRequestedKind = kind;
}

std::vector<std::uint32_t> GlDevice::ReadWindow(int& width, int& height) {
  width = height = 0;
  if (!mContext) return {};
  SDL_GL_GetDrawableSize(mWindow, &width, &height);
  std::vector<std::uint32_t> pixels(size_t(width) * size_t(height));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
  // GL's rows run bottom up.
  for (int row = 0; row < height / 2; ++row) {
    std::swap_ranges(pixels.begin() + ptrdiff_t(row) * width,
                     pixels.begin() + ptrdiff_t(row + 1) * width,
                     pixels.begin() + ptrdiff_t(height - 1 - row) * width);
  }
  return pixels;
}

std::unique_ptr<Sprite> GlDevice::CreateSprite() { return std::make_unique<GlSprite>(*this); }

EffectRef GlDevice::CreateEffectFromFile(const std::string& path, std::string& errors) {
  errors.clear();
  std::ifstream file(path, std::ios::binary);
  if (!file) return nullptr;
  std::ostringstream text;
  text << file.rdbuf();
  // A directory or an empty file: nothing to compile.
  if (text.str().empty()) return nullptr;
  auto effect = std::make_shared<GlEffect>(*this, path, text.str());
  if (!effect->Parse(errors)) {
    effect->Detach();
    return nullptr;
  }
  if (!mContext) {
    errors = path + ": error: the device has no GL context";
    effect->Detach();
    return nullptr;
  }
  if (!effect->CreateGlObjects(errors)) {
    effect->Detach();
    return nullptr;
  }
  mEffects.push_back(effect.get());
  return effect;
}

void GlDevice::OnEffectDestroyed(GlEffect* effect) {
  mEffects.erase(std::remove(mEffects.begin(), mEffects.end(), effect), mEffects.end());
  effect->DropGlObjects(mContext != nullptr);
}

void GlDevice::BeginEffectPass(GLuint program, GLint pixelOffsetLocation) {
  mEffectProgram = program;
  mEffectPixelOffsetLocation = pixelOffsetLocation;
  mEffectPixelOffsetSent = false;
  UseProgram(program);
}

void GlDevice::EndEffectPass() {
  mEffectProgram = 0;
  mEffectPixelOffsetLocation = -1;
}

void GlDevice::ForgetProgram(GLuint program) {
  if (mApplied.program == program) mApplied.program = ~0u;
  if (mEffectProgram == program) EndEffectPass();
}

void GlDevice::OnSpriteDestroyed(GlSprite* sprite) {
  mSprites.erase(std::remove(mSprites.begin(), mSprites.end(), sprite), mSprites.end());
}

}  // namespace platform
