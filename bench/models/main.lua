-- Model throughput: K copies of one .x model on a square grid facing the camera, lit by one
-- directional light, each turned a little about its own vertical axis by the script every
-- frame (SetMatrix), then drawn by the rendering manager.
--
-- Environment: BENCH_K (models, default 100), BENCH_MODEL (file, default Testwuson.X),
-- BENCH_SECONDS (measured run, default 5), BENCH_WARMUP (default 1), BENCH_SPIN (0 leaves
-- the models still, so only drawing is measured; default 1).
-- Prints one line "RESULT k=... frames=... fps=... cpu_ms=... create_ms=... radius=..." on
-- standard error, then quits. radius is the model's bounding sphere: 0 means the file gave
-- no mesh, and the figures then measure empty models.

local K = tonumber(os.getenv("BENCH_K") or "") or 100
local MODEL = os.getenv("BENCH_MODEL") or "Testwuson.X"
local SECONDS = tonumber(os.getenv("BENCH_SECONDS") or "") or 5
local WARMUP = tonumber(os.getenv("BENCH_WARMUP") or "") or 1
local SPIN = (tonumber(os.getenv("BENCH_SPIN") or "") or 1) ~= 0
local SPACING = 3.5  -- Testwuson.X is about 3.2 units tall and 1 wide

local lua = LuaN.LUA()
local device = RenderN.DEVICE()
local renderer = RenderN.RENDERER()

local side = math.ceil(math.sqrt(K))
local extent = side * SPACING
-- Far enough back for the whole grid to fit the 60-degree field of view.
local eye = Vector3C(0, 0, -(extent * 0.5 / math.tan(math.rad(30)) + 4))
local at = Vector3C(0, 0, 0)
local view = MatrixC:MkLookAtLH(eye, at, Vector3C(0, 1, 0))
local projection = MatrixC:MkPerspectiveFovLH(AngleC(DegreeC(60)), 800 / 600, 1, -eye.z + 10)

local models, xs, ys, turns, speeds = {}, {}, {}, {}, {}
local light
local radius = 0
local createMs = 0
local m = MatrixC()
local cos, sin = math.cos, math.sin

local function Place(i)
  -- A turn about the y axis, then the grid position.
  local c, s = cos(turns[i]), sin(turns[i])
  m._11 = c; m._13 = -s; m._31 = s; m._33 = c
  m._41 = xs[i]; m._42 = ys[i]
  models[i]:SetMatrix(m)
end

function ScriptInitialize()
  math.randomseed(1)
  light = DirectionalLightC()
  light:SetDirection(Vector3C(0.5, -1, 1))
  light:SetDiffuse(1, 1, 1)
  light:SetAmbient(0.2, 0.2, 0.2)
  light:Apply()
  device:SetAmbient(D3DARGB(255, 48, 48, 48))

  local start = os.clock()
  for i = 1, K do
    local row, column = math.floor((i - 1) / side), (i - 1) % side
    xs[i] = (column - (side - 1) / 2) * SPACING
    ys[i] = ((side - 1) / 2 - row) * SPACING
    turns[i], speeds[i] = math.random() * 6.2832, (math.random() - 0.5) * 2
    models[i] = renderer:CreateModel(MODEL)
    Place(i)
  end
  createMs = (os.clock() - start) * 1000
  -- The mesh's bounding sphere; a model without a mesh leaves it 0.
  local ok, mesh = pcall(function() return models[1]:GetMesh() end)
  if ok and mesh then radius = mesh.mRadius end
end

local function Turn(dt)
  for i = 1, K do
    turns[i] = turns[i] + speeds[i] * dt
    Place(i)
  end
end

-- Lua 5.1 has no fine wall clock: the run is timed between changes of os.time(), whole
-- seconds apart, which is exact to one frame. os.clock() is the process's CPU time, all
-- threads (the software rasteriser's too).
local frames, phase, mark, cpuStart = 0, "wait", nil, nil

function ScriptFrame()
  local second = os.time()
  if phase == "wait" then
    mark = mark or second
    if second - mark >= WARMUP then phase, mark, frames, cpuStart = "run", second, 0, os.clock() end
  elseif phase == "run" then
    if second - mark >= SECONDS then
      local cpu = (os.clock() - cpuStart) * 1000 / frames
      io.stderr:write(string.format(
        "RESULT k=%d frames=%d seconds=%d fps=%.2f cpu_ms=%.3f create_ms=%.1f radius=%.2f\n",
        K, frames, second - mark, frames / (second - mark), cpu, createMs, radius))
      phase = "done"
      lua:Quit()
      return
    end
    frames = frames + 1
  end
  if SPIN then Turn(1 / 60) end
  device:SetViewMatrix(view)
  device:SetProjectionMatrix(projection)
  device:BeginRendering()
  renderer:Draw(eye, at)
  device:EndRendering()
end

function ScriptExit() end

return true
