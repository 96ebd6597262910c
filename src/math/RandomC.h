// Random numbers for scripts: the 32-bit Mersenne Twister MT19937.
#pragma once

#include <cstdint>
#include <random>

class RandomC {
 public:
  /// Seeded with the current time in whole seconds: generators made in the same second
  /// give the same sequence.
  RandomC();
  explicit RandomC(std::uint32_t seed) : mEngine(seed) {}
  /// The next output as a signed 32-bit number.
  int Get() { return static_cast<std::int32_t>(mEngine()); }

 private:
  std::mt19937 mEngine;  // 624 words of state and an index, the standard generator
};
