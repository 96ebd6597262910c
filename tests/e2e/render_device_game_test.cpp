// The drawing device and the texture storage in the real executable, headless on the GL
// device: frames, a glyph saved as PNG and read back as a texture, the refusals scripts
// see, and the end of a game whose device cannot be created.
#include <gtest/gtest.h>

#include <string>

#include "e2e/GameRunner.h"

namespace {

const char kSettings[] = R"(
function ini_window_mode() return true end
function ini_debug_mode() return true end
function ini_fps_num() return 240 end
function ini_window_width() return 320 end
function ini_window_height() return 240 end
function ini_back_width() return BACK_WIDTH end
function ini_back_height() return 240 end
function ini_load_path() return "main.lua" end
return true
)";

std::string Settings(const std::string& backWidth) {
  std::string text = kSettings;
  text.replace(text.find("BACK_WIDTH"), 10, backWidth);
  return text;
}

const char kGame[] = R"(
local checks, failures = 0, 0
local function check(name, ok, detail)
  checks = checks + 1
  if not ok then
    failures = failures + 1
    print("FAIL " .. name .. ": " .. tostring(detail))
  end
end
local function raises(f, text)
  local ok, err = pcall(f)
  return not ok and string.find(tostring(err), text, 1, true) ~= nil, err
end

local dev, tex = RenderN.DEVICE(), RenderN.TEXTURE()
local frames = 0

function ScriptInitialize()
  check("one agent", dev == RenderN.D3DDeviceAgentC:GetInstance())
  check("back size", dev:GetBackWidth() == 320 and dev:GetBackHeight() == 240)
  check("aspect", math.abs(dev:GetAspect() - 4 / 3) < 1e-6, dev:GetAspect())

  local glyph = tex:GetTextTexture("A", D3DARGB(255, 255, 255, 255), -32)
  check("glyph", glyph.mWidth > 0 and glyph.mHeight > 0, glyph.mWidth)
  RenderN.SavePNG(glyph, "Glyph.png")
  -- A Windows name: another case finds the file, and is an entry of its own.
  local saved = tex:GetTexture("GLYPH.png")
  check("saved glyph read back", saved.mWidth == glyph.mWidth, saved.mWidth)
  saved.mWidth = 5
  check("one record per name", tex:GetTexture("GLYPH.png").mWidth == 5)
  check("erase", tex:Erase("GLYPH.png") and not tex:Erase("GLYPH.png"))

  local missing = tex:GetTexture("nothing.png")
  check("empty handle", raises(function() return missing.mWidth end,
                               "invalid 'self' in accessing variable 'mWidth'"))
  check("nil name", raises(function() tex:GetTexture(nil) end,
                           "argument #2 is 'nil'; 'string' expected."))
  check("two characters", raises(function() tex:GetTextTexture("AB", D3DARGB(0), 16) end,
                                 "'one CP932 character' expected."))
end

function ScriptFrame()
  dev:SetAmbient(D3DARGB(255, 64, 64, 64))
  dev:SetFogState(D3DARGB(255, 0, 0, 255), 50, 100)
  dev:BeginRendering()
  check("frame " .. frames, dev:EndRendering() == false)
  frames = frames + 1
  if frames == 3 then
    print("checks " .. checks .. " failed " .. failures)
    LuaN.LUA():Quit()
  end
end

function ScriptExit() end
return true
)";

TEST(RenderDeviceGame, FramesTexturesAndTheirRefusalsOnTheRealDevice) {
  const e2e::GameFolder game({{"system/loset.lat", Settings("320")}, {"main.lua", kGame}});
  const e2e::RunResult result = e2e::RunHinoki(game.Path(), "\n");
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find("checks 13 failed 0"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find("FAIL"), std::string::npos) << result.out;
  // The one missing file told the user.
  EXPECT_EQ(result.err, "== ERROR ==\nテクスチャ画像情報の取得に失敗しました。\n[OK]\n");
}

TEST(RenderDeviceGame, ADeviceThatCannotBeMadeEndsTheGameBeforeItStarts) {
  const e2e::GameFolder game({{"system/loset.lat", Settings("100000")},
                              {"main.lua", "function ScriptInitialize() print('init') end\n"
                                           "function ScriptFrame() end\n"
                                           "function ScriptExit() end\nreturn true\n"}});
  const e2e::RunResult result = e2e::RunHinoki(game.Path(), "\n");
  EXPECT_EQ(result.exitStatus, 255);
  EXPECT_EQ(result.out.find("init"), std::string::npos) << result.out;
  EXPECT_EQ(result.err, "== ERROR ==\nDirectXの初期化に失敗しました。\n[OK]\n");
}

}  // namespace
