// What the device agent and texture storage tests share: fake window, clock and dialog,
// the recording graphics installed, and an agent created on it at 800 x 600.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/IniSettingsS.h"
#include "platform/Platform.h"
#include "platform/clock/fake/FakeClock.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/gfx/fake/RecordingDevice.h"
#include "platform/image/Image.h"
#include "platform/text/Text.h"
#include "platform/window/fake/FakeWindow.h"
#include "render/D3DDeviceAgentC.h"
#include "render/TextureStorageC.h"

namespace rendertest {

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mPrevious = platform::Installed();
    platform::Components components;
    components.clock = &mClock;
    components.dialog = &mDialog;
    components.window = &mWindow;
    components.graphics = &mGraphics;
    platform::Install(components);
    ResetAgent();
    char pattern[] = "/tmp/hinoki-render-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mFolder = pattern;
  }

  void TearDown() override {
    RenderN::TextureStorageC::GetInstance().ClearAll();
    ResetAgent();
    BaseN::GetIniSettings().mDebugMode = false;
    platform::Install(mPrevious);
    std::filesystem::remove_all(mFolder);
  }

  // The agent is the process's one instance: start each test from its initial state.
  static void ResetAgent() {
    RenderN::D3DDeviceAgentC& agent = Agent();
    agent.Destroy();
    agent.mStandardVertexFormat = 1;
    agent.mAmbient = 0x00000000u;
    agent.mFogColor = 0xFF0000FFu;
    agent.mFogStart = 50.0f;
    agent.mFogEnd = 100.0f;
  }

  static RenderN::D3DDeviceAgentC& Agent() { return RenderN::D3DDeviceAgentC::GetInstance(); }
  static RenderN::TextureStorageC& Storage() { return RenderN::TextureStorageC::GetInstance(); }

  bool CreateAgent(unsigned width = 800, unsigned height = 600) {
    return Agent().Create(false, &mWindow, true, width, height);
  }
  platform::fake::RecordingDevice& Device() { return *mGraphics.mLastDevice; }

  /// Writes a PNG of one colour; returns its path.
  std::string WritePng(const std::string& name, unsigned width, unsigned height,
                       std::uint32_t color = 0xFF336699u) {
    const std::string path = mFolder + "/" + name;
    std::vector<std::uint32_t> pixels(std::size_t(width) * height, color);
    EXPECT_TRUE(platform::image::SavePng(path, width, height, pixels.data()));
    return path;
  }

  /// The texts of the boxes shown so far, as UTF-8.
  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const auto& box : mDialog.Shown()) texts.push_back(platform::text::Cp932ToUtf8(box.text));
    return texts;
  }

  platform::FakeClock mClock{1000};
  platform::FakeDialog mDialog;
  platform::FakeWindow mWindow;
  platform::fake::RecordingGraphics mGraphics;
  platform::Components mPrevious;
  std::string mFolder;
};

}  // namespace rendertest
