// Colour packing from script numbers, without undefined conversions for any number.
#include "math/D3DARGB.h"

#include <cmath>

namespace {

// The number truncated toward zero, reduced modulo 2^32; NaN and infinities give 0.
std::uint32_t Wrap32(double value) {
  if (!std::isfinite(value)) return 0;
  const double wrapped = std::fmod(std::trunc(value), 4294967296.0);
  return static_cast<std::uint32_t>(
      static_cast<std::int64_t>(wrapped < 0 ? wrapped + 4294967296.0 : wrapped));
}

}  // namespace

D3DARGB& D3DARGB::Set(double a, double r, double g, double b) {
  mColor = (Wrap32(a) & 0xFFu) << 24 | (Wrap32(r) & 0xFFu) << 16 | (Wrap32(g) & 0xFFu) << 8 |
           (Wrap32(b) & 0xFFu);
  return *this;
}

D3DARGB& D3DARGB::Set(const D3DARGB& color) {
  mColor = color.mColor;
  return *this;
}

D3DARGB& D3DARGB::Set(double color) {
  mColor = Wrap32(color);
  return *this;
}
