// MSZIP bodies of compressed .x files: blocks of raw deflate, each allowed to refer back
// into the previous block's output, which is therefore handed to zlib as its dictionary.
#include <zlib.h>

#include <cstring>

#include "platform/xfile/XFile.h"

namespace platform::xfile {

namespace {

std::uint16_t Read16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Read32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Owns one raw-inflate stream so every exit path ends it.
struct RawInflater {
  z_stream stream{};
  bool ready = false;
  RawInflater() { ready = inflateInit2(&stream, -15) == Z_OK; }
  ~RawInflater() {
    if (ready) inflateEnd(&stream);
  }
};

}  // namespace

bool DecompressMszip(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out,
                     std::string& error) {
  out.clear();
  if (size < 4) {
    error = "compressed file ends before its size field";
    return false;
  }
  // The stored size counts the 16-byte header too. It is only a limit: memory grows with
  // the blocks actually inflated, never with what this field claims.
  const std::uint32_t total = Read32(data);
  if (total < 16) {
    error = "compressed file declares a size smaller than its header";
    return false;
  }
  const std::size_t expected = total - 16;
  RawInflater inflater;
  if (!inflater.ready) {
    error = "cannot start the inflater";
    return false;
  }
  std::size_t pos = 4;
  std::size_t previousStart = 0;
  std::size_t previousSize = 0;
  while (out.size() < expected) {
    if (size - pos < 6) {
      error = "compressed file ends before its declared size";
      return false;
    }
    const std::size_t plainSize = Read16(data + pos);
    const std::size_t packedSize = Read16(data + pos + 2);  // counts the "CK" mark
    if (packedSize < 2 || data[pos + 4] != 'C' || data[pos + 5] != 'K') {
      error = "compressed block without its CK mark";
      return false;
    }
    if (packedSize > size - pos - 4) {
      error = "compressed block runs past the end of the file";
      return false;
    }
    if (plainSize > expected - out.size()) {
      error = "compressed blocks hold more than the declared size";
      return false;
    }
    z_stream& stream = inflater.stream;
    if (inflateReset(&stream) != Z_OK) {
      error = "cannot restart the inflater";
      return false;
    }
    if (previousSize > 0 && inflateSetDictionary(&stream, out.data() + previousStart,
                                                 static_cast<uInt>(previousSize)) != Z_OK) {
      error = "cannot set the previous block as dictionary";
      return false;
    }
    const std::size_t blockStart = out.size();
    out.resize(blockStart + plainSize);
    stream.next_in = const_cast<Bytef*>(data + pos + 6);
    stream.avail_in = static_cast<uInt>(packedSize - 2);
    stream.next_out = out.data() + blockStart;
    stream.avail_out = static_cast<uInt>(plainSize);
    const int result = inflate(&stream, Z_FINISH);
    if ((result != Z_STREAM_END && result != Z_BUF_ERROR && result != Z_OK) ||
        stream.avail_out != 0) {
      error = "compressed block does not inflate to its declared size";
      return false;
    }
    if (plainSize == 0 && result != Z_STREAM_END) {
      error = "empty compressed block";
      return false;
    }
    previousStart = blockStart;
    previousSize = plainSize;
    pos += 4 + packedSize;
  }
  return true;
}

}  // namespace platform::xfile
