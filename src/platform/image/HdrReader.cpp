// Our Radiance HDR (RGBE) reader: flat, old-style run-length and adaptive run-length
// scanlines, decided per scanline. Colours are clamped to the 0..1 an 8-bit texture holds.
// It replaces stb's, which loops forever on a zero-length run. Only the usual orientation
// (-Y h +X w: rows top to bottom, left to right) is read; anything else is refused.
#include <cmath>
#include <cstring>

#include "platform/image/ImageCodecs.h"

namespace platform::image::detail {
namespace {

constexpr std::size_t kMaxHeaderLine = 4096;

class HdrParser {
 public:
  HdrParser(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // The next header line without its newline; false when there is none.
  bool Line(std::string& line) {
    const std::size_t limit = size_ - position_ < kMaxHeaderLine ? size_ : position_ + kMaxHeaderLine;
    for (std::size_t end = position_; end < limit; ++end) {
      if (data_[end] == '\n') {
        line.assign(reinterpret_cast<const char*>(data_ + position_), end - position_);
        position_ = end + 1;
        return true;
      }
    }
    return false;
  }
  bool Has(std::size_t count) const { return size_ - position_ >= count; }
  const std::uint8_t* Take(std::size_t count) {
    const std::uint8_t* at = data_ + position_;
    position_ += count;
    return at;
  }
  std::uint8_t Peek(std::size_t offset) const { return data_[position_ + offset]; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

// "-Y 12 +X 34": the only orientation accepted.
bool ParseResolution(const std::string& line, std::uint64_t& width, std::uint64_t& height) {
  auto number = [&line](std::size_t& at, std::uint64_t& value) {
    const std::size_t start = at;
    value = 0;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9' && at - start < 9) {
      value = value * 10 + static_cast<unsigned>(line[at++] - '0');
    }
    return at > start;
  };
  std::size_t at = 0;
  if (line.compare(0, 3, "-Y ") != 0) return false;
  at = 3;
  if (!number(at, height)) return false;
  if (line.compare(at, 4, " +X ") != 0) return false;
  at += 4;
  return number(at, width) && at == line.size();
}

std::uint8_t ToByte(float value) {
  // Values beyond the 0..1 range of an 8-bit texture are clamped, not tone-mapped.
  if (!(value > 0.0f)) return 0;  // also NaN
  if (value >= 1.0f) return 255;
  return static_cast<std::uint8_t>(value * 255.0f + 0.5f);
}

std::uint32_t RgbeToArgb(const std::uint8_t* rgbe) {
  if (rgbe[3] == 0) return 0xFF000000u;
  const float scale = std::ldexp(1.0f, static_cast<int>(rgbe[3]) - (128 + 8));
  return 0xFF000000u | std::uint32_t{ToByte(rgbe[0] * scale)} << 16 |
         std::uint32_t{ToByte(rgbe[1] * scale)} << 8 | ToByte(rgbe[2] * scale);
}

// One scanline into `rgbe` (4 bytes a pixel); false with a reason.
bool ReadScanline(HdrParser& in, unsigned width, std::uint8_t* rgbe, std::string& error) {
  const char* cut = "HDR data cut short";
  const bool adaptive = width >= 8 && width < 0x8000 && in.Has(4) && in.Peek(0) == 2 &&
                        in.Peek(1) == 2 && !(in.Peek(2) & 0x80);
  if (adaptive) {
    const std::uint8_t* head = in.Take(4);
    if ((unsigned{head[2]} << 8 | head[3]) != width) {
      error = "HDR scanline length does not match the width";
      return false;
    }
    // Each of the four components separately: runs (count > 128) and literal stretches.
    for (unsigned component = 0; component < 4; ++component) {
      for (unsigned x = 0; x < width;) {
        if (!in.Has(1)) return (error = cut), false;
        const unsigned count = *in.Take(1);
        const unsigned length = count > 128 ? count - 128 : count;
        if (length == 0 || length > width - x) {
          error = "HDR run-length data damaged";
          return false;
        }
        if (count > 128) {
          if (!in.Has(1)) return (error = cut), false;
          const std::uint8_t value = *in.Take(1);
          for (unsigned i = 0; i < length; ++i) rgbe[(x++) * 4 + component] = value;
        } else {
          if (!in.Has(length)) return (error = cut), false;
          const std::uint8_t* values = in.Take(length);
          for (unsigned i = 0; i < length; ++i) rgbe[(x++) * 4 + component] = values[i];
        }
      }
    }
    return true;
  }
  // Flat pixels, where 1,1,1,n repeats the previous pixel n times (n shifted up by 8 bits
  // for each repeat marker in a row).
  unsigned shift = 0;
  for (unsigned x = 0; x < width;) {
    if (!in.Has(4)) return (error = cut), false;
    const std::uint8_t* pixel = in.Take(4);
    if (pixel[0] == 1 && pixel[1] == 1 && pixel[2] == 1) {
      const std::uint64_t count = std::uint64_t{pixel[3]} << shift;
      if (x == 0 || shift > 16 || count > width - x) {
        error = "HDR run-length data damaged";
        return false;
      }
      for (std::uint64_t i = 0; i < count; ++i, ++x) std::memcpy(rgbe + x * 4, rgbe + (x - 1) * 4, 4);
      shift += 8;
    } else {
      std::memcpy(rgbe + (x++) * 4, pixel, 4);
      shift = 0;
    }
  }
  return true;
}

}  // namespace

namespace {

// The header up to the resolution line; `in` is left at the first scanline.
bool ParseHeader(HdrParser& in, std::uint64_t& width, std::uint64_t& height,
                 std::string& error) {
  std::string line;
  if (!in.Line(line) || (line != "#?RADIANCE" && line != "#?RGBE")) {
    error = "not a Radiance HDR file";
    return false;
  }
  for (;;) {
    if (!in.Line(line)) {
      error = "HDR header cut short";
      return false;
    }
    if (line.empty()) break;
    if (line.compare(0, 7, "FORMAT=") == 0 && line != "FORMAT=32-bit_rle_rgbe") {
      error = "HDR colour format not supported (" + line.substr(7) + ")";
      return false;
    }
  }
  if (!in.Line(line) || !ParseResolution(line, width, height)) {
    error = "HDR orientation not supported (only -Y height +X width)";
    return false;
  }
  return CheckImageSize(width, height, error);
}

}  // namespace

bool LooksLikeHdr(const std::uint8_t* data, std::size_t size) {
  static const char* const kSignatures[] = {"#?RADIANCE\n", "#?RGBE\n"};
  for (const char* signature : kSignatures) {
    const std::size_t length = std::strlen(signature);
    if (size >= length && std::memcmp(data, signature, length) == 0) return true;
  }
  return false;
}

bool ReadHdrInfo(const std::uint8_t* data, std::size_t size, ImageInfo& info,
                 std::string& error) {
  HdrParser in(data, size);
  std::uint64_t width = 0, height = 0;
  if (!ParseHeader(in, width, height, error)) return false;
  info = ImageInfo{static_cast<unsigned>(width), static_cast<unsigned>(height), 1};
  return true;
}

bool LoadHdr(const std::uint8_t* data, std::size_t size, Image& image, std::string& error) {
  HdrParser in(data, size);
  std::uint64_t width = 0, height = 0;
  if (!ParseHeader(in, width, height, error)) return false;

  ImageLevel level;
  level.width = static_cast<unsigned>(width);
  level.height = static_cast<unsigned>(height);
  level.pixels.resize(std::size_t{level.width} * level.height);
  std::vector<std::uint8_t> scanline(std::size_t{level.width} * 4);
  for (unsigned y = 0; y < level.height; ++y) {
    if (!ReadScanline(in, level.width, scanline.data(), error)) return false;
    std::uint32_t* row = level.pixels.data() + std::size_t{y} * level.width;
    for (unsigned x = 0; x < level.width; ++x) row[x] = RgbeToArgb(&scanline[x * 4]);
  }
  image.info = ImageInfo{level.width, level.height, 1};
  image.levels.clear();
  image.levels.push_back(std::move(level));
  return true;
}

}  // namespace platform::image::detail
