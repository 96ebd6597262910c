// Glyph bitmaps from FreeType, with fontconfig choosing the face. The face is the best
// match that covers Japanese, because the engine asks for Shift-JIS fonts and GDI weighs
// the character set above the face name; characters that face lacks come from the next
// font in fontconfig's order that has them. Sizes follow GDI: a negative height is the em
// size, a positive one the cell height (the font's Windows ascent plus descent).
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/font/Font.h"
#include "platform/font/freetype/FaceNames.h"
#include "platform/text/Text.h"

namespace platform::font {
namespace {

constexpr long long kDefaultEmPixels = 16;
// Larger requests are held to this size: one glyph is then at most a few megabytes, and
// a text texture stays within what every GPU accepts.
constexpr long long kMaxPixels = 4096;
constexpr int kBoldWeight = 600;  // from here on a face lighter than this is emboldened

struct FaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

// Fontconfig's order of all installed fonts for one request, shared by the fonts made
// from it.
using FontSetPtr = std::shared_ptr<FcFontSet>;

// The FreeType library and fontconfig configuration, loaded once per process and kept
// alive by every font that uses them.
struct FontSystem {
  FT_Library library = nullptr;
  FcConfig* config = nullptr;
  // Sorting every installed font is the slow part of making a font, and text textures
  // are remade with the same few requests after every device reset: keep each order.
  std::map<std::pair<std::vector<std::string>, int>, FontSetPtr> sortedFonts;
  FontSystem() = default;
  FontSystem(const FontSystem&) = delete;
  FontSystem& operator=(const FontSystem&) = delete;
  ~FontSystem() {
    sortedFonts.clear();
    if (library) FT_Done_FreeType(library);
    if (config) FcConfigDestroy(config);
  }
};

std::shared_ptr<FontSystem> SharedFontSystem() {
  static const std::shared_ptr<FontSystem> system = [] {
    auto created = std::make_shared<FontSystem>();
    if (FT_Init_FreeType(&created->library) != 0) {
      created->library = nullptr;
      return std::shared_ptr<FontSystem>();
    }
    created->config = FcInitLoadConfigAndFonts();
    if (!created->config) return std::shared_ptr<FontSystem>();
    return created;
  }();
  return system;
}

// An outline face of a fontconfig match, or null (missing file, bitmap-only font).
FacePtr OpenFace(FT_Library library, const FcPattern* pattern) {
  FcChar8* file = nullptr;
  int index = 0;
  if (FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch) return nullptr;
  if (FcPatternGetInteger(pattern, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
  FT_Face face = nullptr;
  if (FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face) != 0) return nullptr;
  FacePtr owned(face);
  if (!FT_IS_SCALABLE(face)) return nullptr;
  return owned;
}

std::string FaceKey(const FcPattern* pattern) {
  FcChar8* file = nullptr;
  int index = 0;
  if (FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch) return std::string();
  FcPatternGetInteger(pattern, FC_INDEX, 0, &index);
  return reinterpret_cast<const char*>(file) + std::string("#") + std::to_string(index);
}

bool CoversJapanese(const FcPattern* pattern) {
  FcLangSet* languages = nullptr;
  if (FcPatternGetLangSet(pattern, FC_LANG, 0, &languages) != FcResultMatch) return false;
  return FcLangSetHasLang(languages, reinterpret_cast<const FcChar8*>("ja")) != FcLangDifferentLang;
}

// Every installed font in fontconfig's order of preference for these families and weight.
FontSetPtr SortFonts(FcConfig* config, const std::vector<std::string>& families, int weight) {
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) return nullptr;
  for (const std::string& family : families)
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  if (!FcConfigSubstitute(config, pattern.get(), FcMatchPattern)) return nullptr;
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  FcFontSet* sorted = FcFontSort(config, pattern.get(), FcFalse, nullptr, &result);
  if (!sorted) return nullptr;
  return FontSetPtr(sorted, [](FcFontSet* set) { FcFontSetDestroy(set); });
}

FontSetPtr SortedFonts(FontSystem& system, const std::vector<std::string>& families, int weight) {
  auto key = std::make_pair(families, weight);
  auto known = system.sortedFonts.find(key);
  if (known != system.sortedFonts.end()) return known->second;
  FontSetPtr sorted = SortFonts(system.config, families, weight);
  if (sorted) system.sortedFonts.emplace(std::move(key), sorted);
  return sorted;
}

// The preferred outline face of `fonts` that covers Japanese, else the first outline face.
FacePtr OpenPreferredFace(FT_Library library, const FcFontSet* fonts, bool japaneseOnly) {
  for (int i = 0; fonts && i < fonts->nfont; ++i) {
    if (japaneseOnly && !CoversJapanese(fonts->fonts[i])) continue;
    if (FacePtr face = OpenFace(library, fonts->fonts[i])) return face;
  }
  return nullptr;
}

// Windows ascent and descent in font units: what GDI builds the cell height from.
void WindowsAscentDescent(FT_Face face, long& ascent, long& descent) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    ascent = os2->usWinAscent;
    descent = os2->usWinDescent;
  } else {
    ascent = face->ascender;
    descent = -face->descender;
  }
  if (ascent + descent <= 0) {
    ascent = face->units_per_EM;
    descent = 0;
  }
}

bool FaceIsBold(FT_Face face) {
  if (face->style_flags & FT_STYLE_FLAG_BOLD) return true;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  return os2 && os2->version != 0xFFFF && os2->usWeightClass >= kBoldWeight;
}

// The Unicode character of a CP932 code; false when the code is not one character.
bool CodePointOf(std::uint16_t code, char32_t& codePoint) {
  std::string bytes;
  if (code > 0xFF) bytes += static_cast<char>(code >> 8);
  bytes += static_cast<char>(code & 0xFF);
  const std::string utf8 = platform::text::Cp932ToUtf8(bytes);
  if (utf8.empty()) return false;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
  std::size_t length = byte(0) < 0x80 ? 1 : byte(0) < 0xE0 ? 2 : byte(0) < 0xF0 ? 3 : 4;
  if (utf8.size() != length) return false;  // two characters, or a replaced byte and more
  char32_t value = length == 1 ? byte(0) : byte(0) & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) value = (value << 6) | (byte(i) & 0x3F);
  if (value == 0xFFFD) return false;  // CP932 maps nothing there: the code was invalid
  codePoint = value;
  return true;
}

void SetBlank(GlyphBitmap& glyph, int originX, int originY, int cellIncX) {
  glyph.metrics.blackBoxX = 1;
  glyph.metrics.blackBoxY = 1;
  glyph.metrics.originX = originX;
  glyph.metrics.originY = originY;
  glyph.metrics.cellIncX = cellIncX;
  glyph.levels.clear();
}

// Copies a rendered bitmap as grey levels 0..16, rows padded to 4 bytes. Full coverage
// must come out as 16, so levels are rounded to the nearest, not truncated.
void CopyLevels(const FT_Bitmap& bitmap, GlyphBitmap& glyph) {
  const unsigned width = bitmap.width;
  const unsigned rows = bitmap.rows;
  const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
  glyph.levels.assign(stride * rows, 0);
  const int maxGrey = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
  for (unsigned y = 0; y < rows; ++y) {
    // A negative pitch means the rows are stored bottom-up.
    const unsigned char* row = bitmap.pitch >= 0
                                   ? bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch
                                   : bitmap.buffer + static_cast<std::ptrdiff_t>(rows - 1 - y) *
                                                         -bitmap.pitch;
    std::uint8_t* out = glyph.levels.data() + y * stride;
    for (unsigned x = 0; x < width; ++x) {
      if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 16 : 0;
      } else {
        const unsigned grey = std::min<unsigned>(row[x], maxGrey) * 255 / maxGrey;
        out[x] = static_cast<std::uint8_t>((grey * 16 + 127) / 255);
      }
    }
  }
}

class FreeTypeFont : public Font {
 public:
  FreeTypeFont(std::shared_ptr<FontSystem> system, FacePtr face, FontSetPtr fallbacks,
               FT_UInt emPixels, TextMetrics metrics, bool bold)
      : mSystem(std::move(system)),
        mFace(std::move(face)),
        mFallbacks(std::move(fallbacks)),
        mEmPixels(emPixels),
        mMetrics(metrics),
        mBold(bold) {}

  TextMetrics Metrics() const override { return mMetrics; }

  bool RenderGlyph(std::uint16_t cp932Code, GlyphBitmap& glyph) const override {
    char32_t codePoint = 0;
    if (!CodePointOf(cp932Code, codePoint)) return false;
    FT_UInt index = 0;
    FT_Face face = FaceFor(codePoint, index);
    // Grey levels come from the outline, as GDI's grey bitmaps do, never from embedded
    // bitmaps; a glyph whose hinting program fails is drawn unhinted instead.
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL) != 0 &&
        FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) != 0) {
      SetBlank(glyph, 0, 0, 0);
      return true;
    }
    FT_GlyphSlot slot = face->glyph;
    if (mBold && !FaceIsBold(face) && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      // Bold made from a regular face, as GDI does it: strokes widen to the right by whole
      // pixels and the advance grows by as much, so the glyph keeps to its baseline and
      // cell. A twenty-fourth of the em keeps the weight visible at every size.
      const FT_Pos strength = std::max<FT_Pos>(64, (mEmPixels * 64 / 24 + 32) & ~FT_Pos{63});
      FT_Outline_EmboldenXY(&slot->outline, strength, 0);
      if (slot->advance.x != 0) slot->advance.x += strength;
    }
    const int advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0 || slot->bitmap.width == 0 ||
        slot->bitmap.rows == 0 ||
        (slot->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY &&
         slot->bitmap.pixel_mode != FT_PIXEL_MODE_MONO)) {
      SetBlank(glyph, slot->bitmap_left, slot->bitmap_top, advance);
      return true;
    }
    glyph.metrics.blackBoxX = slot->bitmap.width;
    glyph.metrics.blackBoxY = slot->bitmap.rows;
    glyph.metrics.originX = slot->bitmap_left;
    glyph.metrics.originY = slot->bitmap_top;
    glyph.metrics.cellIncX = advance;
    CopyLevels(slot->bitmap, glyph);
    return true;
  }

 private:
  // The face that draws the character: ours, else the first font in fontconfig's order
  // that has it, else ours with its missing-character glyph.
  FT_Face FaceFor(char32_t codePoint, FT_UInt& index) const {
    index = FT_Get_Char_Index(mFace.get(), codePoint);
    if (index != 0) return mFace.get();
    auto known = mFaceOfCharacter.find(codePoint);
    if (known == mFaceOfCharacter.end()) {
      FT_Face found = nullptr;
      for (int i = 0; !found && mFallbacks && i < mFallbacks->nfont; ++i) {
        const FcPattern* pattern = mFallbacks->fonts[i];
        FcCharSet* characters = nullptr;
        if (FcPatternGetCharSet(pattern, FC_CHARSET, 0, &characters) != FcResultMatch ||
            !FcCharSetHasChar(characters, codePoint))
          continue;
        FT_Face candidate = FallbackFace(pattern);
        if (candidate && FT_Get_Char_Index(candidate, codePoint) != 0) found = candidate;
      }
      known = mFaceOfCharacter.emplace(codePoint, found).first;
    }
    if (!known->second) return mFace.get();  // index stays 0: the missing-character glyph
    index = FT_Get_Char_Index(known->second, codePoint);
    return known->second;
  }

  FT_Face FallbackFace(const FcPattern* pattern) const {
    const std::string key = FaceKey(pattern);
    auto opened = mFallbackFaces.find(key);
    if (opened == mFallbackFaces.end()) {
      FacePtr face = OpenFace(mSystem->library, pattern);
      if (face && FT_Set_Pixel_Sizes(face.get(), 0, mEmPixels) != 0) face.reset();
      opened = mFallbackFaces.emplace(key, std::move(face)).first;
    }
    return opened->second.get();
  }

  std::shared_ptr<FontSystem> mSystem;  // first member: the faces go before the library
  FacePtr mFace;
  FontSetPtr mFallbacks;
  FT_UInt mEmPixels;
  TextMetrics mMetrics;
  bool mBold;
  mutable std::map<std::string, FacePtr> mFallbackFaces;  // null: could not be opened
  mutable std::unordered_map<char32_t, FT_Face> mFaceOfCharacter;  // null: no font has it
};

}  // namespace

std::unique_ptr<Font> CreateFont(const FontRequest& request) {
  std::shared_ptr<FontSystem> system = SharedFontSystem();
  if (!system) return nullptr;

  // GDI reads a weight of 0 as "any", which is the normal weight.
  const int weight = request.weight <= 0 ? 400 : std::min(request.weight, 1000);
  FontSetPtr fonts = SortedFonts(
      *system, FamiliesForFaceName(platform::text::Cp932ToUtf8(request.faceCp932)), weight);
  FacePtr face = OpenPreferredFace(system->library, fonts.get(), true);
  if (!face) {
    // The installed fonts in this order lack Japanese altogether: take the default order's
    // best face, whatever it covers, so text still shows.
    fonts = SortedFonts(*system, DefaultJapaneseFamilies(), weight);
    face = OpenPreferredFace(system->library, fonts.get(), false);
  }
  if (!face) return nullptr;

  long unitsAscent = 0, unitsDescent = 0;
  WindowsAscentDescent(face.get(), unitsAscent, unitsDescent);
  const double unitsCell = static_cast<double>(unitsAscent + unitsDescent);
  const double unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : unitsCell;

  TextMetrics metrics;
  long long emPixels = 0;
  const long long height = request.height;  // wide enough to negate INT_MIN
  if (height > 0) {
    const long long cell = std::min(height, kMaxPixels);
    // Whole pixels per em, rounded down: hinted faces are drawn at a whole size anyway,
    // and rounding up would push tall glyphs out of the cell.
    emPixels = static_cast<long long>(std::floor(cell * unitsPerEm / unitsCell + 1e-6));
    metrics.height = static_cast<int>(cell);
    metrics.ascent = static_cast<int>(std::llround(cell * unitsAscent / unitsCell));
  } else {
    emPixels = height < 0 ? std::min(-height, kMaxPixels) : kDefaultEmPixels;
    // Small tolerances keep exact products (an ascent of 14.0 pixels) from rounding up.
    const double scale = static_cast<double>(emPixels) / unitsPerEm;
    metrics.ascent = static_cast<int>(std::ceil(unitsAscent * scale - 1e-6));
    const int descent = static_cast<int>(std::ceil(unitsDescent * scale - 1e-6));
    metrics.height = metrics.ascent + descent;
  }
  emPixels = std::clamp(emPixels, 1LL, kMaxPixels);
  if (FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(emPixels)) != 0) return nullptr;

  return std::make_unique<FreeTypeFont>(std::move(system), std::move(face), std::move(fonts),
                                        static_cast<FT_UInt>(emPixels), metrics,
                                        weight >= kBoldWeight);
}

}  // namespace platform::font
