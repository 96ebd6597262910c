// Fuzz target for the RIFF/WAVE reader and the sample decoder behind it: every input
// must be read or refused without a crash, a hang or a huge allocation.
// Built with clang's -fsanitize=fuzzer (HINOKI_LIBFUZZER) it is a libFuzzer target;
// otherwise it is a program that runs the same entry point over the files it is given,
// which is how the tests replay the corpus of malformed files.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/audio/WaveFile.h"
#include "platform/audio/openal/SampleDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::WaveFile wave;
  if (platform::ParseWave(data, size, wave)) {
    platform::DecodedSamples samples;
    platform::DecodeWave(wave, samples);
  }
  return 0;
}

#ifndef HINOKI_LIBFUZZER
int main(int argc, char** argv) {
  int read = 0;
  for (int i = 1; i < argc; ++i) {
    std::FILE* file = std::fopen(argv[i], "rb");
    if (!file) {
      std::fprintf(stderr, "cannot open %s\n", argv[i]);
      return 1;
    }
    std::vector<std::uint8_t> bytes;
    int c;
    while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<std::uint8_t>(c));
    std::fclose(file);
    platform::WaveFile wave;
    if (platform::ParseWave(bytes.data(), bytes.size(), wave)) ++read;
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("%d of %d files read\n", read, argc - 1);
  return 0;
}
#endif
