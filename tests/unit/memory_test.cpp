// Per-class out-of-memory handling: which handler runs when an allocation of a class fails,
// what is thrown when none does, and that the process handler is left as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>

#include "utility/NewHandlerSupportC.h"

#if defined(__SANITIZE_ADDRESS__)
#define HINOKI_TEST_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HINOKI_TEST_UNDER_ASAN 1
#endif
#endif

namespace {

class Widget : public MemoryN::NewHandlerSupportC<Widget> {};
class Gadget : public MemoryN::NewHandlerSupportC<Gadget> {};

// Larger than any address space, so malloc fails at once; volatile hides it from the compiler.
template <class T>
void* Huge() {
  volatile std::size_t size = SIZE_MAX / 2;
  return T::operator new(size);
}

int gWidgetHandlerCalls = 0;
std::new_handler gHandlerSeenInside = nullptr;

// Gives up on the third call by removing itself, so the allocation that called it throws.
void WidgetHandler() {
  gHandlerSeenInside = std::get_new_handler();
  if (++gWidgetHandlerCalls >= 3) std::set_new_handler(nullptr);
  if (gWidgetHandlerCalls > 100) throw std::bad_alloc();  // never loop the test for ever
}

int gProcessHandlerCalls = 0;
void ProcessHandler() {
  ++gProcessHandlerCalls;
  throw std::bad_alloc();
}

}  // namespace

TEST(NewHandlerSupport, ZeroSizedRequestStillGetsABlock) {
  void* empty = Widget::operator new(0);
  EXPECT_NE(empty, nullptr);
  Widget::operator delete(empty);
}

TEST(NewHandlerSupport, ClassHandlerIsRetriedUntilItGivesUpAndIsTheClassesOwn) {
#ifdef HINOKI_TEST_UNDER_ASAN
  GTEST_SKIP() << "AddressSanitizer cannot be relied on to fail a huge allocation quietly";
#endif
  const std::new_handler previous = std::set_new_handler(&ProcessHandler);
  // Without a handler of its own the class throws, and the process handler does not run.
  try {
    Huge<Gadget>();
    ADD_FAILURE() << "an impossible allocation succeeded";
  } catch (const std::bad_alloc& error) {
    EXPECT_STREQ(error.what(), "bad allocation");
  }
  EXPECT_EQ(gProcessHandlerCalls, 0);
  EXPECT_EQ(std::get_new_handler(), &ProcessHandler);

  EXPECT_EQ(Widget::SetNewHandler(&WidgetHandler), nullptr);
  EXPECT_THROW(Huge<Widget>(), std::bad_alloc);
  EXPECT_EQ(gWidgetHandlerCalls, 3);
  EXPECT_EQ(gHandlerSeenInside, &WidgetHandler);
  EXPECT_EQ(gProcessHandlerCalls, 0);
  EXPECT_EQ(std::get_new_handler(), &ProcessHandler);
  // Another class does not share Widget's handler, which stays set.
  EXPECT_THROW(Huge<Gadget>(), std::bad_alloc);
  EXPECT_EQ(gWidgetHandlerCalls, 3);
  EXPECT_EQ(Widget::SetNewHandler(nullptr), &WidgetHandler);
  std::set_new_handler(previous);
}
