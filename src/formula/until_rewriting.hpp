// Whole-formula operations: two equivalent rewritings of until, and the propositions whose values
// matter at which time steps.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "formula/atomic_proposition.hpp"
#include "formula/nnf.hpp"
#include "sequence/normalized_sequence.hpp"
#include "time/interval.hpp"
#include "support/result_too_large.hpp"

namespace corvane {

// An equivalent formula in which every until (other than an eventually) starts at step 0:
// a U[c, d] b becomes G[c, c] (a U[0, d - c] b).
NNFFormula remove_delayed_until(const NNFFormula& formula);

// An equivalent formula in which every until (other than an eventually) is untimed:
// a U[c, d] b becomes F[c, d] b & G[c, c] (a U b).
NNFFormula remove_timed_until(const NNFFormula& formula);

// For each proposition, the absolute time steps at which its value may influence the formula's
// value at step 0 (an over-approximation: the lhs of an until is marked over the whole window of
// its rhs).
using RelevanceMap = std::unordered_map<AtomicProposition, NormalizedSequence<bool>>;

// Adds to `map` the steps at which the propositions of `formula` matter when the formula's value
// is needed at every step of `window`. A proposition that occurs is always entered, if need be
// with no step marked.
void collect_aps_with_time_rec(const NNFFormula& formula, Interval window, RelevanceMap& map);

// The most (time step, proposition) entries that `relevant_aps` lists.
inline constexpr std::uint64_t kMaxRelevantEntries = 50'000'000;

// The propositions relevant at each step of [start, end] (nothing when end < start): per step, in
// increasing order, the display texts of the relevant propositions, each once, in byte order.
// Steps without any relevant proposition are left out. Throws `ResultTooLarge`, before building
// anything, when the answer would hold more than `kMaxRelevantEntries` entries.
std::vector<std::pair<TimeStep, std::vector<std::string>>> relevant_aps(const NNFFormula& formula,
                                                                        TimeStep start,
                                                                        TimeStep end);

}  // namespace corvane
