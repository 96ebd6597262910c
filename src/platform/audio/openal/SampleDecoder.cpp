// libsndfile reads from memory through its virtual I/O: the rebuilt file never touches
// the disk.
#include "platform/audio/openal/SampleDecoder.h"

#include <sndfile.h>

#include <cstdint>
#include <cstring>

#include "platform/audio/WaveFile.h"

namespace platform {
namespace {

struct MemoryFile {
  std::vector<std::uint8_t> bytes;
  sf_count_t position = 0;
};

sf_count_t Length(void* user) { return static_cast<MemoryFile*>(user)->bytes.size(); }

sf_count_t Seek(sf_count_t offset, int whence, void* user) {
  auto* file = static_cast<MemoryFile*>(user);
  sf_count_t base = whence == SEEK_CUR ? file->position
                    : whence == SEEK_END ? static_cast<sf_count_t>(file->bytes.size())
                                         : 0;
  const sf_count_t target = base + offset;
  if (target < 0 || target > static_cast<sf_count_t>(file->bytes.size())) return -1;
  file->position = target;
  return target;
}

sf_count_t Read(void* destination, sf_count_t count, void* user) {
  auto* file = static_cast<MemoryFile*>(user);
  const sf_count_t left = static_cast<sf_count_t>(file->bytes.size()) - file->position;
  if (count > left) count = left;
  if (count <= 0) return 0;
  std::memcpy(destination, file->bytes.data() + file->position, static_cast<size_t>(count));
  file->position += count;
  return count;
}

sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
sf_count_t Tell(void* user) { return static_cast<MemoryFile*>(user)->position; }

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutTag(std::vector<std::uint8_t>& out, const char* id) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(id[i]));
}

void PutChunk(std::vector<std::uint8_t>& out, const char* id,
              const std::vector<std::uint8_t>& body) {
  PutTag(out, id);
  Put32(out, static_cast<std::uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  if (body.size() & 1) out.push_back(0);
}

}  // namespace

bool DecodeWave(const WaveFile& wave, DecodedSamples& out) {
  if (wave.format.channels < 1 || wave.format.channels > 2) return false;

  MemoryFile file;
  file.bytes.reserve(28 + wave.formatChunk.size() + wave.data.size());
  PutTag(file.bytes, "RIFF");
  Put32(file.bytes, 0);  // the size, filled in below
  PutTag(file.bytes, "WAVE");
  PutChunk(file.bytes, "fmt ", wave.formatChunk);
  PutChunk(file.bytes, "data", wave.data);
  const std::uint32_t riffSize = static_cast<std::uint32_t>(file.bytes.size() - 8);
  for (int i = 0; i < 4; ++i) file.bytes[4 + i] = static_cast<std::uint8_t>(riffSize >> (8 * i));

  SF_VIRTUAL_IO io{Length, Seek, Read, Write, Tell};
  SF_INFO info{};
  SNDFILE* sound = sf_open_virtual(&io, SFM_READ, &info, &file);
  if (!sound) return false;
  const bool usable = info.channels == wave.format.channels && info.samplerate > 0 &&
                      info.frames >= 0;
  if (!usable) {
    sf_close(sound);
    return false;
  }
  std::vector<float> interleaved(static_cast<size_t>(info.frames) * info.channels);
  const sf_count_t frames = sf_readf_float(sound, interleaved.data(), info.frames);
  sf_close(sound);
  if (frames < 0) return false;

  out.sampleRate = info.samplerate;
  out.channels.assign(info.channels, std::vector<float>(static_cast<size_t>(frames)));
  for (sf_count_t i = 0; i < frames; ++i) {
    for (int c = 0; c < info.channels; ++c) {
      out.channels[c][static_cast<size_t>(i)] = interleaved[static_cast<size_t>(i) * info.channels + c];
    }
  }
  return true;
}

}  // namespace platform
