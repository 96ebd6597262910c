// Per-class out-of-memory handling: allocating a T runs T's own handler when memory runs
// out, so the box the user sees names what could not be allocated.
#pragma once

#include <cstdlib>
#include <new>

namespace MemoryN {

/// The failure of an allocation whose class has no handler.
class BadAllocationC : public std::bad_alloc {
 public:
  const char* what() const noexcept override { return "bad allocation"; }
};

template <class T>
class NewHandlerSupportC {
 public:
  /// Sets T's handler; returns the previous one. An empty handler means "throw".
  static std::new_handler SetNewHandler(std::new_handler handler) noexcept {
    std::new_handler previous = sHandler;
    sHandler = handler;
    return previous;
  }

  static void* operator new(std::size_t size) {
    // T's handler is the process handler for the duration of this allocation only.
    const HandlerRestorer restore(std::set_new_handler(sHandler));
    for (;;) {
      if (void* memory = std::malloc(size ? size : 1)) return memory;
      const std::new_handler handler = std::get_new_handler();
      if (!handler) throw BadAllocationC();
      handler();
    }
  }
  static void operator delete(void* memory) noexcept { std::free(memory); }

 private:
  class HandlerRestorer {
   public:
    explicit HandlerRestorer(std::new_handler previous) : mPrevious(previous) {}
    ~HandlerRestorer() { std::set_new_handler(mPrevious); }
    HandlerRestorer(const HandlerRestorer&) = delete;
    HandlerRestorer& operator=(const HandlerRestorer&) = delete;

   private:
    std::new_handler mPrevious;
  };

  static inline std::new_handler sHandler = nullptr;
};

}  // namespace MemoryN
