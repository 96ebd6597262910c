// Runs the pixel tests; `--without-clip-control` makes Mesa hide glClipControl so the
// shader's own depth-range and y-flip path is the one drawn with.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>

namespace hinoki_test {
namespace {
bool gWithoutClipControl = false;
}
bool RenderWithoutClipControl() { return gWithoutClipControl; }
}  // namespace hinoki_test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--without-clip-control") == 0) {
      hinoki_test::gWithoutClipControl = true;
      setenv("MESA_GL_VERSION_OVERRIDE", "3.3", 1);
      setenv("MESA_EXTENSION_OVERRIDE", "-GL_ARB_clip_control", 1);
    }
  }
  return RUN_ALL_TESTS();
}
