-- The sprite benchmark scene of bench/sprites/main.lua, written for LÖVE 11.4 so that
-- scripts/run-bench.sh can show both engines' figures from the same machine and run.
-- N sprites of a SIZE-pixel disc (a white disc with a grey bar across it, made here with
-- love.image.newImageData), each with its own position, rotation, rotation speed, drift
-- speed and colour (math.randomseed(1)), moved every frame with dt = 1/60 in a
-- 1024 x 768 window with vsync off.
--
-- usage: love bench/love_sprites MODE N SECONDS SIZE WARMUP
--   MODE    draw: one love.graphics.draw per sprite (the scene Hinoki draws);
--           batch: the same sprites updated in one SpriteBatch, drawn with one call
--   N       sprites (default 1000)
--   SECONDS measured run (default 5), after WARMUP seconds (default 1)
--   SIZE    texture edge in pixels (default 32)
-- Prints one line "RESULT n=... size=... frames=... seconds=... fps=... cpu_ms=..." on
-- standard output, then quits. cpu_ms is the process's CPU time per frame (os.clock, all
-- threads, the software rasteriser's too). The frame loop below does not sleep between
-- frames (LÖVE's own loop sleeps 1 ms a frame), so the frame rate is the engine's.

local W, H = 1024, 768

local mode, N, SECONDS, SIZE, WARMUP = "draw", 1000, 5, 32, 1

local image, batch
local xs, ys, rs, vxs, vrs, colors = {}, {}, {}, {}, {}, {}
local frames, phase, mark, cpuStart = 0, "wait", nil, nil

local function makeDisc(size)
  local data = love.image.newImageData(size, size)
  local c = (size - 1) / 2
  if c == 0 then c = 0.5 end
  data:mapPixel(function(x, y)
    local dx, dy = (x - c) / c, (y - c) / c
    if dx * dx + dy * dy > 1 then return 0, 0, 0, 0 end
    local v = math.abs(dy) < 0.2 and 128 / 255 or 1
    return v, v, v, 1
  end)
  local img = love.graphics.newImage(data)
  return img
end

function love.load(args)
  mode = args[1] or mode
  N = tonumber(args[2] or "") or N
  SECONDS = tonumber(args[3] or "") or SECONDS
  SIZE = tonumber(args[4] or "") or SIZE
  WARMUP = tonumber(args[5] or "") or WARMUP
  if mode ~= "draw" and mode ~= "batch" then
    io.stderr:write("love_sprites: unknown mode '" .. tostring(mode) .. "' (draw or batch)\n")
    return
  end

  image = makeDisc(SIZE)
  math.randomseed(1)
  local random = math.random
  for i = 1, N do
    colors[i] = { (128 + random(127)) / 255, (128 + random(127)) / 255, (128 + random(127)) / 255, 1 }
    xs[i], ys[i] = random() * W, random() * H
    rs[i], vrs[i] = random() * 6.2832, (random() - 0.5) * 4
    vxs[i] = (random() - 0.5) * 200
  end
  if mode == "batch" then
    batch = love.graphics.newSpriteBatch(image, N, "stream")
    for i = 1, N do
      batch:setColor(colors[i])
      batch:add(xs[i], ys[i], rs[i], 1, 1, SIZE / 2, SIZE / 2)
    end
  end
end

local function move(dt)
  for i = 1, N do
    local x = xs[i] + vxs[i] * dt
    if x < 0 then x = x + W elseif x > W then x = x - W end
    xs[i] = x
    rs[i] = rs[i] + vrs[i] * dt
  end
end

local function draw()
  local g = love.graphics
  local half = SIZE / 2
  if mode == "batch" then
    for i = 1, N do
      batch:setColor(colors[i])
      batch:set(i, xs[i], ys[i], rs[i], 1, 1, half, half)
    end
    g.setColor(1, 1, 1, 1)
    g.draw(batch)
  else
    local setColor, drawImage = g.setColor, g.draw
    for i = 1, N do
      local c = colors[i]
      setColor(c[1], c[2], c[3], c[4])
      drawImage(image, xs[i], ys[i], rs[i], 1, 1, half, half)
    end
  end
end

-- Returns false when the run is over (the result is printed).
local function step()
  local now = love.timer.getTime()
  if phase == "wait" then
    mark = mark or now
    if now - mark >= WARMUP then phase, mark, frames, cpuStart = "run", now, 0, os.clock() end
  elseif phase == "run" then
    local elapsed = now - mark
    if elapsed >= SECONDS then
      local cpu = (os.clock() - cpuStart) * 1000 / math.max(frames, 1)
      io.write(string.format("RESULT n=%d size=%d frames=%d seconds=%.3f fps=%.2f cpu_ms=%.3f\n",
        N, SIZE, frames, elapsed, frames / elapsed, cpu))
      io.flush()
      return false
    end
    frames = frames + 1
  end
  move(1 / 60)
  love.graphics.origin()
  love.graphics.clear(0, 0, 0, 1)
  draw()
  love.graphics.present()
  return true
end

function love.run()
  love.load(love.arg.parseGameArguments(arg), arg)
  if not image then return function() return 1 end end
  return function()
    love.event.pump()
    for name, a in love.event.poll() do
      if name == "quit" then return a or 0 end
    end
    if not step() then return 0 end
  end
end
