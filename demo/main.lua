-- The Hinoki demo. The engine runs this file with "init" at start and with "all" after a
-- script error in ScriptFrame has been fixed; it defines the three entry functions.
--
-- The scene: a wooden floor and two standing planks in 3-D, trees on billboards that
-- always face the camera (drawn far to near), fog in the distance, an animated ball from
-- a sprite sheet that the player moves, sparks drawn additively around it, a row of
-- overlapping balls showing the sprite order, and a title made of glyph textures.
-- Music loops from its second bar; Space plays a sound placed where the ball is.
-- In the middle a textured ring (an .x model) turns, lit by a sun and by a lamp the
-- player moves with W, A, S, D (Q and E: down and up); an orb circles it and the ring
-- glows red while the two touch. M switches the models between the fixed-function
-- lights, the basic shader (per-pixel sun light and fog) and the shadow map (the ring
-- and the orb cast shadows on the ground and on each other; the shadow texture is
-- shown in the bottom-right corner).
local reason = ...

local lua = LuaN.LUA()
local input = InputN.EXINPUT()
local device = RenderN.DEVICE()
local renderer = RenderN.RENDERER()
local textures = RenderN.TEXTURE()
local music = SoundN.MP3SOUND()
local sounds = SoundN.WAVESOUND()
local text = dofile("system\\text.lua")

local eye, at, up = Vector3C(0, 0, -5), Vector3C(0, 0, 0), Vector3C(0, 1, 0)
-- A global: it survives the reload after a fixed error, when this file's locals are new.
frames = frames or 0

-- Everything the frame touches, kept so that a reload ("all") starts from a clean scene.
local scene = {}

local function BuildScene()
  renderer:Clear()
  scene = { sparks = {}, trees = {} }

  -- Ground: a flat .x model, so that lights and shadows fall on it; two standing planks
  -- behind it, one of them see-through and additive.
  scene.floor = renderer:CreateModel("model\\floor.x", MatrixC:MkTranslation(0, -1.5, -4))
  local wall = renderer:CreatePlank("image\\wood.png",
    MatrixC(MatrixC:MkScaling(3, 2, 1) * MatrixC:MkTranslation(-3, -0.5, 6)))
  wall:Culling(true)
  local glass = renderer:CreatePlank("image\\wood.png",
    MatrixC(MatrixC:MkScaling(2, 2, 1) * MatrixC:MkTranslation(3, -0.5, 4)))
  glass:SetColor(120, 200, 255)
  glass:SetAlpha(140)
  glass:AdditiveBlending(true)
  scene.glass = glass

  -- Trees at several depths; their order is worked out again every frame.
  for i = 0, 9 do
    local x = (i % 2 == 0) and -2.5 - (i % 3) or 2.5 + (i % 3)
    local position = Vector3C(x, -0.5, 2 + i * 3)
    local tree = renderer:CreateBillboard("image\\tree.png", position, eye, at, up)
    scene.trees[#scene.trees + 1] = { billboard = tree, position = position }
  end

  -- The player: a 64 x 64 cell of the 256 x 128 sheet, centred on its position.
  local ball = renderer:CreateSprite("image\\sheet.png")
  ball:SetSize(64, 64)
  ball:SetCenterPosition(32, 32)
  ball:SetOrder(10)
  scene.ball = ball
  scene.x, scene.y = 400, 380

  for i = 1, 6 do
    local spark = renderer:CreateSprite("image\\spark.png")
    spark:AdditiveBlending(true)
    spark:SetColor(D3DARGB(255, 255, 180 + i * 10, 80))
    spark:SetOrder(11)
    scene.sparks[i] = spark
  end

  -- Sprite order: five balls overlapping; the middle one has the highest order and is
  -- drawn on top although it was created third.
  for i = 1, 5 do
    local b = renderer:CreateSprite("image\\ball.png", MatrixC:MkTranslation(560 + i * 22, 60, 0))
    b:SetOrder(({ 1, 2, 5, 2, 1 })[i])
  end

  -- The ring and the orb: .x models lit by the lights below. The ring's second record
  -- (same shape, glowing material) is swapped in while the orb touches it.
  scene.ring = renderer:CreateModel("model\\ring.x")
  scene.ringHot = RenderN.XFILE():GetXFile("model\\ring_hot.x")
  scene.ringCold = RenderN.XFILE():GetXFile("model\\ring.x")
  scene.orb = renderer:CreateModel("model\\orb.x")
  scene.lamp = renderer:CreateBillboard("image\\spark.png")
  lampPosition = lampPosition or Vector3C(-1.5, 1.2, 1.5)

  -- The shadow texture, a quarter of its size, in the bottom-right corner.
  scene.shadowView = renderer:CreateSprite()
  scene.shadowView:SetTexture(RenderN.SHADOWMAP():GetTextureData())
  scene.shadowView:SetSize(512, 512)
  scene.shadowView:SetCenterPosition(0, 0)
  scene.shadowView:SetMatrix(MatrixC(MatrixC:MkScaling(0.25) * MatrixC:MkTranslation(664, 464, 0)))
  scene.shadowView:SetOrder(30)

  -- The title, one glyph texture per character of its CP932 bytes, laid out by the
  -- engine's text helper in the top-left corner. The colour's alpha is not used: each
  -- glyph pixel takes its alpha from its coverage.
  local title = "\130\208\130\204\130\171\131\102\131\130"  -- "hinoki demo" in kana
  text.Create(title, 24, 20, D3DARGB(255, 255, 240, 200), 48, { weight = 700, order = 20 })
end

-- How the models are drawn: 1 fixed-function lights, 2 basic shader, 3 shadow map. A
-- global, so a reload keeps it.
shaderMode = shaderMode or 1
local modeNames = { "fixed-function lights", "basic shader", "shadow map" }
local sunDirection = Vector3C(0.4, -1, 0.6)

local function ApplyShaderMode()
  local shader = nil
  if shaderMode == 2 then shader = RenderN.BASICSHADER() end
  if shaderMode == 3 then shader = RenderN.SHADOWMAP() end
  for _, model in ipairs({ scene.floor, scene.ring, scene.orb }) do model:SetShader(shader) end
  scene.shadowView:Enabled(shaderMode == 3)
end

local function SwitchShader()
  if input:GetPressedKey(InputN.K_M) == 1 then
    shaderMode = shaderMode % 3 + 1
    ApplyShaderMode()
  end
end

-- The casters' depths from the sun, made again every frame before the scene is drawn.
local function RenderShadows()
  if shaderMode ~= 3 then return end
  local map = RenderN.SHADOWMAP()
  local centre = Vector3C(0, -1.5, 4)
  local eyeOfSun = centre - sunDirection:GetNormal() * 15
  map:SetLightView(MatrixC:MkLookAtLH(eyeOfSun, centre, Vector3C(0, 0, 1)))
  map:SetLightProjection(MatrixC:MkOrthoLH(16, 16, 1, 40))
  map:SetLightDirection(sunDirection)
  map:RemoveShadowData()
  map:SaveShadowData(scene.ring)
  map:SaveShadowData(scene.orb)
end

-- Lights live as globals: a reload keeps them (and their device indices) as they are.
local function Light()
  if not sun then
    sun = DirectionalLightC()
    sun:SetDirection(sunDirection)
    sun:SetDiffuse(0.55, 0.55, 0.5)
    lamp = PointLightC()
    lamp:SetDiffuse(1.0, 0.9, 0.7)
    lamp:SetRange(6)
  end
  sun:Apply()  -- the lamp is sent every frame
  RenderN.BASICSHADER():SetLightDirection(sunDirection)
  device:SetAmbient(D3DARGB(255, 40, 40, 55))
end

local function MoveLamp()
  local step = 0.05
  if input:GetPressedKey(InputN.K_A) > 0 then lampPosition.x = lampPosition.x - step end
  if input:GetPressedKey(InputN.K_D) > 0 then lampPosition.x = lampPosition.x + step end
  if input:GetPressedKey(InputN.K_S) > 0 then lampPosition.z = lampPosition.z - step end
  if input:GetPressedKey(InputN.K_W) > 0 then lampPosition.z = lampPosition.z + step end
  if input:GetPressedKey(InputN.K_Q) > 0 then lampPosition.y = lampPosition.y - step end
  if input:GetPressedKey(InputN.K_E) > 0 then lampPosition.y = lampPosition.y + step end
  lamp:SetPosition(lampPosition)
  lamp:Apply()
  scene.lamp:SetMatrix(lampPosition, eye, at, up)
end

-- The ring turns in place; the orb circles through it. A sphere test between the ring's
-- bounds and the orb decides which record the ring shows.
local ringCentre = Vector3C(0, 0.3, 3)
local function MoveModels()
  scene.ring:SetMatrix("XYZ", 70, frames * 0.8, 0, ringCentre, MatrixC())
  local a = frames * 0.015
  local orbAt = Vector3C(ringCentre.x + math.cos(a) * 2.4, ringCentre.y + math.sin(a * 2) * 0.4,
                         ringCentre.z + math.sin(a) * 1.2)
  scene.orb:SetMatrix(MatrixC:MkTranslation(orbAt.x, orbAt.y, orbAt.z))
  local touching = SphereJudgment(scene.ringCold, scene.ring:GetMatrix(), orbAt, 0.3)
  scene.ring:SetMesh(touching and scene.ringHot or scene.ringCold)
  scene.touching = touching
end

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
  scene.x = math.max(32, math.min(768, scene.x + dx * 4))
  scene.y = math.max(32, math.min(568, scene.y + dy * 4))
end

local function Animate()
  local cell = math.floor(frames / 6) % 8
  scene.ball:Split(cell % 4, math.floor(cell / 4))
  scene.ball:SetMatrix(MatrixC:MkTranslation(scene.x, scene.y, 0))
  for i, spark in ipairs(scene.sparks) do
    local a = frames * 0.05 + i * math.pi / 3
    spark:SetMatrix(MatrixC:MkTranslation(scene.x + math.cos(a) * 48 - 16,
                                          scene.y + math.sin(a) * 48 - 16, 0))
  end
  -- The trees sway a little; each stays turned to the camera.
  for i, tree in ipairs(scene.trees) do
    local p = tree.position
    local sway = MatrixC:MkRotationZ(AngleC(RadianC(math.sin(frames * 0.03 + i) * 0.05)))
    tree.billboard:SetMatrix(sway, MatrixC:MkTranslation(p.x, p.y, p.z), eye, at, up)
  end
  scene.glass:SetAlpha(100 + 80 * math.sin(frames * 0.04))
end

-- Space: the sound comes from where the ball is, left to right across the screen.
local function PlaySound()
  if input:GetPressedKey(InputN.K_SPACE) == 1 then
    local x = (scene.x - 400) / 100
    sounds:Play("sound\\hit.wav", Vector3C(x, 0, 2), Vector3C(0, 0, 0), 1, 100)
  end
end

function ScriptInitialize()
  print("Hinoki demo started (" .. tostring(reason) .. ")")
  BuildScene()
  Light()
  ApplyShaderMode()
  device:SetFogState(D3DARGB(255, 30, 40, 60), 8, 40)
  music:Play("sound\\bgm.mp3", true, SecTo(2), SecTo(10))
  lua:DebugShowDebug()
end

function ScriptFrame()
  frames = frames + 1
  local fps = lua:GetFPS(1.0)  -- counts calls: called once every frame
  Move()
  MoveLamp()
  MoveModels()
  SwitchShader()
  Animate()
  PlaySound()
  device:BeginRendering()
  RenderShadows()
  renderer:Draw(eye, at)
  if device:EndRendering() then
    -- The device was lost and restored: the fog is kept by the engine; the lights are
    -- device state and are sent again.
    Light()
    print("the drawing device was restored")
  end
  if frames % 60 == 0 then
    lua:DebugOut("FPS", string.format("%.1f", fps))
    lua:DebugOut("Frames", tostring(frames))
    lua:DebugOut("Ball", string.format("%d, %d (arrow keys or left stick; Space: sound)",
      scene.x, scene.y))
    lua:DebugOut("Music", music:GetPlayListSize() .. " piece(s) playing")
    lua:DebugOut("Lamp", string.format("%.1f, %.1f, %.1f (W A S D, Q E)%s", lampPosition.x,
      lampPosition.y, lampPosition.z, scene.touching and "; the orb touches the ring" or ""))
    lua:DebugOut("Models", modeNames[shaderMode] .. " (M switches)")
    lua:DebugFlush()
  end
end

function ScriptExit()
  print("Hinoki demo ended after " .. frames .. " frames")
end

-- After a fixed error in ScriptFrame this file runs again with "all" and ScriptInitialize
-- is not called: the scene is built anew here, since its locals above are new.
if reason == "all" then
  print("Hinoki demo reloaded")
  BuildScene()
  Light()
  ApplyShaderMode()
end

return true
