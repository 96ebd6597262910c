// A drawing device for tests: it keeps the state the engine sets, records every call in
// order as a line of text ("SetRenderState(139, 4278190080)"), and can be told to fail
// creation steps or to report a lost device, so engine code can be checked without a
// window or a GPU.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/gfx/Device.h"

namespace platform::fake {

class RecordingDevice;

/// Shared by a device, its sprite and its textures: the lines in call order.
struct CallLog {
  std::vector<std::string> lines;
  /// Lines starting with `prefix` (for example "SetRenderState(").
  std::vector<std::string> Matching(const std::string& prefix) const;
  void Add(std::string line) { lines.push_back(std::move(line)); }
};

/// A texture whose levels live in memory: what is written under Lock stays readable.
class RecordingTexture final : public Texture {
 public:
  RecordingTexture(unsigned width, unsigned height, unsigned levels, DWORD usage,
                   D3DFORMAT format, D3DPOOL pool, std::shared_ptr<CallLog> log);
  ~RecordingTexture() override;

  unsigned Width() const override { return mWidth; }
  unsigned Height() const override { return mHeight; }
  unsigned Levels() const override { return static_cast<unsigned>(mLevels.size()); }
  D3DFORMAT Format() const override { return mFormat; }
  bool Lock(unsigned level, LockedRect& locked, DWORD flags) override;
  void Unlock(unsigned level) override;
  /// The same surface object for a level each time it is asked for.
  std::shared_ptr<Surface> GetSurfaceLevel(unsigned level) override;

  /// Words of a level, top row first, `LevelWidth(level)` per row.
  const std::vector<std::uint32_t>& Level(unsigned level) const { return mLevels.at(level); }
  std::vector<std::uint32_t>& Level(unsigned level) { return mLevels.at(level); }
  unsigned LevelWidth(unsigned level) const;
  unsigned LevelHeight(unsigned level) const;
  std::uint32_t Pixel(unsigned x, unsigned y) const { return mLevels.at(0).at(y * mWidth + x); }

  DWORD mUsage;
  D3DPOOL mPool;
  /// Lock attempts to refuse, counted down (a lock with these flags only, when set).
  int mFailLocks = 0;
  bool mFailLocksOnlyWithDiscard = false;
  std::vector<DWORD> mLockFlags;  ///< flags of every Lock call
  int mUnlocks = 0;

 private:
  unsigned mWidth;
  unsigned mHeight;
  D3DFORMAT mFormat;
  std::vector<std::vector<std::uint32_t>> mLevels;
  std::vector<std::shared_ptr<Surface>> mSurfaces;
  std::shared_ptr<CallLog> mLog;
};

/// A render target or depth-stencil surface of a given size.
class RecordingSurface final : public Surface {
 public:
  RecordingSurface(unsigned width, unsigned height) : mWidth(width), mHeight(height) {}
  unsigned Width() const override { return mWidth; }
  unsigned Height() const override { return mHeight; }

 private:
  unsigned mWidth;
  unsigned mHeight;
};

/// One quad queued on the sprite, with the transform current when it was drawn.
struct SpriteDraw {
  Texture* texture = nullptr;
  bool hasSource = false;
  RECT source{};
  bool hasCenter = false;
  D3DVECTOR center{};
  bool hasPosition = false;
  D3DVECTOR position{};
  D3DCOLOR color = 0;
  D3DMATRIX transform{};
};

class RecordingSprite final : public Sprite {
 public:
  explicit RecordingSprite(std::shared_ptr<CallLog> log);
  void Begin(DWORD flags) override;
  void SetTransform(const D3DMATRIX& transform) override;
  void Draw(Texture* texture, const RECT* source, const D3DVECTOR* center,
            const D3DVECTOR* position, D3DCOLOR color) override;
  void Flush() override;
  void End() override;
  void OnLostDevice() override;
  void OnResetDevice() override;

  std::vector<SpriteDraw> mDraws;  ///< every Draw since creation
  D3DMATRIX mTransform{};
  bool mInBatch = false;
  bool mLost = false;

 private:
  std::shared_ptr<CallLog> mLog;
};

/// Vertices and indices kept in memory as they were given.
class RecordingMeshBuffer final : public MeshBuffer {
 public:
  RecordingMeshBuffer(const void* vertices, unsigned vertexCount, unsigned stride,
                      const std::uint16_t* indices, unsigned indexCount);
  unsigned VertexCount() const override { return mVertexCount; }
  unsigned IndexCount() const override { return static_cast<unsigned>(mIndices.size()); }

  unsigned mVertexCount;
  unsigned mStride;
  std::vector<std::uint8_t> mVertices;
  std::vector<std::uint16_t> mIndices;
};

/// One DrawPrimitiveUP call with a copy of its vertices (for DrawIndexedTriangles, a
/// triangle list with the indexed vertices in index order).
struct PrimitiveDraw {
  D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
  unsigned primitiveCount = 0;
  unsigned stride = 0;
  DWORD fvf = 0;
  Texture* texture = nullptr;  ///< bound to stage 0 at the time
  D3DMATERIAL9 material{};     ///< the material at the time
  int effectPass = -1;         ///< the effect pass active at the time, -1 for none
  std::vector<std::uint8_t> vertices;
};

/// What an effect file holds for the recording device: the technique line, and the pass
/// shared by the device and its effects (the one begun last, -1 outside a pass).
class RecordingEffect final : public Effect {
 public:
  RecordingEffect(std::string path, std::string technique, unsigned passes,
                  std::shared_ptr<CallLog> log, std::shared_ptr<int> activePass);

  EffectHandle GetTechniqueByName(const char* name) override;
  EffectHandle GetParameterByName(const char* name) override;
  bool SetTechnique(EffectHandle technique) override;
  void SetMatrix(EffectHandle parameter, const D3DMATRIX& value) override;
  void SetVector(EffectHandle parameter, const float (&value)[4]) override;
  void SetFloat(EffectHandle parameter, float value) override;
  void SetBool(EffectHandle parameter, bool value) override;
  void SetTexture(EffectHandle parameter, Texture* texture) override;
  bool GetMatrix(EffectHandle parameter, D3DMATRIX& value) const override;
  bool GetVector(EffectHandle parameter, float (&value)[4]) const override;
  bool GetFloat(EffectHandle parameter, float& value) const override;
  bool GetBool(EffectHandle parameter, bool& value) const override;
  Texture* GetTexture(EffectHandle parameter) const override;
  void Begin(unsigned* passes, DWORD flags) override;
  void BeginPass(unsigned pass) override;
  void CommitChanges() override;
  void EndPass() override;
  void End() override;
  void OnLostDevice() override;
  void OnResetDevice() override;
  int CurrentPass() const override { return mPass; }

  /// The name a handle was given for; empty for an unknown handle.
  std::string NameOf(EffectHandle handle) const;

  std::string mPath;
  std::string mTechnique;
  unsigned mPasses;
  bool mBegun = false;
  bool mLost = false;
  EffectHandle mTechniqueSet = 0;
  int mCommits = 0;

 private:
  struct Value {
    float numbers[16] = {};
    Texture* texture = nullptr;
  };
  const Value* Find(EffectHandle parameter) const;
  Value* Find(EffectHandle parameter);

  std::shared_ptr<CallLog> mLog;
  std::shared_ptr<int> mActivePass;
  int mPass = -1;
  std::map<std::string, EffectHandle> mHandles;  ///< parameters and the technique
  std::map<EffectHandle, Value> mValues;         ///< parameters only
};

class RecordingDevice final : public Device {
 public:
  explicit RecordingDevice(const PresentParameters& parameters,
                           std::shared_ptr<CallLog> log = std::make_shared<CallLog>());

  void SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  DWORD GetRenderState(D3DRENDERSTATETYPE state) const override;
  void SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  void SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  void SetFVF(DWORD fvf) override;
  void SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix) override;
  D3DMATRIX GetTransform(D3DTRANSFORMSTATETYPE state) const override;
  void SetViewport(const D3DVIEWPORT9& viewport) override;
  D3DVIEWPORT9 GetViewport() const override;
  void SetLight(DWORD index, const D3DLIGHT9& light) override;
  void LightEnable(DWORD index, bool enable) override;
  void SetMaterial(const D3DMATERIAL9& material) override;
  void SetTexture(DWORD stage, Texture* texture) override;
  void SetVertexShader(std::nullptr_t) override;
  void SetPixelShader(std::nullptr_t) override;
  void Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
  void BeginScene() override;
  void EndScene() override;
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
  SurfaceRef GetDepthStencilSurface() override;
  void SetDepthStencilSurface(Surface* surface) override;
  TextureRef CreateTexture(unsigned width, unsigned height, unsigned levels, DWORD usage,
                           D3DFORMAT format, D3DPOOL pool) override;
  TextureRef CreateTexture(const std::vector<TextureLevelData>& levels, D3DPOOL pool) override;
  std::vector<std::uint32_t> ReadTexture(Texture& texture) override;
  std::vector<std::uint32_t> ReadBackBuffer() override;
  std::unique_ptr<Sprite> CreateSprite() override;
  /// Reads the file's technique line; a line "//! fail" makes it a compile error.
  EffectRef CreateEffectFromFile(const std::string& path, std::string& errors) override;
  SurfaceRef CreateDepthStencilSurface(unsigned width, unsigned height, D3DFORMAT format) override;

  // --- what tests read -------------------------------------------------------------
  const std::vector<std::string>& Calls() const { return mLog->lines; }
  std::vector<std::string> Calls(const std::string& prefix) const { return mLog->Matching(prefix); }
  void ClearCalls() { mLog->lines.clear(); }
  /// Default-pool textures created by this device that still exist.
  int LiveDefaultPoolTextures() const;

  PresentParameters mParameters;
  std::map<DWORD, DWORD> mRenderStates;
  std::map<std::pair<DWORD, DWORD>, DWORD> mStageStates;    ///< (stage, type)
  std::map<std::pair<DWORD, DWORD>, DWORD> mSamplerStates;  ///< (sampler, type)
  std::map<DWORD, D3DMATRIX> mTransforms;
  std::map<DWORD, D3DLIGHT9> mLights;
  std::set<DWORD> mEnabledLights;
  D3DMATERIAL9 mMaterial{};
  D3DVIEWPORT9 mViewport{};
  DWORD mFvf = 0;
  std::map<DWORD, Texture*> mTextures;  ///< bound per stage
  std::vector<PrimitiveDraw> mDraws;
  std::vector<std::uint32_t> mBackBuffer;  ///< filled by Clear with the colour
  bool mInScene = false;
  int mPresents = 0;
  int mResets = 0;
  RecordingSprite* mSprite = nullptr;  ///< the last sprite made (owned by the caller)
  RecordingEffect* mLastEffect = nullptr;  ///< the last effect made (owned by the caller)

  // --- what tests set --------------------------------------------------------------
  /// The next Present reports a lost device; TestCooperativeLevel then reports lost this
  /// many more times before the device can be reset.
  void LoseOnNextPresent(int lostPolls = 0) {
    mLoseOnNextPresent = true;
    mLostPollsLeft = lostPolls;
  }
  bool mResetSucceeds = true;
  /// CreateSprite returns null.
  bool mFailSprite = false;
  /// Reset fails while default-pool textures exist, as Direct3D 9 does.
  bool mStrictReset = false;
  /// Texture creations to refuse: counted down, and only for these pools when not empty.
  int mFailTextureCreations = 0;
  std::set<D3DPOOL> mFailPools;
  unsigned mMaxTextureSide = 16384;
  /// Lock failures every texture made from now on starts with.
  int mFailLocksOnNewTextures = 0;
  bool mFailLocksOnlyWithDiscard = false;
  std::vector<std::weak_ptr<RecordingTexture>> mCreatedTextures;

 private:
  bool RefuseTexture(unsigned width, unsigned height, D3DPOOL pool);

  std::shared_ptr<CallLog> mLog;
  bool mLost = false;
  bool mLoseOnNextPresent = false;
  int mLostPollsLeft = 0;
  SurfaceRef mBackBufferSurface;
  SurfaceRef mDepthStencilSurface;
  std::shared_ptr<int> mEffectPass = std::make_shared<int>(-1);
  Surface* mRenderTarget = nullptr;
  Surface* mDepthStencil = nullptr;
};

/// Device creation for tests: chosen attempts fail, every attempt is recorded.
class RecordingGraphics final : public Graphics {
 public:
  bool GetAdapterDisplayMode() override;
  std::unique_ptr<Device> CreateDevice(DeviceType type, VertexProcessing processing,
                                       const PresentParameters& parameters) override;

  bool mDisplayModeReadable = true;
  /// Attempts (in order of arrival, from 0) that fail.
  std::set<int> mFailingAttempts;
  std::vector<std::pair<DeviceType, VertexProcessing>> mAttempts;
  PresentParameters mLastParameters;
  RecordingDevice* mLastDevice = nullptr;  ///< owned by whoever took the device
  /// The sprite of devices made from now on cannot be created.
  bool mFailSprite = false;
};

/// The text of one recorded call, as the device writes it: Line("SetFVF", 322).
std::string Line(const char* name, std::initializer_list<double> arguments);

}  // namespace platform::fake
