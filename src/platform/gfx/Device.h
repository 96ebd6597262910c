// The drawing device: the calls the engine makes on a Direct3D 9 device and its sprite
// batch, with Direct3D's values and meanings, so engine code keeps the behaviour it was
// written for. Everything draws into a back buffer of the size given at creation, top
// row first; Present shows it scaled into the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/D3DTypes.h"

namespace platform {

class Window;
class Surface;

enum class DeviceResult {
  kOk,
  kDeviceLost,      ///< the device was lost; wait until it can be reset
  kDeviceNotReset,  ///< the device can be reset now
  kFailed,
};

/// One locked level of a texture: 32-bit A8R8G8B8 pixels, rows `pitch` bytes apart.
struct LockedRect {
  int pitch = 0;
  void* bits = nullptr;
};

/// A texture with its mip levels. Default-pool textures must be released before Reset.
class Texture {
 public:
  virtual ~Texture() = default;
  /// Size of level 0 in pixels.
  virtual unsigned Width() const = 0;
  virtual unsigned Height() const = 0;
  virtual unsigned Levels() const = 0;
  virtual D3DFORMAT Format() const = 0;
  /// Maps a level of an A8R8G8B8 texture for writing; false when it cannot be locked.
  virtual bool Lock(unsigned level, LockedRect& locked, DWORD flags) = 0;
  /// Sends what was written since Lock to the device.
  virtual void Unlock(unsigned level) = 0;
  /// A level as a surface, to draw into a render-target texture with SetRenderTarget (or
  /// SetDepthStencilSurface for a depth-stencil texture); null when the level does not exist.
  virtual std::shared_ptr<Surface> GetSurfaceLevel(unsigned /*level*/) { return nullptr; }
};
using TextureRef = std::shared_ptr<Texture>;

/// Vertices and 16-bit indices stored on the device for repeated drawing. They live in
/// Direct3D's managed pool: they survive a reset and a rebuilt context, and the buffer may
/// outlive its device (it then draws nothing).
class MeshBuffer {
 public:
  virtual ~MeshBuffer() = default;
  virtual unsigned VertexCount() const = 0;
  virtual unsigned IndexCount() const = 0;
};
using MeshBufferRef = std::shared_ptr<MeshBuffer>;

/// A render target or depth-stencil surface.
class Surface {
 public:
  virtual ~Surface() = default;
  virtual unsigned Width() const = 0;
  virtual unsigned Height() const = 0;
};
using SurfaceRef = std::shared_ptr<Surface>;

/// Pixels of one image level handed to CreateTexture: A8R8G8B8 words, top row first,
/// `width` words per row.
struct TextureLevelData {
  unsigned width = 0;
  unsigned height = 0;
  const std::uint32_t* pixels = nullptr;
};

/// The ID3DXSprite role: screen-space quads in back-buffer pixels, batched.
class Sprite {
 public:
  virtual ~Sprite() = default;
  /// Starts a batch; D3DXSPRITE_ALPHABLEND turns alpha blending on for it.
  virtual void Begin(DWORD flags) = 0;
  /// The transform applied to the quads drawn after it.
  virtual void SetTransform(const D3DMATRIX& transform) = 0;
  /// Queues the `source` texels of `texture` (whole texture when null) with `center` at
  /// the transform's origin moved by `position` (none when null), modulated by `color`.
  virtual void Draw(Texture* texture, const RECT* source, const D3DVECTOR* center,
                    const D3DVECTOR* position, D3DCOLOR color) = 0;
  /// Draws what is queued, with the device's current blend state.
  virtual void Flush() = 0;
  virtual void End() = 0;
  virtual void OnLostDevice() = 0;
  virtual void OnResetDevice() = 0;
};

/// A parameter or technique of an effect; 0 is "none" (a name the effect does not have).
using EffectHandle = std::uintptr_t;

/// The ID3DXEffect role: a technique of passes, each a GPU program, and named parameters.
/// Values set through a handle are sent to the programs at BeginPass and CommitChanges.
class Effect {
 public:
  virtual ~Effect() = default;
  virtual EffectHandle GetTechniqueByName(const char* name) = 0;
  virtual EffectHandle GetParameterByName(const char* name) = 0;
  virtual bool SetTechnique(EffectHandle technique) = 0;
  virtual void SetMatrix(EffectHandle parameter, const D3DMATRIX& value) = 0;
  virtual void SetVector(EffectHandle parameter, const float (&value)[4]) = 0;  // float2/3 use the first components
  virtual void SetFloat(EffectHandle parameter, float value) = 0;
  virtual void SetBool(EffectHandle parameter, bool value) = 0;
  virtual void SetTexture(EffectHandle parameter, Texture* texture) = 0;  // null unbinds
  // Read back what was set (as ID3DXEffect::GetMatrix/GetVector/GetFloat/GetBool/GetTexture); false for an unknown handle.
  virtual bool GetMatrix(EffectHandle parameter, D3DMATRIX& value) const = 0;
  virtual bool GetVector(EffectHandle parameter, float (&value)[4]) const = 0;
  virtual bool GetFloat(EffectHandle parameter, float& value) const = 0;
  virtual bool GetBool(EffectHandle parameter, bool& value) const = 0;
  virtual Texture* GetTexture(EffectHandle parameter) const = 0;
  /// Starts the technique; `passes` (when not null) gets its pass count.
  virtual void Begin(unsigned* passes, DWORD flags) = 0;
  /// Draws after this (DrawPrimitiveUP, DrawIndexedTriangles) use pass n's program and the
  /// parameter values; the device's render states still apply.
  virtual void BeginPass(unsigned pass) = 0;
  /// Sends parameter changes made inside a pass.
  virtual void CommitChanges() = 0;
  virtual void EndPass() = 0;
  virtual void End() = 0;
  virtual void OnLostDevice() = 0;
  virtual void OnResetDevice() = 0;
  /// The pass begun last, -1 outside a pass (for tests and diagnostics).
  virtual int CurrentPass() const = 0;
};
using EffectRef = std::shared_ptr<Effect>;

/// How the device was asked to present.
struct PresentParameters {
  unsigned backBufferWidth = 0;
  unsigned backBufferHeight = 0;
  Window* window = nullptr;
  bool windowed = true;
  bool synchronise = false;  ///< wait for the vertical retrace in Present
};

class Device {
 public:
  virtual ~Device() = default;

  virtual void SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual DWORD GetRenderState(D3DRENDERSTATETYPE state) const = 0;
  virtual void SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
  virtual void SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
  virtual void SetFVF(DWORD fvf) = 0;
  virtual void SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix) = 0;
  virtual D3DMATRIX GetTransform(D3DTRANSFORMSTATETYPE state) const = 0;
  virtual void SetViewport(const D3DVIEWPORT9& viewport) = 0;
  virtual D3DVIEWPORT9 GetViewport() const = 0;
  virtual void SetLight(DWORD index, const D3DLIGHT9& light) = 0;
  virtual void LightEnable(DWORD index, bool enable) = 0;
  virtual void SetMaterial(const D3DMATERIAL9& material) = 0;
  /// Binds a texture to a stage; null unbinds.
  virtual void SetTexture(DWORD stage, Texture* texture) = 0;
  /// Back to fixed-function drawing (the engine's "no vertex/pixel shader").
  virtual void SetVertexShader(std::nullptr_t) = 0;
  virtual void SetPixelShader(std::nullptr_t) = 0;

  /// Clears the whole render target (D3DCLEAR_* flags).
  virtual void Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) = 0;
  virtual void BeginScene() = 0;
  virtual void EndScene() = 0;
  /// Draws `primitiveCount` primitives from vertices in the current FVF layout.
  virtual void DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned primitiveCount,
                               const void* vertices, unsigned stride) = 0;
  /// Copies `vertexCount` vertices of `stride` bytes and `indexCount` 16-bit indices into
  /// device buffers; null on failure (no data, an index past the vertices).
  virtual MeshBufferRef CreateMeshBuffer(const void* vertices, unsigned vertexCount,
                                         unsigned stride, const std::uint16_t* indices,
                                         unsigned indexCount) = 0;
  /// Draws `primitiveCount` triangles whose indices start at `startIndex`, in the current FVF
  /// layout (whose size must be the buffer's stride; set it with SetFVF before drawing) and
  /// with the current state, as DrawPrimitiveUP does: the role of SetStreamSource,
  /// SetIndices and DrawIndexedPrimitive together. Ranges past the buffer's end are not
  /// drawn.
  virtual void DrawIndexedTriangles(MeshBuffer& buffer, unsigned startIndex,
                                    unsigned primitiveCount) = 0;
  /// Shows the back buffer in the window; kDeviceLost when the device is lost.
  virtual DeviceResult Present() = 0;
  /// kOk, kDeviceLost, or kDeviceNotReset once a lost device can be reset.
  virtual DeviceResult TestCooperativeLevel() = 0;
  /// Resets with the creation parameters; every default-pool resource must be gone.
  virtual bool Reset() = 0;

  virtual SurfaceRef GetRenderTarget(DWORD index) = 0;
  virtual void SetRenderTarget(DWORD index, Surface* surface) = 0;
  virtual SurfaceRef GetDepthStencilSurface() = 0;
  virtual void SetDepthStencilSurface(Surface* surface) = 0;

  /// An empty texture (D3DUSAGE_*, D3DPOOL_*); levels 0 means a full mip chain. Null on
  /// failure (unsupported format, size beyond the device's limit).
  virtual TextureRef CreateTexture(unsigned width, unsigned height, unsigned levels,
                                   DWORD usage, D3DFORMAT format, D3DPOOL pool) = 0;
  /// A texture holding the given levels; null on failure.
  virtual TextureRef CreateTexture(const std::vector<TextureLevelData>& levels, D3DPOOL pool) = 0;
  /// Level 0 of a texture as A8R8G8B8 words, top row first (float targets clamped to
  /// 8 bits); empty when it cannot be read.
  virtual std::vector<std::uint32_t> ReadTexture(Texture& texture) = 0;
  /// The back buffer as A8R8G8B8 words, top row first.
  virtual std::vector<std::uint32_t> ReadBackBuffer() = 0;

  virtual std::unique_ptr<Sprite> CreateSprite() = 0;

  /// Compiles an effect file (a local, resolved path). Null on failure: `errors` then holds
  /// the compiler's messages (the "error buffer"), or is empty when there was nothing to
  /// compile (the file cannot be read).
  virtual EffectRef CreateEffectFromFile(const std::string& path, std::string& errors) = 0;
  /// A depth-stencil surface of its own size (the CreateDepthStencilSurface role); null on failure.
  virtual SurfaceRef CreateDepthStencilSurface(unsigned width, unsigned height, D3DFORMAT format) = 0;
};

/// The IDirect3D9 role: display mode and device creation.
class Graphics {
 public:
  virtual ~Graphics() = default;
  enum class DeviceType { kHardware, kReference };
  enum class VertexProcessing { kHardware, kSoftware };
  /// False when the display mode cannot be read.
  virtual bool GetAdapterDisplayMode() = 0;
  /// A device drawing into the parameters' window; null on failure.
  virtual std::unique_ptr<Device> CreateDevice(DeviceType type, VertexProcessing processing,
                                               const PresentParameters& parameters) = 0;
};

}  // namespace platform
