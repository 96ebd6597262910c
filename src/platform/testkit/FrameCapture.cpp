// Reading the back buffer and writing it as PNG.
#include "platform/testkit/FrameCapture.h"

#include <cstdio>

#include "platform/image/Image.h"
#include "platform/window/Window.h"

namespace platform::testkit {

std::unique_ptr<Device> CapturingGraphics::CreateDevice(DeviceType type,
                                                        VertexProcessing processing,
                                                        const PresentParameters& parameters) {
  std::unique_ptr<Device> device = mReal.CreateDevice(type, processing, parameters);
  if (device) {
    mDevice = device.get();
    mParameters = parameters;
  }
  return device;
}

bool CapturingGraphics::Capture(const std::string& path, std::string& error) {
  if (!mDevice) {
    error = "no drawing device to capture";
    return false;
  }
  const std::vector<std::uint32_t> pixels = mDevice->ReadBackBuffer();
  unsigned width = mParameters.backBufferWidth;
  unsigned height = mParameters.backBufferHeight;
  if ((width == 0 || height == 0) && mParameters.window) {
    // A size of 0 follows the window's client area, as the device did.
    const ScreenRect outer = mParameters.window->OuterRect();
    const FrameBorders borders = mParameters.window->Borders();
    width = static_cast<unsigned>(outer.right - outer.left - borders.left - borders.right);
    height = static_cast<unsigned>(outer.bottom - outer.top - borders.top - borders.bottom);
  }
  if (pixels.empty() || static_cast<std::size_t>(width) * height != pixels.size()) {
    error = "the back buffer could not be read";
    return false;
  }
  // A test may capture every frame: fast deflate, the same pixels in larger files.
  if (!image::SavePng(path, width, height, pixels.data(), image::PngCompression::kFast)) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

std::string CaptureFileName(const std::string& directory, unsigned frame) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%06u.png", frame);
  return directory + "/" + name;
}

}  // namespace platform::testkit
