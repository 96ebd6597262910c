// The texture storage on the recording device: one record per exact name, what a reset
// does to the records, the boxes for files that cannot be used, and glyph textures.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/font/Font.h"
#include "unit/render_test_fixture.h"

namespace {

using RenderN::SPTEXTUREDATA;
using RenderN::TextureStorageC;
using platform::fake::RecordingTexture;

RecordingTexture& Recorded(const SPTEXTUREDATA& record) {
  return dynamic_cast<RecordingTexture&>(*record->mTexture);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class TextureStorage : public rendertest::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    ASSERT_TRUE(CreateAgent());
  }
};

TEST_F(TextureStorage, OneRecordPerExactName) {
  const std::string path = WritePng("player.png", 8, 4);
  SPTEXTUREDATA first = Storage().GetTexture(path.c_str());
  SPTEXTUREDATA second = Storage().GetTexture(path.c_str());
  ASSERT_TRUE(first);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->mWidth, 8.0f);
  EXPECT_EQ(first->mHeight, 4.0f);
  EXPECT_EQ(first->mFont, nullptr);
  EXPECT_EQ(Recorded(first).Pixel(3, 2), 0xFF336699u);
  EXPECT_EQ(Recorded(first).mPool, D3DPOOL_DEFAULT);
  first->mWidth = 50.0f;
  EXPECT_EQ(second->mWidth, 50.0f);
  EXPECT_EQ(Device().Calls("CreateTextureFromData").size(), 1u);

  // Windows names: the other case and backslashes find the same file, but as keys they
  // are other entries with textures of their own.
  std::string upper = mFolder + "\\PLAYER.PNG";
  SPTEXTUREDATA other = Storage().GetTexture(upper.c_str());
  ASSERT_TRUE(other);
  EXPECT_NE(other, first);
  EXPECT_NE(other->mTexture, first->mTexture);
  EXPECT_EQ(other->mWidth, 8.0f);
  EXPECT_EQ(Storage().Size(), 2u);
  EXPECT_TRUE(mDialog.Shown().empty());
}

TEST_F(TextureStorage, EraseAndClearAllDropOnlyTheStoragesHandles) {
  const std::string path = WritePng("a.png", 4, 4);
  SPTEXTUREDATA held = Storage().GetTexture(path.c_str());
  EXPECT_FALSE(Storage().Erase("no such name"));
  EXPECT_FALSE(Storage().Erase(nullptr));
  EXPECT_EQ(Storage().Size(), 1u);
  EXPECT_TRUE(Storage().Erase(path.c_str()));
  EXPECT_FALSE(Storage().Erase(path.c_str()));
  ASSERT_TRUE(held->mTexture);  // the holder still draws with it

  // After ClearAll the file is read again: a changed file gives its new size.
  SPTEXTUREDATA before = Storage().GetTexture(path.c_str());
  Storage().ClearAll();
  EXPECT_EQ(Storage().Size(), 0u);
  WritePng("a.png", 16, 2);
  SPTEXTUREDATA after = Storage().GetTexture(path.c_str());
  EXPECT_NE(after, before);
  EXPECT_EQ(after->mWidth, 16.0f);
  EXPECT_EQ(before->mWidth, 4.0f);
}

TEST_F(TextureStorage, RecordsSurviveAResetForTheirHolders) {
  const std::string a = WritePng("a.png", 6, 6, 0xFF00FF00u);
  const std::string b = WritePng("b.png", 3, 5);
  SPTEXTUREDATA heldA = Storage().GetTexture(a.c_str());
  SPTEXTUREDATA heldB = Storage().GetTexture(b.c_str());
  SPTEXTUREDATA erased = Storage().GetTexture(WritePng("c.png", 2, 2).c_str());
  Storage().Erase((mFolder + "/c.png").c_str());
  heldA->mWidth = 1.0f;
  heldB->mHeight = 1.0f;

  Storage().ReleaseAllTextures();
  EXPECT_EQ(heldA->mTexture, nullptr);
  EXPECT_EQ(heldB->mTexture, nullptr);
  EXPECT_NE(erased->mTexture, nullptr);  // no longer the storage's to release
  EXPECT_EQ(heldA->mWidth, 1.0f);

  Storage().RestoreAllTextures();
  ASSERT_NE(heldA->mTexture, nullptr);
  ASSERT_NE(heldB->mTexture, nullptr);
  EXPECT_EQ(heldA->mWidth, 6.0f);
  EXPECT_EQ(heldB->mHeight, 5.0f);
  EXPECT_EQ(Recorded(heldA).Pixel(0, 0), 0xFF00FF00u);
  EXPECT_EQ(Storage().GetTexture(a.c_str()), heldA);

  // A file gone by the time of the reset leaves its record without a texture.
  std::filesystem::remove(b);
  Storage().ReleaseAllTextures();
  Storage().RestoreAllTextures();
  EXPECT_NE(heldA->mTexture, nullptr);
  EXPECT_EQ(heldB->mTexture, nullptr);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"テクスチャ画像情報の取得に失敗しました。"});
}

TEST_F(TextureStorage, FilesThatCannotBeUsedGiveTheirBoxAndAnEmptyHandle) {
  const std::string good = ReadBytes(WritePng("good.png", 8, 8));
  WriteBytes(mFolder + "/truncated.png", good.substr(0, good.size() / 2));
  WriteBytes(mFolder + "/empty.png", "");
  std::string noise(300, '\0');
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * 131 + 7);
  WriteBytes(mFolder + "/noise.png", noise);
  // A PNG header claiming 100000 x 100000 pixels.
  std::string huge = good.substr(0, 33);
  const char side[4] = {0x00, 0x01, static_cast<char>(0x86), static_cast<char>(0xA0)};
  huge.replace(16, 4, side, 4);
  huge.replace(20, 4, side, 4);
  WriteBytes(mFolder + "/huge.png", huge + good.substr(33));
  std::filesystem::create_directory(mFolder + "/folder.png");

  const char* names[] = {"truncated.png", "empty.png", "noise.png", "huge.png",
                         "folder.png", "missing.png"};
  for (const char* name : names) {
    mDialog.Clear();
    const std::string path = mFolder + "/" + name;
    EXPECT_FALSE(Storage().GetTexture(path.c_str())) << name;
    ASSERT_EQ(mDialog.Shown().size(), 1u) << name;
    const platform::DialogRequest& box = mDialog.Shown()[0];
    EXPECT_EQ(box.title, "ERROR");
    EXPECT_EQ(box.icon, platform::DialogIcon::kError);
    EXPECT_FALSE(box.ownedByMainWindow);
    const std::string text = platform::text::Cp932ToUtf8(box.text);
    EXPECT_TRUE(text == "テクスチャ画像情報の取得に失敗しました。" ||
                text == "テクスチャデータの読み込みに失敗しました。")
        << name << ": " << text;
  }
  EXPECT_EQ(Storage().Size(), 0u);

  // Nothing was stored for a failed name: once the file is right, it loads.
  WritePng("missing.png", 5, 5);
  SPTEXTUREDATA fixed = Storage().GetTexture((mFolder + "/missing.png").c_str());
  ASSERT_TRUE(fixed);
  EXPECT_EQ(fixed->mWidth, 5.0f);

  // A readable image the device refuses.
  mDialog.Clear();
  Device().mFailTextureCreations = 1;
  EXPECT_FALSE(Storage().GetTexture((mFolder + "/good.png").c_str()));
  EXPECT_EQ(Boxes(), std::vector<std::string>{"テクスチャデータの読み込みに失敗しました。"});
}

TEST_F(TextureStorage, MakeTextureDataWrapsATextureOutsideTheStorage) {
  platform::TextureRef target =
      Device().CreateTexture(64, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
  SPTEXTUREDATA record = Storage().MakeTextureData(target);
  EXPECT_EQ(record->mTexture, target);
  EXPECT_EQ(record->mWidth, 64.0f);
  EXPECT_EQ(record->mHeight, 32.0f);
  EXPECT_EQ(Storage().Size(), 0u);
  EXPECT_EQ(Storage().MakeTextureData(nullptr)->mWidth, 0.0f);
}

// A font whose one glyph the test draws itself.
class TestFont final : public platform::font::Font {
 public:
  platform::font::TextMetrics Metrics() const override { return metrics; }
  bool RenderGlyph(std::uint16_t code, platform::font::GlyphBitmap& out) const override {
    lastCode = code;
    if (!renders) return false;
    out = glyph;
    return true;
  }
  platform::font::TextMetrics metrics{12, 10};
  platform::font::GlyphBitmap glyph;
  bool renders = true;
  mutable std::uint16_t lastCode = 0;
};

TEST_F(TextureStorage, AGlyphIsPlacedAtItsOriginWithGreyLevelsAsAlpha) {
  TestFont font;
  font.glyph.metrics = {3, 2, 1, 8, 6};  // 3 x 2 box, origin (1, 8), advance 6
  font.glyph.levels = {16, 8, 0, 0xEE, 4, 16, 1, 0xEE};  // rows padded to 4 bytes
  SPTEXTUREDATA record = TextureStorageC::CreateCharacterTexture(&font, 0x82A0, 0x00FF0000u);
  ASSERT_TRUE(record);
  EXPECT_EQ(font.lastCode, 0x82A0);
  EXPECT_EQ(record->mWidth, 6.0f);
  EXPECT_EQ(record->mHeight, 10.0f);  // the ascent, not the texture's 12 rows
  const RecordingTexture& texture = Recorded(record);
  EXPECT_EQ(texture.Width(), 6u);
  EXPECT_EQ(texture.Height(), 12u);
  EXPECT_EQ(texture.mUsage, D3DUSAGE_DYNAMIC);
  EXPECT_EQ(texture.mLockFlags, std::vector<DWORD>{D3DLOCK_DISCARD});
  // Row 10 - 8 = 2, columns 1..3.
  EXPECT_EQ(texture.Pixel(1, 2), 0xFFFF0000u);
  EXPECT_EQ(texture.Pixel(2, 2), 0x7FFF0000u);
  EXPECT_EQ(texture.Pixel(3, 2), 0x00FF0000u);  // level 0 still carries the colour
  EXPECT_EQ(texture.Pixel(1, 3), 0x3FFF0000u);
  EXPECT_EQ(texture.Pixel(2, 3), 0xFFFF0000u);
  EXPECT_EQ(texture.Pixel(3, 3), 0x0FFF0000u);
  for (unsigned y = 0; y < 12; ++y) {
    for (unsigned x = 0; x < 6; ++x) {
      const bool inBox = x >= 1 && x <= 3 && y >= 2 && y <= 3;
      if (!inBox) {
        EXPECT_EQ(texture.Pixel(x, y), 0u) << x << ", " << y;
      }
    }
  }

  // An alpha byte in the colour stays set in every copied pixel.
  SPTEXTUREDATA opaque = TextureStorageC::CreateCharacterTexture(&font, 0x41, 0x80000000u);
  EXPECT_EQ(Recorded(opaque).Pixel(3, 2), 0x80000000u);
  EXPECT_EQ(Recorded(opaque).Pixel(2, 2), 0xFF000000u);
}

TEST_F(TextureStorage, GlyphsReachingOutsideTheCellAreClipped) {
  TestFont font;
  font.glyph.metrics = {8, 3, -2, 11, 4};  // starts left of the pen, above the top row
  font.glyph.levels.assign(8 * 3, 16);
  SPTEXTUREDATA record = TextureStorageC::CreateCharacterTexture(&font, 0x41, 0x00FFFFFFu);
  ASSERT_TRUE(record);
  const RecordingTexture& texture = Recorded(record);
  for (unsigned x = 0; x < 4; ++x) {
    EXPECT_EQ(texture.Pixel(x, 0), 0xFFFFFFFFu);
    EXPECT_EQ(texture.Pixel(x, 1), 0xFFFFFFFFu);
    EXPECT_EQ(texture.Pixel(x, 2), 0u);
  }

  // A blank glyph is a transparent texture of the cell's size.
  font.glyph.metrics = {0, 0, 0, 0, 5};
  font.glyph.levels.clear();
  SPTEXTUREDATA blank = TextureStorageC::CreateCharacterTexture(&font, 0x20, 0xFFFFFFFFu);
  ASSERT_TRUE(blank);
  EXPECT_EQ(blank->mWidth, 5.0f);
  for (std::uint32_t word : Recorded(blank).Level(0)) EXPECT_EQ(word, 0u);
  EXPECT_TRUE(mDialog.Shown().empty());
}

TEST_F(TextureStorage, GlyphFailuresGiveTheirBoxes) {
  TestFont font;
  font.glyph.metrics = {1, 1, 0, 10, 4};
  font.glyph.levels = {16, 0, 0, 0};

  font.renders = false;
  EXPECT_FALSE(TextureStorageC::CreateCharacterTexture(&font, 0x41, 0));
  font.renders = true;

  // The dynamic texture is refused: a managed one is tried.
  Device().mFailTextureCreations = 1;
  Device().mFailPools = {D3DPOOL_DEFAULT};
  SPTEXTUREDATA managed = TextureStorageC::CreateCharacterTexture(&font, 0x41, 0);
  ASSERT_TRUE(managed);
  EXPECT_EQ(Recorded(managed).mPool, D3DPOOL_MANAGED);
  EXPECT_EQ(Recorded(managed).mUsage, 0u);

  Device().mFailTextureCreations = 2;
  Device().mFailPools.clear();
  EXPECT_FALSE(TextureStorageC::CreateCharacterTexture(&font, 0x41, 0));

  // A refused discarding lock is tried again without flags.
  Device().mFailLocksOnNewTextures = 1;
  Device().mFailLocksOnlyWithDiscard = true;
  SPTEXTUREDATA relocked = TextureStorageC::CreateCharacterTexture(&font, 0x41, 0);
  ASSERT_TRUE(relocked);
  EXPECT_EQ(Recorded(relocked).mLockFlags, (std::vector<DWORD>{D3DLOCK_DISCARD, 0}));
  EXPECT_EQ(Recorded(relocked).Pixel(0, 0), 0xFF000000u);

  Device().mFailLocksOnNewTextures = 2;
  Device().mFailLocksOnlyWithDiscard = false;
  EXPECT_FALSE(TextureStorageC::CreateCharacterTexture(&font, 0x41, 0));
  Device().mFailLocksOnNewTextures = 0;

  EXPECT_EQ(Boxes(), (std::vector<std::string>{"テキストビットマップ作成に失敗しました。",
                                               "テクスチャの作成に失敗しました。",
                                               "矩形ロックに失敗しました。"}));
}

// The pixels of 'A' rendered through the storage's font rule.
std::vector<std::uint32_t> GlyphPixels(const std::string& faceCp932) {
  RenderN::FontInformationS info;
  info.mFontHeight = -24;
  info.mFontWeight = 400;
  info.mFontName = faceCp932;
  auto font = TextureStorageC::CreateCharacterFont(info);
  if (!font) return {};
  SPTEXTUREDATA record = TextureStorageC::CreateCharacterTexture(font.get(), 'A', 0xFFFFFFu);
  if (!record) return {};
  return Recorded(record).Level(0);
}

TEST_F(TextureStorage, LongFaceNamesFallBackToTheDefaultJapaneseFace) {
  const std::vector<std::uint32_t> gothic = GlyphPixels(platform::text::Utf8ToCp932("MS ゴシック"));
  ASSERT_FALSE(gothic.empty());
  // Font lookup ignores blanks in names, so padding shows where the limit lies.
  const std::vector<std::uint32_t> proportional = GlyphPixels("IPAPGothic");
  ASSERT_FALSE(proportional.empty());
  EXPECT_NE(proportional, gothic);
  EXPECT_EQ(GlyphPixels("IPAPGothic" + std::string(21, ' ')), proportional);  // 31 bytes
  EXPECT_EQ(GlyphPixels("IPAPGothic" + std::string(22, ' ')), gothic);        // 32 bytes
}

TEST_F(TextureStorage, TextEntriesAreKeptAndRenderedAgainAfterAReset) {
  const std::string face = platform::text::Utf8ToCp932("MS ゴシック");
  const std::string a = platform::text::Utf8ToCp932("あ");
  const std::uint16_t code = std::uint16_t((std::uint8_t(a[0]) << 8) | std::uint8_t(a[1]));
  SPTEXTUREDATA text = Storage().GetTextTexture(code, 0x00FFFFFFu, -32, 700, face);
  ASSERT_TRUE(text);
  EXPECT_EQ(Storage().GetTextTexture(code, 0x00FFFFFFu, -32, 700, face), text);
  EXPECT_NE(Storage().GetTextTexture(code, 0x00FF0000u, -32, 700, face), text);
  EXPECT_EQ(Storage().Size(), 2u);
  ASSERT_TRUE(text->mFont);
  EXPECT_EQ(text->mFont->mCharacter, code);
  EXPECT_EQ(text->mFont->mFontHeight, -32);
  EXPECT_EQ(text->mFont->mFontWeight, 700);
  EXPECT_GT(text->mWidth, 0.0f);
  EXPECT_GT(text->mHeight, 0.0f);
  const std::vector<std::uint32_t> before = Recorded(text).Level(0);
  std::uint32_t maxAlpha = 0;
  for (std::uint32_t word : before) maxAlpha = std::max(maxAlpha, word >> 24);
  EXPECT_EQ(maxAlpha, 255u);

  text->mWidth = 1.0f;
  Storage().ReleaseAllTextures();
  EXPECT_FALSE(text->mTexture);
  Storage().RestoreAllTextures();
  ASSERT_TRUE(text->mTexture);
  EXPECT_EQ(Recorded(text).Level(0), before);
  EXPECT_GT(text->mWidth, 1.0f);
  EXPECT_TRUE(mDialog.Shown().empty());

  // The keys of text entries can never be file names.
  EXPECT_EQ(TextureStorageC::TextKey(*text->mFont).find("<text>"), 0u);
}

}  // namespace

namespace {

// The storage's records end the game with their own box when memory runs out.
TEST_F(TextureStorage, RunningOutOfMemoryForARecordEndsWithItsBox) {
  Storage();  // installs the handlers
  const std::new_handler texture = RenderN::TextureInformationS::SetNewHandler(nullptr);
  RenderN::TextureInformationS::SetNewHandler(texture);
  const std::new_handler font = RenderN::FontInformationS::SetNewHandler(nullptr);
  RenderN::FontInformationS::SetNewHandler(font);
  ASSERT_TRUE(texture && font);
  platform::Components components = platform::Installed();
  components.dialog = nullptr;  // the box goes to standard error
  platform::Install(components);
  EXPECT_EXIT(texture(), testing::ExitedWithCode(255),
              "ERROR: テクスチャデータのメモリ確保に失敗しました。");
  EXPECT_EXIT(font(), testing::ExitedWithCode(255), "ERROR: フォントデータのメモリ確保に失敗しました。");
}

}  // namespace
