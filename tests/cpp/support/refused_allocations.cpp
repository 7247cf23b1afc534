// Replaces the global `operator new` of the test program (every form but the aligned ones, and
// the matching forms of `operator delete`): it throws `std::bad_alloc` while a
// `RefusedAllocations` lives on the calling thread, and otherwise allocates with `malloc`.
#include "support/refused_allocations.hpp"

#include <cstdlib>
#include <new>

namespace {

thread_local bool refusing = false;
thread_local std::size_t refused_count = 0;

}  // namespace

void* operator new(std::size_t size) {
  if (refusing) {
    ++refused_count;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
  return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}

void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace corvane::testing {

RefusedAllocations::RefusedAllocations() noexcept {
  refused_count = 0;
  refusing = true;
}

RefusedAllocations::~RefusedAllocations() {
  refusing = false;
}

std::size_t RefusedAllocations::refused() const noexcept {
  return refused_count;
}

}  // namespace corvane::testing
