// The IDirect3D9 role on SDL and OpenGL: reads the display mode and makes GL devices on
// the game's SDL window.
#pragma once

#include <string>

#include "platform/gfx/Device.h"

namespace platform {

class GlGraphics final : public Graphics {
 public:
  bool GetAdapterDisplayMode() override;
  /// Every device type and vertex processing gives the same GL device; null when the
  /// window has no GL or GL 3.3 is missing (LastError says why).
  std::unique_ptr<Device> CreateDevice(DeviceType type, VertexProcessing processing,
                                       const PresentParameters& parameters) override;
  const std::string& LastError() const { return mLastError; }

 private:
  std::string mLastError;
};

}  // namespace platform
