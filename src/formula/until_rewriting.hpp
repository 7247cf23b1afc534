// Two equivalent rewritings of until that move its timing elsewhere.
#pragma once

#include "formula/nnf_formula.hpp"

namespace corvane {

// An equivalent formula in which every until (other than an eventually) starts at step 0:
// a U[c, d] b becomes G[c, c] (a U[0, d - c] b).
NNFFormula remove_delayed_until(const NNFFormula& formula);

// An equivalent formula in which every until (other than an eventually) is untimed:
// a U[c, d] b becomes F[c, d] b & G[c, c] (a U b).
NNFFormula remove_timed_until(const NNFFormula& formula);

}  // namespace corvane
