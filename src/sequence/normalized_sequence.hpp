// A piecewise-constant function from time steps to values in its unique representation.
//
// Wraps a `PlainSequence` and keeps two invariants: there is an entry at step 0, and no two
// consecutive entries hold equal values. Every function therefore has exactly one representation,
// and two sequences are equal exactly when their entries are. Queries delegate to the plain
// sequence; updates cost time in the entries they touch, never in the steps they span.
#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <type_traits>
#include <utility>
#include <vector>

#include "sequence/plain_sequence.hpp"
#include "sequence/stream_helpers.hpp"
#include "support/internal_error.hpp"
#include "support/interruption.hpp"
#include "time/interval.hpp"

namespace corvane {

template <class V>
class NormalizedSequence {
 public:
  using Map = typename PlainSequence<V>::Map;

  // The single entry 0 -> V{}.
  NormalizedSequence() requires std::default_initializable<V>
      : plain_(PlainSequence<V>::uniform(V{})) {}

  // The single entry 0 -> value.
  static NormalizedSequence uniform(V value) {
    return NormalizedSequence(PlainSequence<V>::uniform(std::move(value)));
  }

  // Merges every run of consecutive equal values into its first entry, in one pass. The plain
  // sequence must have an entry at step 0.
  static NormalizedSequence normalize(PlainSequence<V> plain) {
    Map& map = plain.mutable_entries();
    if (map.empty() || map.begin()->first != 0) throw InternalError("Sequence is never empty");
    // `kept` is the last entry kept so far; every later entry with a new value moves up behind it.
    auto kept = map.begin();
    for (auto it = std::next(kept); it != map.end(); ++it) {
      poll_interrupt_every(static_cast<std::uint64_t>(it - map.begin()));
      if (it->second == kept->second) continue;
      if (++kept != it) *kept = std::move(*it);
    }
    map.erase(std::next(kept), map.end());
    return NormalizedSequence(std::move(plain));
  }

  // `default_value` everywhere except at the steps named by `pairs`, a range of (step, value)
  // pairs; a later pair for the same step wins. O(n log n) in the number of pairs.
  template <class Pairs>
  static NormalizedSequence from_pairs(const Pairs& pairs, V default_value) {
    // The pairs in step order, equal steps in their given order, so the last of each step wins.
    using Pair = std::remove_cvref_t<decltype(*std::begin(pairs))>;
    std::vector<const Pair*> ordered;
    for (const Pair& pair : pairs) ordered.push_back(&pair);
    const auto step_of = [](const Pair* pair) {
      const auto& [t, v] = *pair;
      return static_cast<TimeStep>(t);
    };
    std::stable_sort(ordered.begin(), ordered.end(),
                     [&](const Pair* a, const Pair* b) { return step_of(a) < step_of(b); });
    Map map;
    map.reserve(2 * ordered.size() + 1);
    if (ordered.empty() || step_of(ordered.front()) != 0) {
      map.emplace_hint(map.end(), 0, default_value);
    }
    for (std::size_t i = 0; i < ordered.size(); ++i) {
      poll_interrupt_every(i);
      const TimeStep step = step_of(ordered[i]);
      const bool next_is_same = i + 1 < ordered.size() && step_of(ordered[i + 1]) == step;
      if (next_is_same) continue;
      const auto& [t, v] = *ordered[i];
      map.emplace_hint(map.end(), step, v);
      // The default resumes after the step unless the next pair names the step right after.
      const bool next_is_named = i + 1 < ordered.size() && step_of(ordered[i + 1]) == step + 1;
      if (step != kMaxTime && !next_is_named) map.emplace_hint(map.end(), step + 1, default_value);
    }
    return normalize(PlainSequence<V>(std::move(map)));
  }

  // True exactly on the union of `intervals` (empty intervals contribute nothing).
  static NormalizedSequence from_positive_intervals(std::vector<Interval> intervals) {
    static_assert(std::same_as<V, bool>, "only sets of time steps have positive intervals");
    NormalizedSequence result = uniform(false);
    for (std::size_t i = 0; i < intervals.size(); ++i) {
      poll_interrupt_every(i);
      result.set_interval(intervals[i], true);
    }
    return result;
  }

  const PlainSequence<V>& plain() const noexcept { return plain_; }
  const Map& entries() const noexcept { return plain_.entries(); }
  // Number of entries (change points, counting step 0).
  std::size_t size() const noexcept { return plain_.size(); }

  // Makes the sequence hold `value` on [from, to) (to absent: from `from` on) and leaves every
  // other step unchanged. An empty range (to <= from) changes nothing. O(log n + removed entries).
  void set_between(TimeStep from, std::optional<TimeStep> to, V value) {
    if (to && *to <= from) return;
    Map& map = plain_.mutable_entries();
    const auto first = map.lower_bound(from);
    const auto last = to ? map.upper_bound(*to) : map.end();
    // The value in effect at `to` must resume there unless it equals the new value.
    std::optional<V> resumed;
    if (to) {
      if (last == map.begin()) throw InternalError("Sequence is never empty");
      const auto at_to = std::prev(last);
      if (!(at_to->second == value)) {
        if (at_to->first >= from) {
          resumed.emplace(std::move(at_to->second));  // about to be erased anyway
        } else {
          resumed.emplace(at_to->second);
        }
      }
    }
    auto next = map.erase(first, last);
    if (resumed) next = map.emplace_hint(next, *to, std::move(*resumed));
    // Every key in [from, to] is gone, so the entry before `next` is the one in effect just
    // before `from` (it exists because step 0 < from has an entry). An equal value there simply
    // extends its run.
    if (from > 0 && std::prev(next)->second == value) return;
    map.emplace_hint(next, from, std::move(value));
  }

  // Makes the sequence hold `value` on `interval`; an upper bound of kMaxTime means "to the end".
  void set_interval(const Interval& interval, V value) {
    switch (interval.kind()) {
      case Interval::Kind::Empty:
        return;
      case Interval::Kind::Bounded:
        set_between(interval.lb(),
                    interval.ub() == kMaxTime ? std::nullopt : std::optional(interval.ub() + 1),
                    std::move(value));
        return;
      case Interval::Kind::Unbounded:
        set_between(interval.lb(), std::nullopt, std::move(value));
        return;
    }
  }

  // Makes the sequence hold each piece's value on its interval, as `set_interval` for every piece
  // would, in one merge: O(entries + pieces) however many pieces lie in the middle of the
  // sequence. The intervals must be non-empty, disjoint and in increasing order.
  void set_pieces(const std::vector<std::pair<Interval, V>>& pieces) {
    if (pieces.empty()) return;
    constexpr std::uint64_t kNoEnd = std::uint64_t{kMaxTime} + 1;
    const Map& old = plain_.entries();
    Map merged;
    merged.reserve(old.size() + 2 * pieces.size());
    auto in_effect = old.begin();  // the old entry in effect at the position reached so far
    // Copies the old values on [from, to).
    std::uint64_t copied = 0;
    const auto keep_old = [&](std::uint64_t from, std::uint64_t to) {
      if (from >= to) return;
      while (std::next(in_effect) != old.end() && std::next(in_effect)->first <= from) ++in_effect;
      append_coalesced(merged, static_cast<TimeStep>(from), in_effect->second);
      for (auto it = std::next(in_effect); it != old.end() && it->first < to; ++it) {
        poll_interrupt_every(++copied);
        append_coalesced(merged, it->first, it->second);
        in_effect = it;
      }
    };
    std::uint64_t position = 0;
    for (const auto& [interval, value] : pieces) {
      poll_interrupt_every(++copied);
      if (interval.is_empty() || interval.lb() < position) {
        throw InternalError("Pieces must be non-empty, disjoint and in increasing order");
      }
      keep_old(position, interval.lb());
      append_coalesced(merged, interval.lb(), value);
      position = interval.is_bounded() ? std::uint64_t{interval.ub()} + 1 : kNoEnd;
    }
    keep_old(position, kNoEnd);
    plain_ = PlainSequence<V>(std::move(merged));
  }

  // The change point in effect at the greatest member of `set` (a membership sequence): from that
  // step on this sequence is constant over all of `set`. Absent when `set` is empty.
  std::optional<TimeStep> last_change_in(const NormalizedSequence<bool>& set) const {
    const auto& members = set.entries();
    const auto& [last_key, last_value] = *std::prev(members.end());
    if (members.size() == 1 && !last_value) return std::nullopt;
    // A normalised set whose last entry is false has an earlier true entry, so last_key >= 1.
    const TimeStep greatest = last_value ? kMaxTime : last_key - 1;
    const auto it = plain_.entry_at_or_before(greatest);
    if (it == plain_.entries().end()) throw InternalError("Signal is never empty");
    return it->first;
  }

  const V& value_at(TimeStep t) const { return plain_.value_at(t); }
  TimeStep change_point_at_or_before(TimeStep t) const {
    return plain_.change_point_at_or_before(t);
  }
  std::optional<TimeStep> next_change_after(TimeStep t) const {
    return plain_.next_change_after(t);
  }

  // Maximal runs of values satisfying `predicate`, in increasing order.
  template <std::predicate<const V&> Predicate>
  std::vector<Interval> intervals_where(Predicate predicate) const {
    return plain_.intervals_where(std::move(predicate));
  }
  std::vector<Interval> intervals_with_value(const V& value) const {
    return plain_.intervals_with_value(value);
  }
  std::vector<Interval> interval_covering(const Interval& interval) const {
    return plain_.interval_covering(interval);
  }
  template <class W>
  std::vector<Interval> refined_interval_covering(const PlainSequence<W>& other,
                                                  const Interval& interval) const {
    return plain_.refined_interval_covering(other, interval);
  }
  template <class W>
  std::vector<Interval> refined_interval_covering(const NormalizedSequence<W>& other,
                                                  const Interval& interval) const {
    return plain_.refined_interval_covering(other.plain(), interval);
  }

  // The sequence of f(value) at every step. Costs one pass over the entries.
  template <class F>
  auto transform(F f) const -> NormalizedSequence<std::invoke_result_t<F&, const V&>> {
    using R = std::invoke_result_t<F&, const V&>;
    typename NormalizedSequence<R>::Map out;
    std::uint64_t visited = 0;
    for (const auto& [key, value] : entries()) {
      poll_interrupt_every(visited++);
      append_coalesced(out, key, std::invoke(f, value));
    }
    return NormalizedSequence<R>::normalize(PlainSequence<R>(std::move(out)));
  }

  friend bool operator==(const NormalizedSequence& a, const NormalizedSequence& b) {
    return a.plain_ == b.plain_;
  }

 private:
  explicit NormalizedSequence(PlainSequence<V> plain) : plain_(std::move(plain)) {}

  PlainSequence<V> plain_;
};

// The sequence of f(a at t, b at t) at every step t: a forward merge over the change points of
// both, linear in their total number.
template <class A, class B, class F>
auto combine(const NormalizedSequence<A>& a, const NormalizedSequence<B>& b, F f)
    -> NormalizedSequence<std::invoke_result_t<F&, const A&, const B&>> {
  using R = std::invoke_result_t<F&, const A&, const B&>;
  typename NormalizedSequence<R>::Map out;
  auto a_at = a.entries().begin();
  auto b_at = b.entries().begin();
  for_each_merged_key(a.entries().begin(), a.entries().end(), b.entries().begin(),
                      b.entries().end(), [&](TimeStep key) {
                        // Keys arrive in increasing order, so each side only moves forward.
                        if (a_at->first < key) {
                          const auto next = std::next(a_at);
                          if (next != a.entries().end() && next->first == key) a_at = next;
                        }
                        if (b_at->first < key) {
                          const auto next = std::next(b_at);
                          if (next != b.entries().end() && next->first == key) b_at = next;
                        }
                        append_coalesced(out, key, std::invoke(f, a_at->second, b_at->second));
                      });
  return NormalizedSequence<R>::normalize(PlainSequence<R>(std::move(out)));
}

template <StreamableValue V>
std::ostream& operator<<(std::ostream& out, const NormalizedSequence<V>& sequence) {
  return out << sequence.plain();
}

}  // namespace corvane
