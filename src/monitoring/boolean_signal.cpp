#include "monitoring/boolean_signal.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "support/internal_error.hpp"
#include "support/interruption.hpp"

namespace corvane {

namespace {

// Exclusive ends are kept in 64 bits so that the step after kMaxTime ("no end") never wraps to 0.
constexpr std::uint64_t kNoEnd = std::uint64_t{kMaxTime} + 1;

std::uint64_t exclusive_end(const Interval& run) {
  return run.is_unbounded() ? kNoEnd : std::uint64_t{run.ub()} + 1;
}

// Steps t with t + k in `witnesses` for some k in [0, w], w = ub(I) - lb(I) (unbounded for an
// unbounded I): the steps from which a witness is at most the window's width away.
Interval reaching(const Interval& witnesses, const Interval& interval) {
  const Interval width = interval.is_bounded() ? Interval::bounded(0, interval.ub() - interval.lb())
                                               : Interval::unbounded(0);
  return witnesses - width;
}

// First result of `positive_until_semantics`.
Interval until_through_lhs_run(const Interval& lhs_run, const Interval& interval,
                               const Interval& rhs_run) {
  if (interval.is_empty() || lhs_run.is_empty() || rhs_run.is_empty()) return Interval::empty();
  // rhs may hold at the first step after the lhs run.
  const Interval witnesses = intersection(extended_by_one_step(lhs_run), rhs_run);
  if (witnesses.is_empty()) return Interval::empty();
  // The obligation starts at t + lb(I), which must lie inside the (unextended) lhs run.
  return shift_left(intersection(reaching(witnesses, interval), lhs_run), interval.lb());
}

// Second result of `positive_until_semantics`.
Interval until_at_lower_bound(const Interval& interval, const Interval& rhs_run) {
  if (interval.is_empty() || rhs_run.is_empty()) return Interval::empty();
  return shift_left(rhs_run, interval.lb());
}

bool starts_before(const Interval& a, const Interval& b) {
  return a.lb() < b.lb();
}

}  // namespace

Interval shift_left(const Interval& x, TimeStep s) noexcept {
  switch (x.kind()) {
    case Interval::Kind::Empty:
      return Interval::empty();
    case Interval::Kind::Bounded:
      if (x.ub() < s) return Interval::empty();
      return Interval::bounded(saturating_sub(x.lb(), s), x.ub() - s);
    case Interval::Kind::Unbounded:
      return Interval::unbounded(saturating_sub(x.lb(), s));
  }
  return Interval::empty();
}

Interval intersection(const Interval& a, const Interval& b) noexcept {
  if (a.is_empty() || b.is_empty()) return Interval::empty();
  const TimeStep lb = std::max(a.lb(), b.lb());
  if (a.is_unbounded() && b.is_unbounded()) return Interval::unbounded(lb);
  return Interval::bounded(lb, std::min(a.last(), b.last()));
}

Interval extended_by_one_step(const Interval& run) noexcept {
  if (!run.is_bounded()) return run;
  return Interval::bounded(run.lb(), saturating_add(run.ub(), 1));
}

std::pair<Interval, Interval> positive_until_semantics(const Interval& lhs_run,
                                                       const Interval& interval,
                                                       const Interval& rhs_run) {
  return {until_through_lhs_run(lhs_run, interval, rhs_run),
          until_at_lower_bound(interval, rhs_run)};
}

BooleanSignal signal_of_sorted_runs(std::span<const Interval> runs) {
  BooleanSignal::Map out{{TimeStep{0}, false}};
  // The union run being built: [start, end).
  std::uint64_t start = 0;
  std::uint64_t end = 0;
  bool open = false;
  const auto close = [&] {
    if (start == 0) {
      out.begin()->second = true;
    } else {
      out.emplace_hint(out.end(), static_cast<TimeStep>(start), true);
    }
    if (end < kNoEnd) out.emplace_hint(out.end(), static_cast<TimeStep>(end), false);
  };
  std::uint64_t visited = 0;
  for (const Interval& run : runs) {
    poll_interrupt_every(visited++);
    if (run.is_empty()) continue;
    check(!open || run.lb() >= start, "Runs must be sorted by lower bound");
    if (open && run.lb() <= end) {  // overlaps or touches the current run
      end = std::max(end, exclusive_end(run));
      continue;
    }
    if (open) close();
    start = run.lb();
    end = exclusive_end(run);
    open = true;
  }
  if (open) close();
  // Consecutive union runs are separated by at least one false step, so the map alternates.
  return BooleanSignal::normalize(PlainSequence<bool>(std::move(out)));
}

BooleanSignal negation(const BooleanSignal& signal) {
  return signal.transform([](bool value) { return !value; });
}

BooleanSignal conjunction(const BooleanSignal& a, const BooleanSignal& b) {
  return combine(a, b, [](bool x, bool y) { return x && y; });
}

BooleanSignal disjunction(const BooleanSignal& a, const BooleanSignal& b) {
  return combine(a, b, [](bool x, bool y) { return x || y; });
}

BooleanSignal until(const BooleanSignal& lhs, const Interval& interval, const BooleanSignal& rhs) {
  if (interval.is_empty()) return BooleanSignal::uniform(false);
  const std::vector<Interval> lhs_runs = lhs.intervals_with_value(true);
  const std::vector<Interval> rhs_runs = rhs.intervals_with_value(true);

  // Witnesses reached through an lhs run. Only a pair whose extended lhs run meets the rhs run
  // contributes. The extended lhs runs are pairwise disjoint (maximal runs are at least one false
  // step apart), and so are the rhs runs, so one sweep finds every meeting pair: whichever of the
  // two current runs ends first meets no later run of the other list.
  std::vector<Interval> through_lhs;
  for (std::size_t i = 0, j = 0; i < lhs_runs.size() && j < rhs_runs.size();) {
    poll_interrupt_every(i + j);
    const Interval piece = until_through_lhs_run(lhs_runs[i], interval, rhs_runs[j]);
    if (!piece.is_empty()) through_lhs.push_back(piece);
    const TimeStep lhs_end = extended_by_one_step(lhs_runs[i]).last();
    const TimeStep rhs_end = rhs_runs[j].last();
    if (lhs_end <= rhs_end) ++i;
    if (rhs_end <= lhs_end) ++j;
  }
  // Witnesses exactly at t + lb(I); they need no lhs, so each rhs run contributes once.
  std::vector<Interval> at_lower_bound;
  for (const Interval& rhs_run : rhs_runs) {
    poll_interrupt_every(at_lower_bound.size());
    const Interval piece = until_at_lower_bound(interval, rhs_run);
    if (!piece.is_empty()) at_lower_bound.push_back(piece);
  }

  // Both lists come out sorted by lower bound: the sweep visits pairs in increasing order of both
  // indices, each piece lies in its lhs run, and shifting left keeps the order.
  std::vector<Interval> runs;
  runs.reserve(through_lhs.size() + at_lower_bound.size());
  std::merge(through_lhs.begin(), through_lhs.end(), at_lower_bound.begin(), at_lower_bound.end(),
             std::back_inserter(runs), starts_before);
  return signal_of_sorted_runs(runs);
}

BooleanSignal globally(const BooleanSignal& signal, const Interval& interval) {
  // φ fails at t + i for some i in I exactly when t lies in (false run − I) for some false run.
  // The differences keep the order of the runs.
  std::vector<Interval> failing;
  for (const Interval& run : signal.intervals_with_value(false)) {
    poll_interrupt_every(failing.size());
    failing.push_back(run - interval);
  }
  return negation(signal_of_sorted_runs(failing));
}

BooleanSignal temporal_signal(NNFFormula::Kind kind, const Interval& interval,
                              std::span<const BooleanSignal* const> operands) {
  switch (kind) {
    case NNFFormula::Kind::Until:
      return until(*operands[0], interval, *operands[1]);
    case NNFFormula::Kind::Globally:
      return globally(*operands[0], interval);
    case NNFFormula::Kind::Literal:
    case NNFFormula::Kind::And:
    case NNFFormula::Kind::Or:
      break;
  }
  throw InternalError("Unknown formula kind");
}

}  // namespace corvane
