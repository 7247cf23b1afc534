// Time steps: unsigned 32-bit integers counting from 0. 4294967295 (`kMaxTime`) is the last step;
// arithmetic on steps saturates there (and at 0) instead of wrapping around.
#pragma once

#include <cstdint>

namespace corvane {

using TimeStep = std::uint32_t;
inline constexpr TimeStep kMaxTime = 0xFFFFFFFFu;

constexpr TimeStep saturating_add(TimeStep a, TimeStep b) noexcept {
  return a > kMaxTime - b ? kMaxTime : a + b;
}
constexpr TimeStep saturating_sub(TimeStep a, TimeStep b) noexcept {
  return a < b ? 0 : a - b;
}

}  // namespace corvane
