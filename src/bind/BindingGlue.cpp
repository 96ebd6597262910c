// The binding glue: exception boundary and nil refusals.
#include "bind/BindingGlue.h"

namespace bind {

void RaiseCppException(lua_State* L, const std::exception& e) {
  lua_pushstring(L, e.what());
  lua_error(L);
  std::abort();  // lua_error does not return
}

void RaiseArgumentError(lua_State* L, const char* message, int index, const char* expected) {
  tolua_Error error{};
  error.index = index;
  error.array = 0;
  error.type = expected;
  tolua_error(L, const_cast<char*>(message), &error);
  std::abort();  // tolua_error raises
}

}  // namespace bind

namespace LuaN {

LuaUtilityC& LUA() { return LuaUtilityC::GetInstance(); }

void ReloadLuaFile(LuaUtilityC* self, lua_State* L, const char* argument) {
  if (!argument) bind::RaiseArgumentError(L, "#ferror in function 'ReloadLuaFile'.", 2, "string");
  self->ReloadLuaFile(argument);
}

void ErrorMessageBox(LuaUtilityC* self, lua_State* L, const char* text, const char* advice) {
  if (!text) bind::RaiseArgumentError(L, "#ferror in function 'ErrorMessageBox'.", 2, "string");
  if (!advice) {
    bind::RaiseArgumentError(L, "#ferror in function 'ErrorMessageBox'.", 3, "string");
  }
  self->ErrorMessageBox(text, advice);
}

}  // namespace LuaN
