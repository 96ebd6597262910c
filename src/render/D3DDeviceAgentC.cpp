// The device agent: creation with the fallbacks, the default state, the frame bracket,
// and the lost-device recovery that keeps every holder of a texture or surface valid.
#include "render/D3DDeviceAgentC.h"

#include <cstdlib>
#include <cstring>

#include "base/FixedTexts.h"
#include "base/IniSettingsS.h"
#include "base/MainWindowC.h"
#include "base/MemoryFailure.h"
#include "platform/Platform.h"
#include "platform/clock/Clock.h"
#include "platform/console/StandardOutput.h"
#include "platform/window/Window.h"
#include "render/BasicShaderC.h"
#include "render/ShadowMapC.h"
#include "render/TextureStorageC.h"

namespace RenderN {
namespace {

namespace fixed = BaseN::FixedText;

DWORD FloatBits(float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

void WriteDebugLine(const char* line) {
  if (!BaseN::GetIniSettings().mDebugMode) return;
  platform::console::Write(line);
  platform::console::Write("\n");
  platform::console::Flush();
}

// While the device is lost no frame runs, but the window must stay responsive; a message
// is looked for this often.
constexpr std::uint32_t kLostPollMilliseconds = 10;

}  // namespace

D3DDeviceAgentC& D3DDeviceAgentC::GetInstance() {
  static D3DDeviceAgentC instance;
  return instance;
}

D3DDeviceAgentC& DEVICE() { return D3DDeviceAgentC::GetInstance(); }

D3DDeviceAgentC::~D3DDeviceAgentC() { Destroy(); }

void D3DDeviceAgentC::Destroy() {
  mCurrentTexture.reset();
  mDepthStencilSurface.reset();
  mBackBufferSurface.reset();
  mSprite.reset();
  mDevice.reset();
  mGraphics = nullptr;
  mPresentParameters = platform::PresentParameters();
}

bool D3DDeviceAgentC::Create(bool synchronise, platform::Window* window, bool windowed,
                             unsigned backWidth, unsigned backHeight) {
  if (mGraphics) return false;  // created once for the process
  mGraphics = platform::Installed().graphics;
  if (!mGraphics) return false;

  mPresentParameters = platform::PresentParameters();
  if (!mGraphics->GetAdapterDisplayMode()) return false;
  // A device given no size takes the window's client area, as a windowed Direct3D device
  // does; a full-screen window covers the desktop, so there it is the desktop's size.
  if (window && (backWidth == 0 || backHeight == 0)) {
    const platform::ScreenRect outer = window->OuterRect();
    const platform::FrameBorders frame = window->Borders();
    const int clientWidth = outer.right - outer.left - frame.left - frame.right;
    const int clientHeight = outer.bottom - outer.top - frame.top - frame.bottom;
    if (backWidth == 0 && clientWidth > 0) backWidth = static_cast<unsigned>(clientWidth);
    if (backHeight == 0 && clientHeight > 0) backHeight = static_cast<unsigned>(clientHeight);
  }
  mPresentParameters.backBufferWidth = backWidth;
  mPresentParameters.backBufferHeight = backHeight;
  mPresentParameters.window = window;
  mPresentParameters.windowed = windowed;
  mPresentParameters.synchronise = synchronise;

  using Type = platform::Graphics::DeviceType;
  using Processing = platform::Graphics::VertexProcessing;
  const std::pair<Type, Processing> attempts[] = {
      {Type::kHardware, Processing::kHardware},
      {Type::kHardware, Processing::kSoftware},
      {Type::kReference, Processing::kHardware},
      {Type::kReference, Processing::kSoftware},
  };
  for (const auto& attempt : attempts) {
    mDevice = mGraphics->CreateDevice(attempt.first, attempt.second, mPresentParameters);
    if (mDevice) break;
  }
  if (!mDevice) return false;
  ++mDeviceSerial;

  mSprite = mDevice->CreateSprite();
  if (!mSprite) return false;

  InitializeRenderState();
  mBackBufferSurface = mDevice->GetRenderTarget(0);
  mDepthStencilSurface = mDevice->GetDepthStencilSurface();
  return true;
}

void D3DDeviceAgentC::InitializeRenderState() {
  if (!mDevice) return;
  platform::Device& d = *mDevice;
  d.SetRenderState(D3DRS_NORMALIZENORMALS, 1);
  d.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  d.SetRenderState(D3DRS_ZWRITEENABLE, 1);
  d.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d.SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d.SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
  d.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d.SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  d.SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  d.SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  mStandardVertexFormat = 1;
  d.SetRenderState(D3DRS_LIGHTING, 1);
  d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  d.SetRenderState(D3DRS_CLIPPING, 1);
  d.SetRenderState(D3DRS_AMBIENT, mAmbient);
  d.SetRenderState(D3DRS_FOGENABLE, 1);
  d.SetRenderState(D3DRS_FOGCOLOR, mFogColor);
  d.SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
  d.SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
  d.SetRenderState(D3DRS_FOGSTART, FloatBits(mFogStart));
  d.SetRenderState(D3DRS_FOGEND, FloatBits(mFogEnd));

  D3DXMATRIX view;
  const D3DXVECTOR3 eye(0.0f, 0.0f, -5.0f);
  const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
  const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  d.SetTransform(D3DTS_VIEW, view);
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, 1.0471976f, GetAspect(), 0.05f, 5000.0f);
  d.SetTransform(D3DTS_PROJECTION, projection);
}

void D3DDeviceAgentC::BeginRendering() {
  if (!mDevice) return;
  mDevice->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000u, 1.0f, 0);
  mDevice->BeginScene();
}

bool D3DDeviceAgentC::EndRendering() {
  if (!mDevice) return false;
  mDevice->EndScene();
  if (mDevice->Present() != platform::DeviceResult::kDeviceLost) return false;
  RecoverLostDevice();
  return true;
}

void D3DDeviceAgentC::PresentAfterResize() {
  // A lost device fails here; the recovery in EndRendering takes care of it.
  if (mDevice) mDevice->Present();
}

void D3DDeviceAgentC::RecoverLostDevice() {
  WriteDebugLine(fixed::kDeviceLostDetected);

  mBackBufferSurface.reset();
  mDepthStencilSurface.reset();
  mCurrentTexture.reset();
  mSprite->OnLostDevice();
  ReleaseDeviceResources();

  const bool quitPosted = WaitUntilResettable();

  if (!mDevice->Reset()) {
    BaseN::ShowFatalErrorBox(fixed::kDeviceResetFailure, false);
    std::exit(-1);
  }

  InitializeRenderState();
  mSprite->OnResetDevice();
  mBackBufferSurface = mDevice->GetRenderTarget(0);
  mDepthStencilSurface = mDevice->GetDepthStencilSurface();
  RestoreDeviceResources();

  // A quit taken from the queue by the wait belongs to the main loop: hand it back.
  if (quitPosted) {
    if (platform::Window* window = platform::Installed().window) window->PostQuit();
  }
  WriteDebugLine(fixed::kDeviceLostRecovered);
}

// The owners of default-pool resources, in the order they let them go before a reset.
void D3DDeviceAgentC::ReleaseDeviceResources() {
  TextureStorageC::GetInstance().ReleaseAllTextures();
  BasicShaderC::GetInstance()->OnLostDevice();
  ShadowMapC::GetInstance()->OnLostDevice();
}

// The same owners, in the same order, making their resources again after the reset.
void D3DDeviceAgentC::RestoreDeviceResources() {
  TextureStorageC::GetInstance().RestoreAllTextures();
  BasicShaderC::GetInstance()->OnResetDevice();
  ShadowMapC::GetInstance()->OnResetDevice();
}

bool D3DDeviceAgentC::WaitUntilResettable() {
  bool quitPosted = false;
  const platform::Components& components = platform::Installed();
  while (mDevice->TestCooperativeLevel() == platform::DeviceResult::kDeviceLost) {
    platform::WindowMessage message;
    if (components.window && components.window->PeekMessage(message)) {
      if (message.kind == platform::WindowMessageKind::kQuit) {
        quitPosted = true;
      } else {
        BaseN::MainWindowC::GetInstance().WindowProcedure(message);
        if (message.kind == platform::WindowMessageKind::kResized) PresentAfterResize();
      }
    } else if (components.clock) {
      components.clock->Sleep(kLostPollMilliseconds);
    }
  }
  return quitPosted;
}

void D3DDeviceAgentC::BindStageTexture(const platform::TextureRef& texture) {
  if (!mDevice || texture.get() == mCurrentTexture.get()) return;
  mCurrentTexture = texture;
  mDevice->SetTexture(0, texture.get());
}

void D3DDeviceAgentC::SetAmbient(D3DCOLOR color) {
  if (color == mAmbient) return;
  if (mDevice) mDevice->SetRenderState(D3DRS_AMBIENT, color);
  mAmbient = color;
}

void D3DDeviceAgentC::SetFogState(D3DCOLOR color, float start, float end) {
  if (color != mFogColor) {
    if (mDevice) mDevice->SetRenderState(D3DRS_FOGCOLOR, color);
    mFogColor = color;
  }
  if (start != mFogStart) {
    if (mDevice) mDevice->SetRenderState(D3DRS_FOGSTART, FloatBits(start));
    mFogStart = start;
  }
  if (end != mFogEnd) {
    if (mDevice) mDevice->SetRenderState(D3DRS_FOGEND, FloatBits(end));
    mFogEnd = end;
  }
}

float D3DDeviceAgentC::GetAspect() const {
  return static_cast<float>(mPresentParameters.backBufferWidth) /
         static_cast<float>(mPresentParameters.backBufferHeight);
}

unsigned D3DDeviceAgentC::GetBackWidth() const { return mPresentParameters.backBufferWidth; }
unsigned D3DDeviceAgentC::GetBackHeight() const { return mPresentParameters.backBufferHeight; }

void D3DDeviceAgentC::SetViewMatrix(const D3DXMATRIX& matrix) {
  if (mDevice) mDevice->SetTransform(D3DTS_VIEW, matrix);
}

void D3DDeviceAgentC::SetProjectionMatrix(const D3DXMATRIX& matrix) {
  if (mDevice) mDevice->SetTransform(D3DTS_PROJECTION, matrix);
}

}  // namespace RenderN
