// Boolean satisfaction signals and the temporal operators on them.
//
// A signal says for every time step whether a formula holds there. It is a normalised boolean
// sequence, so every operation works on its maximal runs and change points and never walks the
// time steps they span. The last entry of a signal holds for ever: time is treated as unbounded,
// 4294967295 is merely the last step that a signal can name.
//
// Until(lhs, I, rhs) holds at t when rhs holds at some t' with t' - t in I and lhs holds at every
// step s with t + lb(I) <= s < t'. The obligation on lhs starts at t + lb(I), not at t.
// Globally(φ, I) holds at t when φ holds at every t + i with i in I (always for an empty I).
#pragma once

#include <concepts>
#include <span>
#include <utility>

#include "formula/nnf_formula.hpp"
#include "sequence/normalized_sequence.hpp"
#include "time/interval.hpp"

namespace corvane {

using BooleanSignal = NormalizedSequence<bool>;

// The operators that every kind of satisfaction signal provides (boolean signals here, three-valued
// ones in monitoring/kleene_monitor_sequence.hpp). Inputs are read only; results are new values.
template <class S>
concept Logical = requires(const S& a, const S& b, const Interval& interval) {
  { negation(a) } -> std::same_as<S>;
  { conjunction(a, b) } -> std::same_as<S>;
  { disjunction(a, b) } -> std::same_as<S>;
  { until(a, interval, b) } -> std::same_as<S>;
  { globally(a, interval) } -> std::same_as<S>;
};

// --- Interval helpers (results may be `Empty`; lower bounds are clipped at 0) ---

// X ⊖ s: the steps t with t + s in X.
Interval shift_left(const Interval& x, TimeStep s) noexcept;
// The steps in both intervals.
Interval intersection(const Interval& a, const Interval& b) noexcept;
// [a1, a2 + 1] for a bounded run (saturating at kMaxTime); unbounded and empty runs are unchanged.
Interval extended_by_one_step(const Interval& run) noexcept;

// The contribution of one true run of lhs and one true run of rhs to until(lhs, I, rhs):
//  first:  the steps t that reach a witness t' in `rhs_run` with t + lb(I) < t' <= t + ub(I)
//          while lhs holds throughout `lhs_run` from t + lb(I) up to t';
//  second: the steps t whose witness is exactly t + lb(I), which needs no lhs at all
//          (`rhs_run` ⊖ lb(I); it does not depend on `lhs_run`).
std::pair<Interval, Interval> positive_until_semantics(const Interval& lhs_run,
                                                       const Interval& interval,
                                                       const Interval& rhs_run);

// The signal that is true exactly on the union of `runs`, which must be sorted by lower bound
// (`Empty` members are ignored). Linear in the number of runs; a run ending at kMaxTime reaches to
// the end of time.
BooleanSignal signal_of_sorted_runs(std::span<const Interval> runs);

// --- Operators ---

BooleanSignal negation(const BooleanSignal& signal);
// Pointwise and / or: one merge over both change-point lists.
BooleanSignal conjunction(const BooleanSignal& a, const BooleanSignal& b);
BooleanSignal disjunction(const BooleanSignal& a, const BooleanSignal& b);
// Linear in the numbers of true runs of both operands: each rhs run is combined only with the lhs
// runs it meets.
BooleanSignal until(const BooleanSignal& lhs, const Interval& interval, const BooleanSignal& rhs);
// Linear in the number of false runs of `signal`.
BooleanSignal globally(const BooleanSignal& signal, const Interval& interval);

// The signal of the temporal operator `kind` with `interval`, from the signals of its operands in
// operand order: the one place that maps a temporal kind of formula to its operator on signals.
// A kind that is not temporal is an internal error.
BooleanSignal temporal_signal(NNFFormula::Kind kind, const Interval& interval,
                              std::span<const BooleanSignal* const> operands);

static_assert(Logical<BooleanSignal>);

}  // namespace corvane
