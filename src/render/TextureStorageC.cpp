// The texture storage: loading image files into default-pool textures, the release and
// restore walk around a device reset, and the boxes that tell the user what failed.
#include "render/TextureStorageC.h"

#include <cstdio>
#include <cstdlib>

#include "base/FixedTexts.h"
#include "base/IniSettingsS.h"
#include "base/MemoryFailure.h"
#include "platform/font/Font.h"
#include "platform/image/Image.h"
#include "platform/console/StandardOutput.h"
#include "platform/path/Path.h"
#include "platform/text/Text.h"
#include "render/D3DDeviceAgentC.h"

namespace RenderN {
namespace {

namespace fixed = BaseN::FixedText;

void ShowError(const char* text) { BaseN::ShowFatalErrorBox(text, false); }

// A two-byte code that Shift-JIS does not assign: typically part of a UTF-8 script's text.
bool IsCp932Character(std::uint16_t code) {
  const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  return platform::text::Cp932ToUtf8(std::string_view(bytes, 2)).find("\xEF\xBF\xBD") ==
         std::string::npos;
}

// The boxes are fixed texts that name nothing; in debug mode the output says which file
// (or character) failed and why.
void WriteDebugReason(const std::string& what, const std::string& reason) {
  if (!BaseN::GetIniSettings().mDebugMode) return;
  platform::console::Write("*** " + what + ": " + reason + " ***\n");
  platform::console::Flush();
}

void TextureMemoryFailureHandler() {
  ShowError(fixed::kTextureMemoryFailure);
  std::exit(-1);
}

void FontMemoryFailureHandler() {
  ShowError(fixed::kFontMemoryFailure);
  std::exit(-1);
}

platform::Device* TheDevice() { return D3DDeviceAgentC::GetInstance().mDevice.get(); }

}  // namespace

TextureStorageC& TextureStorageC::GetInstance() {
  static TextureStorageC instance;
  return instance;
}

TextureStorageC& TEXTURE() { return TextureStorageC::GetInstance(); }

TextureStorageC::TextureStorageC() {
  TextureInformationS::SetNewHandler(TextureMemoryFailureHandler);
  FontInformationS::SetNewHandler(FontMemoryFailureHandler);
}

SPTEXTUREDATA TextureStorageC::GetTexture(const char* name) {
  if (!name) name = "";  // no file has an empty name: the load fails with its box
  auto found = mTextures.find(name);
  if (found != mTextures.end()) return found->second;
  SPTEXTUREDATA record = LoadTextureFile(name);
  // A failed load is not remembered, so a file put in place later is picked up.
  if (!record) return record;
  record->mFont.reset();
  mTextures.emplace(name, record);
  return record;
}

bool TextureStorageC::Erase(const char* name) {
  if (!name) return false;
  return mTextures.erase(name) > 0;
}

void TextureStorageC::ClearAll() { mTextures.clear(); }

SPTEXTUREDATA TextureStorageC::LoadTextureFile(const char* name) {
  SPTEXTUREDATA record(new TextureInformationS);
  const std::string path = platform::path::Resolve(name ? name : "");
  platform::image::ImageInfo info;
  std::string reason;
  if (!name || !platform::image::ReadImageInfo(path, info, &reason)) {
    WriteDebugReason(std::string("texture \"") + (name ? name : "") + "\" not read", reason);
    ShowError(fixed::kTextureInfoFailure);
    return nullptr;
  }
  record->mWidth = static_cast<float>(info.width);
  record->mHeight = static_cast<float>(info.height);

  platform::image::Image image;
  platform::Device* device = TheDevice();
  if (!device) {
    reason = "no drawing device";
  } else if (!platform::image::LoadImage(path, image, &reason) || image.levels.empty()) {
    if (reason.empty()) reason = "the image holds no pixels";
  } else {
    std::vector<platform::TextureLevelData> levels;
    levels.reserve(image.levels.size());
    for (const platform::image::ImageLevel& level : image.levels) {
      levels.push_back({level.width, level.height, level.pixels.data()});
    }
    record->mTexture = device->CreateTexture(levels, D3DPOOL_DEFAULT);
    if (!record->mTexture) reason = "the device could not make a texture of that size";
  }
  if (!record->mTexture) {
    WriteDebugReason(std::string("texture \"") + name + "\" not loaded", reason);
    ShowError(fixed::kTextureLoadFailure);
    return nullptr;
  }
  return record;
}

std::unique_ptr<platform::font::Font> TextureStorageC::CreateCharacterFont(
    const FontInformationS& font) {
  platform::font::FontRequest request;
  request.height = font.mFontHeight;
  request.weight = font.mFontWeight;
  // A face name must fit the 32 bytes of a font description with its terminator.
  request.faceCp932 = font.mFontName.size() < 32 ? font.mFontName : fixed::kDefaultFaceName;
  return platform::font::CreateFont(request);
}

SPTEXTUREDATA TextureStorageC::CreateCharacterTexture(platform::font::Font* font,
                                                      std::uint16_t character,
                                                      std::uint32_t color) {
  platform::font::TextMetrics metrics;
  platform::font::GlyphBitmap glyph;
  bool rendered = false;
  {
    // Running out of memory for the glyph is this operation's own failure, not the
    // process's: the allocation throws instead of calling the process handler.
    const std::new_handler previous = std::set_new_handler(nullptr);
    try {
      if (font) {
        metrics = font->Metrics();
        rendered = font->RenderGlyph(character, glyph);
      }
    } catch (const std::bad_alloc&) {
      std::set_new_handler(previous);
      ShowError(fixed::kTextBitmapMemoryFailure);
      return nullptr;
    }
    std::set_new_handler(previous);
  }
  if (!rendered) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", character);
    WriteDebugReason(std::string("no glyph for the character ") + code,
                     !font ? "no font could be opened"
                     : character > 0xFF && !IsCp932Character(character)
                         ? "these two bytes are no Shift-JIS character (a UTF-8 script?)"
                         : "the font has no glyph for it");
    ShowError(fixed::kTextBitmapFailure);
    return nullptr;
  }

  const platform::font::GlyphMetrics& gm = glyph.metrics;
  platform::Device* device = TheDevice();
  platform::TextureRef texture;
  if (device && gm.cellIncX > 0 && metrics.height > 0) {
    const auto width = static_cast<unsigned>(gm.cellIncX);
    const auto height = static_cast<unsigned>(metrics.height);
    texture = device->CreateTexture(width, height, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8,
                                    D3DPOOL_DEFAULT);
    if (!texture) {
      texture = device->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    }
  }
  if (!texture) {
    ShowError(fixed::kTextureCreateFailure);
    return nullptr;
  }

  platform::LockedRect locked;
  if (!texture->Lock(0, locked, D3DLOCK_DISCARD) && !texture->Lock(0, locked, 0)) {
    ShowError(fixed::kRectLockFailure);
    return nullptr;
  }

  const int texWidth = gm.cellIncX;
  const int texHeight = metrics.height;
  auto* bits = static_cast<std::uint8_t*>(locked.bits);
  for (int y = 0; y < texHeight; ++y) {
    std::fill_n(bits + std::size_t(y) * locked.pitch, std::size_t(texWidth) * 4, 0);
  }

  // Grey levels 0..16 become alpha 0..255; the colour is OR-ed in whole. Pixels that
  // fall outside the cell (a glyph reaching left of the pen, below the descent or past
  // the advance) are clipped.
  const std::size_t sourcePitch = (std::size_t(gm.blackBoxX) + 3) & ~std::size_t(3);
  const bool complete = glyph.levels.size() >= sourcePitch * gm.blackBoxY;
  const int left = gm.originX;
  const int top = metrics.ascent - gm.originY;
  for (unsigned sy = 0; complete && sy < gm.blackBoxY; ++sy) {
    const int y = top + static_cast<int>(sy);
    if (y < 0 || y >= texHeight) continue;
    auto* row = reinterpret_cast<std::uint32_t*>(bits + std::size_t(y) * locked.pitch);
    const std::uint8_t* source = glyph.levels.data() + sy * sourcePitch;
    for (unsigned sx = 0; sx < gm.blackBoxX; ++sx) {
      const int x = left + static_cast<int>(sx);
      if (x < 0 || x >= texWidth) continue;
      const std::uint32_t alpha = (std::uint32_t(source[sx]) * 255u) >> 4;
      row[x] = color | (alpha << 24);
    }
  }
  texture->Unlock(0);

  SPTEXTUREDATA record(new TextureInformationS);
  record->mTexture = std::move(texture);
  record->mWidth = static_cast<float>(gm.cellIncX);
  record->mHeight = static_cast<float>(metrics.ascent);
  return record;
}

std::string TextureStorageC::TextKey(const FontInformationS& font) {
  // '<' and '>' cannot appear in a Windows file name, so no file entry can collide.
  char head[96];
  std::snprintf(head, sizeof head, "<text>%04X,%08X,%d,%d,", unsigned(font.mCharacter),
                unsigned(font.mColor), int(font.mFontHeight), int(font.mFontWeight));
  return head + font.mFontName;
}

SPTEXTUREDATA TextureStorageC::GetTextTexture(std::uint16_t character, std::uint32_t color,
                                              std::int32_t height, std::int32_t weight,
                                              const std::string& faceName) {
  std::shared_ptr<FontInformationS> font(new FontInformationS);
  font->mCharacter = character;
  font->mColor = color;
  font->mFontHeight = height;
  font->mFontWeight = weight;
  font->mFontName = faceName;
  const std::string key = TextKey(*font);
  auto found = mTextures.find(key);
  if (found != mTextures.end()) return found->second;

  // The font is needed only while the glyph is drawn.
  SPTEXTUREDATA record = CreateCharacterTexture(CreateCharacterFont(*font).get(), character,
                                                color);
  if (!record) return record;
  record->mFont = std::move(font);
  mTextures.emplace(key, record);
  return record;
}

void TextureStorageC::ReleaseAllTextures() {
  for (auto& entry : mTextures) {
    if (entry.second->mTexture) entry.second->mTexture.reset();
  }
}

void TextureStorageC::RestoreAllTextures() {
  for (auto& entry : mTextures) {
    TextureInformationS& stored = *entry.second;
    SPTEXTUREDATA fresh;
    if (stored.mFont) {
      const FontInformationS& font = *stored.mFont;
      fresh = CreateCharacterTexture(CreateCharacterFont(font).get(), font.mCharacter,
                                     font.mColor);
    } else {
      fresh = LoadTextureFile(entry.first.c_str());
    }
    // A file or glyph that cannot be made again leaves the record without a texture (it
    // draws as untextured) and with its last size; the box has told the user.
    if (!fresh) continue;
    stored.mTexture = std::move(fresh->mTexture);
    stored.mWidth = fresh->mWidth;
    stored.mHeight = fresh->mHeight;
  }
}

SPTEXTUREDATA TextureStorageC::MakeTextureData(platform::TextureRef texture) {
  SPTEXTUREDATA record(new TextureInformationS);
  if (texture) {
    record->mWidth = static_cast<float>(texture->Width());
    record->mHeight = static_cast<float>(texture->Height());
  }
  record->mTexture = std::move(texture);
  return record;
}

void SavePNG(const SPTEXTUREDATA& texture, const char* fileName) {
  platform::Device* device = TheDevice();
  if (!texture || !texture->mTexture || !fileName || !device) return;
  platform::Texture& source = *texture->mTexture;
  const std::vector<std::uint32_t> pixels = device->ReadTexture(source);
  if (pixels.size() != std::size_t(source.Width()) * source.Height()) return;
  platform::image::SavePng(platform::path::Resolve(fileName), source.Width(), source.Height(),
                           pixels.data());
}

}  // namespace RenderN
