// Shared set-up for pixel tests of anything that draws on the GL device: an SDL window on
// the offscreen video driver and a GlDevice with a back buffer of a chosen size, plus
// small helpers to read pixels and make textures.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/gl/GlDevice.h"
#include "platform/gfx/gl/GlGraphics.h"
#include "platform/window/sdl/SdlWindow.h"

namespace hinoki_test {

/// True when the run was asked to draw without glClipControl (set by the test's main).
bool RenderWithoutClipControl();
/// True when the run keeps the back buffer in a framebuffer object even where the window
/// could be drawn into.
bool RenderPresentByBlit();

/// A vertex of the 0x142 layout (position, diffuse colour, one texture coordinate).
struct ColorVertex {
  float x, y, z;
  std::uint32_t color;
  float u, v;
};

class GlFixture : public ::testing::Test {
 protected:
  /// Makes the window (its client area the back-buffer size unless given) and the device.
  void CreateDevice(unsigned backWidth, unsigned backHeight, int windowWidth = 0,
                    int windowHeight = 0, bool synchronise = false) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    device.reset();  // one GL context at a time
    window = std::make_unique<platform::SdlWindow>();
    ASSERT_TRUE(window->Create("render test", windowWidth ? windowWidth : int(backWidth),
                               windowHeight ? windowHeight : int(backHeight), true));
    // SDL unloads the GL driver with the last GL window; keeping it loaded for the whole
    // run spares reloading it per test (and the leak checker's false reports on the
    // unloaded driver's memory).
    static const bool kKeepGlLoaded = SDL_GL_LoadLibrary(nullptr) == 0;
    (void)kKeepGlLoaded;
    platform::PresentParameters parameters;
    parameters.backBufferWidth = backWidth;
    parameters.backBufferHeight = backHeight;
    parameters.window = window.get();
    parameters.synchronise = synchronise;
    std::string error;
    device = platform::GlDevice::Create(window->Native(), parameters, &error);
    ASSERT_TRUE(device) << error;
    width = backWidth;
    height = backHeight;
  }

  void TearDown() override {
    device.reset();
    window.reset();
  }

  /// The back buffer now, A8R8G8B8 words top row first.
  std::vector<std::uint32_t> Read() { return device->ReadBackBuffer(); }
  std::uint32_t Pixel(int x, int y) { return Read()[size_t(y) * width + size_t(x)]; }

  /// A managed A8R8G8B8 texture of one level from rows of words.
  platform::TextureRef MakeTexture(unsigned w, unsigned h, const std::vector<std::uint32_t>& pixels,
                                   D3DPOOL pool = D3DPOOL_MANAGED) {
    platform::TextureLevelData level{w, h, pixels.data()};
    return device->CreateTexture({level}, pool);
  }

  /// Plain drawing of positions given in clip space: every transform identity, no light,
  /// no fog, no depth test, no culling, no blending.
  void PlainClipSpaceState() {
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  }

  /// A quad as a fan in screen pixels (x right, y down) at depth z, through the identity
  /// transforms: corners go clockwise on screen.
  std::vector<ColorVertex> ScreenQuad(float left, float top, float right, float bottom, float z,
                                      std::uint32_t color) const {
    const auto cx = [&](float x) { return x / float(width) * 2.0f - 1.0f; };
    const auto cy = [&](float y) { return 1.0f - y / float(height) * 2.0f; };
    return {{cx(left), cy(top), z, color, 0, 0},
            {cx(right), cy(top), z, color, 1, 0},
            {cx(right), cy(bottom), z, color, 1, 1},
            {cx(left), cy(bottom), z, color, 0, 1}};
  }

  void DrawFan(const std::vector<ColorVertex>& vertices) {
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, unsigned(vertices.size() - 2), vertices.data(),
                            sizeof(ColorVertex));
  }

  std::unique_ptr<platform::SdlWindow> window;
  std::unique_ptr<platform::GlDevice> device;
  unsigned width = 0;
  unsigned height = 0;
};

}  // namespace hinoki_test
