// The report for formula text that does not parse: where parsing got furthest, and every token
// that would have let it continue there.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

namespace corvane {

// A position in the text: `line` and `column` count from 1, the column in characters (UTF-8 code
// points); `offset` is the byte offset.
struct LineCol {
  std::size_t line = 1;
  std::size_t column = 1;
  std::size_t offset = 0;

  // The position of byte `offset` in `text`; `offset` must lie on a character boundary.
  static LineCol of(std::string_view text, std::size_t offset);

  friend bool operator==(const LineCol&, const LineCol&) = default;
};

// Descriptions of the tokens that were expected, ordered bytewise and each kept once.
class ExpectedSet {
 public:
  void insert(std::string_view description) { tokens_.emplace(description); }
  const std::set<std::string, std::less<>>& tokens() const noexcept { return tokens_; }

  // "<unreported>" when empty, the one description, or "one of " and all descriptions in order,
  // separated by ", ".
  std::string display() const;

 private:
  std::set<std::string, std::less<>> tokens_;
};

struct ParseError {
  LineCol location;
  ExpectedSet expected;

  // "error at LINE:COLUMN: expected ...".
  std::string display() const;
};

}  // namespace corvane
