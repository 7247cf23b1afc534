#include "monitoring/relevance.hpp"

#include <algorithm>
#include <cstddef>
#include <map>
#include <set>
#include <unordered_set>

#include "sets/interval_set.hpp"
#include "support/stack_guard.hpp"

namespace corvane {

namespace {

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
