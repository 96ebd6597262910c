// Faster member lookup on engine objects: `obj:Method()`, `obj.field`, `obj.field = v`.
#pragma once

#include <lua.hpp>

namespace bind {

/// Replaces the member lookup of every class registered so far with one that finds the
/// same member by the same rules, minus the work tolua++ repeats on each access: it asks
/// whether the key is a number (a strtod of the name) once per class of the chain, and it
/// reaches the float fields of matrices and vectors through a nested Lua call. Anything
/// out of the ordinary (peer tables, numeric keys, array fields, values that are not
/// numbers) is handed to tolua++'s own lookup, so results and error texts stay its own.
void AddFastMemberAccess(lua_State* L);

}  // namespace bind
