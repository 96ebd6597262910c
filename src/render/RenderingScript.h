// The script forms of the drawables and the rendering manager: the handle types scripts
// hold, and operations that reach the object through a handle, refuse an empty handle,
// truncate numbers into the integers the objects take, and keep an object alive while a
// script still holds a reference into it. Included by the generated render bindings.
#pragma once

#include <tolua++.h>

#include <lua.hpp>
#include <string>

#include "bind/BindingGlue.h"
#include "bind/SharedHandle.h"
#include "math/D3DARGB.h"
#include "math/MatrixC.h"
#include "math/Vector3C.h"
#include "render/BasicShaderC.h"
#include "render/BillboardC.h"
#include "render/FaceC.h"
#include "render/ModelC.h"
#include "utility/NumberConversion.h"
#include "render/PlankC.h"
#include "render/RenderingManagerC.h"
#include "render/ShaderC.h"
#include "render/ShadowMapC.h"
#include "render/SpriteC.h"
#include "render/TextureStorageC.h"
#include "render/XFileStorageC.h"

namespace RenderN::script {

using RenderN::BasicShaderC;
using RenderN::BillboardC;
using RenderN::FaceC;
using RenderN::ModelC;
using RenderN::PlankC;
using RenderN::RenderingC;
using RenderN::RenderingManagerC;
using RenderN::ShadowMapC;
using RenderN::SpriteC;
using RenderN::SPTEXTUREDATA;
using RenderN::SPXFILEDATA;

// ---- Handles as scripts hold them: each is one reference to the object, kept as a
// reference to the root class so that a derived handle serves where its base is expected.

using SPRENDERING = bind::SharedHandleS<RenderingC>;

struct SPSPRITE : bind::DerivedHandleS<SpriteC, SPRENDERING> {
  using DerivedHandleS::DerivedHandleS;
  static constexpr const char* kName = "SPSPRITE";
};
struct SPPLANK : bind::DerivedHandleS<PlankC, SPRENDERING> {
  using DerivedHandleS::DerivedHandleS;
  static constexpr const char* kName = "SPPLANK";
};
struct SPBILLBOARD : bind::DerivedHandleS<BillboardC, SPRENDERING> {
  using DerivedHandleS::DerivedHandleS;
  static constexpr const char* kName = "SPBILLBOARD";
};
struct SPMODEL : bind::DerivedHandleS<ModelC, SPRENDERING> {
  using DerivedHandleS::DerivedHandleS;
  static constexpr const char* kName = "SPMODEL";
};
HINOKI_HANDLE_FITS_BASE(SPSPRITE, SPRENDERING);
HINOKI_HANDLE_FITS_BASE(SPPLANK, SPRENDERING);
HINOKI_HANDLE_FITS_BASE(SPBILLBOARD, SPRENDERING);
HINOKI_HANDLE_FITS_BASE(SPMODEL, SPRENDERING);

/// The base of the shader handles; the shaders derive theirs from it.
using SPSHADER = bind::SharedHandleS<ShaderC>;

struct SPBASICSHADER : bind::DerivedHandleS<BasicShaderC, SPSHADER> {
  using DerivedHandleS::DerivedHandleS;
  static constexpr const char* kName = "SPBASICSHADER";
};
struct SPSHADOWMAP : bind::DerivedHandleS<ShadowMapC, SPSHADER> {
  using DerivedHandleS::DerivedHandleS;
  static constexpr const char* kName = "SPSHADOWMAP";
};
HINOKI_HANDLE_FITS_BASE(SPBASICSHADER, SPSHADER);
HINOKI_HANDLE_FITS_BASE(SPSHADOWMAP, SPSHADER);

// ---- Reaching the object.

/// Raises the script error for an operation on a handle that refers to no object.
[[noreturn]] void ThrowEmptyHandle(const char* handleName, const char* function);

template <class Handle>
auto Target(const Handle* handle, const char* function) -> decltype(*handle->Get()) {
  auto* object = handle->Get();
  if (!object) ThrowEmptyHandle(Handle::kName, function);
  return *object;
}
// The classes themselves are always objects (tolua++ refuses a nil self before this).
inline SpriteC& Target(SpriteC* self, const char*) {
  return *self;
}
inline PlankC& Target(PlankC* self, const char*) {
  return *self;
}
inline BillboardC& Target(BillboardC* self, const char*) {
  return *self;
}

/// Makes the Lua value of the reference `address` (of script type `type`) hold `owner`,
/// so the object the reference points into outlives every script value of it. Leaves
/// that value on the stack, so it cannot be collected before the binding returns it.
void HoldOwner(lua_State* L, void* address, const char* type, const SPRENDERING& owner);
void HoldOwner(lua_State* L, void* address, const char* type, const std::shared_ptr<void>& owner);

// A class value is not owned through a handle; nothing to hold.
template <class Object>
void KeepAliveFor(lua_State*, Object*, void*, const char*) {}
inline void KeepAliveFor(lua_State* L, SPSPRITE* h, void* a, const char* t) {
  HoldOwner(L, a, t, *h);
}
inline void KeepAliveFor(lua_State* L, SPPLANK* h, void* a, const char* t) {
  HoldOwner(L, a, t, *h);
}
inline void KeepAliveFor(lua_State* L, SPBILLBOARD* h, void* a, const char* t) {
  HoldOwner(L, a, t, *h);
}
inline void KeepAliveFor(lua_State* L, SPMODEL* h, void* a, const char* t) {
  HoldOwner(L, a, t, *h);
}

/// delete on a handle: drops its reference at once; Lua frees the emptied handle when it
/// collects it (taking ownership of a handle it did not own), so neither a later
/// collection nor a later use of the same value touches freed memory.
void DropHandle(SPRENDERING* handle, lua_State* L);
inline void DropHandle(SPSPRITE* self, lua_State* L) {
  DropHandle(static_cast<SPRENDERING*>(self), L);
}
inline void DropHandle(SPPLANK* self, lua_State* L) {
  DropHandle(static_cast<SPRENDERING*>(self), L);
}
inline void DropHandle(SPBILLBOARD* self, lua_State* L) {
  DropHandle(static_cast<SPRENDERING*>(self), L);
}

/// delete on a drawable class: refused. The object is shared by handles and the manager's
/// lists; destroying it under them would leave them pointing at freed memory.
void RefuseDelete(RenderingC* self);
/// delete on the manager: refused, it lives for the whole process.
void RefuseDelete(RenderingManagerC* self);

// ---- Operations every drawable has.

template <class Self>
void SetMatrix(Self* self, const D3DXMATRIX& matrix) {
  Target(self, "SetMatrix").SetMatrix(matrix);
}
template <class Self>
const MatrixC& GetMatrix(Self* self, lua_State* L) {
  auto& object = Target(self, "GetMatrix");
  KeepAliveFor(L, self, &object.mMatrix, "const MatrixC");
  return object.mMatrix;
}
template <class Self>
void Enabled(Self* self, bool on) {
  Target(self, "Enabled").Enabled(on);
}
template <class Self>
bool Enabled(Self* self) {
  return Target(self, "Enabled").Enabled();
}
template <class Self>
void SetOrder(Self* self, float order) {
  Target(self, "SetOrder").SetOrder(order);
}
template <class Self>
float GetOrder(Self* self) {
  return Target(self, "GetOrder").GetOrder();
}
template <class Self>
void Draw(Self* self) {
  Target(self, "Draw").Draw();
}

// ---- Sprites.

inline void Draw(SpriteC* self) {
  self->DrawAlone();
}
inline void Draw(SPSPRITE* self) {
  Target(self, "Draw").DrawAlone();
}
template <class Self>
void SetTexture(Self* self, const SPTEXTUREDATA& texture) {
  Target(self, "SetTexture").SetTexture(texture);
}
template <class Self>
void SetCenterPosition(Self* self, const D3DXVECTOR3& center) {
  Target(self, "SetCenterPosition").SetCenterPosition(center);
}
template <class Self>
void SetCenterPosition(Self* self, float x, float y) {
  Target(self, "SetCenterPosition").SetCenterPosition(x, y);
}
template <class Self>
void SetSize(Self* self, float width, float height) {
  Target(self, "SetSize").SetSize(width, height);
}
template <class Self>
void Split(Self* self, double column, double row) {
  Target(self, "Split").Split(UtilityN::TruncateToInt32(column), UtilityN::TruncateToInt32(row));
}
template <class Self>
void AdditiveBlending(Self* self, bool on) {
  Target(self, "AdditiveBlending").AdditiveBlending(on);
}
template <class Self>
void SetColor(Self* self, const D3DARGB& color) {
  Target(self, "SetColor").SetColor(color.mColor);
}

// ---- Planks and billboards.

template <class Self>
void SetAlpha(Self* self, double alpha, double vertex) {
  Target(self, "SetAlpha").SetAlpha(UtilityN::LowByte(alpha), UtilityN::TruncateToInt32(vertex));
}
template <class Self>
void SetColor(Self* self, double red, double green, double blue, double vertex) {
  Target(self, "SetColor")
      .SetColor(UtilityN::LowByte(red), UtilityN::LowByte(green), UtilityN::LowByte(blue), UtilityN::TruncateToInt32(vertex));
}
template <class Self>
void WritingZBuffer(Self* self, bool on) {
  Target(self, "WritingZBuffer").WritingZBuffer(on);
}
template <class Self>
void Culling(Self* self, bool on) {
  Target(self, "Culling").Culling(on);
}
template <class Self>
void Fog(Self* self, bool on) {
  Target(self, "Fog").Fog(on);
}
/// nil clears the shader.
template <class Self>
void SetShader(Self* self, const SPSHADER* shader) {
  Target(self, "SetShader").SetShader(shader ? shader->mPointer : RenderN::SPSHADER());
}
template <class Self>
void SetPosition(Self* self, const D3DXVECTOR3& position, double vertex) {
  Target(self, "SetPosition").SetPosition(position, UtilityN::TruncateToInt32(vertex));
}

/// Pushes a new zero vector owned by Lua and leaves it on the stack; the binding then
/// returns that same value.
Vector3C& PushZeroVector(lua_State* L);

template <class Self>
const Vector3C& GetPosition(Self* self, lua_State* L, double vertex) {
  FaceC& face = Target(self, "GetPosition");
  const int index = UtilityN::TruncateToInt32(vertex);
  // A vertex outside 0-3 has no position inside the face: the script gets a zero vector
  // of its own, not a shared one it could change for others.
  if (index < 0 || index > 3) return PushZeroVector(L);
  Vector3C& position = face.mVertex[index].mPosition;
  KeepAliveFor(L, self, &position, "const Vector3C");
  return position;
}
template <class Self>
void Split(Self* self, double columns, double rows, double column, double row) {
  Target(self, "Split")
      .Split(UtilityN::TruncateToUnsigned(columns), UtilityN::TruncateToUnsigned(rows), UtilityN::TruncateToUnsigned(column),
             UtilityN::TruncateToUnsigned(row));
}

// The two camera-facing placements of billboards.
template <class Self>
void SetMatrix(Self* self, const Vector3C& position, const Vector3C& eye, const Vector3C& at,
               const Vector3C& up) {
  Target(self, "SetMatrix").SetMatrix(position, eye, at, up);
}
template <class Self>
void SetMatrix(Self* self, const MatrixC& local, const MatrixC& place, const Vector3C& eye,
               const Vector3C& at, const Vector3C& up) {
  Target(self, "SetMatrix").SetMatrix(local, place, eye, at, up);
}

// ---- Models.

inline Vector3C GetOBBAxis(SPMODEL* self, double axis) {
  return Target(self, "GetOBBAxis").GetOBBAxis(UtilityN::TruncateToInt32(axis));
}
inline float GetRadius(SPMODEL* self) {
  return Target(self, "GetRadius").GetRadius();
}
inline void Lighting(SPMODEL* self, bool on) {
  Target(self, "Lighting").Lighting(on);
}
inline void ShaderEnabled(SPMODEL* self, bool on) {
  Target(self, "ShaderEnabled").ShaderEnabled(on);
}
inline bool ShaderEnabled(SPMODEL* self) {
  return Target(self, "ShaderEnabled").ShaderEnabled();
}
inline void SetMesh(SPMODEL* self, const SPXFILEDATA& mesh) {
  Target(self, "SetMesh").SetMesh(mesh);
}
/// The model's own mesh handle, not a copy: a script that sets it through this value
/// changes the model's mesh.
inline SPXFILEDATA& GetMesh(SPMODEL* self, lua_State* L) {
  ModelC& model = Target(self, "GetMesh");
  KeepAliveFor(L, self, &model.mXFile, "SPXFILEDATA");
  return model.mXFile;
}
inline void SetMatrix(SPMODEL* self, const char* order, float a, float b, float c,
                      const Vector3C& position, const D3DXMATRIX& base) {
  Target(self, "SetMatrix").SetMatrix(order, a, b, c, position, base);
}

// ---- The manager.

inline void Erase(RenderingManagerC* self, const SPSPRITE& object) {
  self->Erase(object.mPointer);
}
inline void Erase(RenderingManagerC* self, const SPPLANK& object) {
  self->Erase(object.mPointer);
}
inline void Erase(RenderingManagerC* self, const SPBILLBOARD& object) {
  self->Erase(object.mPointer);
}
inline void Erase(RenderingManagerC* self, const SPMODEL& object) {
  self->Erase(object.mPointer);
}

/// The file name of a Create form; nil is refused with the argument error of `function`.
const char* NeedFile(lua_State* L, const char* function, const char* file);

inline SPSPRITE CreateSprite(RenderingManagerC* self) {
  return SPSPRITE(self->CreateSprite());
}
inline SPSPRITE CreateSprite(RenderingManagerC* self, lua_State* L, const char* file) {
  return SPSPRITE(self->CreateSprite(NeedFile(L, "#ferror in function 'CreateSprite'.", file)));
}
inline SPSPRITE CreateSprite(RenderingManagerC* self, lua_State* L, const char* file,
                             const MatrixC& matrix) {
  return SPSPRITE(
      self->CreateSprite(NeedFile(L, "#ferror in function 'CreateSprite'.", file), matrix));
}
inline SPPLANK CreatePlank(RenderingManagerC* self) {
  return SPPLANK(self->CreatePlank());
}
inline SPPLANK CreatePlank(RenderingManagerC* self, lua_State* L, const char* file) {
  return SPPLANK(self->CreatePlank(NeedFile(L, "#ferror in function 'CreatePlank'.", file)));
}
inline SPPLANK CreatePlank(RenderingManagerC* self, lua_State* L, const char* file,
                           const MatrixC& matrix) {
  return SPPLANK(
      self->CreatePlank(NeedFile(L, "#ferror in function 'CreatePlank'.", file), matrix));
}
inline SPBILLBOARD CreateBillboard(RenderingManagerC* self) {
  return SPBILLBOARD(self->CreateBillboard());
}
inline SPBILLBOARD CreateBillboard(RenderingManagerC* self, lua_State* L, const char* file) {
  return SPBILLBOARD(
      self->CreateBillboard(NeedFile(L, "#ferror in function 'CreateBillboard'.", file)));
}
inline SPBILLBOARD CreateBillboard(RenderingManagerC* self, lua_State* L, const char* file,
                                   const Vector3C& position, const Vector3C& eye,
                                   const Vector3C& at, const Vector3C& up) {
  return SPBILLBOARD(self->CreateBillboard(
      NeedFile(L, "#ferror in function 'CreateBillboard'.", file), position, eye, at, up));
}
inline SPMODEL CreateModel(RenderingManagerC* self) {
  return SPMODEL(self->CreateModel());
}
inline SPMODEL CreateModel(RenderingManagerC* self, lua_State* L, const char* file) {
  return SPMODEL(self->CreateModel(NeedFile(L, "#ferror in function 'CreateModel'.", file)));
}
inline SPMODEL CreateModel(RenderingManagerC* self, lua_State* L, const char* file,
                           const MatrixC& matrix) {
  return SPMODEL(
      self->CreateModel(NeedFile(L, "#ferror in function 'CreateModel'.", file), matrix));
}

}  // namespace RenderN::script
