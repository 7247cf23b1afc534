// The one exception type for failed internal checks.
//
// A failed check means a broken invariant, never bad input: it stops the current operation and
// carries the message together with the place in the source where the check failed. The Python
// binding turns it into `PanicException` and writes the location to standard error.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace corvane {

// Where a check failed. The same as `std::source_location`, built from the compiler builtins
// so that it also works where the standard library's version is unavailable (clang 14 with
// libstdc++ 12).
class SourceLocation {
 public:
  static constexpr SourceLocation current(const char* file = __builtin_FILE(),
                                          std::uint_least32_t line = __builtin_LINE(),
                                          const char* function = __builtin_FUNCTION()) noexcept {
    return SourceLocation(file, line, function);
  }
  constexpr const char* file_name() const noexcept { return file_; }
  constexpr std::uint_least32_t line() const noexcept { return line_; }
  constexpr const char* function_name() const noexcept { return function_; }

 private:
  constexpr SourceLocation(const char* file, std::uint_least32_t line, const char* function)
      : file_(file), line_(line), function_(function) {}
  const char* file_;
  std::uint_least32_t line_;
  const char* function_;
};

class InternalError : public std::exception {
 public:
  explicit InternalError(std::string message, SourceLocation location = SourceLocation::current())
      : message_(std::move(message)), location_(location) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const noexcept { return message_; }
  const SourceLocation& location() const noexcept { return location_; }

 private:
  std::string message_;
  SourceLocation location_;
};

// Throws `InternalError` with `message` unless `condition` holds.
inline void check(bool condition, const char* message,
                  SourceLocation location = SourceLocation::current()) {
  if (!condition) throw InternalError(message, location);
}

}  // namespace corvane
