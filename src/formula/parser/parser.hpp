// The text syntax of formulas.
//
//   formula   := _ operand(0) _ EOF
//   prefixes  := "F" interval? __ operand(2) | "G" interval? __ operand(2)
//              | "X" singleton? __ operand(2) | "!" _ operand(6)
//              | "True" | "true" | "False" | "false"
//              | name ("(" parameter ")")? | "(" _ operand(0) _ ")"
//   infixes   := __ "U" interval? __ operand(0)    level 0, right-associative
//              | __ "R" interval? __ operand(0)    level 0, right-associative
//              | _ "->" _ operand(2)               level 2, right-associative
//              | _ "|" _ operand(4)                level 3, left-associative
//              | _ "&" _ operand(5)                level 4, left-associative
//   interval  := "[" n _ "," _ ("*" | "inf") "]" | "[" n _ "," _ n "]" | singleton
//   singleton := "[" n "]"
//
// operand(k) is one prefix form, then every infix continuation of level k or more, repeatedly.
// Choices are ordered (the first alternative that matches wins) and backtrack on failure. `_` is
// optional and `__` required whitespace (space, line feed, tab); neither reports failures.
#pragma once

#include <string_view>
#include <variant>

#include "formula/ltl_formula.hpp"
#include "formula/nnf_formula.hpp"
#include "formula/parser/parse_error.hpp"

namespace corvane {

// Parses the whole text into a syntax tree. Throws `NestingTooDeep` when the text nests operators
// or parentheses more than `kMaxNestingDepth` levels deep.
std::variant<ltl::Formula, ParseError> parse_ltl(std::string_view text);

// Parses the text and converts the tree to negation normal form.
std::variant<NNFFormula, ParseError> parse_formula(std::string_view text);

}  // namespace corvane
