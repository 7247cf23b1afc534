// A set of time steps, possibly infinite upwards.
//
// Stored as its membership sequence: a normalised boolean sequence that is true exactly at the
// members. The representation is unique, e.g. {3, 4, 5} ∪ [10, inf) is 0 -> false, 3 -> true,
// 6 -> false, 10 -> true, and the empty set is the single entry 0 -> false.
#pragma once

#include <iosfwd>
#include <optional>
#include <utility>
#include <vector>

#include "sequence/normalized_sequence.hpp"
#include "time/interval.hpp"

namespace corvane {

class IntervalSet {
 public:
  // The empty set.
  IntervalSet() = default;
  // The members of `interval`; a bounded interval ending at kMaxTime reaches to the end of time.
  explicit IntervalSet(const Interval& interval) { membership_.set_interval(interval, true); }
  // The steps at which `membership` is true.
  explicit IntervalSet(NormalizedSequence<bool> membership) : membership_(std::move(membership)) {}

  static IntervalSet empty() { return IntervalSet(); }

  bool is_empty() const { return membership_.size() == 1 && !membership_.value_at(0); }
  bool contains(TimeStep t) const { return membership_.value_at(t); }
  // Greatest member (kMaxTime for an unbounded set); absent for the empty set.
  std::optional<TimeStep> greatest_member() const;

  // Steps in both sets. Linear in the change points of both.
  IntervalSet intersect(const IntervalSet& other) const;
  // { min(s + d, kMaxTime) : s in this set, d in `interval` }: sums saturate at the last step.
  IntervalSet minkowski_sum(const Interval& interval) const;

  // The maximal runs of members, in increasing order.
  std::vector<Interval> positive_intervals() const {
    return membership_.intervals_with_value(true);
  }

  const NormalizedSequence<bool>& sequence() const noexcept { return membership_; }

  friend bool operator==(const IntervalSet&, const IntervalSet&) = default;

 private:
  NormalizedSequence<bool> membership_;  // default: 0 -> false
};

// "{}", or the positive intervals, e.g. "{[3, 5], [10, inf]}".
std::ostream& operator<<(std::ostream& out, const IntervalSet& set);

}  // namespace corvane
