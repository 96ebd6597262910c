// The RIFF chunk walk. Chunks are word-aligned: an odd size is followed by one pad byte.
// A chunk claiming more bytes than its parent (or the file) holds ends at the parent's
// end, so a size near 4 GiB never turns into an allocation of that size.
#include "platform/audio/WaveFile.h"

#include <cstdio>
#include <cstring>

namespace platform {
namespace {

std::uint32_t Read32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t Read16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

struct Chunk {
  std::size_t body = 0;  ///< offset of the first byte after the 8-byte header
  std::size_t size = 0;  ///< size as stored
};

// Looks for chunk `id` among the chunks from `from` to `end`; on success `from` is moved
// past the chunk found (with its pad byte), as ascending out of it would.
bool FindChunk(const std::uint8_t* bytes, std::size_t& from, std::size_t end, const char* id,
               Chunk& found) {
  while (from < end && end - from >= 8) {
    const std::uint8_t* header = bytes + from;
    const std::size_t size = Read32(header + 4);
    const std::size_t body = from + 8;
    const std::size_t padded = size + (size & 1);
    const std::size_t next = padded > end - body ? end : body + padded;
    if (std::memcmp(header, id, 4) == 0) {
      found.body = body;
      found.size = size;
      from = next;
      return true;
    }
    from = next;
  }
  return false;
}

}  // namespace

bool ParseWave(const std::uint8_t* bytes, std::size_t size, WaveFile& wave) {
  // The first top-level RIFF chunk whose form type is WAVE.
  std::size_t at = 0;
  Chunk riff;
  for (;;) {
    if (!FindChunk(bytes, at, size, "RIFF", riff)) return false;
    if (riff.size >= 4 && size - riff.body >= 4 && std::memcmp(bytes + riff.body, "WAVE", 4) == 0) {
      break;
    }
  }
  const std::size_t riffEnd = riff.size > size - riff.body ? size : riff.body + riff.size;
  std::size_t inside = riff.body + 4;

  Chunk fmt;
  if (!FindChunk(bytes, inside, riffEnd, "fmt ", fmt)) return false;
  if (fmt.size > riffEnd - fmt.body || fmt.size < kMinFormatChunk) return false;
  const std::uint8_t* f = bytes + fmt.body;
  wave.format = WaveFormat{};
  wave.format.formatTag = Read16(f);
  wave.format.channels = Read16(f + 2);
  wave.format.samplesPerSec = Read32(f + 4);
  wave.format.avgBytesPerSec = Read32(f + 8);
  wave.format.blockAlign = Read16(f + 12);
  if (fmt.size >= 16) wave.format.bitsPerSample = Read16(f + 14);
  wave.formatChunk.assign(f, f + fmt.size);

  // The data chunk is looked for after the format chunk, where the reader stands.
  Chunk data;
  if (!FindChunk(bytes, inside, riffEnd, "data", data)) return false;
  if (data.size > riffEnd - data.body) return false;
  wave.data.assign(bytes + data.body, bytes + data.body + data.size);
  return true;
}

bool ReadWaveFile(const std::string& path, WaveFile& wave) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::vector<std::uint8_t> bytes;
  std::uint8_t block[65536];
  std::size_t got;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
    bytes.insert(bytes.end(), block, block + got);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return false;
  return ParseWave(bytes.data(), bytes.size(), wave);
}

}  // namespace platform
