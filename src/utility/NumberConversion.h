// Script numbers as the integers the engine takes: truncated toward zero like the
// binding's own integer conversion, but defined for every double, NaN and infinities
// included, so no script value leads to undefined behaviour.
#pragma once

#include <cmath>
#include <cstdint>

namespace UtilityN {

/// Truncation toward zero, held to the 32-bit range; NaN gives 0.
inline std::int32_t TruncateToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return -2147483647 - 1;
  return static_cast<std::int32_t>(value);
}

/// Truncation toward zero taken modulo 2^32, as a negative number stored in an unsigned
/// parameter wraps (-1 becomes 0xFFFFFFFF); NaN and values beyond 2^63 give 0.
inline std::uint32_t TruncateToUnsigned(double value) {
  if (!(std::fabs(value) < 9223372036854775808.0)) return 0;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(value)));
}

/// The low 8 bits of the truncated value (256 is 0, -1 is 255).
inline std::uint8_t LowByte(double value) {
  return static_cast<std::uint8_t>(TruncateToUnsigned(value) & 0xFFu);
}

}  // namespace UtilityN
