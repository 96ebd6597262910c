// Shared handles as scripts hold them. A handle chain is single inheritance of wrapper
// structs around one std::shared_ptr to the root engine class; derived handles add no
// data. tolua++ passes a derived handle where a base handle is expected by reusing the
// same address, so every handle in a chain must have the base handle's exact layout. A
// shared_ptr<Derived> reinterpreted as shared_ptr<Base> would be undefined behaviour;
// holding the root type everywhere avoids that.
#pragma once

#include <memory>
#include <type_traits>

namespace bind {

/// The first handle of a chain: one reference to a `Root` object.
template <class Root>
struct SharedHandleS {
  SharedHandleS() = default;
  explicit SharedHandleS(std::shared_ptr<Root> pointer) : mPointer(std::move(pointer)) {}
  Root* Get() const { return mPointer.get(); }
  std::shared_ptr<Root> mPointer;
};

/// A handle to `Object`, a class whose first base chain leads to the root of `BaseHandle`.
template <class Object, class BaseHandle>
struct DerivedHandleS : BaseHandle {
  DerivedHandleS() = default;
  explicit DerivedHandleS(std::shared_ptr<Object> pointer) : BaseHandle(std::move(pointer)) {}
  Object* Get() const { return static_cast<Object*>(this->mPointer.get()); }
};

/// True when `Handle` can stand where `BaseHandle` is expected.
template <class Handle, class BaseHandle>
inline constexpr bool kHandleFitsBase =
    std::is_base_of_v<BaseHandle, Handle> && std::is_standard_layout_v<Handle> &&
    std::is_standard_layout_v<BaseHandle> && sizeof(Handle) == sizeof(BaseHandle);

}  // namespace bind

/// Declares that `Handle` is accepted where `BaseHandle` is; fails to compile otherwise.
#define HINOKI_HANDLE_FITS_BASE(Handle, BaseHandle)                                   \
  static_assert(::bind::kHandleFitsBase<Handle, BaseHandle>, #Handle " must have the " \
                "layout of " #BaseHandle)
