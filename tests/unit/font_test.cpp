// Glyph bitmaps that text textures are made from: grey levels 0..16 in rows padded to 4
// bytes, placed by metrics that keep the glyph inside its cell, for any face name a game
// may ask for. Needs a Japanese outline font (the IPA gothic) installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/font/Font.h"

using platform::font::CreateFont;
using platform::font::Font;
using platform::font::FontRequest;
using platform::font::GlyphBitmap;

namespace {

const char kMsGothic[] = "MS \x83S\x83V\x83" "b\x83N";                 // MS ゴシック
const char kFullWidthMsGothic[] = "\x82l\x82r \x83S\x83V\x83" "b\x83N";  // ＭＳ ゴシック
const std::uint16_t kKan = 0x8ABF;                                      // 漢
const std::uint16_t kIdeographicSpace = 0x8140;

std::unique_ptr<Font> MakeFont(int height, const std::string& face = kMsGothic, int weight = 400) {
    FontRequest request;
    request.height = height;
    request.weight = weight;
    request.faceCp932 = face;
    return CreateFont(request);
}

std::size_t Stride(const GlyphBitmap& glyph) { return (glyph.metrics.blackBoxX + 3) / 4 * 4; }

int Ink(const GlyphBitmap& glyph) {
    int sum = 0;
    for (std::uint8_t level : glyph.levels) sum += level;
    return sum;
}

// The bitmap has the promised layout, its levels stay within 0..16 with full coverage
// somewhere, the padding is empty, and the black box lies within the font's cell.
void ExpectWellFormedGlyph(const Font& font, const GlyphBitmap& glyph) {
    const auto& m = glyph.metrics;
    ASSERT_EQ(glyph.levels.size(), Stride(glyph) * m.blackBoxY);
    EXPECT_EQ(*std::max_element(glyph.levels.begin(), glyph.levels.end()), 16);
    for (unsigned y = 0; y < m.blackBoxY; ++y)
        for (std::size_t x = m.blackBoxX; x < Stride(glyph); ++x)
            EXPECT_EQ(glyph.levels[y * Stride(glyph) + x], 0) << "padding at " << x << "," << y;
    EXPECT_GE(m.originX, 0);
    EXPECT_LE(m.originX + static_cast<int>(m.blackBoxX), m.cellIncX);
    EXPECT_LE(m.originY, font.Metrics().ascent);
    EXPECT_GE(m.originY - static_cast<int>(m.blackBoxY), font.Metrics().ascent - font.Metrics().height);
}

}  // namespace

TEST(FontGlyphs, LatinAndKanjiFillHalfAndFullCellsOfTheFixedPitchGothic) {
    auto font = MakeFont(-16);
    ASSERT_TRUE(font);
    // The em is 16 pixels; the cell adds the face's ascent and descent around it.
    EXPECT_GT(font->Metrics().ascent, 16 / 2);
    EXPECT_LT(font->Metrics().ascent, font->Metrics().height);

    GlyphBitmap latin, kanji;
    ASSERT_TRUE(font->RenderGlyph('A', latin));
    ASSERT_TRUE(font->RenderGlyph(kKan, kanji));
    ExpectWellFormedGlyph(*font, latin);
    ExpectWellFormedGlyph(*font, kanji);
    EXPECT_EQ(latin.metrics.cellIncX, 8);
    EXPECT_EQ(kanji.metrics.cellIncX, 16);
    EXPECT_GE(kanji.metrics.blackBoxY, 12u);
    EXPECT_LE(kanji.metrics.blackBoxY, 16u);
}

TEST(FontGlyphs, RowsArePaddedToFourBytes) {
    auto font = MakeFont(-23);
    ASSERT_TRUE(font);
    bool sawUnalignedWidth = false;
    const std::uint16_t codes[] = {'A', 'i', 'W', '1', 'g', kKan, 0x82A0};  // 0x82A0: あ
    for (std::uint16_t code : codes) {
        GlyphBitmap glyph;
        ASSERT_TRUE(font->RenderGlyph(code, glyph));
        ExpectWellFormedGlyph(*font, glyph);
        sawUnalignedWidth |= glyph.metrics.blackBoxX % 4 != 0;
    }
    EXPECT_TRUE(sawUnalignedWidth);
}

TEST(FontGlyphs, PositiveHeightIsTheCellNegativeHeightTheEm) {
    auto cell = MakeFont(20);
    auto em = MakeFont(-20);
    auto byDefault = MakeFont(0);
    auto em16 = MakeFont(-16);
    ASSERT_TRUE(cell && em && byDefault && em16);
    EXPECT_EQ(cell->Metrics().height, 20);
    EXPECT_GT(em->Metrics().height, 20);
    EXPECT_EQ(byDefault->Metrics().height, em16->Metrics().height);
    EXPECT_EQ(byDefault->Metrics().ascent, em16->Metrics().ascent);

    GlyphBitmap inCell, inEm;
    ASSERT_TRUE(cell->RenderGlyph(kKan, inCell));
    ASSERT_TRUE(em->RenderGlyph(kKan, inEm));
    EXPECT_LT(inCell.metrics.cellIncX, inEm.metrics.cellIncX);
    EXPECT_EQ(inEm.metrics.cellIncX, 20);
}

TEST(FontGlyphs, AnyFaceNameGivesJapaneseGlyphs) {
    const std::string names[] = {
        kFullWidthMsGothic,
        "MS Gothic",
        "DejaVu Sans",                              // installed, but without Japanese
        std::string(40, 'X'),                       // longer than any face name can be
        "",
    };
    auto reference = MakeFont(-16);
    ASSERT_TRUE(reference);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        auto font = MakeFont(-16, name);
        ASSERT_TRUE(font);
        GlyphBitmap glyph;
        ASSERT_TRUE(font->RenderGlyph(kKan, glyph));
        ExpectWellFormedGlyph(*font, glyph);
        EXPECT_EQ(glyph.metrics.cellIncX, 16);
    }
    // The Windows names of the gothic land on the same face as each other.
    EXPECT_EQ(MakeFont(-16, kFullWidthMsGothic)->Metrics().height, reference->Metrics().height);
}

TEST(FontGlyphs, ProportionalFaceNamesGetProportionalLatin) {
    const char proportionalGothic[] = "MS P\x83S\x83V\x83" "b\x83N";  // MS Pゴシック
    auto fixed = MakeFont(-16, kMsGothic);
    auto proportional = MakeFont(-16, proportionalGothic);
    ASSERT_TRUE(fixed && proportional);
    auto advance = [](const Font& font, std::uint16_t code) {
        GlyphBitmap glyph;
        EXPECT_TRUE(font.RenderGlyph(code, glyph));
        return glyph.metrics.cellIncX;
    };
    EXPECT_EQ(advance(*fixed, 'i'), advance(*fixed, 'W'));
    EXPECT_LT(advance(*proportional, 'i'), advance(*proportional, 'W'));
}

TEST(FontGlyphs, BoldWeightDrawsHeavierStrokes) {
    auto regular = MakeFont(-24, kMsGothic, 400);
    auto bold = MakeFont(-24, kMsGothic, 700);
    ASSERT_TRUE(regular && bold);
    GlyphBitmap thin, thick;
    ASSERT_TRUE(regular->RenderGlyph(kKan, thin));
    ASSERT_TRUE(bold->RenderGlyph(kKan, thick));
    ExpectWellFormedGlyph(*bold, thick);
    EXPECT_GT(Ink(thick), Ink(thin) * 11 / 10);
}

TEST(FontGlyphs, BlankCharactersHaveAnAdvanceAndNoPixels) {
    auto font = MakeFont(-16);
    ASSERT_TRUE(font);
    const std::uint16_t codes[] = {' ', kIdeographicSpace};
    for (std::uint16_t code : codes) {
        GlyphBitmap glyph;
        glyph.levels.assign(5, 9);  // stale content must not survive
        ASSERT_TRUE(font->RenderGlyph(code, glyph));
        EXPECT_EQ(glyph.metrics.blackBoxX, 1u);
        EXPECT_EQ(glyph.metrics.blackBoxY, 1u);
        EXPECT_TRUE(glyph.levels.empty());
        EXPECT_EQ(glyph.metrics.cellIncX, code == ' ' ? 8 : 16);
    }
}

TEST(FontGlyphs, OnlyCp932CharactersRender) {
    auto font = MakeFont(-16);
    ASSERT_TRUE(font);
    GlyphBitmap glyph;
    // A lone lead byte, two single-byte characters, a lead byte with a bad trail byte,
    // bytes CP932 leaves unassigned.
    const std::uint16_t invalid[] = {0x81, 0x4142, 0x8120, 0x80, 0xFFFF, 0xA0};
    for (std::uint16_t code : invalid)
        EXPECT_FALSE(font->RenderGlyph(code, glyph)) << std::hex << code;
    // Half-width katakana, a NEC special character and an IBM extension kanji are characters.
    const std::uint16_t valid[] = {0xB1, 0x8740, 0xFBFC};
    for (std::uint16_t code : valid) {
        EXPECT_TRUE(font->RenderGlyph(code, glyph)) << std::hex << code;
        EXPECT_GT(glyph.metrics.cellIncX, 0);
    }
}
