// Frame capture: the drawing system passes through, keeping hold of the device it made,
// so that the back buffer of chosen frames can be written as PNG files named by frame.
#pragma once

#include <memory>
#include <set>
#include <string>

#include "platform/gfx/Device.h"

namespace platform::testkit {

/// Which frames are captured: every `every`-th (when not 0) and those listed.
struct CaptureChoice {
  unsigned every = 0;
  std::set<unsigned> frames;
  bool Includes(unsigned frame) const {
    return (every != 0 && frame % every == 0) || frames.count(frame) != 0;
  }
};

class CapturingGraphics final : public Graphics {
 public:
  explicit CapturingGraphics(Graphics& real) : mReal(real) {}
  bool GetAdapterDisplayMode() override { return mReal.GetAdapterDisplayMode(); }
  std::unique_ptr<Device> CreateDevice(DeviceType type, VertexProcessing processing,
                                       const PresentParameters& parameters) override;

  /// Writes the back buffer to `path`; false (with the reason in `error`) when there is
  /// no device yet or the file cannot be written.
  bool Capture(const std::string& path, std::string& error);

 private:
  Graphics& mReal;
  Device* mDevice = nullptr;  // owned by the engine's device agent, kept to the end
  PresentParameters mParameters;
};

/// The file of frame `frame` in `directory`: frame-000042.png.
std::string CaptureFileName(const std::string& directory, unsigned frame);

}  // namespace platform::testkit
