// Fuzzes the formula parser with arbitrary bytes.
//
// Text that parses must print in every form, and its infix form must parse back to an equal
// formula. Text that does not parse must give an error whose position lies inside the text. The
// only exception allowed out of the parser is `NestingTooDeep`; any other (an internal error
// included) escapes to libFuzzer, which reports it as a crash.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

#include "formula/parser/parser.hpp"
#include "formula/printing.hpp"
#include "support/internal_error.hpp"
#include "support/nesting_too_deep.hpp"

namespace {

[[noreturn]] void fail(const char* what, std::string_view text, std::string_view detail) {
  std::fprintf(stderr, "parser fuzz: %s\ninput: %.*s\ndetail: %.*s\n", what,
               static_cast<int>(text.size()), text.data(), static_cast<int>(detail.size()),
               detail.data());
  std::abort();
}

void check_error(std::string_view text, const corvane::ParseError& error) {
  const std::string message = error.display();
  if (error.location.offset > text.size()) fail("error position past the end", text, message);
  if (message.rfind("error at ", 0) != 0) fail("malformed error message", text, message);
}

void check_formula(std::string_view text, const corvane::NNFFormula& formula) {
  if (corvane::to_tree_string(formula).empty()) fail("empty tree form", text, "");
  const std::string debug = corvane::to_debug_string(formula);
  const auto infix = corvane::format_as_string(formula);
  if (!infix) fail("infix form failed without a formatter", text, debug);
  auto reparsed = corvane::parse_formula(*infix);
  if (const auto* error = std::get_if<corvane::ParseError>(&reparsed)) {
    fail("infix form does not parse", text, *infix + "\n" + error->display());
  }
  if (std::get<corvane::NNFFormula>(reparsed) != formula) {
    fail("infix form parses to another formula", text,
         *infix + "\n" + debug + "\n" +
             corvane::to_debug_string(std::get<corvane::NNFFormula>(reparsed)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    auto result = corvane::parse_formula(text);
    if (const auto* error = std::get_if<corvane::ParseError>(&result)) {
      check_error(text, *error);
    } else {
      check_formula(text, std::get<corvane::NNFFormula>(result));
    }
  } catch (const corvane::NestingTooDeep&) {
    // Refusing formulas nested too deeply is the documented outcome.
  }
  return 0;
}
