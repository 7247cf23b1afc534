// Fuzzes the formula parser with arbitrary bytes.
//
// Text that parses must print in every form, each as long as computed beforehand, and its infix
// form must parse back to an equal formula. Text that does not parse must give an error whose
// position lies inside the text. The only exceptions allowed out of the parser and the printers
// are `NestingTooDeep` and, for texts over the length limit, `ResultTooLarge`; any other (an
// internal error included) escapes to libFuzzer, which reports it as a crash.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "formula/parser/parser.hpp"
#include "formula/printing.hpp"
#include "support/internal_error.hpp"
#include "support/nesting_too_deep.hpp"
#include "support/result_too_large.hpp"

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

// The limit of the printed texts. Operands are shared, so a formula of 60 bytes can print a
// megabyte; texts up to this length still parse back within a fraction of the one-second budget
// under the sanitizers, longer ones are refused as too large, as the library does above its own
// limit.
constexpr std::size_t kTextLimit = std::size_t{1} << 17;

// The text `print()` makes, or nothing when it refuses a text over the limit.
template <class Print>
std::optional<std::string> bounded(Print print) {
  try {
    return print();
  } catch (const corvane::ResultTooLarge&) {
    return std::nullopt;
  }
}

void check_length(std::string_view text, const char* form, std::uint64_t computed,
                  const std::optional<std::string>& printed) {
  if (printed ? printed->size() != computed : computed <= kTextLimit) {
    fail("printed length differs from the computed one", text, form);
  }
}

void check_formula(std::string_view text, const corvane::NNFFormula& formula) {
  const auto tree = bounded([&] { return corvane::to_tree_string(formula, kTextLimit); });
  check_length(text, "tree form", corvane::rendered_size(corvane::to_termtree(formula)), tree);
  const auto debug = bounded([&] { return corvane::to_debug_string(formula, kTextLimit); });
  check_length(text, "debug form", corvane::debug_string_size(formula), debug);
  const auto infix =
      bounded([&] { return *corvane::format_as_string(formula, nullptr, kTextLimit); });
  check_length(text, "infix form", corvane::infix_size(formula), infix);
  if (!infix) return;
  auto reparsed = corvane::parse_formula(*infix);
  if (const auto* error = std::get_if<corvane::ParseError>(&reparsed)) {
    fail("infix form does not parse", text, *infix + "\n" + error->display());
  }
  if (std::get<corvane::NNFFormula>(reparsed) != formula) {
    fail("infix form parses to another formula", text,
         *infix + "\n" + debug.value_or("") + "\n" +
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
