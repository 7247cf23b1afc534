// The propositions whose values matter for a formula, and at which time steps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
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

// The most windows of steps that working out the relevant steps holds at once (about 100 MB). A
// formula of a few dozen nodes can pass on exponentially many disjoint windows to its operands
// (a chain of `a | X[2^k] a`); such a formula is refused instead of exhausting memory.
inline constexpr std::uint64_t kMaxRelevanceWindows = std::uint64_t{1} << 22;

// Adds to `map` the steps at which the propositions of `formula` matter when the formula's value
// is needed at every step of `window`. A proposition that occurs is always entered, if need be
// with no step marked. Throws `ResultTooLarge` when it would hold more than
// `kMaxRelevanceWindows` windows at once.
void collect_aps_with_time_rec(const NNFFormula& formula, Interval window, RelevanceMap& map);

// The propositions relevant at the steps of a window, in the compact form that a listing per step
// is made from: the window cut into spans of consecutive steps at which the same texts are
// relevant.
struct RelevantAps {
  struct Span {
    TimeStep first;
    TimeStep last;
    // The span's texts: `members[members_begin .. members_end)`, indices into `texts`.
    std::size_t members_begin;
    std::size_t members_end;
  };
  // The display texts of the relevant propositions, each once, in byte order.
  std::vector<std::string> texts;
  std::vector<std::uint32_t> members;  // increasing within each span
  // In increasing order; steps between spans have no relevant proposition.
  std::vector<Span> spans;
};

// What listing an answer takes in the caller's terms, and the most it may take: `per_step` for
// each step with a relevant proposition, `per_entry` for each (step, proposition) pair, and
// `per_text` plus the text's length for each distinct text (listed once, shared by its steps).
struct ListingCost {
  std::uint64_t per_step;
  std::uint64_t per_entry;
  std::uint64_t per_text;
  std::uint64_t budget;
};

// The propositions relevant at each step of [start, end] (nothing when end < start). Throws
// `ResultTooLarge` when listing them per step would take more than `cost.budget`, counted from
// the runs of relevant steps before anything is listed, or when working them out would hold too
// many windows (`kMaxRelevanceWindows`). The answer itself takes memory in the runs, not the
// steps: each span is stored once.
RelevantAps relevant_aps(const NNFFormula& formula, TimeStep start, TimeStep end,
                         const ListingCost& cost);

}  // namespace corvane
