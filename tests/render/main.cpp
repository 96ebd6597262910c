// Runs the pixel tests; `--without-clip-control` makes Mesa hide glClipControl so the
// shader's own depth-range and y-flip path is the one drawn with, and `--present-by-blit`
// keeps the back buffer in a framebuffer object shown by a blit even when the window has
// the back buffer's size (by default the device then draws into the window itself), and
// `--general-program` draws everything with the general fixed-function program instead
// of the programs specialised for the state in use.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace hinoki_test {
namespace {
bool gWithoutClipControl = false;
bool gPresentByBlit = false;
}
bool RenderWithoutClipControl() { return gWithoutClipControl; }
bool RenderPresentByBlit() { return gPresentByBlit; }
}  // namespace hinoki_test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--without-clip-control") == 0) {
      hinoki_test::gWithoutClipControl = true;
      setenv("MESA_GL_VERSION_OVERRIDE", "3.3", 1);
      setenv("MESA_EXTENSION_OVERRIDE", "-GL_ARB_clip_control", 1);
    } else if (std::strcmp(argv[i], "--general-program") == 0) {
      setenv("HINOKI_GL_GENERAL_PROGRAM", "1", 1);
    } else if (std::strcmp(argv[i], "--present-by-blit") == 0) {
      hinoki_test::gPresentByBlit = true;
      setenv("HINOKI_PRESENT_BY_BLIT", "1", 1);
    }
  }
  const int result = RUN_ALL_TESTS();
  // Ended without exit handlers: Mesa's rasteriser threads are still running then, and
  // the leak checker's stop-the-world pass crashes on them now and again. The objects of
  // the engine are leak-checked by the unit tests on the recording device.
  std::fflush(nullptr);
  _exit(result);
}
