-- Text on screen: lays out a Shift-JIS (CP932) string as one sprite per character. A game
-- loads it once per run of its load script and keeps the table it returns:
--
--   local text = dofile("system\\text.lua")
--   local sprites, width, height = text.Create("Hello", 20, 20, D3DARGB(0, 255, 255, 255), 32)
--
-- Each character is a glyph texture of RenderN.TEXTURE():GetTextTexture, asked for with a
-- positive height (the cell height: ascent plus descent), so the texture is exactly
-- `height` pixels tall and the sprite can show all of it; its width is the character's
-- advance (mWidth). This file is plain ASCII, so it reads the same in every encoding.

local text = {}

local function IsLeadByte(b)
  return (b >= 0x81 and b <= 0x9F) or (b >= 0xE0 and b <= 0xFC)
end

local function IsTrailByte(b)
  return b >= 0x40 and b <= 0xFC and b ~= 0x7F
end

local FULL_WIDTH_SPACE = "\129\64"  -- 0x81 0x40

-- The characters of `s` in order; an error names `caller` and is reported `level` calls up.
local function SplitCharacters(s, caller, level)
  local characters, i, n = {}, 1, #s
  while i <= n do
    local b = string.byte(s, i)
    if IsLeadByte(b) then
      local trail = string.byte(s, i + 1)
      if not trail or not IsTrailByte(trail) then
        error(string.format("%s: byte %d of the text (0x%02X) starts no Shift-JIS " ..
                            "character: save the script as Shift-JIS (CP932)", caller, i, b),
              level + 1)
      end
      characters[#characters + 1] = string.sub(s, i, i + 1)
      i = i + 2
    else
      characters[#characters + 1] = string.sub(s, i, i)
      i = i + 1
    end
  end
  return characters
end

--- The characters of a CP932 string, in order: a one-byte character (ASCII, half-width
--- kana) or a lead byte (0x81-0x9F, 0xE0-0xFC) with its trail byte. A lead byte without a
--- trail byte raises an error.
function text.Characters(s)
  if type(s) ~= "string" then
    error("text.Characters: the text must be a string, not " .. type(s), 2)
  end
  return SplitCharacters(s, "text.Characters", 2)
end

-- The glyph colour: the red, green and blue of a D3DARGB or of a number 0xRRGGBB, with
-- alpha 0 so that each pixel's alpha is the glyph's coverage.
local function GlyphColour(colour)
  if type(colour) == "number" then return D3DARGB(colour % 0x1000000) end
  if tolua.type(colour) == "D3DARGB" then return D3DARGB(colour.mColor % 0x1000000) end
  error("text.Create: the colour must be a D3DARGB or a number 0xRRGGBB, not " ..
        tolua.type(colour), 3)
end

-- The texture of one character; raises an error naming the character when the engine
-- could not make one (a box has already said so).
local function Glyph(textures, character, colour, height, weight, face, position)
  local glyph
  if face then
    glyph = textures:GetTextTexture(character, colour, height, weight, face)
  else
    glyph = textures:GetTextTexture(character, colour, height, weight)
  end
  local ok, advance = pcall(function() return glyph.mWidth end)
  if not ok then
    local bytes = string.gsub(character, ".", function(c)
      return string.format(" 0x%02X", string.byte(c))
    end)
    error(string.format("text.Create: no glyph for the character at byte %d (bytes%s); " ..
                        "is the script saved as Shift-JIS (CP932)?", position, bytes), 3)
  end
  return glyph, advance
end

--- Creates one sprite per visible character of `s` (a CP932 string) and places them:
---   x, y    the top-left corner of the text in back-buffer pixels (with options.align
---           "center" or "right", x is the centre or the right end of every line)
---   colour  a D3DARGB (its alpha is not used: the glyph's edges give the alpha) or a
---           number 0xRRGGBB
---   height  the line height in pixels; every character's sprite is this tall
---   options an optional table: weight (400 normal, 700 bold), face (a font name),
---           order (the sprites' SetOrder, 0 by default), align ("left", "center", "right")
--- "\n" starts a new line `height` pixels lower; "\r" and other control characters are
--- skipped; spaces (half and full width) move on without a sprite.
--- Returns the sprites in the order of the string, the width of the widest line and the
--- height of all lines. The rendering manager keeps the sprites until text.Erase.
function text.Create(s, x, y, colour, height, options)
  if type(s) ~= "string" then
    error("text.Create: the text must be a string, not " .. type(s), 2)
  end
  if type(x) ~= "number" or type(y) ~= "number" then
    error("text.Create: the position must be two numbers", 2)
  end
  if type(height) ~= "number" or height < 1 then
    error("text.Create: the height must be a number of pixels, 1 or more", 2)
  end
  options = options or {}
  local weight = options.weight or 400
  local order = options.order or 0
  local align = options.align or "left"
  if align ~= "left" and align ~= "center" and align ~= "right" then
    error("text.Create: align must be \"left\", \"center\" or \"right\"", 2)
  end
  height = math.floor(height)
  local glyphColour = GlyphColour(colour)
  local textures, renderer = RenderN.TEXTURE(), RenderN.RENDERER()

  -- First every line's glyphs and width, so that a line can be aligned before placing it.
  local lines = { { width = 0 } }
  local position = 1
  for _, character in ipairs(SplitCharacters(s, "text.Create", 2)) do
    local line = lines[#lines]
    if character == "\n" then
      lines[#lines + 1] = { width = 0 }
    elseif #character == 1 and string.byte(character) < 0x20 then
      -- a control character has no picture and takes no room
    else
      local glyph, advance = Glyph(textures, character, glyphColour, height, weight,
                                   options.face, position)
      local blank = character == " " or character == FULL_WIDTH_SPACE
      line[#line + 1] = { glyph = (not blank) and glyph or nil, x = line.width }
      line.width = line.width + advance
    end
    position = position + #character
  end

  local sprites, widest = {}, 0
  for number, line in ipairs(lines) do
    local left = x
    if align == "center" then
      left = x - math.floor(line.width / 2)  -- whole pixels keep the glyphs sharp
    elseif align == "right" then
      left = x - line.width
    end
    local top = y + (number - 1) * height
    for _, placed in ipairs(line) do
      if placed.glyph then
        local sprite = renderer:CreateSprite()
        sprite:SetTexture(placed.glyph)
        -- A sprite made without a file has no size: show the whole glyph texture, with
        -- its top-left corner at the sprite's position.
        sprite:SetSize(placed.glyph.mWidth, height)
        sprite:SetCenterPosition(0, 0)
        sprite:SetMatrix(MatrixC:MkTranslation(left + placed.x, top, 0))
        sprite:SetOrder(order)
        sprites[#sprites + 1] = sprite
      end
    end
    widest = math.max(widest, line.width)
  end
  return sprites, widest, #lines * height
end

--- Removes sprites made by text.Create from the rendering manager; they are no longer
--- drawn. The list can be passed again without harm.
function text.Erase(sprites)
  local renderer = RenderN.RENDERER()
  for _, sprite in ipairs(sprites) do renderer:Erase(sprite) end
end

return text
