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

-- Every class is checked through a memo of accepted metatables instead of
-- tolua_isusertype's name lookups, and fetched without its stack-size checks
-- (bind/FastTypeCheck.h); the checks of numbers, strings, tables and the like stay
-- tolua++'s own.
local get_is_function_of_tolua = get_is_function
function get_is_function(t)
  local name = get_is_function_of_tolua(t)
  if name == "tolua_isusertype" then return "bind::IsUsertypeFast" end
  return name
end

local get_to_function_of_tolua = get_to_function
function get_to_function(t)
  local name = get_to_function_of_tolua(t)
  if name == "tolua_tousertype" then return "bind::ToUsertypeFast" end
  return name
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
