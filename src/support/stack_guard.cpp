#include "support/stack_guard.hpp"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <new>

#include "support/nesting_too_deep.hpp"

#if defined(__linux__)
#include <pthread.h>
#endif

namespace corvane {

namespace {

// Room kept free below the checked level: enough for the non-recursive work of one level, such
// as sorting members, building strings or calling back into Python. Threads with tiny stacks
// keep half of theirs.
constexpr std::size_t kMargin = 128 * 1024;

// The lowest address a recursive level may use on this thread; 0 when it cannot be determined
// (then nothing is checked). Throws `std::bad_alloc` when the thread library ran out of memory
// finding out (for the main thread it reads a file), so that the next call tries again.
std::uintptr_t stack_floor() {
#if defined(__linux__)
  pthread_attr_t attributes;
  if (const int error = pthread_getattr_np(pthread_self(), &attributes); error != 0) {
    if (error == ENOMEM) throw std::bad_alloc();
    return 0;
  }
  void* low = nullptr;
  std::size_t size = 0;
  const int status = pthread_attr_getstack(&attributes, &low, &size);
  pthread_attr_destroy(&attributes);
  if (status != 0) return 0;
  return reinterpret_cast<std::uintptr_t>(low) + std::min(kMargin, size / 2);
#else
  return 0;
#endif
}

// The floor of each thread once it is known. Static thread-local storage is reserved when the
// thread starts; the default model for a library loaded at run time would allocate the thread's
// block on first use, and the C library ends the process when that allocation fails.
struct Floor {
  std::uintptr_t address;
  bool known;
};
constinit thread_local Floor thread_floor __attribute__((tls_model("initial-exec"))) = {0, false};

}  // namespace

void ensure_stack_space() {
  if (!thread_floor.known) thread_floor = {stack_floor(), true};
  const std::uintptr_t floor = thread_floor.address;
  // The frame address, not the address of a local: AddressSanitizer may move locals into a fake
  // frame on the heap (to catch use after return), which would read as an exhausted stack.
  const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  // Stacks grow downwards on every platform this builds for.
  if (here < floor) {
    throw NestingTooDeep(
        "not enough stack left on this thread for a formula nested this deep; use a thread "
        "with a larger stack (threading.stack_size)");
  }
}

}  // namespace corvane
