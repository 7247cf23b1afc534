#include "formula/transformations.hpp"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_set>

#include "sets/interval_set.hpp"
#include "support/internal_error.hpp"
#include "support/stack_guard.hpp"

namespace corvane {

namespace {

// Rewrites every until that is not an eventually; everything else is rebuilt around it.
//
// Formulas share subformulas (a release mentions its rhs three times), so the same subformula can
// be reached along many paths; each distinct subformula is rewritten once.
class UntilRewriter {
 public:
  enum class Mode { RemoveDelay, RemoveTiming };

  explicit UntilRewriter(Mode mode) : mode_(mode) {}

  NNFFormula rewrite(const NNFFormula& f) {
    ensure_stack_space();
    if (f.is_literal()) return f;
    if (auto hit = done_.find(f); hit != done_.end()) return hit->second;
    NNFFormula result = rewrite_operator(f);
    done_.emplace(f, result);
    return result;
  }

 private:
  NNFFormula rewrite_operator(const NNFFormula& f) {
    switch (f.kind()) {
      case NNFFormula::Kind::Literal:
        return f;
      case NNFFormula::Kind::And:
      case NNFFormula::Kind::Or: {
        std::vector<NNFFormula> members;
        members.reserve(f.members().size());
        for (const auto& m : f.members()) members.push_back(rewrite(m));
        return f.kind() == NNFFormula::Kind::And ? NNFFormula::and_(std::move(members))
                                                 : NNFFormula::or_(std::move(members));
      }
      case NNFFormula::Kind::Globally:
        return NNFFormula::globally(f.interval(), rewrite(f.child()));
      case NNFFormula::Kind::Until:
        if (f.is_eventually()) return NNFFormula::eventually(f.interval(), rewrite(f.rhs()));
        if (f.interval().is_empty()) return NNFFormula::false_();
        return mode_ == Mode::RemoveDelay ? undelayed(f) : untimed(f);
    }
    throw InternalError("internal error: entered unreachable code: unknown formula kind");
  }

  // a U[c, d] b with c > 0 waits until step c, then runs an until that starts at once:
  // G[c, c] (a U[0, d - c] b).
  NNFFormula undelayed(const NNFFormula& f) {
    const Interval interval = f.interval();
    NNFFormula lhs = rewrite(f.lhs());
    NNFFormula rhs = rewrite(f.rhs());
    const TimeStep c = interval.lb();
    if (c == 0) return NNFFormula::until(std::move(lhs), interval, std::move(rhs));
    const Interval from_zero =
        interval.is_unbounded() ? Interval::unbounded(0) : Interval::bounded(0, interval.ub() - c);
    return NNFFormula::globally(Interval::singleton(c),
                                NNFFormula::until(std::move(lhs), from_zero, std::move(rhs)));
  }

  // a U I b is F I b & G[c, c] (a U b) with c = lb(I): the first step of I at which b holds is
  // also a witness for the untimed until started at step c, and any witness of that until lies
  // at or before it.
  NNFFormula untimed(const NNFFormula& f) {
    const Interval interval = f.interval();
    NNFFormula lhs = rewrite(f.lhs());
    NNFFormula rhs = rewrite(f.rhs());
    if (interval == Interval::unbounded(0)) {
      return NNFFormula::until(std::move(lhs), interval, std::move(rhs));
    }
    NNFFormula within = NNFFormula::eventually(interval, rhs);
    NNFFormula untimed = NNFFormula::until(std::move(lhs), Interval::unbounded(0), std::move(rhs));
    NNFFormula waited = NNFFormula::next(interval.lb(), std::move(untimed));
    return NNFFormula::and_({std::move(within), std::move(waited)});
  }

  Mode mode_;
  std::unordered_map<NNFFormula, NNFFormula> done_;
};

struct VisitHash {
  std::size_t operator()(const std::pair<NNFFormula, Interval>& v) const noexcept {
    return v.first.hash() ^ (v.second.hash() * 0x9E3779B97F4A7C15ull);
  }
};

// Marks, per proposition, the steps at which its value is needed. A subformula reached again
// with the same window adds nothing new and is skipped.
class RelevanceCollector {
 public:
  explicit RelevanceCollector(RelevanceMap& map) : map_(map) {}

  void visit(const NNFFormula& f, Interval window) {
    ensure_stack_space();
    if (f.is_literal()) {
      mark(f.literal(), window);
      return;
    }
    if (!visited_.emplace(f, window).second) return;
    switch (f.kind()) {
      case NNFFormula::Kind::Literal:
        return;
      case NNFFormula::Kind::And:
      case NNFFormula::Kind::Or:
        for (const auto& m : f.members()) visit(m, window);
        return;
      case NNFFormula::Kind::Until: {
        // The lhs gets the whole shifted window too.
        const Interval shifted = window + f.interval();
        visit(f.lhs(), shifted);
        visit(f.rhs(), shifted);
        return;
      }
      case NNFFormula::Kind::Globally:
        visit(f.child(), window + f.interval());
        return;
    }
  }

 private:
  void mark(const Literal& literal, Interval window) {
    if (literal.is_constant()) return;
    NormalizedSequence<bool>& steps = map_.try_emplace(literal.proposition()).first->second;
    if (!window.is_empty()) steps.set_interval(window, true);
  }

  RelevanceMap& map_;
  std::unordered_set<std::pair<NNFFormula, Interval>, VisitHash> visited_;
};

// The number of steps in a non-empty interval.
std::uint64_t length(const Interval& interval) {
  return std::uint64_t{interval.last()} - interval.lb() + 1;
}

}  // namespace

NNFFormula remove_delayed_until(const NNFFormula& formula) {
  return UntilRewriter(UntilRewriter::Mode::RemoveDelay).rewrite(formula);
}

NNFFormula remove_timed_until(const NNFFormula& formula) {
  return UntilRewriter(UntilRewriter::Mode::RemoveTiming).rewrite(formula);
}

void collect_aps_with_time_rec(const NNFFormula& formula, Interval window, RelevanceMap& map) {
  RelevanceCollector(map).visit(formula, window);
}

std::vector<std::pair<TimeStep, std::vector<std::string>>> relevant_aps(const NNFFormula& formula,
                                                                        TimeStep start,
                                                                        TimeStep end) {
  const Interval window = Interval::bounded(start, end);
  if (window.is_empty()) return {};
  RelevanceMap relevance;
  collect_aps_with_time_rec(formula, Interval::singleton(0), relevance);

  // Propositions are listed by their display text; distinct propositions with the same text (the
  // text forms of `a(b)` can coincide) are merged so that a text appears once per step.
  const IntervalSet window_set(window);
  std::map<std::string, NormalizedSequence<bool>> by_text;
  for (const auto& [proposition, steps] : relevance) {
    const IntervalSet in_window = IntervalSet(steps).intersect(window_set);
    if (in_window.is_empty()) continue;
    NormalizedSequence<bool>& merged = by_text[proposition.display()];
    for (const Interval& run : in_window.positive_intervals()) merged.set_interval(run, true);
  }

  // Count the entries first: a window of billions of relevant steps cannot be listed.
  struct Run {
    std::uint64_t first;
    std::uint64_t end;  // exclusive; up to 2^32
    std::size_t text;
  };
  std::vector<std::string> texts;
  std::vector<Run> runs;
  std::uint64_t entries = 0;
  for (auto& [text, merged] : by_text) {
    for (const Interval& run : IntervalSet(std::move(merged)).positive_intervals()) {
      runs.push_back({run.lb(), run.lb() + length(run), texts.size()});
      entries += length(run);
    }
    texts.push_back(text);
  }
  if (entries > kMaxRelevantEntries) {
    throw ResultTooLarge("the relevant propositions of steps " + std::to_string(start) + " to " +
                         std::to_string(end) + " form " + std::to_string(entries) +
                         " (step, proposition) entries, more than the limit of " +
                         std::to_string(kMaxRelevantEntries));
  }

  // Sweep over the run boundaries; between two consecutive boundaries the set of relevant texts
  // is constant and is listed once per step.
  std::vector<std::pair<std::uint64_t, std::ptrdiff_t>> boundaries;  // (time, +1 start / -1 end)
  boundaries.reserve(2 * runs.size());
  for (std::size_t i = 0; i < runs.size(); ++i) {
    boundaries.emplace_back(runs[i].first, static_cast<std::ptrdiff_t>(i) + 1);
    boundaries.emplace_back(runs[i].end, -static_cast<std::ptrdiff_t>(i) - 1);
  }
  std::sort(boundaries.begin(), boundaries.end());
  std::vector<std::pair<TimeStep, std::vector<std::string>>> result;
  std::set<std::size_t> active;  // text indices, so that texts come out in byte order
  for (std::size_t i = 0; i < boundaries.size();) {
    const std::uint64_t from = boundaries[i].first;
    for (; i < boundaries.size() && boundaries[i].first == from; ++i) {
      const std::ptrdiff_t tag = boundaries[i].second;
      const Run& run = runs[static_cast<std::size_t>(tag > 0 ? tag - 1 : -tag - 1)];
      if (tag > 0) {
        active.insert(run.text);
      } else {
        active.erase(run.text);
      }
    }
    if (active.empty() || i == boundaries.size()) continue;
    std::vector<std::string> listed;
    listed.reserve(active.size());
    for (std::size_t t : active) listed.push_back(texts[t]);
    for (std::uint64_t step = from; step < boundaries[i].first; ++step) {
      result.emplace_back(static_cast<TimeStep>(step), listed);
    }
  }
  return result;
}

}  // namespace corvane
