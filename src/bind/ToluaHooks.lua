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

-- Every package gets the declarations, whichever glue header it includes itself.
function preprocess_hook(package)
  package.code = '\n$#include "bind/FastTypeCheck.h"\n' .. package.code
end
