-- The drawables and the rendering manager as scripts use them: handles, references into
-- objects, and the errors scripts get for misuse. Run by hinoki, which prints one line per
-- failed check and a summary the end-to-end test reads.
local T = dofile("..\\checks.lua")
local check, raises = T.check, T.raises

local function mismatch(func, index, given, expected)
  return "error in function '" .. func .. "'.\n     argument #" .. index .. " is '" .. given ..
      "'; '" .. expected .. "' expected.\n"
end

local function same(a, b)
  for _, f in ipairs({"_11", "_12", "_13", "_14", "_21", "_22", "_23", "_24",
                      "_31", "_32", "_33", "_34", "_41", "_42", "_43", "_44"}) do
    if a[f] ~= b[f] then return false end
  end
  return true
end

local renderer = RenderN.RENDERER()
local device = RenderN.DEVICE()
local eye, at = Vector3C(0, 0, -5), Vector3C(0, 0, 0)

local function manager()
  check("one manager", rawequal(renderer, RenderN.RENDERER()) and
    rawequal(renderer, RenderN.RenderingManagerC:GetInstance()))
  check("RENDERER with a colon", raises(function() return RenderN:RENDERER() end,
    "error in function 'RENDERER'."))
  check("delete refused", raises(function() renderer:delete() end, "cannot be deleted"))
  check("still usable after a refused delete", tolua.type(renderer:CreateModel()) == "SPMODEL")
  check("nil file refused", raises(function() renderer:CreateSprite(nil) end,
    mismatch("CreateSprite", 2, "nil", "string")))
  -- No form takes a nil matrix; the error is the first form's.
  check("nil matrix refused", raises(function() renderer:CreatePlank("x", nil) end,
    mismatch("CreatePlank", 2, "string", "[no object]")))
  check("Erase of another type", raises(function() renderer:Erase(Vector3C()) end,
    mismatch("Erase", 2, "Vector3C", "SPSPRITE")))
  local sprite = renderer:CreateSprite("system\\notex.lat", MatrixC():Translation(5, 6, 0))
  check("sprite from a file", tolua.type(sprite) == "SPSPRITE" and sprite:GetMatrix()._42 == 6)
  renderer:Erase(sprite)
  check("erased handle still usable", pcall(function() sprite:SetOrder(2) end) and
    sprite:GetOrder() == 2)
  renderer:Erase(sprite)
  check("types of the handles", tolua.type(renderer:CreatePlank()) == "SPPLANK" and
    tolua.type(renderer:CreateBillboard()) == "SPBILLBOARD" and
    tolua.type(renderer:CreateSprite()) == "SPSPRITE")
  local billboard = renderer:CreateBillboard("system\\notex.lat", Vector3C(1, 2, 3), eye, at,
    Vector3C(0, 1, 0))
  local m = billboard:GetMatrix()
  check("placed billboard", m._41 == 1 and m._42 == 2 and m._43 == 3 and m._11 == 1, m._11)
end

local function handles()
  local plank = renderer:CreatePlank()
  local m = plank:GetMatrix()
  check("GetMatrix is the same value", rawequal(m, plank:GetMatrix()))
  plank:SetMatrix(MatrixC():Translation(1, 2, 3))
  check("GetMatrix shows later changes", m._41 == 1 and m._43 == 3)
  check("GetMatrix is constant", tolua.type(m) == "const MatrixC")
  local p = plank:GetPosition(1)
  check("GetPosition refers into the face", p.x == 0.5 and p.y == 0.5)
  plank:SetPosition(Vector3C(7, 8, 9), 1)
  check("GetPosition shows later changes", p.x == 7 and p.z == 9)
  local nowhere = plank:GetPosition(9)
  check("GetPosition outside 0-3", nowhere.x == 0 and nowhere.y == 0 and nowhere.z == 0)
  pcall(function() nowhere.x = 5 end)
  check("each outside value is its own", plank:GetPosition(9).x == 0)
  check("GetPosition truncates", rawequal(plank:GetPosition(1.9), p))

  -- A reference into an object keeps the object: erased, handle dropped, collected.
  renderer:Erase(plank)
  plank = nil
  collectgarbage()
  collectgarbage()
  check("reference outlives the handle", m._41 == 1 and p.x == 7)

  local sprite = renderer:CreateSprite()
  local sm = sprite:GetMatrix()
  sprite:delete()
  check("deleted handle refuses", raises(function() sprite:SetOrder(1) end,
    "invalid 'self' in function 'SetOrder': the SPSPRITE refers to no object"))
  check("deleted handle refuses GetMatrix", raises(function() sprite:GetMatrix() end,
    "refers to no object"))
  check("delete twice", pcall(function() sprite:delete() end))
  collectgarbage()
  check("manager still holds the deleted handle's sprite", sm._11 == 1)
  -- A handle the script took from Lua's care is freed by Lua after its delete.
  local unowned = renderer:CreatePlank()
  tolua.releaseownership(unowned)
  unowned:delete()
  collectgarbage()
  check("nil self", raises(function() SPSPRITE.SetOrder(nil, 1) end,
    "invalid 'self' in function 'SetOrder'"))
  check("dot call", raises(function() renderer:CreateSprite().GetOrder(5) end,
    mismatch("GetOrder", 1, "number", "SPSPRITE")))
  check("class delete refused", type(PlankC) == "table" and type(SpriteC.SetOrder) == "function" and
    type(BillboardC.delete) == "function")
  check("model handles have no delete", SPMODEL.delete == nil and SPPLANK.delete ~= nil)
end

local function operations()
  local sprite = renderer:CreateSprite()
  check("surplus argument", raises(function() sprite:SetOrder(1, 2) end,
    mismatch("SetOrder", 3, "number", "[no object]")))
  check("number expected", raises(function() sprite:SetOrder("x") end,
    mismatch("SetOrder", 2, "string", "number")))
  sprite:SetOrder("2.5")
  check("order from a string", sprite:GetOrder() == 2.5)
  sprite:Enabled(false)
  check("Enabled", sprite:Enabled() == false)
  sprite:Enabled(nil)
  check("Enabled(nil) is false", sprite:Enabled() == false)
  sprite:Enabled(true)
  sprite:SetColor(D3DARGB(255, 255, 0, 0))
  sprite:SetCenterPosition(1, 2)
  sprite:SetCenterPosition(Vector3C(1, 2, 3))
  sprite:SetSize(10.9, 5.2)
  sprite:Split(1, 1)
  sprite:AdditiveBlending(true)
  check("colour type", raises(function() sprite:SetColor(5) end,
    mismatch("SetColor", 2, "number", "const D3DARGB")))
  check("texture nil", raises(function() sprite:SetTexture(nil) end,
    mismatch("SetTexture", 2, "nil", "value")))
  check("texture type", raises(function() sprite:SetTexture(Vector3C()) end,
    mismatch("SetTexture", 2, "Vector3C", "const SPTEXTUREDATA")))
  sprite:SetTexture(RenderN.TEXTURE():GetTexture("system\\notex.lat"))

  local plank = renderer:CreatePlank()
  plank:SetAlpha(128)
  plank:SetAlpha(10, 2)
  plank:SetColor(255, 0, 0)
  plank:SetColor(1, 2, 3, 0)
  plank:Split(4, 2, 1, 1)
  plank:Culling(true)
  plank:Fog(false)
  plank:WritingZBuffer(false)
  plank:AdditiveBlending(true)
  plank:SetShader(nil)
  check("shader type", raises(function() plank:SetShader(5) end,
    mismatch("SetShader", 2, "number", "const SPSHADER")))
  check("vector type", raises(function() plank:SetPosition(MatrixC(), 1) end,
    mismatch("SetPosition", 2, "MatrixC", "const D3DXVECTOR3")))

  local billboard = renderer:CreateBillboard()
  billboard:SetMatrix(MatrixC():Scaling(2), MatrixC():Translation(4, 5, 6), eye, at, Vector3C(0, 1, 0))
  local bm = billboard:GetMatrix()
  check("billboard five-argument form", bm._11 == 2 and bm._41 == 4 and bm._43 == 6, bm._11)
  billboard:SetOrder(7)
  check("billboard order", billboard:GetOrder() == 7)

  local model = renderer:CreateModel()
  model:SetMatrix("zyx", 0, 90, 0, Vector3C(1, 2, 3), MatrixC())
  local single = MatrixC(model:GetMatrix())
  model:SetMatrix("XYZ", 0, 90, 0, Vector3C(1, 2, 3), MatrixC())
  check("single rotation in any order", same(model:GetMatrix(), single))
  model:SetMatrix(MatrixC():Scaling(3, 4, 2))
  check("GetRadius", model:GetRadius() == 4)
  local axis = model:GetOBBAxis(1)
  check("GetOBBAxis", axis.x == 0 and axis.y == 1 and axis.z == 0)
  local none = model:GetOBBAxis(3)
  check("GetOBBAxis outside 0-2", none.x == 0 and none.y == 0 and none.z == 0)
  model:Lighting(false)
  model:ShaderEnabled(false)
  check("ShaderEnabled", model:ShaderEnabled() == false)
  check("order text type", raises(function() model:SetMatrix({}, 0, 0, 0, Vector3C(), MatrixC()) end,
    "error in function 'SetMatrix'."))

  -- Everything drawn once, in the device's frame, and by itself.
  device:BeginRendering()
  renderer:Draw(eye, at)
  sprite:Draw()
  plank:Draw()
  model:Draw()
  device:EndRendering()
  check("Draw needs vectors", raises(function() renderer:Draw(eye) end,
    "error in function 'Draw'.\n     argument #3 is '"))
end

function ScriptInitialize()
  manager()
  handles()
  operations()
  renderer:Clear()
  collectgarbage()
  T.summary()
  LuaN.LUA():Quit()
end

function ScriptFrame() end
function ScriptExit() end
return true
