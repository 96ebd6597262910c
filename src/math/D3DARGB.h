// A Direct3D colour: 0xAARRGGBB packed in one 32-bit word.
#pragma once

#include <cstdint>

class D3DARGB {
 public:
  D3DARGB() = default;
  /// Each channel truncated toward zero; only its low 8 bits count (256 is 0, -1 is 255).
  D3DARGB(double a, double r, double g, double b) { Set(a, r, g, b); }
  explicit D3DARGB(double color) { Set(color); }
  D3DARGB& Set(double a, double r, double g, double b);
  D3DARGB& Set(const D3DARGB& color);
  /// The number truncated to a 32-bit integer (negative numbers wrap: -1 is 0xFFFFFFFF).
  D3DARGB& Set(double color);
  operator unsigned long() const { return mColor; }

  // The script field mColor: read as an unsigned number, written like Set(number).
  double get_mColor() const { return mColor; }
  void set_mColor(double color) { Set(color); }

  std::uint32_t mColor = 0;
};
