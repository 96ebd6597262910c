// Our DDS reader: 2D textures with their mip chains, block-compressed (DXT1 to DXT5) or
// uncompressed with channel masks (A8R8G8B8, X8R8G8B8, A8B8G8R8, R8G8B8, R5G6B5,
// A1R5G5B5, A4R4G4B4, luminance, alpha), all decoded to A8R8G8B8. Cube maps, volumes and
// files with the DX10 extension header are refused. Every level's byte count is checked
// against the file before anything is allocated.
#include <cstring>

#include "platform/image/ImageCodecs.h"

namespace platform::image::detail {
namespace {

constexpr std::uint32_t kFlagMipMapCount = 0x20000;  // DDSD_MIPMAPCOUNT
constexpr std::uint32_t kFlagDepth = 0x800000;       // DDSD_DEPTH
constexpr std::uint32_t kPixelAlphaPixels = 0x1;     // DDPF_ALPHAPIXELS
constexpr std::uint32_t kPixelAlpha = 0x2;           // DDPF_ALPHA
constexpr std::uint32_t kPixelFourCc = 0x4;          // DDPF_FOURCC
constexpr std::uint32_t kPixelRgb = 0x40;            // DDPF_RGB
constexpr std::uint32_t kPixelLuminance = 0x20000;   // DDPF_LUMINANCE
constexpr std::uint32_t kCaps2CubeMap = 0x200;       // DDSCAPS2_CUBEMAP
constexpr std::uint32_t kCaps2Volume = 0x200000;     // DDSCAPS2_VOLUME

std::uint32_t Read32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint32_t FourCc(const char (&code)[5]) {
  return Read32(reinterpret_cast<const std::uint8_t*>(code));
}

// "code 'ATI2'" for a printable code, "format 113" for a D3DFORMAT number.
std::string DescribeFourCc(std::uint32_t code) {
  std::string text;
  for (unsigned i = 0; i < 4; ++i) {
    const char c = static_cast<char>(code >> (8 * i));
    if (c < 0x20 || c > 0x7E) return "format " + std::to_string(code);
    text += c;
  }
  return "code '" + text + "'";
}

enum class Encoding { kDxt1, kDxt3, kDxt5, kMasked };

// One channel of a masked pixel: where it sits and how many bits it has.
struct Channel {
  std::uint32_t mask = 0;
  unsigned shift = 0;
  std::uint32_t max = 0;  ///< mask >> shift; 0 for a channel the format lacks

  explicit Channel(std::uint32_t bits = 0) : mask(bits) {
    if (!mask) return;
    while (!((mask >> shift) & 1)) ++shift;
    max = mask >> shift;
  }
  // Scaled to 0..255 with rounding, so 5 bits of 31 give 255 and 8-bit masks stay exact.
  std::uint32_t Expand(std::uint32_t pixel, std::uint32_t absent) const {
    if (!max) return absent;
    const std::uint64_t value = (pixel & mask) >> shift;
    return static_cast<std::uint32_t>((value * 255 + max / 2) / max);
  }
};

struct DdsLayout {
  ImageInfo info;
  Encoding encoding = Encoding::kMasked;
  unsigned bytesPerPixel = 0;  ///< masked formats only
  bool luminance = false;
  Channel red, green, blue, alpha;
};

std::uint64_t LevelBytes(const DdsLayout& layout, unsigned width, unsigned height) {
  if (layout.encoding == Encoding::kMasked) {
    return std::uint64_t{width} * height * layout.bytesPerPixel;
  }
  const std::uint64_t blocks = std::uint64_t{(width + 3) / 4} * ((height + 3) / 4);
  return blocks * (layout.encoding == Encoding::kDxt1 ? 8 : 16);
}

bool ParseHeader(const std::uint8_t* data, std::size_t size, DdsLayout& layout,
                 std::string& error) {
  if (size < kDdsHeaderBytes || !LooksLikeDds(data, size)) {
    error = "DDS header cut short";
    return false;
  }
  const std::uint8_t* header = data + 4;
  const std::uint32_t flags = Read32(header + 4);
  const std::uint32_t height = Read32(header + 8);
  const std::uint32_t width = Read32(header + 12);
  const std::uint32_t depth = Read32(header + 20);
  const std::uint32_t mipCount = Read32(header + 24);
  const std::uint8_t* format = header + 72;
  const std::uint32_t formatFlags = Read32(format + 4);
  const std::uint32_t fourCc = Read32(format + 8);
  const std::uint32_t bitCount = Read32(format + 12);
  const std::uint32_t caps2 = Read32(header + 108);

  if (Read32(header) != 124) {
    error = "DDS header has a wrong size";
    return false;
  }
  if (caps2 & kCaps2CubeMap) {
    error = "DDS cube maps are not supported (only 2D textures)";
    return false;
  }
  if ((caps2 & kCaps2Volume) || ((flags & kFlagDepth) && depth > 1)) {
    error = "DDS volume textures are not supported (only 2D textures)";
    return false;
  }
  if (!CheckImageSize(width, height, error)) return false;

  unsigned fullChain = 1;
  for (std::uint32_t side = width > height ? width : height; side > 1; side >>= 1) ++fullChain;
  unsigned levels = 1;
  if ((flags & kFlagMipMapCount) && mipCount > 1) {
    if (mipCount > fullChain) {
      error = "DDS file claims more mip levels than its size allows";
      return false;
    }
    levels = mipCount;
  }

  if (formatFlags & kPixelFourCc) {
    if (fourCc == FourCc("DXT1")) {
      layout.encoding = Encoding::kDxt1;
    } else if (fourCc == FourCc("DXT2") || fourCc == FourCc("DXT3")) {
      layout.encoding = Encoding::kDxt3;
    } else if (fourCc == FourCc("DXT4") || fourCc == FourCc("DXT5")) {
      layout.encoding = Encoding::kDxt5;
    } else if (fourCc == FourCc("DX10")) {
      error = "DDS files with the DX10 header are not supported";
      return false;
    } else {
      error = "DDS pixel format not supported (" + DescribeFourCc(fourCc) + ")";
      return false;
    }
  } else if (formatFlags & (kPixelRgb | kPixelLuminance | kPixelAlpha)) {
    if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
      error = "DDS pixel format not supported (" + std::to_string(bitCount) + " bits a pixel)";
      return false;
    }
    const std::uint32_t usable = bitCount == 32 ? 0xFFFFFFFFu : (1u << bitCount) - 1;
    std::uint32_t masks[4] = {Read32(format + 16), Read32(format + 20), Read32(format + 24),
                              Read32(format + 28)};
    if (!(formatFlags & (kPixelAlphaPixels | kPixelAlpha))) masks[3] = 0;
    if (formatFlags & kPixelAlpha) masks[0] = masks[1] = masks[2] = 0;
    bool any = false;
    for (std::uint32_t mask : masks) {
      if (mask & ~usable) {
        error = "DDS channel mask outside the pixel";
        return false;
      }
      any = any || mask;
    }
    if (!any) {
      error = "DDS pixel format has no channels";
      return false;
    }
    layout.encoding = Encoding::kMasked;
    layout.bytesPerPixel = bitCount / 8;
    layout.luminance = (formatFlags & kPixelLuminance) && !(formatFlags & kPixelRgb);
    layout.red = Channel(masks[0]);
    layout.green = Channel(layout.luminance ? 0 : masks[1]);
    layout.blue = Channel(layout.luminance ? 0 : masks[2]);
    layout.alpha = Channel(masks[3]);
  } else {
    error = "DDS pixel format not recognised";
    return false;
  }

  layout.info.width = width;
  layout.info.height = height;
  layout.info.mipLevels = levels;
  return true;
}

// --- block decoding ---------------------------------------------------------------

std::uint32_t Expand565(std::uint32_t colour) {
  const std::uint32_t r5 = (colour >> 11) & 31, g6 = (colour >> 5) & 63, b5 = colour & 31;
  return (r5 << 3 | r5 >> 2) << 16 | (g6 << 2 | g6 >> 4) << 8 | (b5 << 3 | b5 >> 2);
}

// Per channel (a * wa + b * wb) / (wa + wb), rounded; alpha is left 0.
std::uint32_t Blend(std::uint32_t a, std::uint32_t b, unsigned wa, unsigned wb) {
  std::uint32_t result = 0;
  const unsigned total = wa + wb;
  for (unsigned shift = 0; shift < 24; shift += 8) {
    const unsigned ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    result |= ((ca * wa + cb * wb + total / 2) / total) << shift;
  }
  return result;
}

// The colour half of a block; with `allowTransparent` (DXT1 only) c0 <= c1 selects three
// colours and transparent black.
void DecodeColourBlock(const std::uint8_t* block, bool allowTransparent, std::uint32_t out[16]) {
  const std::uint32_t c0 = block[0] | block[1] << 8, c1 = block[2] | block[3] << 8;
  const std::uint32_t e0 = Expand565(c0), e1 = Expand565(c1);
  std::uint32_t palette[4];
  palette[0] = 0xFF000000u | e0;
  palette[1] = 0xFF000000u | e1;
  if (c0 > c1 || !allowTransparent) {
    palette[2] = 0xFF000000u | Blend(e0, e1, 2, 1);
    palette[3] = 0xFF000000u | Blend(e0, e1, 1, 2);
  } else {
    palette[2] = 0xFF000000u | Blend(e0, e1, 1, 1);
    palette[3] = 0x00000000u;
  }
  const std::uint32_t indices = Read32(block + 4);
  for (unsigned i = 0; i < 16; ++i) out[i] = palette[(indices >> (2 * i)) & 3];
}

void DecodeExplicitAlpha(const std::uint8_t* block, std::uint32_t out[16]) {
  for (unsigned i = 0; i < 16; ++i) {
    const std::uint32_t alpha = (block[i / 2] >> (4 * (i & 1))) & 15;
    out[i] = (out[i] & 0x00FFFFFFu) | (alpha * 17) << 24;
  }
}

void DecodeInterpolatedAlpha(const std::uint8_t* block, std::uint32_t out[16]) {
  const unsigned a0 = block[0], a1 = block[1];
  unsigned palette[8] = {a0, a1};
  if (a0 > a1) {
    for (unsigned i = 1; i < 7; ++i) palette[i + 1] = ((7 - i) * a0 + i * a1 + 3) / 7;
  } else {
    for (unsigned i = 1; i < 5; ++i) palette[i + 1] = ((5 - i) * a0 + i * a1 + 2) / 5;
    palette[6] = 0;
    palette[7] = 255;
  }
  std::uint64_t indices = 0;
  for (unsigned i = 0; i < 6; ++i) indices |= std::uint64_t{block[2 + i]} << (8 * i);
  for (unsigned i = 0; i < 16; ++i) {
    out[i] = (out[i] & 0x00FFFFFFu) | std::uint32_t{palette[(indices >> (3 * i)) & 7]} << 24;
  }
}

void DecodeBlocks(const DdsLayout& layout, const std::uint8_t* source, ImageLevel& level) {
  const unsigned blockBytes = layout.encoding == Encoding::kDxt1 ? 8 : 16;
  const unsigned blocksWide = (level.width + 3) / 4, blocksHigh = (level.height + 3) / 4;
  std::uint32_t texels[16];
  for (unsigned by = 0; by < blocksHigh; ++by) {
    for (unsigned bx = 0; bx < blocksWide; ++bx) {
      const std::uint8_t* block = source + (std::size_t{by} * blocksWide + bx) * blockBytes;
      switch (layout.encoding) {
        case Encoding::kDxt1:
          DecodeColourBlock(block, true, texels);
          break;
        case Encoding::kDxt3:
          DecodeColourBlock(block + 8, false, texels);
          DecodeExplicitAlpha(block, texels);
          break;
        default:
          DecodeColourBlock(block + 8, false, texels);
          DecodeInterpolatedAlpha(block, texels);
          break;
      }
      // Blocks at the right and bottom edges of a size that is no multiple of 4 hold
      // texels outside the level; they are dropped.
      for (unsigned y = 0; y < 4 && by * 4 + y < level.height; ++y) {
        for (unsigned x = 0; x < 4 && bx * 4 + x < level.width; ++x) {
          level.pixels[std::size_t{by * 4 + y} * level.width + bx * 4 + x] = texels[y * 4 + x];
        }
      }
    }
  }
}

void DecodeMasked(const DdsLayout& layout, const std::uint8_t* source, ImageLevel& level) {
  const std::size_t count = std::size_t{level.width} * level.height;
  const unsigned bytes = layout.bytesPerPixel;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = source + i * bytes;
    std::uint32_t pixel = 0;
    for (unsigned b = 0; b < bytes; ++b) pixel |= std::uint32_t{p[b]} << (8 * b);
    const std::uint32_t red = layout.red.Expand(pixel, 0);
    const std::uint32_t green = layout.luminance ? red : layout.green.Expand(pixel, 0);
    const std::uint32_t blue = layout.luminance ? red : layout.blue.Expand(pixel, 0);
    const std::uint32_t alpha = layout.alpha.Expand(pixel, 255);
    level.pixels[i] = alpha << 24 | red << 16 | green << 8 | blue;
  }
}

}  // namespace

bool LooksLikeDds(const std::uint8_t* data, std::size_t size) {
  return size >= 4 && std::memcmp(data, "DDS ", 4) == 0;
}

bool ReadDdsInfo(const std::uint8_t* data, std::size_t size, ImageInfo& info,
                 std::string& error) {
  DdsLayout layout;
  if (!ParseHeader(data, size, layout, error)) return false;
  info = layout.info;
  return true;
}

bool LoadDds(const std::uint8_t* data, std::size_t size, Image& image, std::string& error) {
  DdsLayout layout;
  if (!ParseHeader(data, size, layout, error)) return false;

  // All levels must be present before any is decoded.
  std::uint64_t needed = 0;
  for (unsigned i = 0; i < layout.info.mipLevels; ++i) {
    const unsigned w = layout.info.width >> i ? layout.info.width >> i : 1;
    const unsigned h = layout.info.height >> i ? layout.info.height >> i : 1;
    needed += LevelBytes(layout, w, h);
  }
  if (needed > size - kDdsHeaderBytes) {
    error = "DDS data cut short (" + std::to_string(size - kDdsHeaderBytes) + " of " +
            std::to_string(needed) + " bytes)";
    return false;
  }

  image.info = layout.info;
  image.levels.assign(layout.info.mipLevels, ImageLevel{});
  const std::uint8_t* source = data + kDdsHeaderBytes;
  for (unsigned i = 0; i < layout.info.mipLevels; ++i) {
    ImageLevel& level = image.levels[i];
    level.width = layout.info.width >> i ? layout.info.width >> i : 1;
    level.height = layout.info.height >> i ? layout.info.height >> i : 1;
    level.pixels.resize(std::size_t{level.width} * level.height);
    if (layout.encoding == Encoding::kMasked) {
      DecodeMasked(layout, source, level);
    } else {
      DecodeBlocks(layout, source, level);
    }
    source += LevelBytes(layout, level.width, level.height);
  }
  return true;
}

}  // namespace platform::image::detail
