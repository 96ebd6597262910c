// The drawing device on OpenGL 3.3 core: Direct3D 9's render states, transforms, lights
// and fixed-function drawing emulated by shaders. The back buffer is the window's own
// framebuffer when the two have the same size, so Present only swaps; otherwise (and in
// frames that draw into render targets) it is a framebuffer object that Present shows
// scaled in the window.
#pragma once

#include <SDL.h>
#include <epoxy/gl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Device.h"
#include "platform/gfx/gl/FixedFunctionProgram.h"
#include "platform/gfx/gl/GlMeshBuffer.h"
#include "platform/gfx/gl/GlStreamBuffer.h"
#include "platform/gfx/gl/GlTexture.h"

namespace platform {

class GlEffect;
class GlSprite;

class GlDevice final : public Device {
 public:
  /// Makes a GL context on `window` and the back buffer; null (with `error`) on failure.
  static std::unique_ptr<GlDevice> Create(SDL_Window* window, const PresentParameters& parameters,
                                          std::string* error = nullptr);
  ~GlDevice() override;

  void SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  DWORD GetRenderState(D3DRENDERSTATETYPE state) const override;
  void SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  void SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  void SetFVF(DWORD fvf) override;
  void SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix) override;
  D3DMATRIX GetTransform(D3DTRANSFORMSTATETYPE state) const override;
  void SetViewport(const D3DVIEWPORT9& viewport) override;
  D3DVIEWPORT9 GetViewport() const override { return mViewport; }
  void SetLight(DWORD index, const D3DLIGHT9& light) override;
  void LightEnable(DWORD index, bool enable) override;
  void SetMaterial(const D3DMATERIAL9& material) override;
  void SetTexture(DWORD stage, Texture* texture) override;
  void SetVertexShader(std::nullptr_t) override {}
  void SetPixelShader(std::nullptr_t) override {}

  void Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
  void BeginScene() override {}
  void EndScene() override {}
  void DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned primitiveCount, const void* vertices,
                       unsigned stride) override;
  MeshBufferRef CreateMeshBuffer(const void* vertices, unsigned vertexCount, unsigned stride,
                                 const std::uint16_t* indices, unsigned indexCount) override;
  void DrawIndexedTriangles(MeshBuffer& buffer, unsigned startIndex,
                            unsigned primitiveCount) override;
  DeviceResult Present() override;
  DeviceResult TestCooperativeLevel() override;
  bool Reset() override;

  SurfaceRef GetRenderTarget(DWORD index) override;
  void SetRenderTarget(DWORD index, Surface* surface) override;
  SurfaceRef GetDepthStencilSurface() override { return mDepthTarget; }
  void SetDepthStencilSurface(Surface* surface) override;

  TextureRef CreateTexture(unsigned width, unsigned height, unsigned levels, DWORD usage,
                           D3DFORMAT format, D3DPOOL pool) override;
  TextureRef CreateTexture(const std::vector<TextureLevelData>& levels, D3DPOOL pool) override;
  std::vector<std::uint32_t> ReadTexture(Texture& texture) override;
  std::vector<std::uint32_t> ReadBackBuffer() override;
  std::unique_ptr<Sprite> CreateSprite() override;
  EffectRef CreateEffectFromFile(const std::string& path, std::string& errors) override;
  SurfaceRef CreateDepthStencilSurface(unsigned width, unsigned height, D3DFORMAT format) override;

  // ---- Beyond Direct3D: tests and the other GL parts of the platform.

  enum class LossKind {
    kKeepContext,   ///< only the report: GL objects survive, as after a driver hiccup
    kContextReset,  ///< as a real reset: Reset rebuilds the context and every GL object
  };
  /// Makes the next Present report a lost device.
  void SimulateDeviceLoss(LossKind kind = LossKind::kKeepContext);
  /// The window's pixels as the last Present left them (A8R8G8B8, top row first).
  std::vector<std::uint32_t> ReadWindow(int& width, int& height);
  /// Level 0 of a texture as R, G, B, A floats per texel, top row first, without the
  /// 8-bit clamping of ReadTexture; empty when it cannot be read.
  std::vector<float> ReadTextureFloats(Texture& texture);
  /// True when glClipControl gives Direct3D's depth range and y direction.
  bool UsesClipControl() const { return mClipControl; }
  /// True when the back buffer is the window's framebuffer this frame (no blit at Present).
  bool DrawsIntoWindow() const { return mDirect; }
  /// Grows by one each time the GL context is made anew (after a real reset): GL objects
  /// of other parts must then be made again.
  unsigned ContextGeneration() const { return mContextGeneration; }

  DWORD GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const;
  DWORD GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type) const;
  DWORD GetFVF() const { return mFvf; }
  Texture* GetTexture(DWORD stage) const { return stage < kStages ? mStageTexture[stage] : nullptr; }

  // For the device's own textures and sprites.
  GLint MaxTextureSize() const { return mMaxTextureSize; }
  void OnTextureDestroyed(GlTexture* texture);
  void BindTextureForUpdate(GLuint name);
  void ForgetTextureName(GLuint name);
  void OnMeshBufferDestroyed(GlMeshBuffer* buffer);
  /// Buffer names about to be deleted: bindings cached for them no longer hold.
  void ForgetMeshBufferNames(GLuint vertexName, GLuint indexName);
  void OnEffectDestroyed(GlEffect* effect);
  /// Draws from now on use `program` (with the pixel-centre shift sent to
  /// `pixelOffsetLocation`) instead of the fixed-function program; sprites keep their own.
  void BeginEffectPass(GLuint program, GLint pixelOffsetLocation);
  /// Draws go back to the fixed-function program.
  void EndEffectPass();
  /// Makes `program` current, to send it uniforms.
  void UseProgramForUpdate(GLuint program) { UseProgram(program); }
  /// A program about to be deleted: nothing cached may still name it.
  void ForgetProgram(GLuint program);
  void OnSpriteCreated(GlSprite* sprite) { mSprites.push_back(sprite); }
  void OnSpriteDestroyed(GlSprite* sprite);
  /// Draws `quadCount` quads of four vertices each with the current state, with the
  /// sprite's pixel rule: vertex positions are pixel edges, so texels land on pixels. A
  /// vertex is the 0x142 layout except that its colour bytes are in R, G, B, A order.
  void DrawSpriteQuads(const void* vertices, unsigned quadCount);

 private:
  static constexpr DWORD kStages = 8;
  static constexpr DWORD kSamplers = 16;
  static constexpr DWORD kStageStates = 33;
  static constexpr DWORD kSamplerStates = 14;

  struct VertexLayout {
    bool valid = false;
    bool pretransformed = false;
    int positionSize = 3;
    int normalOffset = -1;
    int diffuseOffset = -1;
    int texCoordOffset = -1;
    int texCoordSize = 2;
    unsigned size = 0;
  };
  struct LightSlot {
    D3DLIGHT9 light;
    bool enabled = false;
  };
  /// GL state as last sent, so only changes are sent again; invalid values force a send.
  struct AppliedState {
    GLuint drawFramebuffer = ~0u;
    int bottomUp = -1;  ///< 1: drawing into the window, whose rows run bottom up
    float yFlip = 0.0f;  ///< the y sign the shaders apply without glClipControl
    GLint viewport[4] = {-1, -1, -1, -1};
    float depthRange[2] = {-1.0f, -1.0f};
    int blend = -1;
    GLenum blendSource = 0, blendDestination = 0, blendSourceAlpha = 0, blendDestinationAlpha = 0;
    GLenum blendEquation = 0;
    int depthTest = -1;
    int depthMask = -1;
    GLenum depthFunction = 0;
    int cull = -1;
    GLenum cullFace = 0;
    int colorMask = -1;
    GLenum polygonMode = 0;
    float polygonOffset[2] = {-1.0f, -1.0f};
    GLuint texture = ~0u;
    GLint minFilter = -1, magFilter = -1, wrapS = -1, wrapT = -1;
    D3DCOLOR borderColor = 0;
    bool borderValid = false;
    DWORD layoutFvf = ~0u;
    GLuint layoutBuffer = ~0u;  ///< the buffer the attribute pointers read
    GLuint elementBuffer = ~0u;
    unsigned layoutStride = 0;
    bool layoutRgba = false;
    size_t blockOffset = ~size_t{0};
    GLuint program = ~0u;
    float spriteTransform[16] = {};
    bool spriteTransformValid = false;
    float spriteAlphaReference = -2.0f;
    float spriteYFlip = 0.0f;
    D3DCOLOR clearColor = 0;
    bool clearColorValid = false;
    float clearDepth = -1.0f;
  };

  GlDevice(SDL_Window* window, const PresentParameters& parameters);
  bool CreateContext(std::string& error);
  bool CreateGlObjects(std::string& error);
  void DestroyGlObjects(bool contextAlive);
  void ResetStateToDefaults();

  static VertexLayout LayoutOf(DWORD fvf);
  /// `vertexBuffer`: where the vertices are, the stream buffer or a mesh's.
  void PrepareDraw(DWORD fvf, const VertexLayout& layout, unsigned stride, bool spritePixels,
                   GLuint vertexBuffer);
  void ApplyTargets();
  /// Chooses for the coming frame between the window's framebuffer and the back-buffer
  /// framebuffer object.
  void ChooseBackBuffer();
  /// From now on the back buffer is the framebuffer object, holding what the window had.
  void MoveBackBufferOffWindow();
  /// Carries out a clear of the back buffer's depth-stencil surface put off until
  /// something could see it.
  void ResolveDepthClear();
  void ApplyPipelineState();
  void ApplyTextureAndSampler();
  /// `rgbaColor`: the diffuse colour is four bytes in R, G, B, A order instead of a
  /// D3DCOLOR.
  void ApplyLayout(DWORD fvf, const VertexLayout& layout, unsigned stride, bool rgbaColor,
                   GLuint vertexBuffer);
  void BindElements(GLuint name);
  void ApplyBlock(const VertexLayout& layout, bool spritePixels);
  void UseProgram(GLuint program);
  /// Sends the active effect program the pixel-centre shift for the current viewport.
  void ApplyEffectPixelOffset();
  /// True when the sprite program draws what the general one would with the current
  /// state; `alphaReference` is then the reference it tests against (-1: no test).
  bool SpriteProgramFits(float& alphaReference) const;
  void ApplySpriteProgram(float alphaReference);
  void BuildBlock(const VertexLayout& layout, bool spritePixels, FixedFunctionBlock& block) const;
  bool TargetIsBackBuffer() const;
  GlTexture* BoundGlTexture() const;

  SDL_Window* mWindow;
  PresentParameters mParameters;
  SDL_GLContext mContext = nullptr;
  bool mClipControl = false;
  bool mRobust = false;
  bool mWindowDepthStencil = false;  ///< the window has 24-bit depth and 8-bit stencil
  bool mForceFramebuffer = false;    ///< never draw into the window directly
  bool mDirect = false;              ///< this frame's back buffer is the window's
  bool mTargetsUsed = false;         ///< this frame drew into a render target
  bool mDepthClearPending = false;   ///< the back buffer's depth is to be all mPendingDepth
  float mPendingDepth = 1.0f;
  GLint mMaxTextureSize = 0;
  GLint mUniformAlignment = 16;
  unsigned mContextGeneration = 0;

  // Direct3D state as set.
  DWORD mRenderStates[256] = {};
  DWORD mStageStates[kStages][kStageStates] = {};
  DWORD mSamplerStates[kSamplers][kSamplerStates] = {};
  DWORD mFvf = 0;
  D3DMATRIX mWorld{}, mView{}, mProjection{};
  std::map<DWORD, D3DMATRIX> mOtherTransforms;
  D3DVIEWPORT9 mViewport;
  std::map<DWORD, LightSlot> mLights;
  D3DMATERIAL9 mMaterial{};
  Texture* mStageTexture[kStages] = {};
  std::shared_ptr<GlSurface> mBackBufferColor, mBackBufferDepth;
  std::shared_ptr<GlSurface> mColorTarget, mDepthTarget;

  // GL objects.
  FixedFunctionProgram mProgram;
  GLuint mFixedProgram = 0;  ///< the fixed-function program for the block last built
  SpriteProgram mSpriteProgram;
  GLuint mBackFramebuffer = 0, mBackColor = 0, mBackDepth = 0;
  GLuint mTargetFramebuffer = 0;
  GLuint mVertexArray = 0;
  GLuint mSampler = 0;
  GlStreamBuffer mVertexStream, mBlockStream;
  GLuint mQuadIndices = 0;
  unsigned mQuadIndexCapacity = 0;

  // Caches.
  AppliedState mApplied;
  bool mTargetsDirty = true;
  bool mBlockDirty = true;
  FixedFunctionBlock mBlock{};
  bool mBlockValid = false;
  int mBlockKey = -1;

  // The effect pass drawing, if any.
  GLuint mEffectProgram = 0;
  GLint mEffectPixelOffsetLocation = -1;
  float mEffectPixelOffset[3] = {};
  bool mEffectPixelOffsetSent = false;

  // Device loss.
  enum class Loss { kNone, kLost, kResettable };
  Loss mLoss = Loss::kNone;
  bool mRebuildContext = false;
  bool mLossRequested = false;
  LossKind mRequestedKind = LossKind::kKeepContext;
  unsigned long mPresentCount = 0;
  unsigned long mLoseAtPresent = 0;
  Uint32 mLostHoldMs = 0;  // a loss stays this long before the device can be reset
  Uint32 mLostAt = 0;

  std::vector<GlTexture*> mTextures;
  std::vector<GlSprite*> mSprites;
  std::vector<GlMeshBuffer*> mMeshBuffers;
  std::vector<GlEffect*> mEffects;
};

}  // namespace platform
