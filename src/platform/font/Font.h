// Glyph bitmaps for text textures, in the form GDI's GetGlyphOutline(GGO_GRAY4_BITMAP)
// gives them: grey levels 0..16, one byte per pixel, rows padded to 4 bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::font {

/// A font as GDI's LOGFONT describes it.
struct FontRequest {
  /// Negative: character height (em size) in pixels; positive: cell height (ascent +
  /// descent); 0: a default size.
  int height = 0;
  int weight = 400;      ///< 0..1000; 700 and above is bold
  std::string faceCp932;  ///< face name as CP932 bytes, e.g. "MS ゴシック"
};

/// The TEXTMETRIC values the engine reads.
struct TextMetrics {
  int height = 0;  ///< ascent + descent
  int ascent = 0;
};

/// The GLYPHMETRICS values the engine reads.
struct GlyphMetrics {
  unsigned blackBoxX = 0;
  unsigned blackBoxY = 0;
  int originX = 0;  ///< left edge of the black box from the pen position
  int originY = 0;  ///< top edge of the black box above the baseline
  int cellIncX = 0;  ///< advance to the next character
};

struct GlyphBitmap {
  GlyphMetrics metrics;
  /// blackBoxY rows of blackBoxX grey levels, each row padded to a multiple of 4 bytes;
  /// empty for a blank glyph (a space).
  std::vector<std::uint8_t> levels;
};

class Font {
 public:
  virtual ~Font() = default;
  virtual TextMetrics Metrics() const = 0;
  /// The glyph of a CP932 character code (a double-byte character has its lead byte in
  /// the high 8 bits); false when the code is not a character.
  virtual bool RenderGlyph(std::uint16_t cp932Code, GlyphBitmap& glyph) const = 0;
};

/// The installed font that best matches the request (fontconfig's choice, Japanese
/// glyphs preferred); null when no font can be opened at all.
std::unique_ptr<Font> CreateFont(const FontRequest& request);

}  // namespace platform::font
