-- Sprite throughput: N sprites, each with its own position, rotation, rotation speed,
-- drift speed and colour, moved by the script every frame (SetMatrix), then drawn by the
-- rendering manager. The same scene as the LOVE peer benchmark, so the two compare.
--
-- Environment: BENCH_N (sprites, default 1000), BENCH_SIZE (texture edge, 4 or 32;
-- default 32), BENCH_SECONDS (measured run, default 5), BENCH_WARMUP (default 1).
-- Prints one line "RESULT n=... size=... frames=... fps=... cpu_ms=..." on standard
-- error, then quits.

local N = tonumber(os.getenv("BENCH_N") or "") or 1000
local SIZE = tonumber(os.getenv("BENCH_SIZE") or "") or 32
local SECONDS = tonumber(os.getenv("BENCH_SECONDS") or "") or 5
local WARMUP = tonumber(os.getenv("BENCH_WARMUP") or "") or 1
local W, H = 1024, 768

local lua = LuaN.LUA()
local device = RenderN.DEVICE()
local renderer = RenderN.RENDERER()
local eye, at = Vector3C(0, 0, -5), Vector3C(0, 0, 0)

local sprites, xs, ys, rs, vxs, vrs = {}, {}, {}, {}, {}, {}
local m = MatrixC()
local random = math.random
local cos, sin = math.cos, math.sin

-- Lua 5.1 has no fine wall clock: the run is timed between changes of os.time(), whole
-- seconds apart, which is exact to one frame. os.clock() is the process's CPU time, all
-- threads (the software rasteriser's too).
local frames, phase, mark, cpuStart = 0, "wait", nil, nil

function ScriptInitialize()
  math.randomseed(1)
  local file = "disc" .. SIZE .. ".png"
  for i = 1, N do
    local s = renderer:CreateSprite(file)
    s:SetColor(D3DARGB(255, 128 + random(127), 128 + random(127), 128 + random(127)))
    sprites[i] = s
    xs[i], ys[i] = random() * W, random() * H
    rs[i], vrs[i] = random() * 6.2832, (random() - 0.5) * 4
    vxs[i] = (random() - 0.5) * 200
  end
end

local function Move(dt)
  for i = 1, N do
    local x = xs[i] + vxs[i] * dt
    if x < 0 then x = x + W elseif x > W then x = x - W end
    xs[i] = x
    local r = rs[i] + vrs[i] * dt
    rs[i] = r
    local c, s = cos(r), sin(r)
    m._11 = c; m._12 = s; m._21 = -s; m._22 = c; m._41 = x; m._42 = ys[i]
    sprites[i]:SetMatrix(m)
  end
end

function ScriptFrame()
  local second = os.time()
  if phase == "wait" then
    mark = mark or second
    if second - mark >= WARMUP then phase, mark, frames, cpuStart = "run", second, 0, os.clock() end
  elseif phase == "run" then
    if second - mark >= SECONDS then
      local cpu = (os.clock() - cpuStart) * 1000 / frames
      io.stderr:write(string.format("RESULT n=%d size=%d frames=%d seconds=%d fps=%.2f cpu_ms=%.3f\n",
        N, SIZE, frames, second - mark, frames / (second - mark), cpu))
      phase = "done"
      lua:Quit()
      return
    end
    frames = frames + 1
  end
  Move(1 / 60)
  device:BeginRendering()
  renderer:Draw(eye, at)
  device:EndRendering()
end

function ScriptExit() end

return true
