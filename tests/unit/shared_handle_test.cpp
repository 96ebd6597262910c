// Handles of derived engine objects used through their base handle type.
#include <gtest/gtest.h>

#include "bind/SharedHandle.h"

namespace {

struct ShapeC {
  virtual ~ShapeC() = default;
  virtual int Corners() const { return 0; }
};
struct SquareC : ShapeC {
  int Corners() const override { return 4; }
  int mSide = 3;
};

using SPSHAPE = bind::SharedHandleS<ShapeC>;
struct SPSQUARE : bind::DerivedHandleS<SquareC, SPSHAPE> {
  using DerivedHandleS::DerivedHandleS;
};
HINOKI_HANDLE_FITS_BASE(SPSQUARE, SPSHAPE);

TEST(SharedHandle, DerivedHandleServesAsBaseHandleAndSharesTheObject) {
  auto square = std::make_shared<SquareC>();
  std::weak_ptr<SquareC> watch = square;
  {
    auto* handle = new SPSQUARE(square);
    square.reset();
    // The binding hands the same address to operations expecting the base handle.
    void* asSeenByBinding = handle;
    auto* base = static_cast<SPSHAPE*>(asSeenByBinding);
    EXPECT_EQ(base->Get()->Corners(), 4);
    EXPECT_EQ(handle->Get()->mSide, 3);
    EXPECT_EQ(base->mPointer.use_count(), 1);
    SPSHAPE copy = *base;  // a handle returned by value is a new reference
    EXPECT_EQ(copy.mPointer.use_count(), 2);
    delete handle;
    EXPECT_FALSE(watch.expired());  // the copy still holds it
  }
  EXPECT_TRUE(watch.expired());  // the last reference gone, the object is destroyed
}

}  // namespace
