-- A probe for recorded sessions: the arrow keys move a square, a left click puts it
-- under the cursor, the first press of E fails the frame once (an error box to answer),
-- Escape ends the game. Every frame prints what the script saw.
local input = InputN.EXINPUT()
local device, renderer = RenderN.DEVICE(), RenderN.RENDERER()

frames = frames or 0
x, y = x or 80, y or 60
random = random or RandomC()

function ScriptInitialize()
  square = renderer:CreateSprite()
  square:SetSize(16, 16)
  print("start", os.time(), os.date("!%Y-%m-%d %H:%M:%S"), os.clock())
end

local function Held(key) return input:GetPressedKey(key) > 0 and 1 or 0 end

function ScriptFrame()
  if input:GetPressedKey(InputN.K_E) == 1 and not failed then
    failed = true
    error("E was pressed")
  end
  frames = frames + 1
  x = x + 2 * (Held(InputN.K_RIGHT) - Held(InputN.K_LEFT))
  y = y + 2 * (Held(InputN.K_DOWN) - Held(InputN.K_UP))
  if input:GetMouseState(InputN.M_LEFT) == 1 then
    x, y = input:GetMouseState(InputN.M_XPOSITION), input:GetMouseState(InputN.M_YPOSITION)
  end
  square:SetMatrix(MatrixC:MkTranslation(x - 8, y - 8, 0))
  print("frame", frames, math.floor(os.clock() * 1000 + 0.5), random:Get(),
        input:GetPressedKey(InputN.K_RIGHT), input:GetPressedKey(InputN.K_E),
        input:GetMouseState(InputN.M_LEFT), input:GetMouseState(InputN.M_HORIZOTAL),
        input:GetMouseState(InputN.M_VERTICAL), input:GetMouseState(InputN.M_WHEEL),
        input:GetMouseState(InputN.M_XPOSITION), input:GetMouseState(InputN.M_YPOSITION), x, y)
  device:BeginRendering()
  renderer:Draw(Vector3C(0, 0, -5), Vector3C(0, 0, 0))
  device:EndRendering()
  if input:GetPressedKey(InputN.K_ESC) > 0 or frames >= 1800 then LuaN.LUA():Quit() end
end

function ScriptExit()
  print("exit", frames, os.time())
end

return true
