// Values over time kept step by step, for checking the change-point algorithms against plain
// per-step computations.
//
// A `StepGrid` names the steps that are kept one by one: the low steps [0, low_end) and the high
// steps [high_start, kMaxTime]. Every step in between is taken to have the value at low_end - 1;
// this holds for signals that change only among the kept steps, and stays true for formulas over
// them as long as their windows are short next to the gap (`StepSignal::middle_is_constant`
// checks it where the gap is wide). A step after kMaxTime reads the value at kMaxTime: the last
// entry of a signal holds for ever.
//
// Two grids cover the tests: `edges()` for signals that change near the start of time and near
// its end, and `up_to(h)` for traces that are constant from step h on (no high steps at all).
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "sequence/normalized_sequence.hpp"
#include "sequence/plain_sequence.hpp"
#include "time/time_step.hpp"

namespace corvane::testing {

// Steps are 64-bit here so that windows reaching past kMaxTime are scanned without wrapping.
using Step = std::uint64_t;
inline constexpr Step kPastTheEnd = std::numeric_limits<Step>::max();

// `random_sequence` changes values only in [0, kNear) and in [kMaxTime - kNear, kMaxTime].
inline constexpr TimeStep kNear = 20;

struct StepGrid {
  Step low_end;
  Step high_start;  // kMaxTime + 1 when no high steps are kept

  // Room for windows up to a few tens of steps on either side of signals from `random_sequence`.
  static constexpr StepGrid edges() { return {kNear + 1, Step{kMaxTime} - 100}; }
  // Traces constant from step `horizon` on.
  static constexpr StepGrid up_to(Step horizon) { return {horizon + 1, Step{kMaxTime} + 1}; }

  // Calls `visit(t)` for every kept step, in increasing order.
  template <class Visit>
  void for_each_step(Visit visit) const {
    for (Step t = 0; t < low_end; ++t) visit(t);
    for (Step t = high_start; t <= kMaxTime; ++t) visit(t);
  }

  // The step to read after `s` when scanning forward: the gap is read once (its steps all look
  // alike), and nothing after kMaxTime differs from kMaxTime itself.
  Step next(Step s) const {
    if (s >= kMaxTime) return kPastTheEnd;
    if (s >= low_end && s < high_start) return high_start <= kMaxTime ? high_start : kPastTheEnd;
    return s + 1;
  }
};

template <class V>
struct StepSignal {
  StepGrid grid;
  std::vector<V> low;   // steps [0, low_end)
  std::vector<V> high;  // steps [high_start, kMaxTime]

  static StepSignal tabulate(StepGrid grid, const std::function<V(Step)>& value) {
    StepSignal result{grid, {}, {}};
    grid.for_each_step(
        [&](Step t) { (t < grid.low_end ? result.low : result.high).push_back(value(t)); });
    return result;
  }
  static StepSignal of(StepGrid grid, const NormalizedSequence<V>& sequence) {
    return tabulate(grid, [&](Step t) { return sequence.value_at(static_cast<TimeStep>(t)); });
  }
  // Values at steps 0 to values.size() - 1; the last one holds for ever after.
  static StepSignal of(const std::vector<V>& values) {
    return tabulate(StepGrid::up_to(values.size() - 1), [&](Step t) { return values[t]; });
  }

  V at(Step t) const {
    if (t < grid.low_end) return low[t];
    if (t < grid.high_start || high.empty()) return low.back();
    if (t <= kMaxTime) return high[t - grid.high_start];
    return high.back();
  }
  bool middle_is_constant() const { return high.empty() || low.back() == high.front(); }
};

// Whether `sequence` has the values of `expected` at every step, `expected` standing for the gap
// with the value at low_end - 1: the kept steps are compared one by one, and the gap must hold no
// change point.
template <class V>
bool agrees_with(const NormalizedSequence<V>& sequence, const StepSignal<V>& expected) {
  bool same = true;
  expected.grid.for_each_step([&](Step t) {
    same = same && sequence.value_at(static_cast<TimeStep>(t)) == expected.at(t);
  });
  const auto change = sequence.entries().lower_bound(static_cast<TimeStep>(expected.grid.low_end));
  return same && (change == sequence.entries().end() || change->first >= expected.grid.high_start);
}

// A normalised sequence from explicit entries, e.g. sequence_of<bool>({{0, false}, {3, true}}).
template <class V>
NormalizedSequence<V> sequence_of(std::map<TimeStep, V> entries) {
  return NormalizedSequence<V>::normalize(PlainSequence<V>(std::move(entries)));
}
inline NormalizedSequence<bool> signal(std::map<TimeStep, bool> entries) {
  return sequence_of<bool>(std::move(entries));
}

// A random sequence that changes only in [0, kNear) and, when `near_end`, also in
// [kMaxTime - kNear, kMaxTime] (kMaxTime itself included): `StepGrid::edges()` keeps every step
// where it changes.
template <class V>
NormalizedSequence<V> random_sequence(std::mt19937& rng, const std::vector<V>& values,
                                      bool near_end) {
  std::uniform_int_distribution<std::size_t> pick(0, values.size() - 1);
  std::uniform_int_distribution<int> count(0, 7);
  std::uniform_int_distribution<TimeStep> low(1, kNear - 1);
  std::uniform_int_distribution<TimeStep> high(kMaxTime - kNear, kMaxTime);
  std::map<TimeStep, V> entries{{0, values[pick(rng)]}};
  const auto add = [&](TimeStep key) { entries[key] = values[pick(rng)]; };
  for (int i = count(rng); i > 0; --i) add(low(rng));
  if (near_end) {
    for (int i = count(rng); i > 0; --i) add(high(rng));
  }
  return sequence_of<V>(std::move(entries));
}

inline NormalizedSequence<bool> random_signal(std::mt19937& rng) {
  return random_sequence<bool>(rng, {false, true}, std::bernoulli_distribution(0.5)(rng));
}

}  // namespace corvane::testing
