-- The math value types as scripts use them: run by hinoki, which prints one line per
-- failed check and a summary the end-to-end test reads.
local T = dofile("..\\checks.lua")
local check, raises = T.check, T.raises

-- Made at run time: the compiler would merge a literal -0.0 with the constant 0.
local zero = 0
local negativeZero = -zero

local function near(a, b, eps) return math.abs(a - b) <= (eps or 1e-5) end

local function angles()
  check("DegreeC(45.9) truncates", DegreeC(45.9):ToFloat() == 45)
  local d = DegreeC(0):Set(45.9):ToFloat()
  check("Set keeps the fraction", d ~= 45 and near(d, 45.9), d)
  check("Revise 370", AngleC(DegreeC(370)):Revise():ToFloat() == 10)
  check("Revise -90", AngleC(DegreeC(-90)):Revise():ToFloat() == 270)
  check("Revise -360", AngleC(DegreeC(-360)):Revise():ToFloat() == 360)
  check("Revise -0.5", AngleC(DegreeC(0):Set(-0.5)):Revise():ToFloat() == 360)
  local a = AngleC(RadianC(math.pi))
  check("radians kept in degrees", near(a:ToDeg(), 180, 1e-4), a:ToDeg())
  local copy = a[".const DegreeC&"](a)
  check("degree conversion", tolua.type(copy) == "DegreeC" and near(copy:ToFloat(), 180, 1e-4))
  copy:Set(1)
  check("degree conversion is a copy", tolua.type(a) == "AngleC" and near(a:ToDeg(), 180, 1e-4))
  check("radian conversion", near(a[".const RadianC"](a):ToFloat(), math.pi, 1e-6))
end

local function vectors()
  local v = Vector3C(3, 4, 0)
  check("GetLength", v:GetLength() == 5)
  local s = v:GetStretch(10)
  check("GetStretch", s.x == 6 and s.y == 8 and s.z == 0 and v.x == 3)
  local c = Vector3C(1, 0, 0):Cross(Vector3C(0, 1, 0))
  check("Cross", c.x == 0 and c.y == 0 and c.z == 1)
  local x, y = Vector3C(1, 0, 0), Vector3C(0, 1, 0)
  check("GetAngle 90", x:GetAngle(y):ToDeg() == 90)
  check("GetAngle 0", x:GetAngle(x):ToDeg() == 0)
  check("GetAngle 180", x:GetAngle(Vector3C(-1, 0, 0)):ToDeg() == 180)
  -- The normalised dot product of (1, 0, 4) with itself rounds above 1: clamped, not NaN.
  local diagonal = Vector3C(1, 0, 4)
  check("GetAngle clamps", diagonal:GetAngle(diagonal):ToDeg() == 0, diagonal:GetAngle(diagonal):ToDeg())
  check("== equal", Vector3C(1, 2, 3) == Vector3C(1, 2, 3))
  check("== differs", not (Vector3C(1, 2, 3) == Vector3C(1, 2, 4)))
  check("0 == -0", Vector3C(0, 0, 0) == Vector3C(negativeZero, 0, 0))
  -- Two references to one value are equal without asking the class; two values are not.
  check("NaN never equal", not (Vector3C(0 / 0, 0, 0) == Vector3C(0 / 0, 0, 0)))
  local sum = Vector3C(1, 2, 3) + Vector3C(1, 1, 1)
  check("+ gives a D3DXVECTOR3", tolua.type(sum) == "D3DXVECTOR3" and sum.z == 4)
  local q = Vector3C(2, 4, 6) / 2
  check("/ and *", q.x == 1 and (Vector3C(1, 2, 3) * 2).z == 6)
  check("number on the left", raises(function() return 2 * Vector3C(1, 2, 3) end,
    "Attempt to perform operation on an invalid operand"))
  check("one number refused", raises(function() return Vector3C(5) end,
    "Vector3C cannot be made from one number"))
  check("D3DXVECTOR3 one number refused", raises(function() return D3DXVECTOR3(5) end,
    "cannot be made from one number"))
  -- A Vector3C stands where a D3DXVECTOR3 or a D3DVECTOR is expected, and a D3DXVECTOR3
  -- where a D3DVECTOR is.
  check("Vector3C as D3DVECTOR", D3DXVECTOR3(Vector3C(1, 2, 3)).y == 2)
  check("D3DXVECTOR3 as D3DVECTOR", Vector3C(D3DXVECTOR3(4, 5, 6)).z == 6)
  check("Vector3C as D3DXVECTOR3", Vector3C(1, 2, 3):Dot(Vector3C(4, 5, 6)) == 32)
  check("Set from a vector", Vector3C():Set(Vector3C(7, 8, 9)).x == 7)
  check("field type error", raises(function() v.x = "a" end,
    "invalid type in variable assignment."))
  check("new and new_local", Vector3C:new(1, 2, 3).z == 3 and Vector3C:new_local(1, 2, 3).y == 2)
end

local function matrices()
  local m = MatrixC:MkTranslation(1, 2, 3)
  local pose = m:GetPoseX()
  check("GetPoseX", pose.x == 1 and pose.y == 0 and pose.z == 0 and tolua.type(pose) == "Vector3C")
  local t = MatrixC():ClipTranslateVector()
  check("ClipTranslateVector of identity", t.x == 0 and t.y == 0 and t.z == 0)
  check("matrix * matrix", tolua.type(m * m) == "D3DXMATRIX" and (m * m)._43 == 6)
  check("matrix * number", (m * 2)._41 == 2 and (m / 2)._42 == 1)
  check("matrix == is bitwise", MatrixC() == MatrixC() and
    not (D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0) ==
         D3DXMATRIX(negativeZero, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)))
  check("one number refused", raises(function() return MatrixC(5) end, "cannot be made from one number"))
  local inverse = m:GetInverse()
  check("GetInverse", inverse._41 == -1 and inverse._43 == -3)
  local y90 = MatrixC:MkRotationY(AngleC(DegreeC(90)))
  local h = math.sqrt(0.5)
  local fromQuaternion = MatrixC:MkRotationQuaternion(D3DXQUATERNION(0, h, 0, h))
  check("quaternion rotation", near(fromQuaternion._13, y90._13) and near(fromQuaternion._31, y90._31))
  local proj = MatrixC:MkPerspectiveFovLH(AngleC(DegreeC(60)), 4 / 3, 1, 100)
  local view = MatrixC:MkLookAtLH(Vector3C(0, 0, -10), Vector3C(0, 0, 0), Vector3C(0, 1, 0))
  local viewport = D3DVIEWPORT9(0, 0, 640, 480, 0, 1)
  local screen = Vector3C:Mk3DTo2D(Vector3C(0, 0, 0), proj, view, MatrixC(), viewport)
  check("project to the centre", near(screen.x, 320, 1e-3) and near(screen.y, 240, 1e-3))
  local back = Vector3C:Mk2DTo3D(screen, proj, view, MatrixC(), viewport)
  check("unproject back", near(back.x, 0, 1e-3) and near(back.z, 0, 1e-3), back.z)
  viewport.Width = 320
  check("viewport fields", viewport.Width == 320 and viewport.MaxZ == 1)
end

local function colours_random_curves()
  local red = D3DARGB(255, 255, 0, 0)
  check("pack", red.mColor == 4294901760)
  check("256 packs as 0", D3DARGB(256, 0, 0, 0).mColor == 0)
  check("-1 packs as 255", D3DARGB(-1, 0, 0, 0).mColor == 4278190080)
  red.mColor = -1
  check("mColor written truncated", red.mColor == 4294967295)
  check("unsigned long", red[".unsigned long"](red) == 4294967295)
  local a, b = RandomC(), RandomC()
  local same = true
  for _ = 1, 5 do same = same and a:Get() == b:Get() end
  check("generators of one second agree", same)
  check("smooth ratio 2", GetSmoothValue(100, 10, 5, 2) == 50 and GetSmoothValue(100, 10, 4, 2) == 32)
  check("smooth default ratio", near(GetSmoothValue(100, 10, 5), 50.11, 0.01))
  local total = 0
  for n = 1, 10 do total = total + GetSmoothDiff(100, 10, n) end
  check("differences add up", near(total, 100, 1e-3), total)
  local last = GetSmoothValue(Vector3C(10, 20, 30), 10, 10)
  check("vector form", tolua.type(last) == "Vector3C" and last.z == 30)
  check("wrong type", raises(function() return GetSmoothValue("x", 10, 1) end,
    "error in function 'GetSmoothValue'."))
end

-- Argument checks remember the metatables they accepted: what they refused before, and
-- values whose metatable changed since, must still be refused with the same text.
local function argument_checks()
  local v, w = Vector3C(1, 2, 3), Vector3C(4, 5, 6)
  check("accepted twice", v:Dot(w) == 32 and v:Dot(w) == 32)
  for round = 1, 2 do
    check("D3DXVECTOR3 is no Vector3C " .. round,
      raises(function() return Vector3C.Dot(D3DXVECTOR3(1, 2, 3), w) end,
        "argument #1 is 'D3DXVECTOR3'; 'const Vector3C' expected."))
  end
  check("nil for a reference", raises(function() return v:Dot(nil) end,
    "error in function 'Dot'.\n     argument #2 is 'nil'; 'value' expected."))
  check("degree for a vector", raises(function() return v:Dot(DegreeC(1)) end,
    "argument #2 is 'DegreeC'; 'const D3DXVECTOR3' expected."))
  local m = MatrixC()
  check("degree for a matrix", (m * m)._11 == 1 and raises(function() return m * DegreeC(1) end,
    "error in function '.mul'.\n     argument #2 is 'DegreeC'; 'const D3DXMATRIX' expected."))
  -- The original metatables go back afterwards, so the objects are still collected.
  local vectorType, matrixType = getmetatable(w), getmetatable(m)
  debug.setmetatable(w, {})
  check("replaced metatable refused", raises(function() return v:Dot(w) end,
    "argument #2 is '[undefined]'; 'const D3DXVECTOR3' expected."))
  debug.setmetatable(w, vectorType)
  debug.setmetatable(m, getmetatable(DegreeC(1)))
  check("metatable of another class refused", raises(function() return MatrixC() * m end,
    "argument #2 is 'DegreeC'; 'const D3DXMATRIX' expected."))
  debug.setmetatable(m, matrixType)
  check("restored metatables accepted", v:Dot(w) == 32 and (MatrixC() * m)._22 == 1)
end

function ScriptInitialize()
  angles()
  vectors()
  matrices()
  colours_random_curves()
  argument_checks()
  T.summary()
  LuaN.LUA():Quit()
end

function ScriptFrame() end
function ScriptExit() end
return true
