// A set of consecutive time steps: empty, bounded [lb, ub] (both inclusive) or unbounded [lb, inf).
//
// The greatest member of every unbounded set is the last step, `kMaxTime`. Arithmetic on bounds
// saturates at `kMaxTime` instead of wrapping.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "time/time_step.hpp"

namespace corvane {

class Interval {
 public:
  // Declaration order is the sort order.
  enum class Kind : std::uint8_t { Empty, Bounded, Unbounded };

  constexpr Interval() noexcept = default;  // Empty
  static constexpr Interval empty() noexcept { return Interval(); }
  // [lb, ub]; `Empty` when ub < lb.
  static constexpr Interval bounded(TimeStep lb, TimeStep ub) noexcept {
    return ub < lb ? Interval() : Interval(Kind::Bounded, lb, ub);
  }
  static constexpr Interval singleton(TimeStep t) noexcept { return bounded(t, t); }
  static constexpr Interval unbounded(TimeStep lb) noexcept {
    return Interval(Kind::Unbounded, lb, 0);
  }
  // No end gives [start, inf); otherwise [start, end], which is `Empty` when end < start.
  static constexpr Interval from_bounds(TimeStep start, std::optional<TimeStep> end) noexcept {
    return end ? bounded(start, *end) : unbounded(start);
  }

  constexpr Kind kind() const noexcept { return kind_; }
  constexpr bool is_empty() const noexcept { return kind_ == Kind::Empty; }
  constexpr bool is_bounded() const noexcept { return kind_ == Kind::Bounded; }
  constexpr bool is_unbounded() const noexcept { return kind_ == Kind::Unbounded; }
  constexpr bool is_singleton() const noexcept { return kind_ == Kind::Bounded && lb_ == ub_; }
  // Lower bound; 0 for `Empty`.
  constexpr TimeStep lb() const noexcept { return lb_; }
  // Upper bound of a bounded interval; 0 for the other kinds.
  constexpr TimeStep ub() const noexcept { return ub_; }
  // Greatest member: `ub` when bounded, `kMaxTime` when unbounded. Not meaningful for `Empty`.
  constexpr TimeStep last() const noexcept { return kind_ == Kind::Unbounded ? kMaxTime : ub_; }
  constexpr bool contains(TimeStep t) const noexcept {
    return kind_ != Kind::Empty && lb_ <= t && (kind_ == Kind::Unbounded || t <= ub_);
  }

  friend constexpr bool operator==(const Interval&, const Interval&) noexcept = default;
  friend constexpr std::strong_ordering operator<=>(const Interval& a, const Interval& b) noexcept {
    if (auto c = a.kind_ <=> b.kind_; c != 0) return c;
    if (auto c = a.lb_ <=> b.lb_; c != 0) return c;
    return a.ub_ <=> b.ub_;
  }

  std::size_t hash() const noexcept {
    return (static_cast<std::size_t>(kind_) * 0x9E3779B97F4A7C15ull) ^
           ((static_cast<std::size_t>(lb_) << 32) | ub_);
  }

  // "∅", "[lb, ub]" or "[lb, inf]".
  std::string display() const;
  void append_display(std::string& out) const;
  // "Empty", "Bounded { lb: 1, ub: 4 }" or "Unbounded { lb: 2 }".
  void append_debug(std::string& out) const;

 private:
  constexpr Interval(Kind kind, TimeStep lb, TimeStep ub) noexcept
      : kind_(kind), lb_(lb), ub_(ub) {}

  Kind kind_ = Kind::Empty;
  TimeStep lb_ = 0;
  TimeStep ub_ = 0;
};

// Writes the display form (used by test diagnostics).
std::ostream& operator<<(std::ostream& out, const Interval& interval);

// All non-negative differences t - s with t in `a` and s in `b`, as one interval.
Interval operator-(const Interval& a, const Interval& b) noexcept;

// a ⊕ b = { s + d : s in a, d in b }. Sums saturate at `kMaxTime`, so a window never wraps around
// to the start of time.
Interval operator+(const Interval& a, const Interval& b) noexcept;

// The interval shifted later by `t` (saturating): t + I.
Interval shifted(const Interval& interval, TimeStep t) noexcept;

}  // namespace corvane

template <>
struct std::hash<corvane::Interval> {
  std::size_t operator()(const corvane::Interval& i) const noexcept { return i.hash(); }
};
