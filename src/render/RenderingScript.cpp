// The parts of the render bindings' glue that touch the Lua state directly.
#include "render/RenderingScript.h"

#include <memory>
#include <new>
#include <stdexcept>

namespace RenderN::script {

namespace {

// Key of the owner slot in the peer table of a reference value; a light userdata, so no
// script field can collide with it.
char kOwnerKey;
constexpr char kOwnerHolderType[] = "hinoki.render.owner";

using OwnerS = std::shared_ptr<void>;

int CollectOwnerHolder(lua_State* L) {
  static_cast<OwnerS*>(lua_touserdata(L, 1))->~OwnerS();
  return 0;
}

}  // namespace

void ThrowEmptyHandle(const char* handleName, const char* function) {
  throw std::runtime_error(std::string("invalid 'self' in function '") + function + "': the " +
                           handleName + " refers to no object");
}

void HoldOwner(lua_State* L, void* address, const char* type, const SPRENDERING& owner) {
  HoldOwner(L, address, type, std::shared_ptr<void>(owner.mPointer));
}

void HoldOwner(lua_State* L, void* address, const char* type, const std::shared_ptr<void>& owner) {
  tolua_pushusertype(L, address, type);  // the value the binding returns next
  // Scripts' own fields of the value live in the same peer table, under string keys.
  lua_getfenv(L, -1);
  if (lua_rawequal(L, -1, LUA_REGISTRYINDEX) || !lua_istable(L, -1)) {
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_setfenv(L, -3);
  }
  lua_pushlightuserdata(L, &kOwnerKey);
  lua_rawget(L, -2);
  const auto* held = static_cast<const OwnerS*>(lua_touserdata(L, -1));
  const bool holdsOwner = held && *held == owner;
  lua_pop(L, 1);
  if (!holdsOwner) {
    lua_pushlightuserdata(L, &kOwnerKey);
    // The metatable first: nothing may fail between copying the reference and giving
    // it the collector that releases it.
    if (luaL_newmetatable(L, kOwnerHolderType)) {
      lua_pushcfunction(L, CollectOwnerHolder);
      lua_setfield(L, -2, "__gc");
    }
    void* memory = lua_newuserdata(L, sizeof(OwnerS));
    new (memory) OwnerS(owner);
    lua_insert(L, -2);
    lua_setmetatable(L, -2);
    lua_rawset(L, -3);
  }
  lua_pop(L, 1);  // the peer table; the value stays
}

void DropHandle(SPRENDERING* handle, lua_State* L) {
  handle->mPointer.reset();
  lua_pushstring(L, "tolua_gc");
  lua_rawget(L, LUA_REGISTRYINDEX);
  lua_pushlightuserdata(L, handle);
  lua_rawget(L, -2);
  const bool ownedByLua = !lua_isnil(L, -1);
  lua_pop(L, 2);
  if (!ownedByLua) tolua_register_gc(L, 1);
}

void RefuseDelete(RenderingC*) {
  throw std::logic_error(
      "drawables cannot be deleted through their class: handles and the rendering manager "
      "share them (delete the handle, or Erase the object from the manager)");
}

void RefuseDelete(RenderingManagerC*) {
  throw std::logic_error(
      "RenderN::RenderingManagerC cannot be deleted: it is the engine's one rendering manager");
}

Vector3C& PushZeroVector(lua_State* L) {
  auto vector = std::make_unique<Vector3C>(0.0f, 0.0f, 0.0f);
  tolua_pushusertype(L, vector.get(), "Vector3C");
  tolua_register_gc(L, lua_gettop(L));
  return *vector.release();
}

const char* NeedFile(lua_State* L, const char* function, const char* file) {
  if (!file) bind::RaiseArgumentError(L, function, 2, "string");
  return file;
}

}  // namespace RenderN::script
