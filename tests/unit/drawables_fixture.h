// What the drawable and rendering manager tests share: the recording device behind the
// agent, a game folder holding system\notex.lat as the working directory, and a manager
// emptied before and after each test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "render/RenderingManagerC.h"
#include "unit/render_test_fixture.h"

namespace drawtest {

class DrawablesTest : public rendertest::RenderTest {
 protected:
  void SetUp() override {
    rendertest::RenderTest::SetUp();
    ASSERT_TRUE(CreateAgent());
    char previous[PATH_MAX];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    mPreviousFolder = previous;
    std::filesystem::create_directories(mFolder + "/system");
    WritePng("system/notex.lat", 64, 64, 0xFFFF00FFu);
    ASSERT_EQ(chdir(mFolder.c_str()), 0);
    Manager().Clear();
    Device().ClearCalls();
  }

  void TearDown() override {
    Manager().Clear();
    ASSERT_EQ(chdir(mPreviousFolder.c_str()), 0);
    rendertest::RenderTest::TearDown();
  }

  static RenderN::RenderingManagerC& Manager() { return RenderN::RenderingManagerC::GetInstance(); }
  platform::fake::RecordingSprite& Batch() { return *Device().mSprite; }

  /// A texture record of the given size with a real (recorded) texture behind it.
  RenderN::SPTEXTUREDATA Texture(unsigned width, unsigned height) {
    RenderN::SPTEXTUREDATA record = Storage().MakeTextureData(
        Device().CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED));
    record->mWidth = static_cast<float>(width);
    record->mHeight = static_cast<float>(height);
    return record;
  }

  std::string mPreviousFolder;
};

/// The vertices a face sent with DrawPrimitiveUP.
inline std::vector<RenderN::FaceVertexS> SentVertices(const platform::fake::PrimitiveDraw& draw) {
  std::vector<RenderN::FaceVertexS> vertices(draw.vertices.size() / sizeof(RenderN::FaceVertexS));
  std::memcpy(static_cast<void*>(vertices.data()), draw.vertices.data(),
              vertices.size() * sizeof(RenderN::FaceVertexS));
  return vertices;
}

inline bool SameMatrix(const D3DMATRIX& a, const D3DMATRIX& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

inline bool NearMatrix(const D3DMATRIX& a, const D3DMATRIX& b, float epsilon = 1e-6f) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      const float d = a.m[r][c] - b.m[r][c];
      if (d > epsilon || d < -epsilon) return false;
    }
  }
  return true;
}

}  // namespace drawtest
