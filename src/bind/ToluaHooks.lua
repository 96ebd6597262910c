-- Hooks for the tolua++ generator, loaded with -L.
-- The banner keeps no build date, so generated code is reproducible; every call into
-- engine code is wrapped so that no C++ exception can cross into Lua.
function date()
  return "build"
end

function pre_call_hook(f)
  output("   try {")
end

function post_call_hook(f)
  output("   } catch (const std::exception& e) { bind::RaiseCppException(tolua_S, e); }")
end

-- The math value types are checked through a memo of accepted metatables instead of
-- tolua_isusertype's name lookups (bind/FastTypeCheck.h, which lists the same classes).
-- The generator looks a check up under the argument's type, "const D3DXMATRIX", and a
-- method's self check under the class, "D3DXMATRIX", so both names are mapped.
local fastChecked = {
  "D3DVECTOR", "D3DXVECTOR3", "Vector3C",
  "D3DMATRIX", "D3DXMATRIX", "MatrixC",
  "DegreeC", "RadianC", "AngleC",
  "D3DARGB", "D3DVIEWPORT9", "D3DXQUATERNION",
}
for _, name in ipairs(fastChecked) do
  _is_functions[name] = "bind::IsFast_" .. name
  _is_functions["const " .. name] = "bind::IsFast_" .. name
end

-- Handle classes are returned by value from other packages (a Create of the manager),
-- so nothing in their own package asks for a collector; a package names them in a
-- comment "tolua_collected NAME" and gets one, which frees the handle when Lua collects it.
local collectedClasses = {}

-- Every package gets the declarations, whichever glue header it includes itself.
function preprocess_hook(package)
  collectedClasses = {}
  for name in string.gmatch(package.code, "tolua_collected%s+([%w_]+)") do
    collectedClasses[name] = true
  end
  package.code = '\n$#include "bind/FastTypeCheck.h"\n' .. package.code
end

local requirecollection = classPackage.requirecollection
function classPackage:requirecollection(t)
  local required = requirecollection(self, t)
  for name in pairs(collectedClasses) do
    t[name] = "tolua_collect_" .. name
    required = true
  end
  return required
end
