// A piecewise-constant function from time steps to values, stored by its change points.
//
// An entry t -> v means "v from step t on, up to the next entry"; the last entry holds for ever.
// A plain sequence keeps no invariant: consecutive entries may repeat a value and there may be no
// entry at step 0 (then the steps before the first entry have no value). `NormalizedSequence`
// adds both invariants. Every query costs time in the entries it touches (binary searches over
// the change points), never in the number of time steps it spans. The change points are kept in
// a flat sorted vector (sequence/flat_map.hpp): sequences are built in time order and then read.
#pragma once

#include <concepts>
#include <cstddef>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

#include "sequence/flat_map.hpp"
#include "sequence/stream_helpers.hpp"
#include "support/internal_error.hpp"
#include "support/interruption.hpp"
#include "time/interval.hpp"

namespace corvane {

template <class V>
class PlainSequence {
 public:
  using Map = FlatMap<TimeStep, V>;
  using const_iterator = typename Map::const_iterator;

  // No entries at all.
  PlainSequence() = default;
  explicit PlainSequence(Map entries) : entries_(std::move(entries)) {}

  // The single entry 0 -> value.
  static PlainSequence uniform(V value) {
    PlainSequence result;
    result.entries_.emplace(TimeStep{0}, std::move(value));
    return result;
  }

  const Map& entries() const noexcept { return entries_; }
  // The map itself; a plain sequence has no invariant to protect.
  Map& mutable_entries() noexcept { return entries_; }
  std::size_t size() const noexcept { return entries_.size(); }

  // Makes `value` hold from `t` on, up to the next entry (replaces an entry at `t`).
  void insert_or_assign(TimeStep t, V value) { entries_.insert_or_assign(t, std::move(value)); }

  // The entry in effect at `t` (greatest key <= t), or `entries().end()` when there is none.
  const_iterator entry_at_or_before(TimeStep t) const {
    auto it = entries_.upper_bound(t);
    return it == entries_.begin() ? entries_.end() : std::prev(it);
  }

  const V& value_at(TimeStep t) const { return in_effect_at(t)->second; }

  // The step at which the value in effect at `t` starts: the value is the same on [result, t].
  TimeStep change_point_at_or_before(TimeStep t) const { return in_effect_at(t)->first; }

  // The first key after `t`: the value in effect at `t` lasts up to, not including, that step.
  // Absent when it lasts for ever.
  std::optional<TimeStep> next_change_after(TimeStep t) const {
    auto it = entries_.upper_bound(t);
    if (it == entries_.end()) return std::nullopt;
    return it->first;
  }

  // For each entry whose value satisfies `predicate`, in increasing order, the steps it covers:
  // up to the next key (exclusive), or for ever for the last entry. Adjacent entries are reported
  // separately even when both qualify.
  template <std::predicate<const V&> Predicate>
  std::vector<Interval> intervals_where(Predicate predicate) const {
    std::vector<Interval> result;
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      poll_interrupt_every(static_cast<std::uint64_t>(it - entries_.begin()));
      if (!std::invoke(predicate, it->second)) continue;
      const auto next = std::next(it);
      // Keys increase strictly, so next->first - 1 >= it->first and never wraps.
      result.push_back(next == entries_.end() ? Interval::unbounded(it->first)
                                              : Interval::bounded(it->first, next->first - 1));
    }
    return result;
  }

  // intervals_where(value equals `value`).
  std::vector<Interval> intervals_with_value(const V& value) const {
    return intervals_where([&value](const V& v) { return v == value; });
  }

  // The ordered partition of `interval` at this sequence's keys: the sequence is constant on each
  // piece. Empty for an empty interval.
  std::vector<Interval> interval_covering(const Interval& interval) const {
    std::vector<Interval> result;
    if (interval.is_empty()) return result;
    auto [first, last] = keys_inside(interval);
    TimeStep start = interval.lb();
    for (; first != last; ++first) {
      poll_interrupt_every(result.size());
      result.push_back(Interval::bounded(start, first->first - 1));
      start = first->first;
    }
    result.push_back(close_piece(interval, start));
    return result;
  }

  // The ordered partition of `interval` at the keys of this sequence and of `other`: both are
  // constant on each piece.
  template <class W>
  std::vector<Interval> refined_interval_covering(const PlainSequence<W>& other,
                                                  const Interval& interval) const {
    std::vector<Interval> result;
    if (interval.is_empty()) return result;
    auto [first, last] = keys_inside(interval);
    auto [other_first, other_last] = other.keys_inside(interval);
    TimeStep start = interval.lb();
    for_each_merged_key(first, last, other_first, other_last, [&](TimeStep key) {
      result.push_back(Interval::bounded(start, key - 1));
      start = key;
    });
    result.push_back(close_piece(interval, start));
    return result;
  }

  // The entries with keys in `interval` other than its lower bound: the points where a covering of
  // `interval` must break. `interval` must not be empty.
  std::pair<const_iterator, const_iterator> keys_inside(const Interval& interval) const {
    return {entries_.upper_bound(interval.lb()),
            interval.is_bounded() ? entries_.upper_bound(interval.ub()) : entries_.end()};
  }

  friend bool operator==(const PlainSequence& a, const PlainSequence& b) {
    return a.entries_ == b.entries_;
  }

 private:
  const_iterator in_effect_at(TimeStep t) const {
    const auto it = entry_at_or_before(t);
    if (it == entries_.end()) throw InternalError("Sequence is never empty");
    return it;
  }

  // The last piece of a covering of `interval`, starting at `start`.
  static Interval close_piece(const Interval& interval, TimeStep start) {
    return interval.is_bounded() ? Interval::bounded(start, interval.ub())
                                 : Interval::unbounded(start);
  }

  Map entries_;
};

// Values that can be written to a stream (for printing sequences in test diagnostics).
template <class V>
concept StreamableValue = requires(std::ostream& out, const V& value) {
  out << value;
};

// Writes the entries as "{0: a, 3: b}".
template <StreamableValue V>
std::ostream& operator<<(std::ostream& out, const PlainSequence<V>& sequence) {
  out << '{';
  const char* separator = "";
  for (const auto& [key, value] : sequence.entries()) {
    out << separator << key << ": ";
    if constexpr (std::same_as<V, bool>) {
      out << (value ? "true" : "false");
    } else {
      out << value;
    }
    separator = ", ";
  }
  return out << '}';
}

}  // namespace corvane
