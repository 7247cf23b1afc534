// Thrown when an answer would be too large to build: listing or computing it would take memory
// and time in proportion to a count of time steps that can reach into the billions. Refusing up
// front keeps such a call from exhausting the machine; the Python binding raises MemoryError.
#pragma once

#include <exception>
#include <string>

namespace corvane {

class ResultTooLarge : public std::exception {
 public:
  explicit ResultTooLarge(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace corvane
