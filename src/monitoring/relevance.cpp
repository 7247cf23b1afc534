#include "monitoring/relevance.hpp"

#include <algorithm>
#include <limits>
#include <map>
#include <set>
#include <span>
#include <utility>

#include "formula/traversal.hpp"
#include "monitoring/boolean_signal.hpp"
#include "support/interruption.hpp"

namespace corvane {

namespace {

// Exclusive ends are kept in 64 bits, so that the step after the last one does not wrap to 0.
constexpr std::uint64_t kNoEnd = std::uint64_t{kMaxTime} + 1;

std::uint64_t exclusive_end(const Interval& interval) {
  return interval.is_unbounded() ? kNoEnd : std::uint64_t{interval.ub()} + 1;
}

// Sorts `windows` and merges those that overlap or touch, dropping empty ones: the same steps as
// disjoint runs in increasing order.
void merge_windows(std::vector<Interval>& windows) {
  std::erase_if(windows, [](const Interval& w) { return w.is_empty(); });
  std::sort(windows.begin(), windows.end(),
            [](const Interval& a, const Interval& b) { return a.lb() < b.lb(); });
  std::size_t kept = 0;
  std::uint64_t kept_end = 0;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    poll_interrupt_every(i);
    const Interval& w = windows[i];
    if (kept > 0 && w.lb() <= kept_end) {
      if (exclusive_end(w) > kept_end) {
        kept_end = exclusive_end(w);
        const Interval& run = windows[kept - 1];
        windows[kept - 1] = kept_end == kNoEnd
                                ? Interval::unbounded(run.lb())
                                : Interval::bounded(run.lb(), static_cast<TimeStep>(kept_end - 1));
      }
      continue;
    }
    windows[kept++] = w;
    kept_end = exclusive_end(w);
  }
  windows.resize(kept);
}

// `window` cut off after `horizon`: the steps beyond it matter to nobody, and neither do the
// steps that windows passed on from them reach, which all lie beyond it too.
Interval clipped(const Interval& window, TimeStep horizon) {
  if (window.is_empty() || window.lb() > horizon) return Interval::empty();
  if (exclusive_end(window) <= std::uint64_t{horizon} + 1) return window;
  return Interval::bounded(window.lb(), horizon);
}

// Adds to `map` the steps up to `horizon` at which the propositions of `formula` matter when
// its value is needed at every step of `window`.
void collect(const NNFFormula& formula, Interval window, TimeStep horizon, RelevanceMap& map) {
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

  // The windows held at once: those passed on to nodes not visited yet, and those of the
  // propositions.
  std::uint64_t held = 0;
  const auto hold = [&held](std::vector<Interval>& windows, const Interval& w) {
    if (++held > kMaxRelevanceWindows) {
      throw ResultTooLarge("working out the relevant steps would hold more than " +
                           std::to_string(kMaxRelevanceWindows) +
                           " windows of steps at once; the formula passes on too many");
    }
    windows.push_back(w);
  };

  // Every parent of a node comes after it in the list, so going backwards each node has collected
  // the steps of all its parents before it passes on the steps at which it is needed, shifted by
  // the window through which it reads its operands (the lhs of an until too gets the whole
  // window). Passing on the union of the windows per node instead of each window per path keeps
  // a shared node at one visit, and the marked steps are the same: a sum of windows distributes
  // over their union.
  std::vector<std::vector<Interval>> needed(subformulas.size());  // as passed on by the parents
  std::unordered_map<AtomicProposition, std::vector<Interval>> marked;
  if (const Interval root = clipped(window, horizon); !root.is_empty()) hold(needed.back(), root);
  for (std::size_t i = subformulas.size(); i-- > 0;) {
    poll_interrupt();
    std::vector<Interval> windows = std::move(needed[i]);
    // Windows from several parents may overlap: merge them before passing them on.
    const std::size_t passed = windows.size();
    merge_windows(windows);
    held -= passed - windows.size();
    const NNFFormula& f = *subformulas[i];
    if (f.is_literal()) {
      if (f.literal().is_constant()) {
        held -= windows.size();
        continue;
      }
      // A proposition that occurs is entered even when no step of it is needed.
      std::vector<Interval>& steps = marked[f.literal().proposition()];
      steps.insert(steps.end(), windows.begin(), windows.end());
      continue;
    }
    const Interval shift = f.operand_window();
    const std::size_t first = i == 0 ? 0 : operands_end[i - 1];
    for (const Interval& w : windows) {
      const Interval reached = clipped(w + shift, horizon);
      if (reached.is_empty()) continue;
      for (std::size_t k = first; k < operands_end[i]; ++k) hold(needed[operands[k]], reached);
    }
    held -= windows.size();
  }

  // Each proposition's steps, built once from the union of its windows and what `map` held.
  for (auto& [proposition, windows] : marked) {
    NormalizedSequence<bool>& steps = map.try_emplace(proposition).first->second;
    if (windows.empty()) continue;
    for (const Interval& run : steps.intervals_with_value(true)) windows.push_back(run);
    merge_windows(windows);
    steps = signal_of_sorted_runs(windows);
  }
}

// a * b + c, saturating at the largest value instead of wrapping.
std::uint64_t multiply_add(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  if (c > kMax || (b != 0 && a > (kMax - c) / b)) return kMax;
  return a * b + c;
}

}  // namespace

void collect_aps_with_time_rec(const NNFFormula& formula, Interval window, RelevanceMap& map) {
  collect(formula, window, kMaxTime, map);
}

RelevantAps relevant_aps(const NNFFormula& formula, TimeStep start, TimeStep end,
                         const ListingCost& cost) {
  RelevantAps answer;
  const Interval window = Interval::bounded(start, end);
  if (window.is_empty()) return answer;
  RelevanceMap relevance;
  collect(formula, Interval::singleton(0), end, relevance);

  // Propositions are listed by their display text; distinct propositions with the same text (the
  // text forms of `a(b)` can coincide) are merged so that a text appears once per step.
  std::map<std::string, std::vector<Interval>> by_text;
  for (const auto& [proposition, steps] : relevance) {
    for (const Interval& run : steps.intervals_with_value(true)) {
      const Interval inside = intersection(run, window);
      if (!inside.is_empty()) by_text[proposition.display()].push_back(inside);
    }
  }

  // The runs of every text, and where runs start (+(r + 1) for run r) and end (-(r + 1)).
  struct TextRun {
    std::uint64_t first;
    std::uint64_t end;  // exclusive
    std::uint32_t text;
  };
  std::vector<TextRun> runs;
  std::uint64_t entries = 0;
  std::uint64_t text_cost = 0;
  for (auto& [text, windows] : by_text) {
    merge_windows(windows);
    const auto index = static_cast<std::uint32_t>(answer.texts.size());
    for (const Interval& run : windows) {
      runs.push_back({run.lb(), exclusive_end(run), index});
      entries += exclusive_end(run) - run.lb();
    }
    text_cost = multiply_add(1, text_cost, multiply_add(1, cost.per_text, text.size()));
    answer.texts.push_back(text);
  }
  std::vector<std::pair<std::uint64_t, std::int64_t>> boundaries;
  boundaries.reserve(2 * runs.size());
  for (std::size_t r = 0; r < runs.size(); ++r) {
    boundaries.emplace_back(runs[r].first, static_cast<std::int64_t>(r) + 1);
    boundaries.emplace_back(runs[r].end, -static_cast<std::int64_t>(r) - 1);
  }
  std::sort(boundaries.begin(), boundaries.end());
  // Calls `visit(from, to, starting, ending)` for each position at which runs start or end, with
  // the next such position (`to`; none after the last) and the runs starting and ending there.
  const auto sweep = [&boundaries](auto&& visit) {
    for (std::size_t i = 0; i < boundaries.size();) {
      poll_interrupt_every(i);
      const std::uint64_t from = boundaries[i].first;
      const std::size_t group = i;
      while (i < boundaries.size() && boundaries[i].first == from) ++i;
      const std::uint64_t to = i < boundaries.size() ? boundaries[i].first : from;
      visit(from, to, std::span(boundaries).subspan(group, i - group));
    }
  };

  // What listing takes, counted before anything is listed.
  std::uint64_t steps = 0;
  std::int64_t active = 0;
  sweep([&](std::uint64_t from, std::uint64_t to, auto changes) {
    for (const auto& [position, tag] : changes) active += tag > 0 ? 1 : -1;
    if (active > 0) steps += to - from;
  });
  const std::uint64_t total =
      multiply_add(steps, cost.per_step, multiply_add(entries, cost.per_entry, text_cost));
  if (total > cost.budget) {
    throw ResultTooLarge("the relevant propositions of steps " + std::to_string(start) + " to " +
                         std::to_string(end) + " form " + std::to_string(entries) +
                         " (step, proposition) entries, about " + std::to_string(total) +
                         " bytes to list, more than the limit of " + std::to_string(cost.budget) +
                         " bytes");
  }

  // Between two consecutive positions the set of relevant texts is constant: one span.
  std::set<std::uint32_t> texts;  // in byte order, as the texts are numbered
  sweep([&](std::uint64_t from, std::uint64_t to, auto changes) {
    for (const auto& [position, tag] : changes) {
      const TextRun& run = runs[static_cast<std::size_t>(tag > 0 ? tag : -tag) - 1];
      if (tag > 0) {
        texts.insert(run.text);
      } else {
        texts.erase(run.text);
      }
    }
    if (texts.empty() || to == from) return;
    const std::size_t begin = answer.members.size();
    answer.members.insert(answer.members.end(), texts.begin(), texts.end());
    answer.spans.push_back(
        {static_cast<TimeStep>(from), static_cast<TimeStep>(to - 1), begin, answer.members.size()});
  });
  return answer;
}

}  // namespace corvane
