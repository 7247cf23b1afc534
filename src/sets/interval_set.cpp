#include "sets/interval_set.hpp"

#include <iterator>
#include <ostream>

namespace corvane {

std::optional<TimeStep> IntervalSet::greatest_member() const {
  if (is_empty()) return std::nullopt;
  const auto& [last_key, last_value] = *std::prev(membership_.entries().end());
  // A non-empty set whose last entry is false has an earlier true entry, so last_key >= 1.
  return last_value ? kMaxTime : last_key - 1;
}

IntervalSet IntervalSet::intersect(const IntervalSet& other) const {
  return IntervalSet(
      combine(membership_, other.membership_, [](bool a, bool b) { return a && b; }));
}

IntervalSet IntervalSet::minkowski_sum(const Interval& interval) const {
  IntervalSet result;
  if (interval.is_empty()) return result;
  // Each run shifted by the window is again one interval (Interval's sum saturates); overlapping
  // or touching contributions merge in the membership sequence.
  for (const Interval& run : positive_intervals()) {
    result.membership_.set_interval(run + interval, true);
  }
  return result;
}

std::ostream& operator<<(std::ostream& out, const IntervalSet& set) {
  out << '{';
  const char* separator = "";
  for (const Interval& run : set.positive_intervals()) {
    out << separator << run;
    separator = ", ";
  }
  return out << '}';
}

}  // namespace corvane
