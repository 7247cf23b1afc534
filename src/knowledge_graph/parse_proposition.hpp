// Reads a proposition text of the knowledge input: `name` or `name(parameter)`.
#pragma once

#include <string_view>

#include "formula/literal.hpp"

namespace corvane {

// The positive literal of the proposition. The name is everything before the first "(". The
// parameter is the text between the first "(" and the next "(" or the end, with any run of ")"
// at its end removed; anything after a second "(" is ignored. Nothing is trimmed or refused, so
// this never fails: `p(a(b))` is p with parameter `a`, `True` is a proposition named "True".
Literal parse_proposition(std::string_view text);

}  // namespace corvane
