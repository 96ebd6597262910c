-- The Hinoki demo. The engine runs this file with "init" at start and with "all" after a
-- script error in ScriptFrame has been fixed; it defines the three entry functions.
local reason = ...

local lua = LuaN.LUA()
local frames = 0

function ScriptInitialize()
  print("Hinoki demo started (" .. tostring(reason) .. ")")
  -- In debug mode the terminal shows the debug page: named lines redrawn on request.
  lua:DebugShowDebug()
end

function ScriptFrame()
  frames = frames + 1
  local fps = lua:GetFPS(1.0)
  if frames % 60 == 0 then
    print(string.format("frame %d, %.1f frames per second", frames, fps))
    lua:DebugOut("FPS", string.format("%.1f", fps))
    lua:DebugOut("Frames", tostring(frames))
    lua:DebugFlush()
  end
end

function ScriptExit()
  print("Hinoki demo ended after " .. frames .. " frames")
end

return true
