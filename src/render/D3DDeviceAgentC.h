// The one drawing device of the process and everything global about drawing: creation,
// the default render state, the default view and projection, the fog and ambient caches,
// the frame bracket, and the recovery from a lost device.
#pragma once

#include <cstdint>
#include <memory>

#include "math/d3dx/D3DX.h"
#include "platform/gfx/D3DTypes.h"
#include "platform/gfx/Device.h"
#include "utility/UncopyableC.h"

namespace platform {
class Window;
}

namespace RenderN {

class D3DDeviceAgentC : private UtilityN::UncopyableC {
 public:
  /// The process-wide agent, empty (no device) until Create succeeds.
  static D3DDeviceAgentC& GetInstance();

  /// Creates the device through the installed graphics component, the sprite, and the
  /// default render state. Runs once; false on any failure or on a second call.
  bool Create(bool synchronise, platform::Window* window, bool windowed, unsigned backWidth,
              unsigned backHeight);

  /// Sends the default render state, the cached fog and ambient values, and the default
  /// view and projection.
  void InitializeRenderState();
  /// Clears target, depth and stencil and begins the scene; nothing without a device.
  void BeginRendering();
  /// Ends the scene and presents. True only when the device was lost and has been
  /// restored during this call, so device state set by the script must be set again.
  bool EndRendering();

  /// Sends the ambient colour only when it differs from the cached one.
  void SetAmbient(D3DCOLOR color);
  /// Sends each fog value only when it differs from its cache.
  void SetFogState(D3DCOLOR color, float start, float end);

  /// Changes each time a device is created, so that objects which keep device copies of
  /// their data can tell a new device from the one they made them on.
  std::uint32_t DeviceSerial() const { return mDeviceSerial; }

  float GetAspect() const;
  unsigned GetBackWidth() const;
  unsigned GetBackHeight() const;
  void SetViewMatrix(const D3DXMATRIX& matrix);
  void SetProjectionMatrix(const D3DXMATRIX& matrix);

  /// Binds `texture` (null: none) to stage 0 unless it is the one recorded in
  /// mCurrentTexture, and records it: the drawables share this cache so that a run of
  /// objects with one texture costs one state change.
  void BindStageTexture(const platform::TextureRef& texture);

  /// Shows the back buffer again after the window was resized; a failure (a lost device)
  /// is left to the recovery in EndRendering.
  void PresentAfterResize();

  /// Drops everything in teardown order (texture, surfaces, sprite, device) and forgets
  /// that Create ran. Used at exit and by tests.
  void Destroy();

  ~D3DDeviceAgentC();

  // Read by the drawables, storages and shaders; the drawables also write
  // mCurrentTexture and mStandardVertexFormat as caches of what the device has bound.
  std::unique_ptr<platform::Device> mDevice;
  std::unique_ptr<platform::Sprite> mSprite;
  platform::SurfaceRef mBackBufferSurface;
  platform::SurfaceRef mDepthStencilSurface;
  platform::TextureRef mCurrentTexture;
  std::uint32_t mStandardVertexFormat = 1;
  D3DCOLOR mAmbient = 0x00000000u;
  D3DCOLOR mFogColor = 0xFF0000FFu;
  float mFogStart = 50.0f;
  float mFogEnd = 100.0f;

 private:
  D3DDeviceAgentC() = default;

  /// Waits until the lost device can be reset, resets it and restores every owner of
  /// device resources.
  void RecoverLostDevice();
  /// Dispatches window messages until the lost device can be reset; true when a quit
  /// message was taken from the queue meanwhile.
  bool WaitUntilResettable();
  /// Every owner of default-pool resources lets them go before a reset ...
  void ReleaseDeviceResources();
  /// ... and makes them again after it.
  void RestoreDeviceResources();

  platform::Graphics* mGraphics = nullptr;  ///< set once Create has begun
  platform::PresentParameters mPresentParameters;
  std::uint32_t mDeviceSerial = 0;
};

/// The module function RenderN.DEVICE: the agent.
D3DDeviceAgentC& DEVICE();

}  // namespace RenderN
