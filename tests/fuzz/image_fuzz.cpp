// Fuzz target for the image readers (our DDS and HDR readers and stb behind our guards):
// every input must be read or refused with a reason, without a crash, a hang or a huge
// allocation, and what is read must be as large as it says.
// Built with clang's -fsanitize=fuzzer (HINOKI_LIBFUZZER) it is a libFuzzer target;
// otherwise it is a program that runs the same entry point over the files it is given,
// which is how the tests replay the corpus of malformed files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ReplayMain.h"
#include "platform/image/Image.h"

namespace {

// Reads the data; true when it decoded. Aborts when a result contradicts itself.
bool ReadOnce(const std::uint8_t* data, std::size_t size) {
  using namespace platform::image;
  std::string error;
  ImageInfo info;
  const bool known = ReadImageInfo(data, size, info, &error);
  if (!known && error.empty()) std::abort();
  Image image;
  error.clear();
  if (!LoadImage(data, size, image, &error)) {
    if (error.empty()) std::abort();
    return false;
  }
  // A decoded image was announced by its header with the same size.
  if (!known || info.width != image.info.width || info.height != image.info.height ||
      info.mipLevels != image.info.mipLevels || image.levels.size() != info.mipLevels) {
    std::abort();
  }
  for (std::size_t i = 0; i < image.levels.size(); ++i) {
    const ImageLevel& level = image.levels[i];
    const unsigned width = info.width >> i ? info.width >> i : 1;
    const unsigned height = info.height >> i ? info.height >> i : 1;
    if (level.width != width || level.height != height ||
        level.pixels.size() != std::size_t{width} * height) {
      std::abort();
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReadOnce(data, size);
  return 0;
}

#ifndef HINOKI_LIBFUZZER
int main(int argc, char** argv) { return fuzz::ReplayFiles(argc, argv, ReadOnce, "read"); }
#endif
