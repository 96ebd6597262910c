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

class Widget : public MemoryN::NewHandlerSupportC<Widget> {
 public:
    int mValues[16] = {};
};

class Gadget : public MemoryN::NewHandlerSupportC<Gadget> {
 public:
    char mByte = 0;
};

// Larger than any address space, so malloc fails without touching memory. Volatile keeps the
// compiler from judging the size at build time.
void* HugeWidget() {
    volatile std::size_t size = SIZE_MAX / 2;
    return Widget::operator new(size);
}
void* HugeGadget() {
    volatile std::size_t size = SIZE_MAX / 2;
    return Gadget::operator new(size);
}

int gWidgetHandlerCalls = 0;
std::new_handler gHandlerSeenInside = nullptr;

// Gives up on the third call the way a handler must: by removing itself, so the allocation
// that called it throws instead of retrying for ever.
void WidgetHandler() {
    ++gWidgetHandlerCalls;
    gHandlerSeenInside = std::get_new_handler();
    if (gWidgetHandlerCalls >= 3) {
        Widget::SetNewHandler(nullptr);
        std::set_new_handler(nullptr);
    }
    if (gWidgetHandlerCalls > 100) throw std::bad_alloc();  // never loop the test for ever
}

int gProcessHandlerCalls = 0;
void ProcessHandler() {
    ++gProcessHandlerCalls;
    throw std::bad_alloc();
}

// Sets the process handler for one test and puts back the one gtest started with.
class ProcessHandlerScope {
 public:
    explicit ProcessHandlerScope(std::new_handler handler)
        : mPrevious(std::set_new_handler(handler)) {}
    ~ProcessHandlerScope() { std::set_new_handler(mPrevious); }

 private:
    std::new_handler mPrevious;
};

}  // namespace

TEST(NewHandlerSupport, AllocatesNormally) {
    Widget* widget = new Widget;
    ASSERT_NE(widget, nullptr);
    widget->mValues[15] = 7;
    EXPECT_EQ(widget->mValues[0], 0);
    delete widget;

    void* empty = Widget::operator new(0);  // a zero-sized request still gets its own block
    EXPECT_NE(empty, nullptr);
    Widget::operator delete(empty);
}

TEST(NewHandlerSupport, FailureWithoutHandlerThrowsBadAllocation) {
#ifdef HINOKI_TEST_UNDER_ASAN
    GTEST_SKIP() << "AddressSanitizer cannot be relied on to fail a huge allocation quietly";
#endif
    const ProcessHandlerScope scope(&ProcessHandler);
    Widget::SetNewHandler(nullptr);
    gProcessHandlerCalls = 0;
    try {
        HugeWidget();
        FAIL() << "an impossible allocation succeeded";
    } catch (const std::bad_alloc& error) {
        EXPECT_STREQ(error.what(), "bad allocation");
    }
    // The class's empty handler wins over the process one while the class allocates.
    EXPECT_EQ(gProcessHandlerCalls, 0);
    EXPECT_EQ(std::get_new_handler(), &ProcessHandler);
}

TEST(NewHandlerSupport, ClassHandlerRunsAndProcessHandlerIsRestored) {
#ifdef HINOKI_TEST_UNDER_ASAN
    GTEST_SKIP() << "AddressSanitizer cannot be relied on to fail a huge allocation quietly";
#endif
    const ProcessHandlerScope scope(&ProcessHandler);
    gWidgetHandlerCalls = 0;
    gHandlerSeenInside = nullptr;
    gProcessHandlerCalls = 0;
    EXPECT_EQ(Widget::SetNewHandler(&WidgetHandler), nullptr);

    try {
        HugeWidget();
        FAIL() << "an impossible allocation succeeded";
    } catch (const std::bad_alloc& error) {
        EXPECT_STREQ(error.what(), "bad allocation");
    }
    // Retried after each call until the handler gave up.
    EXPECT_EQ(gWidgetHandlerCalls, 3);
    EXPECT_EQ(gHandlerSeenInside, &WidgetHandler);
    EXPECT_EQ(gProcessHandlerCalls, 0);
    EXPECT_EQ(std::get_new_handler(), &ProcessHandler);

    // Another class does not share Widget's handler.
    EXPECT_EQ(Widget::SetNewHandler(&WidgetHandler), nullptr);
    gWidgetHandlerCalls = 0;
    Gadget::SetNewHandler(nullptr);
    EXPECT_THROW(HugeGadget(), std::bad_alloc);
    EXPECT_EQ(gWidgetHandlerCalls, 0);
    EXPECT_EQ(Widget::SetNewHandler(nullptr), &WidgetHandler);
    EXPECT_EQ(std::get_new_handler(), &ProcessHandler);

    // Ordinary allocations are untouched by all this.
    Widget* widget = new Widget;
    delete widget;
    EXPECT_EQ(gWidgetHandlerCalls, 0);
}
