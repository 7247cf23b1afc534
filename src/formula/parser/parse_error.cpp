#include "formula/parser/parse_error.hpp"

namespace corvane {

LineCol LineCol::of(std::string_view text, std::size_t offset) {
  LineCol location;
  location.offset = offset;
  const std::string_view before = text.substr(0, offset);
  std::size_t line_start = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (before[i] == '\n') {
      ++location.line;
      line_start = i + 1;
    }
  }
  // Every byte that is not a UTF-8 continuation byte starts a character.
  for (std::size_t i = line_start; i < before.size(); ++i) {
    if ((static_cast<unsigned char>(before[i]) & 0xC0) != 0x80) ++location.column;
  }
  return location;
}

std::string ExpectedSet::display() const {
  if (tokens_.empty()) return "<unreported>";
  if (tokens_.size() == 1) return *tokens_.begin();
  std::string out = "one of ";
  bool first = true;
  for (const auto& token : tokens_) {
    if (!first) out += ", ";
    first = false;
    out += token;
  }
  return out;
}

std::string ParseError::display() const {
  return "error at " + std::to_string(location.line) + ":" + std::to_string(location.column) +
         ": expected " + expected.display();
}

}  // namespace corvane
