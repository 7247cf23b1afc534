// Step-by-step reference semantics for satisfaction signals, used to check the change-point
// algorithms.
//
// The signals the tests generate change only near the start of time, [0, kHorizon), and near its
// end, [kMaxTime - kHorizon, kMaxTime]; in between they are constant. The reference therefore
// evaluates every step of the two edge regions [0, kLowEnd) and [kHighStart, kMaxTime] one by
// one and lets the value at kLowEnd - 1 stand for the whole middle. With window bounds up to 10
// and at most a few nested temporal operators, every result is again constant over that middle
// (`StepSignal::middle_is_constant` checks it). A step after kMaxTime reads the value at kMaxTime:
// the last entry of a signal holds for ever.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <vector>

#include "monitoring/boolean_signal.hpp"
#include "sequence/normalized_sequence.hpp"
#include "time/interval.hpp"
#include "truth_values/kleene.hpp"

namespace corvane::testing {

inline constexpr TimeStep kHorizon = 20;
inline constexpr TimeStep kLowEnd = kHorizon + 1;
inline constexpr TimeStep kHighStart = kMaxTime - 100;

// Steps are 64-bit here so that windows reaching past kMaxTime can be scanned without wrapping.
using Step = std::uint64_t;

// Calls `visit(t)` for every step evaluated individually.
template <class Visit>
void for_each_edge_step(Visit visit) {
  for (Step t = 0; t < kLowEnd; ++t) visit(t);
  for (Step t = kHighStart; t <= kMaxTime; ++t) visit(t);
}

// The step scanned after `s`: the middle is skipped (its steps all look alike) and nothing after
// kMaxTime differs from kMaxTime itself.
inline Step next_scanned_step(Step s) {
  if (s >= kLowEnd && s < kHighStart) return kHighStart;
  if (s > kMaxTime) return std::numeric_limits<Step>::max();
  return s + 1;
}

template <class V>
struct StepSignal {
  std::vector<V> low;   // steps [0, kLowEnd)
  std::vector<V> high;  // steps [kHighStart, kMaxTime]

  static StepSignal tabulate(const std::function<V(Step)>& value) {
    StepSignal result;
    for_each_edge_step(
        [&](Step t) { (t < kLowEnd ? result.low : result.high).push_back(value(t)); });
    return result;
  }
  static StepSignal of(const NormalizedSequence<V>& sequence) {
    return tabulate([&](Step t) { return sequence.value_at(static_cast<TimeStep>(t)); });
  }

  V at(Step t) const {
    if (t < kLowEnd) return low[t];
    if (t < kHighStart) return low.back();
    if (t <= kMaxTime) return high[t - kHighStart];
    return high.back();
  }
  bool middle_is_constant() const { return low.back() == high.front(); }
};

// Whether `sequence` agrees with `expected` at every step, assuming `expected` is constant over the
// middle: the edge steps are compared one by one and the middle must hold no change point.
template <class V>
bool agrees_with(const NormalizedSequence<V>& sequence, const StepSignal<V>& expected) {
  bool same = true;
  for_each_edge_step([&](Step t) {
    same = same && sequence.value_at(static_cast<TimeStep>(t)) == expected.at(t);
  });
  const auto& entries = sequence.entries();
  return same && entries.lower_bound(kLowEnd) == entries.upper_bound(kHighStart);
}

// until(lhs, I, rhs) at step t, by scanning the window.
inline bool until_at(const StepSignal<bool>& lhs, const Interval& interval,
                     const StepSignal<bool>& rhs, Step t) {
  if (interval.is_empty()) return false;
  const Step first = t + interval.lb();
  const Step last = interval.is_bounded() ? t + interval.ub() : std::max<Step>(first, kMaxTime);
  for (Step s = first; s <= last; s = next_scanned_step(s)) {
    if (rhs.at(s)) return true;
    if (!lhs.at(s)) return false;
  }
  return false;
}

// globally(φ, I) at step t, by scanning the window.
inline bool globally_at(const StepSignal<bool>& phi, const Interval& interval, Step t) {
  if (interval.is_empty()) return true;
  const Step first = t + interval.lb();
  const Step last = interval.is_bounded() ? t + interval.ub() : std::max<Step>(first, kMaxTime);
  for (Step s = first; s <= last; s = next_scanned_step(s)) {
    if (!phi.at(s)) return false;
  }
  return true;
}

inline StepSignal<bool> until_steps(const StepSignal<bool>& lhs, const Interval& interval,
                                    const StepSignal<bool>& rhs) {
  return StepSignal<bool>::tabulate([&](Step t) { return until_at(lhs, interval, rhs, t); });
}

inline StepSignal<bool> globally_steps(const StepSignal<bool>& phi, const Interval& interval) {
  return StepSignal<bool>::tabulate([&](Step t) { return globally_at(phi, interval, t); });
}

// A normalised signal from explicit entries, e.g. signal({{0, false}, {3, true}}).
template <class V>
NormalizedSequence<V> sequence_of(std::map<TimeStep, V> entries) {
  return NormalizedSequence<V>::normalize(PlainSequence<V>(std::move(entries)));
}
inline BooleanSignal signal(std::map<TimeStep, bool> entries) {
  return sequence_of<bool>(std::move(entries));
}

// A random sequence that changes only in [0, kHorizon) and, when `near_end`, also in
// [kMaxTime - kHorizon, kMaxTime] (kMaxTime itself included).
template <class V>
NormalizedSequence<V> random_sequence(std::mt19937& rng, const std::vector<V>& values,
                                      bool near_end) {
  std::uniform_int_distribution<std::size_t> pick(0, values.size() - 1);
  std::uniform_int_distribution<int> count(0, 7);
  std::uniform_int_distribution<TimeStep> low(1, kHorizon - 1);
  std::uniform_int_distribution<TimeStep> high(kMaxTime - kHorizon, kMaxTime);
  std::map<TimeStep, V> entries{{0, values[pick(rng)]}};
  const auto add = [&](TimeStep key) { entries[key] = values[pick(rng)]; };
  for (int i = count(rng); i > 0; --i) add(low(rng));
  if (near_end) {
    for (int i = count(rng); i > 0; --i) add(high(rng));
  }
  return sequence_of<V>(std::move(entries));
}

inline BooleanSignal random_signal(std::mt19937& rng) {
  return random_sequence<bool>(rng, {false, true}, std::bernoulli_distribution(0.5)(rng));
}

// A window with bounds up to 10, sometimes empty, a singleton or unbounded.
inline Interval random_small_interval(std::mt19937& rng) {
  std::uniform_int_distribution<TimeStep> bound(0, 10);
  switch (std::uniform_int_distribution<int>(0, 9)(rng)) {
    case 0:
      return Interval::empty();
    case 1:
    case 2:
      return Interval::unbounded(bound(rng));
    default: {
      const TimeStep a = bound(rng);
      const TimeStep b = bound(rng);
      return Interval::bounded(std::min(a, b), std::max(a, b));
    }
  }
}

}  // namespace corvane::testing
