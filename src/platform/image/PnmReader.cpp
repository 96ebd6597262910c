// Our reader of binary PNM files: P5 (grey) and P6 (colour), 8 or 16 bits a sample
// (16-bit samples big-endian), scaled from the file's largest value to 0..255. It
// replaces stb's, whose header numbers overflow and whose 16-bit path reads past its
// buffer.
#include "platform/image/ImageCodecs.h"

namespace platform::image::detail {
namespace {

struct PnmHeader {
  unsigned channels = 0;  ///< 1 (P5) or 3 (P6)
  std::uint64_t width = 0, height = 0, maxValue = 0;
  std::size_t rasterStart = 0;
};

bool Space(std::uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Whitespace and comments, then a decimal number of at most 9 digits.
bool ReadNumber(const std::uint8_t* data, std::size_t size, std::size_t& at,
                std::uint64_t& value) {
  for (;;) {
    while (at < size && Space(data[at])) ++at;
    if (at >= size || data[at] != '#') break;
    while (at < size && data[at] != '\n' && data[at] != '\r') ++at;
  }
  const std::size_t start = at;
  value = 0;
  while (at < size && data[at] >= '0' && data[at] <= '9') {
    if (at - start == 9) return false;
    value = value * 10 + (data[at++] - '0');
  }
  return at > start;
}

bool ParseHeader(const std::uint8_t* data, std::size_t size, PnmHeader& header,
                 std::string& error) {
  header.channels = data[1] == '6' ? 3 : 1;
  std::size_t at = 2;
  if (!ReadNumber(data, size, at, header.width) || !ReadNumber(data, size, at, header.height) ||
      !ReadNumber(data, size, at, header.maxValue)) {
    error = "damaged PNM header";
    return false;
  }
  if (header.maxValue == 0 || header.maxValue > 65535) {
    error = "PNM largest value out of range (" + std::to_string(header.maxValue) + ")";
    return false;
  }
  // Exactly one whitespace byte separates the header from the samples.
  if (at >= size || !Space(data[at])) {
    error = at >= size ? "PNM header cut short" : "damaged PNM header";
    return false;
  }
  header.rasterStart = at + 1;
  return CheckImageSize(header.width, header.height, error);
}

}  // namespace

bool LooksLikePnm(const std::uint8_t* data, std::size_t size) {
  return size >= 2 && data[0] == 'P' && (data[1] == '5' || data[1] == '6');
}

bool ReadPnmInfo(const std::uint8_t* data, std::size_t size, ImageInfo& info,
                 std::string& error) {
  PnmHeader header;
  if (!ParseHeader(data, size, header, error)) return false;
  info = ImageInfo{static_cast<unsigned>(header.width), static_cast<unsigned>(header.height), 1};
  return true;
}

bool LoadPnm(const std::uint8_t* data, std::size_t size, Image& image, std::string& error) {
  PnmHeader header;
  if (!ParseHeader(data, size, header, error)) return false;
  const unsigned sampleBytes = header.maxValue > 255 ? 2 : 1;
  const std::uint64_t needed = header.width * header.height * header.channels * sampleBytes;
  if (needed > size - header.rasterStart) {
    error = "PNM data cut short (" + std::to_string(size - header.rasterStart) + " of " +
            std::to_string(needed) + " bytes)";
    return false;
  }
  const std::uint64_t maxValue = header.maxValue;
  const std::uint8_t* sample = data + header.rasterStart;
  auto next = [&sample, sampleBytes, maxValue]() -> std::uint32_t {
    std::uint64_t value = sample[0];
    if (sampleBytes == 2) value = value << 8 | sample[1];
    sample += sampleBytes;
    if (value > maxValue) value = maxValue;
    return static_cast<std::uint32_t>((value * 255 + maxValue / 2) / maxValue);
  };

  ImageLevel level;
  level.width = static_cast<unsigned>(header.width);
  level.height = static_cast<unsigned>(header.height);
  level.pixels.resize(std::size_t{level.width} * level.height);
  for (std::uint32_t& pixel : level.pixels) {
    if (header.channels == 1) {
      const std::uint32_t grey = next();
      pixel = 0xFF000000u | grey << 16 | grey << 8 | grey;
    } else {
      const std::uint32_t red = next(), green = next(), blue = next();
      pixel = 0xFF000000u | red << 16 | green << 8 | blue;
    }
  }
  image.info = ImageInfo{level.width, level.height, 1};
  image.levels.clear();
  image.levels.push_back(std::move(level));
  return true;
}

}  // namespace platform::image::detail
