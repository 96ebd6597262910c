// PNG writing through stb_image_write, compiled here with static linkage so it cannot
// clash with another copy, with zlib doing the deflate: stb's own compressor has no fast
// setting, and frame capture writes a picture every frame. The words are turned into
// RGBA bytes first; the file itself is written by Image.cpp once the whole PNG exists.
#include "platform/image/ImageCodecs.h"

#include <zlib.h>

#include <cstdlib>

namespace {

// stb's compress hook: `quality` is stbi_write_png_compression_level, a zlib level here.
unsigned char* ZlibCompress(unsigned char* data, int length, int* outLength, int quality) {
  uLongf size = compressBound(static_cast<uLong>(length));
  auto* out = static_cast<unsigned char*>(std::malloc(size));
  if (!out) return nullptr;
  if (compress2(out, &size, data, static_cast<uLong>(length), quality) != Z_OK) {
    std::free(out);
    return nullptr;
  }
  *outLength = static_cast<int>(size);
  return out;
}

}  // namespace

#define STBIW_ZLIB_COMPRESS ZlibCompress
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
// Included as a system header (see CMakeLists.txt): its warnings are not ours to fix.
#include <stb_image_write.h>

namespace platform::image::detail {

bool EncodePng(unsigned width, unsigned height, const std::uint32_t* pixels,
               std::vector<std::uint8_t>& png, PngCompression compression) {
  const bool fast = compression == PngCompression::kFast;
  stbi_write_png_compression_level = fast ? Z_BEST_SPEED : 8;
  stbi_write_force_png_filter = fast ? 0 : -1;  // 0: no filter; -1: the best per row
  std::string error;
  if (!pixels || !CheckImageSize(width, height, error)) return false;
  const std::size_t count = std::size_t{width} * height;
  std::vector<std::uint8_t> rgba(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t argb = pixels[i];
    rgba[i * 4 + 0] = static_cast<std::uint8_t>(argb >> 16);
    rgba[i * 4 + 1] = static_cast<std::uint8_t>(argb >> 8);
    rgba[i * 4 + 2] = static_cast<std::uint8_t>(argb);
    rgba[i * 4 + 3] = static_cast<std::uint8_t>(argb >> 24);
  }
  png.clear();
  auto append = [](void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
  };
  return stbi_write_png_to_func(append, &png, static_cast<int>(width), static_cast<int>(height),
                                4, rgba.data(), static_cast<int>(width * 4)) != 0;
}

}  // namespace platform::image::detail
