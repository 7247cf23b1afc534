// The propositions whose values matter for a formula, and at which time steps.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "formula/atomic_proposition.hpp"
#include "formula/nnf_formula.hpp"
#include "sequence/normalized_sequence.hpp"
#include "support/result_too_large.hpp"
#include "time/interval.hpp"
#include "time/time_step.hpp"

namespace corvane {

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
