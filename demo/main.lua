-- The Hinoki demo. The engine runs this file with "init" at start and with "all" after a
-- script error in ScriptFrame has been fixed; it defines the three entry functions.
local reason = ...

local lua = LuaN.LUA()
local input = InputN.EXINPUT()
local frames = 0

-- A point the player moves: the arrow keys, or the controller's left stick, inside the
-- 800 x 600 drawing area. Nothing is drawn yet; the debug page shows where it is.
local x, y = 400, 300
local speed = 4  -- pixels per frame with a key held or the stick pushed all the way

local function Move()
  local dx, dy = 0, 0
  if input:GetPressedKey(InputN.K_LEFT) > 0 then dx = dx - 1 end
  if input:GetPressedKey(InputN.K_RIGHT) > 0 then dx = dx + 1 end
  if input:GetPressedKey(InputN.K_UP) > 0 then dy = dy - 1 end
  if input:GetPressedKey(InputN.K_DOWN) > 0 then dy = dy + 1 end
  if input:JoyStickUsed() then
    dx = dx + input:GetJoyStickState(InputN.J_LEFT_H) / InputN.J_MAX
    dy = dy + input:GetJoyStickState(InputN.J_LEFT_V) / InputN.J_MAX
  end
  x = math.max(0, math.min(800, x + dx * speed))
  y = math.max(0, math.min(600, y + dy * speed))
end

function ScriptInitialize()
  print("Hinoki demo started (" .. tostring(reason) .. ")")
  -- In debug mode the terminal shows the debug page: named lines redrawn on request.
  lua:DebugShowDebug()
end

function ScriptFrame()
  frames = frames + 1
  local fps = lua:GetFPS(1.0)
  Move()
  if frames % 60 == 0 then
    print(string.format("frame %d, %.1f frames per second", frames, fps))
    lua:DebugOut("FPS", string.format("%.1f", fps))
    lua:DebugOut("Frames", tostring(frames))
    lua:DebugOut("Position", string.format("%d, %d (arrow keys or left stick)", x, y))
    lua:DebugOut("Mouse", string.format("%d, %d, left button held %d frames",
      input:GetMouseState(InputN.M_XPOSITION), input:GetMouseState(InputN.M_YPOSITION),
      input:GetMouseState(InputN.M_LEFT)))
    lua:DebugFlush()
  end
end

function ScriptExit()
  print("Hinoki demo ended after " .. frames .. " frames")
end

return true
