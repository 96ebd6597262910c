// Photoshop files (PSD): the merged picture stored after the layers, in RGB colour mode
// with 8 or 16 bits a channel, raw or PackBits-compressed. Layers, channels beyond the
// fourth (saved selections, spot colours) and other colour modes are not read; 16-bit
// samples keep their high byte, as the other formats' 16-bit samples do.
// A document with transparency stores its merged colours blended onto white, and the
// reader takes the white back out. A colour darker than any such blend can be (a damaged
// file, or a writer that did not blend) comes out black, never wrapped around.
#include <algorithm>
#include <cstring>

#include "platform/image/ImageCodecs.h"

namespace platform::image::detail {
namespace {

constexpr std::size_t kHeaderBytes = 26;
constexpr unsigned kRgbMode = 3;
constexpr unsigned kMaxChannels = 56;  // Photoshop's own limit
constexpr unsigned kRaw = 0;
constexpr unsigned kPackBits = 1;
// Two bytes of PackBits (a repeat) unpack to at most 128: no row unpacks to more than 64
// times its stored bytes.
constexpr std::uint64_t kMaxPackBitsGrowth = 64;

unsigned Get16(const std::uint8_t* p) {
  return unsigned{p[0]} << 8 | p[1];
}
std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

struct Header {
  unsigned channels = 0;
  unsigned width = 0;
  unsigned height = 0;
  unsigned sampleBytes = 0;
};

bool ReadHeader(const std::uint8_t* data, std::size_t size, Header& header, std::string& error) {
  if (size < kHeaderBytes) {
    error = "PSD header cut short";
    return false;
  }
  const unsigned version = Get16(data + 4);
  const unsigned channels = Get16(data + 12);
  const unsigned depth = Get16(data + 22);
  const unsigned mode = Get16(data + 24);
  if (version != 1) {
    error = version == 2 ? "large Photoshop documents (PSB) are not supported"
                         : "damaged PSD header (version " + std::to_string(version) + ")";
    return false;
  }
  if (mode != kRgbMode) {
    error = "PSD in colour mode " + std::to_string(mode) + " is not supported (RGB only)";
    return false;
  }
  if (channels < 3 || channels > kMaxChannels) {
    error = "damaged PSD header (RGB with " + std::to_string(channels) + " channels)";
    return false;
  }
  if (depth != 8 && depth != 16) {
    error = "PSD of " + std::to_string(depth) + " bits a channel is not supported (8 or 16)";
    return false;
  }
  const std::uint32_t height = Get32(data + 14);
  const std::uint32_t width = Get32(data + 18);
  if (!CheckImageSize(width, height, error)) return false;
  header.channels = channels;
  header.width = width;
  header.height = height;
  header.sampleBytes = depth / 8;
  return true;
}

// Unpacks one PackBits row of `rowBytes` from `count` stored bytes. A run that would
// cross the row's end, or stored bytes that run out first, make the row damaged; stored
// bytes left over are padding.
bool UnpackRow(const std::uint8_t* in, std::size_t count, std::uint8_t* out, std::size_t rowBytes) {
  std::size_t read = 0, written = 0;
  while (written < rowBytes) {
    if (read >= count) return false;
    const int header = static_cast<std::int8_t>(in[read++]);
    if (header == -128) continue;  // no operation
    if (header >= 0) {
      const std::size_t length = static_cast<std::size_t>(header) + 1;
      if (count - read < length || rowBytes - written < length) return false;
      std::memcpy(out + written, in + read, length);
      read += length;
      written += length;
    } else {
      const std::size_t length = static_cast<std::size_t>(1 - header);
      if (read >= count || rowBytes - written < length) return false;
      std::memset(out + written, in[read++], length);
      written += length;
    }
  }
  return true;
}

// Puts one row of channel `channel` (0..3: red, green, blue, alpha) into the pixels.
void StoreRow(const std::uint8_t* row, const Header& header, unsigned channel,
              std::uint32_t* pixels) {
  const unsigned shift = channel == 3 ? 24 : 16 - 8 * channel;
  for (unsigned x = 0; x < header.width; ++x) {
    const std::uint32_t value = row[std::size_t{x} * header.sampleBytes];  // the high byte
    pixels[x] |= value << shift;
  }
}

// Takes the white a transparent pixel's colours were blended onto back out:
// stored = colour * a + 255 * (1 - a), with a = alpha / 255.
void RemoveWhiteMatte(std::vector<std::uint32_t>& pixels) {
  for (std::uint32_t& pixel : pixels) {
    const int alpha = static_cast<int>(pixel >> 24);
    if (alpha == 0 || alpha == 255) continue;
    std::uint32_t result = pixel & 0xFF000000u;
    for (const unsigned shift : {16u, 8u, 0u}) {
      const int stored = static_cast<int>((pixel >> shift) & 0xFF);
      const int aboveWhiteShare = stored - (255 - alpha);  // at most alpha
      const int colour = aboveWhiteShare <= 0 ? 0 : (aboveWhiteShare * 255 + alpha / 2) / alpha;
      result |= static_cast<std::uint32_t>(std::min(colour, 255)) << shift;
    }
    pixel = result;
  }
}

}  // namespace

bool LooksLikePsd(const std::uint8_t* data, std::size_t size) {
  return size >= 4 && std::memcmp(data, "8BPS", 4) == 0;
}

bool ReadPsdInfo(const std::uint8_t* data, std::size_t size, ImageInfo& info, std::string& error) {
  Header header;
  if (!ReadHeader(data, size, header, error)) return false;
  info.width = header.width;
  info.height = header.height;
  info.mipLevels = 1;
  return true;
}

bool LoadPsd(const std::uint8_t* data, std::size_t size, Image& image, std::string& error) {
  Header header;
  if (!ReadHeader(data, size, header, error)) return false;
  const std::string cutShort = "PSD data cut short";

  // Colour mode data, image resources, layers and masks: each skipped by its length.
  std::size_t at = kHeaderBytes;
  for (int section = 0; section < 3; ++section) {
    if (size - at < 4) {
      error = cutShort;
      return false;
    }
    const std::uint32_t length = Get32(data + at);
    at += 4;
    if (length > size - at) {
      error = cutShort;
      return false;
    }
    at += length;
  }
  if (size - at < 2) {
    error = cutShort;
    return false;
  }
  const unsigned compression = Get16(data + at);
  at += 2;
  if (compression != kRaw && compression != kPackBits) {
    error = "PSD compression " + std::to_string(compression) +
            " is not supported (raw or PackBits only)";
    return false;
  }

  const unsigned used = std::min(header.channels, 4u);
  const std::size_t rowBytes = std::size_t{header.width} * header.sampleBytes;
  const std::size_t rows = header.height;
  // Where each row of each used channel is stored, checked before anything is allocated.
  std::vector<std::size_t> rowStart(std::size_t{used} * rows);
  std::vector<std::size_t> rowCount(rowStart.size(), rowBytes);
  if (compression == kRaw) {
    if ((size - at) / (rowBytes * rows) < used) {
      error = cutShort;
      return false;
    }
    for (std::size_t i = 0; i < rowStart.size(); ++i) rowStart[i] = at + i * rowBytes;
  } else {
    // A table of every channel's stored row lengths, then the rows channel by channel.
    const std::size_t tableBytes = std::size_t{header.channels} * rows * 2;
    if (size - at < tableBytes) {
      error = cutShort;
      return false;
    }
    std::size_t next = at + tableBytes;
    for (std::size_t i = 0; i < rowStart.size(); ++i) {
      rowCount[i] = Get16(data + at + 2 * i);
      if (rowCount[i] * kMaxPackBitsGrowth < rowBytes) {
        error = "damaged PSD data (a row stored in " + std::to_string(rowCount[i]) + " bytes)";
        return false;
      }
      if (rowCount[i] > size - next) {
        error = cutShort;
        return false;
      }
      rowStart[i] = next;
      next += rowCount[i];
    }
  }

  ImageLevel level;
  level.width = header.width;
  level.height = header.height;
  level.pixels.assign(std::size_t{header.width} * rows, used < 4 ? 0xFF000000u : 0u);
  std::vector<std::uint8_t> unpacked(compression == kPackBits ? rowBytes : 0);
  for (unsigned channel = 0; channel < used; ++channel) {
    for (std::size_t y = 0; y < rows; ++y) {
      const std::size_t i = channel * rows + y;
      const std::uint8_t* row = data + rowStart[i];
      if (compression == kPackBits) {
        if (!UnpackRow(row, rowCount[i], unpacked.data(), rowBytes)) {
          error = "damaged PSD data (row " + std::to_string(y) + " of channel " +
                  std::to_string(channel) + ")";
          return false;
        }
        row = unpacked.data();
      }
      StoreRow(row, header, channel, level.pixels.data() + y * header.width);
    }
  }
  if (used == 4) RemoveWhiteMatte(level.pixels);

  image.info = ImageInfo{header.width, header.height, 1};
  image.levels.clear();
  image.levels.push_back(std::move(level));
  return true;
}

}  // namespace platform::image::detail
