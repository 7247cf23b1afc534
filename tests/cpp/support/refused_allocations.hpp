// Makes `operator new` fail on the calling thread for as long as a `RefusedAllocations` lives, to
// check that code which must work when memory runs out (freeing formulas) never allocates.
#pragma once

#include <cstddef>

namespace corvane::testing {

class RefusedAllocations {
 public:
  RefusedAllocations() noexcept;
  ~RefusedAllocations();
  RefusedAllocations(const RefusedAllocations&) = delete;
  RefusedAllocations& operator=(const RefusedAllocations&) = delete;

  // How many allocations were refused so far.
  std::size_t refused() const noexcept;
};

}  // namespace corvane::testing
