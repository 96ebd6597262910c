// RIFF/WAVE files read the way the Windows multimedia file functions read them: the
// first RIFF chunk of form "WAVE", its "fmt " chunk whole, then the "data" chunk after
// it. Nothing about the format is checked here; the decoder decides what it can play.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

/// The format record at the start of every "fmt " chunk.
struct WaveFormat {
  std::uint16_t formatTag = 0;
  std::uint16_t channels = 0;
  std::uint32_t samplesPerSec = 0;
  std::uint32_t avgBytesPerSec = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;  ///< 0 when the chunk stops before it
};

struct WaveFile {
  WaveFormat format;
  std::vector<std::uint8_t> formatChunk;  ///< the whole "fmt " chunk as stored
  std::vector<std::uint8_t> data;         ///< the whole "data" chunk
};

/// The smallest "fmt " chunk accepted: tag, channels, rate, byte rate, block alignment.
inline constexpr std::size_t kMinFormatChunk = 14;

/// Reads a wave held in memory; false when there is no RIFF "WAVE" chunk with a "fmt "
/// chunk followed by a "data" chunk, or a chunk is cut short.
bool ParseWave(const std::uint8_t* bytes, std::size_t size, WaveFile& wave);
/// Reads the file at `path` (a path of this system, already resolved).
bool ReadWaveFile(const std::string& path, WaveFile& wave);

}  // namespace platform
