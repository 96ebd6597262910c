// The process-wide cache of textures: one record per exact file name, shared by every
// holder, released before a device reset and re-created in place after it. Records can
// also hold one glyph of a font (a text entry), re-rendered after a reset.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/gfx/Device.h"
#include "utility/NewHandlerSupportC.h"
#include "utility/UncopyableC.h"

namespace platform::font {
class Font;
}

namespace RenderN {

/// What a text entry was rendered from, kept so it can be rendered again after a reset.
struct FontInformationS : public MemoryN::NewHandlerSupportC<FontInformationS> {
  std::uint16_t mCharacter = 0;  ///< CP932 code: lead byte in the high 8 bits
  std::uint32_t mColor = 0;      ///< ARGB OR-ed into every glyph pixel
  std::int32_t mFontHeight = 0;  ///< negative: character height; positive: cell height
  std::int32_t mFontWeight = 0;  ///< 0-1000
  std::string mFontName;         ///< face name, CP932 bytes
};

struct TextureInformationS : public MemoryN::NewHandlerSupportC<TextureInformationS> {
  ~TextureInformationS() {
    // The descriptor goes before the texture.
    mFont.reset();
    mTexture.reset();
  }

  platform::TextureRef mTexture;  ///< may be null (released for a reset, or failed)
  float mWidth = 0.0f;            ///< size in pixels the drawables use
  float mHeight = 0.0f;
  std::shared_ptr<FontInformationS> mFont;  ///< set for a text entry only
};

using SPTEXTUREDATA = std::shared_ptr<TextureInformationS>;

class TextureStorageC : private UtilityN::UncopyableC {
 public:
  /// The single storage; the first call installs the two records' memory-failure handlers.
  static TextureStorageC& GetInstance();

  /// The record of this exact name, loading the file on the first request. Empty when the
  /// file cannot be loaded (a box has told the user; nothing is stored, so a later call
  /// tries the file again).
  SPTEXTUREDATA GetTexture(const char* name);
  /// Removes the entry; holders keep their record. False when there was none.
  bool Erase(const char* name);
  /// Removes every entry.
  void ClearAll();

  /// A text entry: one CP932 character rendered in the given colour and font, kept in the
  /// storage (re-rendered after a reset). Empty on failure.
  SPTEXTUREDATA GetTextTexture(std::uint16_t character, std::uint32_t color,
                               std::int32_t height, std::int32_t weight,
                               const std::string& faceName);

  /// Drops every stored record's texture before a device reset.
  void ReleaseAllTextures();
  /// Re-creates every stored record's texture after a reset, in place.
  void RestoreAllTextures();

  /// Wraps an existing texture in a new record not entered in the map.
  SPTEXTUREDATA MakeTextureData(platform::TextureRef texture);

  /// Number of stored entries.
  std::size_t Size() const { return mTextures.size(); }

  /// Loads an image file into a new record; empty (after a box) on failure.
  static SPTEXTUREDATA LoadTextureFile(const char* name);
  /// Opens the font a text entry describes; null when no font can be opened.
  static std::unique_ptr<platform::font::Font> CreateCharacterFont(const FontInformationS& font);
  /// Renders one glyph into a new record; empty (after a box) on failure.
  static SPTEXTUREDATA CreateCharacterTexture(platform::font::Font* font, std::uint16_t character,
                                              std::uint32_t color);

  /// The storage key of a text entry; never a valid file name.
  static std::string TextKey(const FontInformationS& font);

 private:
  TextureStorageC();

  std::map<std::string, SPTEXTUREDATA> mTextures;
};

/// The module function RenderN.TEXTURE: the storage.
TextureStorageC& TEXTURE();

/// Writes the record's texture to a PNG file (a Windows name); an empty handle, a record
/// without texture or a file that cannot be written changes nothing and reports nothing.
void SavePNG(const SPTEXTUREDATA& texture, const char* fileName);

}  // namespace RenderN
