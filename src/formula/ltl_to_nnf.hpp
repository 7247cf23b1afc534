// The conversion of an LTL syntax tree to negation normal form. It works with explicit stacks, so
// trees of any depth convert without deep recursion.
#pragma once

#include "formula/ltl_formula.hpp"
#include "formula/nnf_formula.hpp"

namespace corvane {

// The tree in negation normal form: negations pushed down to the propositions; implication,
// release, eventually and next rewritten; everything built through the simplifying constructors
// of `NNFFormula`.
NNFFormula to_nnf(const ltl::Formula& formula);

}  // namespace corvane
