// The set-up the drawables' pixel tests share: an SDL window on the offscreen driver with
// the device agent made on the GL graphics, a throw-away game folder as the working
// directory, and afterwards everything the process keeps between tests (the storages,
// the manager's lists, the light indices, the agent's fog and ambient) put back.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/Platform.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/gfx/gl/GlGraphics.h"
#include "platform/window/sdl/SdlWindow.h"
#include "render/D3DDeviceAgentC.h"
#include "render/LightC.h"
#include "render/RenderingManagerC.h"
#include "render/TextureStorageC.h"
#include "render/XFileStorageC.h"

namespace hinoki_test {

class AgentPixelTest : public ::testing::Test {
 protected:
  /// A window and back buffer of `size` x `size` pixels titled `name`.
  AgentPixelTest(unsigned size, const char* name) : mSize(size), mName(name) {}

  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    mPrevious = platform::Installed();
    ASSERT_TRUE(mWindow.Create(mName, int(mSize), int(mSize), true));
    // Kept loaded for the whole run: SDL would unload the GL driver with the last window,
    // and the leak checker then misreads its memory.
    static const bool kKeepGlLoaded = SDL_GL_LoadLibrary(nullptr) == 0;
    (void)kKeepGlLoaded;
    platform::Components components = mPrevious;
    components.dialog = &mDialog;
    components.window = &mWindow;
    components.graphics = &mGraphics;
    platform::Install(components);
    Agent().mAmbient = 0;
    ASSERT_TRUE(Agent().Create(false, &mWindow, true, mSize, mSize)) << mGraphics.LastError();
    // Models and faces fog by default; the fog begins far beyond everything a test draws
    // unless the test brings it nearer.
    Agent().SetFogState(0xFF0000FFu, 50.0f, 100.0f);
    RenderN::LightC::ResetIndex();
    const std::string pattern = std::string("/tmp/hinoki-") + mName + "-XXXXXX";
    std::string buffer = pattern;
    ASSERT_NE(mkdtemp(buffer.data()), nullptr);
    mFolder = buffer;
    std::filesystem::create_directories(mFolder + "/system");
    mPreviousFolder = std::filesystem::current_path();
    std::filesystem::current_path(mFolder);
  }

  void TearDown() override {
    Manager().Clear();
    RenderN::XFileStorageC::GetInstance().ClearAll();
    RenderN::TextureStorageC::GetInstance().ClearAll();
    RenderN::LightC::ResetIndex();
    Agent().SetAmbient(0);
    Agent().SetFogState(0xFF0000FFu, 50.0f, 100.0f);
    Agent().Destroy();
    platform::Install(mPrevious);
    std::filesystem::current_path(mPreviousFolder);
    std::filesystem::remove_all(mFolder);
    EXPECT_TRUE(mDialog.Shown().empty());
  }

  static RenderN::D3DDeviceAgentC& Agent() { return RenderN::D3DDeviceAgentC::GetInstance(); }
  static RenderN::RenderingManagerC& Manager() { return RenderN::RenderingManagerC::GetInstance(); }

  /// Copies the shipped effect files into the game folder's system/, from the repository
  /// this file lives in.
  void CopyShippedEffects() {
    const std::filesystem::path source =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "system";
    for (const char* name : {"normal.lat", "shshmap.lat", "shshmod.lat"}) {
      std::filesystem::copy_file(source / name, mFolder + "/system/" + name);
    }
  }

  const unsigned mSize;
  const char* const mName;
  platform::SdlWindow mWindow;
  platform::GlGraphics mGraphics;
  platform::FakeDialog mDialog;
  platform::Components mPrevious;
  std::string mFolder;
  std::filesystem::path mPreviousFolder;
};

}  // namespace hinoki_test
