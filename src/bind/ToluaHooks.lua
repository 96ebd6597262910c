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
