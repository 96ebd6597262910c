-- Memory in a long run: every frame the game makes and drops what games make and drop
-- (sprites, planks, billboards, file textures, text textures, sound effects, music
-- pieces), draws, and at frames 5,000 and 20,000 (SOAK_FRAMES) prints the process's
-- resident memory. What it holds at the end is what it held at the start: the growth
-- between the two marks is what the engine keeps that it should not.
local FRAMES = tonumber(os.getenv("SOAK_FRAMES") or "") or 20000
local MARK = math.floor(FRAMES / 4)
local device, renderer, textures = RenderN.DEVICE(), RenderN.RENDERER(), RenderN.TEXTURE()
local sounds, music = SoundN.WAVESOUND(), SoundN.MP3SOUND()
local eye, at, up = Vector3C(0, 0, -5), Vector3C(0, 0, 0), Vector3C(0, 1, 0)
local frames, marked = 0, nil
local sum, count = 0, 0
local glyphs = { "\130\208", "\130\204", "\130\171", "A", "b", "\131\102" }  -- CP932

local function ResidentKiB()
  local file = io.open("/proc/self/status")
  if not file then return 0 end
  local text = file:read("*a")
  file:close()
  return tonumber(string.match(text, "VmRSS:%s*(%d+)")) or 0
end

-- SOAK_ONLY=objects,files,text,sound,music runs only those activities, to find which
-- one keeps memory.
local only = os.getenv("SOAK_ONLY")
local function Doing(activity)
  return not only or string.find(only, activity, 1, true) ~= nil
end

local function Churn()
  -- Drawables made and dropped: erased from the manager, their handles left to the GC.
  local made = {}
  if Doing("objects") then
    made = {
      renderer:CreateSprite("image.png", MatrixC:MkTranslation(frames % 160, 10, 0)),
      renderer:CreatePlank("image.png"),
      renderer:CreateBillboard("image.png", Vector3C(0, 0, 2), eye, at, up),
    }
  end
  -- A file texture loaded anew and erased.
  local name = (frames % 2 == 0) and "image.png" or "IMAGE.png"
  if Doing("files") then textures:GetTexture(name) end
  -- Text textures, the whole store cleared now and then.
  if Doing("text") then
    textures:GetTextTexture(glyphs[frames % #glyphs + 1], D3DARGB(0, 255, 255, 255),
                            8 + frames % 24)
    if frames % 50 == 0 then textures:ClearAll() end
  end
  if Doing("sound") then
    if frames % 10 == 0 then sounds:Play("hit.wav", -10 * (frames % 7), 0) end
    if frames % 500 == 0 then sounds:ClearAll() end
  end
  if Doing("music") then
    if frames % 200 == 0 then
      music:Play("tune.wav", frames % 400 == 0, SecTo(0))
    elseif frames % 200 == 100 then
      music:ClearAll()
    end
  end

  device:BeginRendering()
  renderer:Draw(eye, at)
  device:EndRendering()
  for _, object in ipairs(made) do renderer:Erase(object) end
  textures:Erase(name)
end

function ScriptInitialize()
  print(string.format("RSS start %d KiB", ResidentKiB()))
end

function ScriptFrame()
  if frames >= FRAMES then return end
  frames = frames + 1
  Churn()
  local every = tonumber(os.getenv("SOAK_EVERY") or "")
  if every and frames % every == 0 then print(string.format("RSS %d %d KiB", frames, ResidentKiB())) end
  -- Resident memory swings by a few MiB with the allocator's state: each mark is the
  -- mean of ten readings over the thousand frames before it.
  local nearMark = (frames > MARK - 1000 and frames <= MARK) or frames > FRAMES - 1000
  if frames % 100 == 0 and nearMark then
    sum, count = sum + ResidentKiB(), count + 1
  end
  if frames == MARK or frames == FRAMES then
    local mean = sum / count
    sum, count = 0, 0
    print(string.format("RSS frame %d %d KiB (mean of the last 1,000 frames)", frames, mean))
    if frames == MARK then
      marked = mean
    else
      print(string.format("RESULT growth %.2f MiB over %d frames", (mean - marked) / 1024,
                          FRAMES - MARK))
      LuaN.LUA():Quit()
    end
  end
end

function ScriptExit() end

return true
