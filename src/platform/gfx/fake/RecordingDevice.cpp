// The recording device: state kept in maps, every call written to the shared log.
#include "platform/gfx/fake/RecordingDevice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/gfx/EffectSource.h"

namespace platform::fake {
namespace {

std::string Number(double value) {
  char text[64];
  if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15) {
    std::snprintf(text, sizeof text, "%.0f", value);
  } else {
    std::snprintf(text, sizeof text, "%.9g", value);
  }
  return text;
}

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

}  // namespace

std::string Line(const char* name, std::initializer_list<double> arguments) {
  std::string line = name;
  line += '(';
  bool first = true;
  for (double argument : arguments) {
    if (!first) line += ", ";
    line += Number(argument);
    first = false;
  }
  line += ')';
  return line;
}

std::vector<std::string> CallLog::Matching(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const std::string& line : lines) {
    if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
  }
  return found;
}

// --- texture ----------------------------------------------------------------------

RecordingTexture::RecordingTexture(unsigned width, unsigned height, unsigned levels,
                                   DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                   std::shared_ptr<CallLog> log)
    : mUsage(usage), mPool(pool), mWidth(width), mHeight(height), mFormat(format),
      mLog(std::move(log)) {
  if (levels == 0) {  // a full chain down to 1 x 1
    levels = 1;
    for (unsigned side = std::max(width, height); side > 1; side >>= 1) ++levels;
  }
  mLevels.resize(levels);
  for (unsigned level = 0; level < levels; ++level) {
    mLevels[level].assign(std::size_t(LevelWidth(level)) * LevelHeight(level), 0u);
  }
}

RecordingTexture::~RecordingTexture() {
  mLog->Add(Line("ReleaseTexture", {double(mWidth), double(mHeight)}));
}

unsigned RecordingTexture::LevelWidth(unsigned level) const {
  return std::max(1u, mWidth >> level);
}
unsigned RecordingTexture::LevelHeight(unsigned level) const {
  return std::max(1u, mHeight >> level);
}

bool RecordingTexture::Lock(unsigned level, LockedRect& locked, DWORD flags) {
  mLockFlags.push_back(flags);
  mLog->Add(Line("LockTexture", {double(level), double(flags)}));
  const bool refusable = !mFailLocksOnlyWithDiscard || (flags & D3DLOCK_DISCARD);
  if (mFailLocks > 0 && refusable) {
    --mFailLocks;
    return false;
  }
  if (level >= mLevels.size() || mFormat != D3DFMT_A8R8G8B8) return false;
  locked.pitch = static_cast<int>(LevelWidth(level) * 4);
  locked.bits = mLevels[level].data();
  return true;
}

std::shared_ptr<Surface> RecordingTexture::GetSurfaceLevel(unsigned level) {
  if (level >= mLevels.size()) return nullptr;
  mSurfaces.resize(mLevels.size());
  if (!mSurfaces[level]) {
    mSurfaces[level] = std::make_shared<RecordingSurface>(LevelWidth(level), LevelHeight(level));
  }
  return mSurfaces[level];
}

void RecordingTexture::Unlock(unsigned level) {
  ++mUnlocks;
  mLog->Add(Line("UnlockTexture", {double(level)}));
}

// --- sprite -----------------------------------------------------------------------

RecordingSprite::RecordingSprite(std::shared_ptr<CallLog> log)
    : mTransform(Identity()), mLog(std::move(log)) {}

void RecordingSprite::Begin(DWORD flags) {
  mInBatch = true;
  mLog->Add(Line("Sprite.Begin", {double(flags)}));
}
void RecordingSprite::SetTransform(const D3DMATRIX& transform) {
  mTransform = transform;
  mLog->Add("Sprite.SetTransform()");
}
void RecordingSprite::Draw(Texture* texture, const RECT* source, const D3DVECTOR* center,
                           const D3DVECTOR* position, D3DCOLOR color) {
  SpriteDraw draw;
  draw.texture = texture;
  if (source) {
    draw.hasSource = true;
    draw.source = *source;
  }
  if (center) {
    draw.hasCenter = true;
    draw.center = *center;
  }
  if (position) {
    draw.hasPosition = true;
    draw.position = *position;
  }
  draw.color = color;
  draw.transform = mTransform;
  mDraws.push_back(draw);
  mLog->Add(Line("Sprite.Draw", {double(color)}));
}
void RecordingSprite::Flush() { mLog->Add("Sprite.Flush()"); }
void RecordingSprite::End() {
  mInBatch = false;
  mLog->Add("Sprite.End()");
}
void RecordingSprite::OnLostDevice() {
  mLost = true;
  mLog->Add("Sprite.OnLostDevice()");
}
void RecordingSprite::OnResetDevice() {
  mLost = false;
  mLog->Add("Sprite.OnResetDevice()");
}

// --- device -----------------------------------------------------------------------

RecordingDevice::RecordingDevice(const PresentParameters& parameters,
                                 std::shared_ptr<CallLog> log)
    : mParameters(parameters), mLog(std::move(log)) {
  mViewport = D3DVIEWPORT9{0, 0, parameters.backBufferWidth, parameters.backBufferHeight,
                           0.0f, 1.0f};
  mBackBuffer.assign(std::size_t(parameters.backBufferWidth) * parameters.backBufferHeight, 0u);
  mBackBufferSurface =
      std::make_shared<RecordingSurface>(parameters.backBufferWidth, parameters.backBufferHeight);
  mDepthStencilSurface =
      std::make_shared<RecordingSurface>(parameters.backBufferWidth, parameters.backBufferHeight);
  mRenderTarget = mBackBufferSurface.get();
  mDepthStencil = mDepthStencilSurface.get();
}

void RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  mRenderStates[state] = value;
  mLog->Add(Line("SetRenderState", {double(state), double(value)}));
}
DWORD RecordingDevice::GetRenderState(D3DRENDERSTATETYPE state) const {
  auto it = mRenderStates.find(state);
  return it == mRenderStates.end() ? 0 : it->second;
}
void RecordingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                           DWORD value) {
  mStageStates[{stage, type}] = value;
  mLog->Add(Line("SetTextureStageState", {double(stage), double(type), double(value)}));
}
void RecordingDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  mSamplerStates[{sampler, type}] = value;
  mLog->Add(Line("SetSamplerState", {double(sampler), double(type), double(value)}));
}
void RecordingDevice::SetFVF(DWORD fvf) {
  mFvf = fvf;
  mLog->Add(Line("SetFVF", {double(fvf)}));
}
void RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix) {
  mTransforms[state] = matrix;
  mLog->Add(Line("SetTransform", {double(state)}));
}
D3DMATRIX RecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE state) const {
  auto it = mTransforms.find(state);
  return it == mTransforms.end() ? Identity() : it->second;
}
void RecordingDevice::SetViewport(const D3DVIEWPORT9& viewport) {
  mViewport = viewport;
  mLog->Add(Line("SetViewport", {double(viewport.X), double(viewport.Y),
                                 double(viewport.Width), double(viewport.Height)}));
}
D3DVIEWPORT9 RecordingDevice::GetViewport() const { return mViewport; }
void RecordingDevice::SetLight(DWORD index, const D3DLIGHT9& light) {
  mLights[index] = light;
  mLog->Add(Line("SetLight", {double(index)}));
}
void RecordingDevice::LightEnable(DWORD index, bool enable) {
  if (enable) mEnabledLights.insert(index);
  else mEnabledLights.erase(index);
  mLog->Add(Line("LightEnable", {double(index), enable ? 1.0 : 0.0}));
}
void RecordingDevice::SetMaterial(const D3DMATERIAL9& material) {
  mMaterial = material;
  mLog->Add("SetMaterial()");
}
void RecordingDevice::SetTexture(DWORD stage, Texture* texture) {
  mTextures[stage] = texture;
  mLog->Add(Line("SetTexture", {double(stage), texture ? 1.0 : 0.0}));
}
void RecordingDevice::SetVertexShader(std::nullptr_t) { mLog->Add("SetVertexShader()"); }
void RecordingDevice::SetPixelShader(std::nullptr_t) { mLog->Add("SetPixelShader()"); }

void RecordingDevice::Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  if (flags & D3DCLEAR_TARGET) std::fill(mBackBuffer.begin(), mBackBuffer.end(), color);
  mLog->Add(Line("Clear", {double(flags), double(color), double(z), double(stencil)}));
}
void RecordingDevice::BeginScene() {
  mInScene = true;
  mLog->Add("BeginScene()");
}
void RecordingDevice::EndScene() {
  mInScene = false;
  mLog->Add("EndScene()");
}
void RecordingDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned primitiveCount,
                                      const void* vertices, unsigned stride) {
  PrimitiveDraw draw;
  draw.type = type;
  draw.primitiveCount = primitiveCount;
  draw.stride = stride;
  draw.fvf = mFvf;
  auto bound = mTextures.find(0);
  draw.texture = bound == mTextures.end() ? nullptr : bound->second;
  draw.material = mMaterial;
  draw.effectPass = *mEffectPass;
  unsigned vertexCount = 0;
  switch (type) {
    case D3DPT_POINTLIST: vertexCount = primitiveCount; break;
    case D3DPT_LINELIST: vertexCount = primitiveCount * 2; break;
    case D3DPT_LINESTRIP: vertexCount = primitiveCount + 1; break;
    case D3DPT_TRIANGLELIST: vertexCount = primitiveCount * 3; break;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: vertexCount = primitiveCount + 2; break;
  }
  if (vertices && primitiveCount) {
    const auto* bytes = static_cast<const std::uint8_t*>(vertices);
    draw.vertices.assign(bytes, bytes + std::size_t(vertexCount) * stride);
  }
  mDraws.push_back(std::move(draw));
  mLog->Add(Line("DrawPrimitiveUP", {double(type), double(primitiveCount), double(stride)}));
}

RecordingMeshBuffer::RecordingMeshBuffer(const void* vertices, unsigned vertexCount,
                                         unsigned stride, const std::uint16_t* indices,
                                         unsigned indexCount)
    : mVertexCount(vertexCount), mStride(stride) {
  const auto* bytes = static_cast<const std::uint8_t*>(vertices);
  mVertices.assign(bytes, bytes + std::size_t(vertexCount) * stride);
  mIndices.assign(indices, indices + indexCount);
}

MeshBufferRef RecordingDevice::CreateMeshBuffer(const void* vertices, unsigned vertexCount,
                                                unsigned stride, const std::uint16_t* indices,
                                                unsigned indexCount) {
  mLog->Add(Line("CreateMeshBuffer", {double(vertexCount), double(stride), double(indexCount)}));
  if (!vertices || !indices || vertexCount == 0 || stride == 0 || indexCount == 0) return nullptr;
  for (unsigned i = 0; i < indexCount; ++i) {
    if (indices[i] >= vertexCount) return nullptr;
  }
  return std::make_shared<RecordingMeshBuffer>(vertices, vertexCount, stride, indices,
                                               indexCount);
}

void RecordingDevice::DrawIndexedTriangles(MeshBuffer& buffer, unsigned startIndex,
                                           unsigned primitiveCount) {
  mLog->Add(Line("DrawIndexedTriangles", {double(startIndex), double(primitiveCount)}));
  auto& mesh = static_cast<RecordingMeshBuffer&>(buffer);
  const std::size_t end = std::size_t(startIndex) + std::size_t(primitiveCount) * 3;
  if (primitiveCount == 0 || end > mesh.mIndices.size()) return;
  PrimitiveDraw draw;
  draw.type = D3DPT_TRIANGLELIST;
  draw.primitiveCount = primitiveCount;
  draw.stride = mesh.mStride;
  draw.fvf = mFvf;
  auto bound = mTextures.find(0);
  draw.texture = bound == mTextures.end() ? nullptr : bound->second;
  draw.material = mMaterial;
  draw.effectPass = *mEffectPass;
  draw.vertices.reserve((end - startIndex) * mesh.mStride);
  for (std::size_t i = startIndex; i < end; ++i) {
    const std::uint8_t* vertex = &mesh.mVertices[std::size_t(mesh.mIndices[i]) * mesh.mStride];
    draw.vertices.insert(draw.vertices.end(), vertex, vertex + mesh.mStride);
  }
  mDraws.push_back(std::move(draw));
}

DeviceResult RecordingDevice::Present() {
  ++mPresents;
  mLog->Add("Present()");
  if (mLoseOnNextPresent) {
    mLoseOnNextPresent = false;
    mLost = true;
  }
  return mLost ? DeviceResult::kDeviceLost : DeviceResult::kOk;
}

DeviceResult RecordingDevice::TestCooperativeLevel() {
  mLog->Add("TestCooperativeLevel()");
  if (!mLost) return DeviceResult::kOk;
  if (mLostPollsLeft > 0) {
    --mLostPollsLeft;
    return DeviceResult::kDeviceLost;
  }
  return DeviceResult::kDeviceNotReset;
}

int RecordingDevice::LiveDefaultPoolTextures() const {
  int live = 0;
  for (const auto& weak : mCreatedTextures) {
    if (auto texture = weak.lock()) live += texture->mPool == D3DPOOL_DEFAULT;
  }
  return live;
}

bool RecordingDevice::Reset() {
  mLog->Add("Reset()");
  if (!mResetSucceeds) return false;
  if (mStrictReset && LiveDefaultPoolTextures() > 0) return false;
  ++mResets;
  mLost = false;
  // A reset device starts over: default states, new back-buffer surfaces.
  mRenderStates.clear();
  mStageStates.clear();
  mSamplerStates.clear();
  mTransforms.clear();
  mTextures.clear();
  mFvf = 0;
  mBackBufferSurface = std::make_shared<RecordingSurface>(mParameters.backBufferWidth,
                                                          mParameters.backBufferHeight);
  mDepthStencilSurface = std::make_shared<RecordingSurface>(mParameters.backBufferWidth,
                                                            mParameters.backBufferHeight);
  mRenderTarget = mBackBufferSurface.get();
  mDepthStencil = mDepthStencilSurface.get();
  return true;
}

SurfaceRef RecordingDevice::GetRenderTarget(DWORD index) {
  mLog->Add(Line("GetRenderTarget", {double(index)}));
  return index == 0 ? mBackBufferSurface : nullptr;
}
void RecordingDevice::SetRenderTarget(DWORD index, Surface* surface) {
  if (index == 0) mRenderTarget = surface;
  mLog->Add(Line("SetRenderTarget", {double(index), surface ? 1.0 : 0.0}));
}
SurfaceRef RecordingDevice::GetDepthStencilSurface() {
  mLog->Add("GetDepthStencilSurface()");
  return mDepthStencilSurface;
}
void RecordingDevice::SetDepthStencilSurface(Surface* surface) {
  mDepthStencil = surface;
  mLog->Add(Line("SetDepthStencilSurface", {surface ? 1.0 : 0.0}));
}

bool RecordingDevice::RefuseTexture(unsigned width, unsigned height, D3DPOOL pool) {
  if (width == 0 || height == 0 || width > mMaxTextureSide || height > mMaxTextureSide) {
    return true;
  }
  if (mFailTextureCreations > 0 && (mFailPools.empty() || mFailPools.count(pool))) {
    --mFailTextureCreations;
    return true;
  }
  return false;
}

TextureRef RecordingDevice::CreateTexture(unsigned width, unsigned height, unsigned levels,
                                          DWORD usage, D3DFORMAT format, D3DPOOL pool) {
  mLog->Add(Line("CreateTexture", {double(width), double(height), double(levels),
                                   double(usage), double(format), double(pool)}));
  if (RefuseTexture(width, height, pool)) return nullptr;
  auto texture =
      std::make_shared<RecordingTexture>(width, height, levels, usage, format, pool, mLog);
  texture->mFailLocks = mFailLocksOnNewTextures;
  texture->mFailLocksOnlyWithDiscard = mFailLocksOnlyWithDiscard;
  mCreatedTextures.push_back(texture);
  return texture;
}

TextureRef RecordingDevice::CreateTexture(const std::vector<TextureLevelData>& levels,
                                          D3DPOOL pool) {
  const unsigned width = levels.empty() ? 0 : levels[0].width;
  const unsigned height = levels.empty() ? 0 : levels[0].height;
  mLog->Add(Line("CreateTextureFromData",
                 {double(width), double(height), double(levels.size()), double(pool)}));
  if (levels.empty() || RefuseTexture(width, height, pool)) return nullptr;
  auto texture = std::make_shared<RecordingTexture>(
      width, height, static_cast<unsigned>(levels.size()), 0, D3DFMT_A8R8G8B8, pool, mLog);
  for (unsigned level = 0; level < levels.size(); ++level) {
    const TextureLevelData& data = levels[level];
    std::vector<std::uint32_t>& words = texture->Level(level);
    if (!data.pixels || data.width != texture->LevelWidth(level) ||
        data.height != texture->LevelHeight(level)) {
      return nullptr;  // a level of the wrong size cannot be uploaded
    }
    std::copy(data.pixels, data.pixels + words.size(), words.begin());
  }
  texture->mFailLocks = mFailLocksOnNewTextures;
  mCreatedTextures.push_back(texture);
  return texture;
}

std::vector<std::uint32_t> RecordingDevice::ReadTexture(Texture& texture) {
  mLog->Add("ReadTexture()");
  auto* recorded = dynamic_cast<RecordingTexture*>(&texture);
  if (!recorded) return {};
  return recorded->Level(0);
}

std::vector<std::uint32_t> RecordingDevice::ReadBackBuffer() { return mBackBuffer; }

std::unique_ptr<Sprite> RecordingDevice::CreateSprite() {
  mLog->Add("CreateSprite()");
  if (mFailSprite) return nullptr;
  auto sprite = std::make_unique<RecordingSprite>(mLog);
  mSprite = sprite.get();
  return sprite;
}

EffectRef RecordingDevice::CreateEffectFromFile(const std::string& path, std::string& errors) {
  errors.clear();
  std::ifstream file(path, std::ios::binary);
  if (!file) return nullptr;
  std::ostringstream text;
  text << file.rdbuf();
  if (text.str().empty()) return nullptr;  // a directory or an empty file
  EffectLayout layout;
  if (!ReadEffectLayout(path, text.str(), layout, errors)) return nullptr;
  // A line "//! fail" stands for a compiler that refuses the file.
  std::istringstream lines(text.str());
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (line.compare(0, 8, "//! fail") == 0) {
      errors = path + "(" + std::to_string(number) + "): error: compilation refused";
      return nullptr;
    }
  }
  auto effect = std::make_shared<RecordingEffect>(path, layout.technique, layout.passes, mLog,
                                                  mEffectPass);
  mLastEffect = effect.get();
  return effect;
}

SurfaceRef RecordingDevice::CreateDepthStencilSurface(unsigned width, unsigned height,
                                                      D3DFORMAT format) {
  mLog->Add(Line("CreateDepthStencilSurface", {double(width), double(height), double(format)}));
  if (width == 0 || height == 0 || width > mMaxTextureSide || height > mMaxTextureSide) {
    return nullptr;
  }
  return std::make_shared<RecordingSurface>(width, height);
}

// --- effect -----------------------------------------------------------------------

RecordingEffect::RecordingEffect(std::string path, std::string technique, unsigned passes,
                                 std::shared_ptr<CallLog> log, std::shared_ptr<int> activePass)
    : mPath(std::move(path)), mTechnique(std::move(technique)), mPasses(passes),
      mLog(std::move(log)), mActivePass(std::move(activePass)) {
  mHandles[mTechnique] = 1;
}

EffectHandle RecordingEffect::GetTechniqueByName(const char* name) {
  return name && mTechnique == name ? mHandles[mTechnique] : 0;
}

EffectHandle RecordingEffect::GetParameterByName(const char* name) {
  if (!name || mTechnique == name) return 0;
  auto found = mHandles.find(name);
  if (found != mHandles.end()) return found->second;
  const EffectHandle handle = mHandles.size() + 1;
  mHandles.emplace(name, handle);
  mValues[handle];
  return handle;
}

std::string RecordingEffect::NameOf(EffectHandle handle) const {
  for (const auto& [name, value] : mHandles) {
    if (value == handle) return name;
  }
  return {};
}

const RecordingEffect::Value* RecordingEffect::Find(EffectHandle parameter) const {
  auto found = mValues.find(parameter);
  return found == mValues.end() ? nullptr : &found->second;
}

RecordingEffect::Value* RecordingEffect::Find(EffectHandle parameter) {
  auto found = mValues.find(parameter);
  return found == mValues.end() ? nullptr : &found->second;
}

bool RecordingEffect::SetTechnique(EffectHandle technique) {
  mLog->Add("Effect.SetTechnique");
  if (technique == 0 || technique != mHandles[mTechnique]) return false;
  mTechniqueSet = technique;
  return true;
}

void RecordingEffect::SetMatrix(EffectHandle parameter, const D3DMATRIX& value) {
  if (Value* v = Find(parameter)) std::memcpy(v->numbers, value.m, sizeof v->numbers);
}
void RecordingEffect::SetVector(EffectHandle parameter, const float (&value)[4]) {
  if (Value* v = Find(parameter)) std::copy(value, value + 4, v->numbers);
}
void RecordingEffect::SetFloat(EffectHandle parameter, float value) {
  if (Value* v = Find(parameter)) v->numbers[0] = value;
}
void RecordingEffect::SetBool(EffectHandle parameter, bool value) {
  if (Value* v = Find(parameter)) v->numbers[0] = value ? 1.0f : 0.0f;
}
void RecordingEffect::SetTexture(EffectHandle parameter, Texture* texture) {
  if (Value* v = Find(parameter)) v->texture = texture;
}

bool RecordingEffect::GetMatrix(EffectHandle parameter, D3DMATRIX& value) const {
  const Value* v = Find(parameter);
  if (v) std::memcpy(value.m, v->numbers, sizeof v->numbers);
  return v != nullptr;
}
bool RecordingEffect::GetVector(EffectHandle parameter, float (&value)[4]) const {
  const Value* v = Find(parameter);
  if (v) std::copy(v->numbers, v->numbers + 4, value);
  return v != nullptr;
}
bool RecordingEffect::GetFloat(EffectHandle parameter, float& value) const {
  const Value* v = Find(parameter);
  if (v) value = v->numbers[0];
  return v != nullptr;
}
bool RecordingEffect::GetBool(EffectHandle parameter, bool& value) const {
  const Value* v = Find(parameter);
  if (v) value = v->numbers[0] != 0.0f;
  return v != nullptr;
}
Texture* RecordingEffect::GetTexture(EffectHandle parameter) const {
  const Value* v = Find(parameter);
  return v ? v->texture : nullptr;
}

void RecordingEffect::Begin(unsigned* passes, DWORD /*flags*/) {
  mBegun = true;
  if (passes) *passes = mPasses;
  mLog->Add("Effect.Begin");
}
void RecordingEffect::BeginPass(unsigned pass) {
  mLog->Add(Line("Effect.BeginPass", {double(pass)}));
  if (pass >= mPasses) return;
  mPass = static_cast<int>(pass);
  *mActivePass = mPass;
}
void RecordingEffect::CommitChanges() {
  ++mCommits;
  mLog->Add("Effect.CommitChanges");
}
void RecordingEffect::EndPass() {
  mLog->Add("Effect.EndPass");
  if (mPass >= 0 && *mActivePass == mPass) *mActivePass = -1;
  mPass = -1;
}
void RecordingEffect::End() {
  mBegun = false;
  mLog->Add("Effect.End");
}
void RecordingEffect::OnLostDevice() {
  mLost = true;
  mLog->Add("Effect.OnLostDevice");
}
void RecordingEffect::OnResetDevice() {
  mLost = false;
  mLog->Add("Effect.OnResetDevice");
}

// --- graphics ---------------------------------------------------------------------

bool RecordingGraphics::GetAdapterDisplayMode() { return mDisplayModeReadable; }

std::unique_ptr<Device> RecordingGraphics::CreateDevice(DeviceType type,
                                                        VertexProcessing processing,
                                                        const PresentParameters& parameters) {
  const int attempt = static_cast<int>(mAttempts.size());
  mAttempts.emplace_back(type, processing);
  mLastParameters = parameters;
  if (mFailingAttempts.count(attempt)) return nullptr;
  auto device = std::make_unique<RecordingDevice>(parameters);
  device->mFailSprite = mFailSprite;
  mLastDevice = device.get();
  return device;
}

}  // namespace platform::fake
