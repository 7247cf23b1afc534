#include "monitoring/relevance.hpp"

#include <algorithm>
#include <cstddef>
#include <map>
#include <set>
#include <span>

#include "formula/traversal.hpp"
#include "sets/interval_set.hpp"

namespace corvane {

namespace {

// The number of steps in a non-empty interval.
std::uint64_t length(const Interval& interval) {
  return std::uint64_t{interval.last()} - interval.lb() + 1;
}

}  // namespace

void collect_aps_with_time_rec(const NNFFormula& formula, Interval window, RelevanceMap& map) {
  // The nodes of the formula, each once and operands before operators, with the positions of
  // their operands in this list: `operands[operands_end[i - 1] .. operands_end[i])` for node i.
  std::vector<const NNFFormula*> subformulas;
  std::vector<std::size_t> operands_end;
  std::vector<std::size_t> operands;
  NodeMemo<std::size_t> positions;
  fold(formula, positions, [&](const NNFFormula& f, std::span<const std::size_t* const> of) {
    for (const std::size_t* operand : of) operands.push_back(*operand);
    operands_end.push_back(operands.size());
    subformulas.push_back(&f);
    return subformulas.size() - 1;
  });

  // Every parent of a node comes after it in the list, so going backwards each node has collected
  // the steps of all its parents before it passes on the steps at which it is needed, shifted by
  // the window through which it reads its operands (the lhs of an until too gets the whole
  // window). Passing on the union of the windows per node instead of each window per path keeps
  // a shared node at one visit, and the marked steps are the same: a sum of windows distributes
  // over their union.
  std::vector<std::vector<Interval>> needed(subformulas.size());  // as passed on by the parents
  needed.back().push_back(window);
  for (std::size_t i = subformulas.size(); i-- > 0;) {
    std::vector<Interval>& windows = needed[i];
    // Windows from several parents may overlap: merge them before passing them on.
    if (windows.size() > 1) {
      windows = NormalizedSequence<bool>::from_positive_intervals(std::move(windows))
                    .intervals_with_value(true);
    }
    const NNFFormula& f = *subformulas[i];
    if (f.is_literal()) {
      if (f.literal().is_constant()) continue;
      // A proposition that occurs is entered even when no step of it is needed.
      NormalizedSequence<bool>& steps = map.try_emplace(f.literal().proposition()).first->second;
      for (const Interval& w : windows) {
        if (!w.is_empty()) steps.set_interval(w, true);
      }
      continue;
    }
    const Interval shift = f.operand_window();
    const std::size_t first = i == 0 ? 0 : operands_end[i - 1];
    for (const Interval& w : windows) {
      const Interval reached = w + shift;
      if (reached.is_empty()) continue;
      for (std::size_t k = first; k < operands_end[i]; ++k) needed[operands[k]].push_back(reached);
    }
    std::vector<Interval>().swap(windows);  // passed on; its memory is not needed any more
  }
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
