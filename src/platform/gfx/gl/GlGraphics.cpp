// Display mode and device creation on SDL.
#include "platform/gfx/gl/GlGraphics.h"

#include <SDL.h>

#include "platform/gfx/gl/GlDevice.h"
#include "platform/window/sdl/SdlWindow.h"

namespace platform {

bool GlGraphics::GetAdapterDisplayMode() {
  if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  SDL_DisplayMode mode;
  return SDL_GetDesktopDisplayMode(0, &mode) == 0;
}

std::unique_ptr<Device> GlGraphics::CreateDevice(DeviceType, VertexProcessing,
                                                 const PresentParameters& parameters) {
  auto* window = dynamic_cast<SdlWindow*>(parameters.window);
  if (!window || !window->Native()) {
    mLastError = "the device needs the SDL window";
    return nullptr;
  }
  return GlDevice::Create(window->Native(), parameters, &mLastError);
}

}  // namespace platform
