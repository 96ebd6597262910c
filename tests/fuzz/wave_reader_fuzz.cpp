// Fuzz target for the RIFF/WAVE reader and the sample decoder behind it: every input
// must be read or refused without a crash, a hang or a huge allocation.
// Built with clang's -fsanitize=fuzzer (HINOKI_LIBFUZZER) it is a libFuzzer target;
// otherwise it is a program that runs the same entry point over the files it is given,
// which is how the tests replay the corpus of malformed files.
#include <cstddef>
#include <cstdint>

#include "ReplayMain.h"
#include "platform/audio/WaveFile.h"
#include "platform/audio/openal/SampleDecoder.h"

namespace {

// True when the chunks were read (the samples may still fail to decode).
bool ReadOnce(const std::uint8_t* data, std::size_t size) {
  platform::WaveFile wave;
  if (!platform::ParseWave(data, size, wave)) return false;
  platform::DecodedSamples samples;
  platform::DecodeWave(wave, samples);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReadOnce(data, size);
  return 0;
}

#ifndef HINOKI_LIBFUZZER
int main(int argc, char** argv) { return fuzz::ReplayFiles(argc, argv, ReadOnce, "read"); }
#endif
