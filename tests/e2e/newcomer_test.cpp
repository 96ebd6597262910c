// What debug mode tells a newcomer whose game goes wrong in the usual ways: a script
// saved as UTF-8, a texture that cannot be loaded, a two-byte code that is no character.
#include <gtest/gtest.h>

#include <string>

#include "e2e/GameRunner.h"

namespace {

TEST(Newcomer, DebugModeNamesTheFileAndTheReason) {
  const std::string game = R"(-- )" "\u30BF\u30A4\u30C8\u30EB" R"( (a UTF-8 comment)
function ScriptInitialize()
  RenderN.RENDERER():CreateSprite("image\\missing.png")
  RenderN.RENDERER():CreateSprite("main.lua")
  RenderN.TEXTURE():GetTextTexture(string.char(0x85, 0x40), D3DARGB(255, 255, 255, 255), 16)
end
function ScriptFrame() LuaN.LUA():Quit() end
return true
)";
  for (const bool debug : {true, false}) {
    std::string settings = e2e::QuickGameSettings();
    const std::string on = "ini_debug_mode() return true";
    if (!debug) settings.replace(settings.find(on), on.size(), "ini_debug_mode() return false");
    const e2e::GameFolder folder({{"system/loset.lat", settings},
                                  {"system/notex.lat", e2e::ShippedSystemFile("notex.lat")},
                                  {"main.lua", game}});
    const e2e::RunResult result = e2e::RunHinoki(folder.Path(), "\n\n\n");
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    // Each failure still shows its fixed box, on standard error as well.
    EXPECT_NE(result.err.find("テキストビットマップ作成に失敗しました。"), std::string::npos)
        << result.err;
    const std::string expected =
        "*** main.lua looks like UTF-8; scripts are read as Shift-JIS (CP932): save it as "
        "Shift-JIS ***\n"
        "*** texture \"image\\missing.png\" not read: cannot open image/missing.png: No such "
        "file or directory ***\n"
        "*** texture \"main.lua\" not read: main.lua: not an image in a known format ***\n"
        "*** no glyph for the character 0x8540: these two bytes are no Shift-JIS character "
        "(a UTF-8 script?) ***\n";
    if (debug) {
      EXPECT_NE(result.out.find(expected), std::string::npos) << result.out;
    } else {
      EXPECT_EQ(result.out, "");
    }
  }
}

}  // namespace
