// Image files: reading their size and pixels (PNG, JPEG, BMP, TGA, GIF, PSD, HDR, PNM and
// DDS, recognised by content, not by name) and writing PNG. Paths are local (UTF-8)
// paths, already resolved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::image {

/// The file's own size and mip count (1 unless the file stores a mip chain).
struct ImageInfo {
  unsigned width = 0;
  unsigned height = 0;
  unsigned mipLevels = 1;
};

/// One level as A8R8G8B8 words (0xAARRGGBB), top row first, `width` words per row.
struct ImageLevel {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<std::uint32_t> pixels;
};

struct Image {
  ImageInfo info;
  std::vector<ImageLevel> levels;  ///< level 0 first; all the file's levels
};

/// Decodes only what is needed for the size; false (and a reason in `error` when given)
/// for a missing, unreadable or unrecognised file.
bool ReadImageInfo(const std::string& path, ImageInfo& info, std::string* error = nullptr);

/// Decodes the whole image; false as above, and for damaged data or sizes beyond
/// kMaxImageSide.
bool LoadImage(const std::string& path, Image& image, std::string* error = nullptr);

/// The same from bytes in memory (used by the file forms and by the fuzz target).
bool ReadImageInfo(const std::uint8_t* data, std::size_t size, ImageInfo& info,
                   std::string* error = nullptr);
bool LoadImage(const std::uint8_t* data, std::size_t size, Image& image,
               std::string* error = nullptr);

/// How hard a PNG is compressed: kSmall for files that are kept, kFast for many frames
/// in a row (no row filters, fast deflate: the same pixels in larger files).
enum class PngCompression { kSmall, kFast };

/// Writes A8R8G8B8 words (top row first) as a PNG with alpha; false when the file
/// cannot be written (nothing is left behind then).
bool SavePng(const std::string& path, unsigned width, unsigned height,
             const std::uint32_t* pixels, PngCompression compression = PngCompression::kSmall);

/// Larger images are refused rather than allocated.
inline constexpr unsigned kMaxImageSide = 16384;

}  // namespace platform::image
