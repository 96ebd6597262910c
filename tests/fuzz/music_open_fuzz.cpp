// Fuzz target for opening music files: the choice of decoder by content and the MP3, Ogg
// Vorbis and libsndfile decoders behind it. Every input must be decoded or refused
// without a crash, a hang or a huge allocation; a decoder that opens must read, seek
// and read again within the length it gave.
// Built with clang's -fsanitize=fuzzer (HINOKI_LIBFUZZER) it is a libFuzzer target;
// otherwise it is a program that runs the same entry point over the files it is given,
// which is how the tests replay the corpus of damaged files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ReplayMain.h"
#include "platform/music/MusicDecoder.h"

namespace {

// Reads at most a few seconds: a damaged length must not make a fuzz run crawl.
constexpr std::int64_t kMostFrames = 1 << 18;

bool Decode(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<platform::MusicDecoder> decoder =
      platform::OpenMusicDecoder(platform::MakeMemorySource(data, size));
  if (!decoder) return false;
  const int channels = decoder->Channels();
  const std::int64_t length = decoder->Length();
  if (channels < 1 || channels > 2 || length < 1) std::abort();
  std::vector<float> buffer(4096 * static_cast<std::size_t>(channels));
  std::int64_t total = 0;
  while (total < kMostFrames) {
    const std::int64_t got = decoder->Read(buffer.data(), 4096);
    if (got < 0 || got > 4096) std::abort();
    if (got == 0) break;
    total += got;
  }
  if (decoder->Seek(length / 2)) decoder->Read(buffer.data(), 4096);
  if (decoder->Seek(0)) decoder->Read(buffer.data(), 16);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Decode(data, size);
  return 0;
}

#ifndef HINOKI_LIBFUZZER
int main(int argc, char** argv) { return fuzz::ReplayFiles(argc, argv, Decode, "decoded"); }
#endif
