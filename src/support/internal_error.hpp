// The one exception type for failed internal checks.
//
// A failed check means a broken invariant, never bad input: it stops the current operation and
// carries the message together with the place in the source where the check failed. The Python
// binding turns it into `PanicException` and writes the location to standard error.
#pragma once

#include <exception>
#include <source_location>
#include <string>

namespace corvane {

class InternalError : public std::exception {
 public:
  explicit InternalError(std::string message,
                         std::source_location location = std::source_location::current())
      : message_(std::move(message)), location_(location) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const noexcept { return message_; }
  const std::source_location& location() const noexcept { return location_; }

 private:
  std::string message_;
  std::source_location location_;
};

// Throws `InternalError` with `message` unless `condition` holds.
inline void check(bool condition, const char* message,
                  std::source_location location = std::source_location::current()) {
  if (!condition) throw InternalError(message, location);
}

// Thrown when a formula would nest deeper than the supported limit. Every algorithm over formulas
// recurses once per nesting level, so refusing such formulas up front is what keeps the stack safe.
class NestingTooDeep : public std::exception {
 public:
  explicit NestingTooDeep(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace corvane
