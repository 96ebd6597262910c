// A minimal PNG encoder on zlib: signature, IHDR, one IDAT, IEND.
#include "platform/testkit/CapturePng.h"

#include <zlib.h>

#include <cstdio>
#include <vector>

namespace platform::testkit {

namespace {

void PutU32(std::vector<unsigned char>& out, std::uint32_t v) {
  out.push_back(static_cast<unsigned char>(v >> 24));
  out.push_back(static_cast<unsigned char>(v >> 16));
  out.push_back(static_cast<unsigned char>(v >> 8));
  out.push_back(static_cast<unsigned char>(v));
}

void PutChunk(std::vector<unsigned char>& out, const char type[4], const unsigned char* data,
              std::size_t size) {
  PutU32(out, static_cast<std::uint32_t>(size));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  if (size) out.insert(out.end(), data, data + size);
  PutU32(out, static_cast<std::uint32_t>(
                  crc32(0L, out.data() + typeAt, static_cast<uInt>(size + 4))));
}

}  // namespace

bool WriteCapturePng(const std::string& path, unsigned width, unsigned height,
                     const std::uint32_t* pixels) {
  // Each row: filter type 0, then R, G, B, A.
  const std::size_t stride = static_cast<std::size_t>(width) * 4 + 1;
  std::vector<unsigned char> raw(stride * height);
  for (unsigned y = 0; y < height; ++y) {
    unsigned char* row = raw.data() + stride * y;
    row[0] = 0;
    const std::uint32_t* in = pixels + static_cast<std::size_t>(width) * y;
    for (unsigned x = 0; x < width; ++x) {
      const std::uint32_t argb = in[x];
      row[1 + 4 * x] = static_cast<unsigned char>(argb >> 16);
      row[2 + 4 * x] = static_cast<unsigned char>(argb >> 8);
      row[3 + 4 * x] = static_cast<unsigned char>(argb);
      row[4 + 4 * x] = static_cast<unsigned char>(argb >> 24);
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<unsigned char> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()),
                Z_BEST_SPEED) != Z_OK) {
    return false;
  }

  static const unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> file(kSignature, kSignature + sizeof kSignature);
  std::vector<unsigned char> header;
  PutU32(header, width);
  PutU32(header, height);
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
  PutChunk(file, "IHDR", header.data(), header.size());
  PutChunk(file, "IDAT", packed.data(), packedSize);
  PutChunk(file, "IEND", nullptr, 0);

  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && written;
}

}  // namespace platform::testkit
