// Thrown when a formula would nest deeper than the supported limit. Every algorithm over formulas
// recurses once per nesting level, so refusing such formulas up front is what keeps the stack safe.
// The Python binding raises RecursionError.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace corvane {

class NestingTooDeep : public std::exception {
 public:
  explicit NestingTooDeep(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace corvane
