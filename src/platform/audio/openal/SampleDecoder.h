// Decodes the samples of a RIFF/WAVE file into one float array per channel. libsndfile
// does the decoding (PCM of 8 to 32 bits, float, ADPCM, A-law, mu-law, extensible); it
// is handed a minimal file rebuilt from the chunks our own reader accepted.
#pragma once

#include <vector>

namespace platform {

struct WaveFile;

struct DecodedSamples {
  int sampleRate = 0;
  std::vector<std::vector<float>> channels;  ///< one or two, all the same length
};

/// False when libsndfile cannot decode the format, or it has other than 1 or 2 channels.
bool DecodeWave(const WaveFile& wave, DecodedSamples& out);

}  // namespace platform
