-- Nothing a script calls may crash the engine. First the calls that once did, each of
-- which must now be a script error (or harmless); then every function reachable from the
-- engine's globals (classes, their metatables, field accessors, collectors, the tolua
-- table) called with nil, numbers, strings, tables and objects of every class, as self
-- and as arguments, each inside pcall. The game must then end normally.
local T = dofile("..\\checks.lua")
local check, raises = T.check, T.raises

local function Regressions()
  check("a singleton is not the script's",
    raises(function() tolua.takeownership(LuaN.LUA()) end, "the engine owns this"))
  check("nor is input", raises(function() tolua.takeownership(InputN.EXINPUT()) end,
                               "the engine owns this"))
  collectgarbage("collect")
  check("the host lives on", LuaN.LUA() == LuaN.LuaUtilityC:GetInstance())

  local s = RenderN.RENDERER():CreateSprite()
  getmetatable(s).__gc(s)
  check("a sprite handle collected by hand is empty",
    raises(function() s:SetOrder(1) end, "invalid 'self'"))
  local v = Vector3C(1, 2, 3)
  getmetatable(v).__gc(v)
  check("a vector collected by hand is empty",
    raises(function() return v.x end, "invalid 'self'"))
  local w = Vector3C(1, 2, 3)
  check("collectors are the collector's",
    raises(function() getmetatable(w)[".collector"](w) end, "garbage collector"))
  check("and the vector is intact", w.y == 2, w.y)

  check("inherit checks", raises(function() tolua.inherit(nil, nil) end, "tolua.inherit"))
  check("cast checks its name", raises(function() tolua.cast(Vector3C(1, 2, 3), 5) end,
                                       "tolua.cast"))
  check("cast to an unrelated class", raises(function()
    tolua.cast(Vector3C(1, 2, 3), "SPSPRITE") end, "is no 'SPSPRITE'"))
  check("cast to a base", tolua.cast(Vector3C(1, 2, 3), "D3DVECTOR").z == 3)
  check("setpeer checks", raises(function() tolua.setpeer(Vector3C(1, 2, 3), 5) end,
                                 "tolua.setpeer"))

  local p = RenderN.RENDERER():CreatePlank()
  check("a setter of another class", raises(function() D3DARGB[".set"].mColor(p, 123456) end,
    "argument #1 is 'SPPLANK'; 'D3DARGB' expected."))
  p:Culling(true)
  check("a getter of another class", raises(function() return D3DVECTOR[".get"].x(p) end,
    "'D3DVECTOR' expected"))

  -- What a script makes with new it may hand to the collector.
  local made = Vector3C:new(4, 5, 6)
  check("own objects can be given away", tolua.takeownership(made) == true)
  collectgarbage("collect")
end

-- The tables that hold the engine's functions: every global that is not Lua's own.
local standard = {
  _G = true, _VERSION = true, string = true, table = true, math = true, io = true,
  os = true, debug = true, coroutine = true, package = true,
  assert = true, collectgarbage = true, dofile = true, error = true, gcinfo = true,
  getfenv = true, getmetatable = true, ipairs = true, load = true, loadfile = true,
  loadstring = true, module = true, newproxy = true, next = true, pairs = true,
  pcall = true, print = true, rawequal = true, rawget = true, rawset = true,
  require = true, select = true, setfenv = true, setmetatable = true, tonumber = true,
  tostring = true, type = true, unpack = true, xpcall = true,
  ScriptInitialize = true, ScriptFrame = true, ScriptExit = true,
}
-- Functions that wait for the user, run the game's scripts again or end the process by
-- definition (a sound file that cannot be loaded when played).
local skipped = {
  ErrorMessageBox = true, ReloadLuaFile = true, Frame = true, RunLuaFile = true,
  Play = true, Quit = true,
}

local functions, seen = {}, {}
local function Walk(value, path, depth)
  if depth > 6 or seen[value] then return end
  local kind = type(value)
  if kind == "function" then
    seen[value] = true
    functions[#functions + 1] = { f = value, path = path }
    return
  end
  if kind ~= "table" and kind ~= "userdata" then return end
  seen[value] = true
  local mt = getmetatable(value)
  if mt then Walk(mt, path .. "<mt>", depth + 1) end
  if kind == "table" then
    for key, item in pairs(value) do
      if not skipped[key] then Walk(item, path .. "." .. tostring(key), depth + 1) end
    end
  end
end

local function Values()
  local renderer = RenderN.RENDERER()
  local list = {
    nil, false, true, 0, -1, 3.5, 100, 0 / 0, "", "system\\notex.lat", "\130\160", {},
    function() end, Vector3C(1, 2, 3), MatrixC(), D3DARGB(255, 1, 2, 3), AngleC(),
    RandomC(), renderer:CreateSprite(), renderer:CreatePlank(), renderer:CreateBillboard(),
    renderer:CreateModel(), RenderN.TEXTURE():GetTexture("system\\notex.lat"),
    SecTo(1), LuaN.LUA(), InputN.EXINPUT(), RenderN.DEVICE(), renderer,
    SoundN.MP3SOUND(), SoundN.WAVESOUND(), RenderN.TEXTURE(),
    RenderN.XFILE(), RenderN.XFILE():GetXFile("cube.x"), renderer:CreateModel("cube.x"),
    RenderN.BASICSHADER(), RenderN.SHADOWMAP(), DirectionalLightC(),
  }
  list.n = 37
  return list
end

local calls, failures = 0, 0
local function Fuzz()
  for name, value in pairs(_G) do
    if not standard[name] then Walk(value, name, 0) end
  end
  local values = Values()
  for _, entry in ipairs(functions) do
    for i = 1, values.n do
      local a = values[i]
      for j = 1, values.n, 3 do
        local b = values[j]
        local ok = pcall(entry.f, a, b, b, a)
        calls = calls + 1
        if not ok then failures = failures + 1 end
      end
      local ok = pcall(entry.f, a)
      calls = calls + 2
      ok = pcall(entry.f)
    end
  end
  -- Whatever the calls made or dropped, collecting must be safe too.
  collectgarbage("collect")
  print("fuzz: " .. #functions .. " functions, " .. calls .. " calls, " .. failures ..
        " refused")
end

function ScriptInitialize()
  Regressions()
  Fuzz()
  RenderN.RENDERER():Clear()
  collectgarbage("collect")
end

function ScriptFrame()
  if not summarised then T.summary() end
  summarised = true
  LuaN.LUA():Quit()
end

function ScriptExit() end

return true
