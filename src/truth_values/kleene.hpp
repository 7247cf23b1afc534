// Three-valued truth value: known to hold, undetermined, or known to fail.
#pragma once

#include <cstdint>
#include <ostream>

namespace corvane {

// One byte; the codes are part of the representation (True = 0, Unknown = 1, False = 2).
enum class Kleene : std::uint8_t { True = 0, Unknown = 1, False = 2 };

// "True", "Unknown" or "False" (used by test diagnostics and sequence printing).
inline std::ostream& operator<<(std::ostream& out, Kleene value) {
  switch (value) {
    case Kleene::True:
      return out << "True";
    case Kleene::Unknown:
      return out << "Unknown";
    case Kleene::False:
      return out << "False";
  }
  return out << "Kleene(" << static_cast<int>(value) << ')';
}

}  // namespace corvane
