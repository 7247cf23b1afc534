// Timing of the satisfaction-signal operators and of the monitor, at two sizes each.
//
// Build and run from the repository root (one line):
//   g++ -std=c++20 -O2 -pthread -Isrc bench/monitor_bench.cpp src/monitoring/boolean_signal.cpp
//   src/monitoring/kleene_monitor_sequence.cpp src/monitoring/monitor.cpp
//   src/formula/nnf_formula.cpp src/formula/literal.cpp src/formula/atomic_proposition.cpp
//   src/time/interval.cpp src/support/stack_guard.cpp -o /tmp/monitor_bench && /tmp/monitor_bench
//
// (a) until and globally over boolean signals with N true runs (N = 100,000 and 200,000);
// (b) Monitor::evaluate of a formula with S structurally distinct subformulas over a Kleene trace
//     with C change points in total (S = 1,000, C = 10,000, and both doubled).
// Each figure is the median of five runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "formula/nnf_formula.hpp"
#include "monitoring/boolean_signal.hpp"
#include "monitoring/monitor.hpp"

namespace {

using namespace corvane;

double median_ms(const std::function<std::size_t()>& run, std::size_t& size) {
  std::vector<double> times;
  for (int i = 0; i < 5; ++i) {
    const auto start = std::chrono::steady_clock::now();
    size = run();
    const auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[2];
}

// `runs` true runs of length `length`, one every `period` steps, the first at `offset`.
BooleanSignal periodic_signal(std::size_t runs, TimeStep period, TimeStep length, TimeStep offset) {
  std::map<TimeStep, bool> entries{{0, false}};
  for (std::size_t i = 0; i < runs; ++i) {
    const TimeStep start = offset + static_cast<TimeStep>(i) * period;
    entries[start] = true;
    entries[start + length] = false;
  }
  return BooleanSignal::normalize(PlainSequence<bool>(std::move(entries)));
}

void bench_operators(std::size_t runs) {
  const BooleanSignal lhs = periodic_signal(runs, 7, 4, 1);
  const BooleanSignal rhs = periodic_signal(runs, 7, 2, 3);
  const struct {
    const char* name;
    std::function<BooleanSignal()> op;
  } cases[] = {
      {"until [2, 9]", [&] { return until(lhs, Interval::bounded(2, 9), rhs); }},
      {"until [1, inf)", [&] { return until(lhs, Interval::unbounded(1), rhs); }},
      {"globally [2, 9]", [&] { return globally(lhs, Interval::bounded(2, 9)); }},
      {"globally [0, 2]", [&] { return globally(lhs, Interval::bounded(0, 2)); }},
  };
  for (const auto& c : cases) {
    std::size_t size = 0;
    const double ms = median_ms([&] { return c.op().size(); }, size);
    std::printf("  %-16s %7zu true runs per operand: %8.1f ms  (result: %zu change points)\n",
                c.name, runs, ms, size);
  }
}

void collect(const NNFFormula& formula, std::unordered_set<NNFFormula>& seen) {
  if (!seen.insert(formula).second) return;
  for (const NNFFormula& sub : formula.subformulas()) collect(sub, seen);
}

// A formula whose distinct subformulas number at least `subformulas`, built by combining random
// earlier pieces with every kind of operator, over `propositions` propositions.
NNFFormula random_formula(std::size_t subformulas, std::size_t propositions, std::mt19937& rng) {
  std::vector<NNFFormula> pool;
  for (std::size_t i = 0; i < propositions; ++i) {
    const auto p = AtomicProposition::new_("p" + std::to_string(i));
    pool.push_back(NNFFormula::positive(p));
    pool.push_back(NNFFormula::negative(p));
  }
  std::unordered_set<NNFFormula> seen;
  NNFFormula root = NNFFormula::and_(pool);
  std::uniform_int_distribution<TimeStep> bound(0, 10);
  const auto window = [&] {
    const TimeStep a = bound(rng), b = bound(rng);
    return std::bernoulli_distribution(0.2)(rng)
               ? Interval::unbounded(a)
               : Interval::bounded(std::min(a, b), std::max(a, b));
  };
  while (seen.size() < subformulas) {
    std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
    // Prefer recent pieces so that the formula nests, but keep depths moderate.
    const NNFFormula& a = pool[pool.size() - 1 - std::min(pick(rng), pick(rng))];
    const NNFFormula& b = pool[pick(rng)];
    NNFFormula next;
    switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
      case 0:
        next = NNFFormula::and_({a, b});
        break;
      case 1:
        next = NNFFormula::or_({a, b});
        break;
      case 2:
        next = NNFFormula::until(a, window(), b);
        break;
      case 3:
        next = NNFFormula::globally(window(), a);
        break;
      default:
        next = NNFFormula::release(a, window(), b);
        break;
    }
    if (next.depth() > 60) continue;
    pool.push_back(next);
    root = NNFFormula::or_({root, next});
    seen.clear();
    collect(root, seen);
  }
  return root;
}

KleeneTrace random_trace(std::size_t propositions, std::size_t change_points, std::mt19937& rng) {
  KleeneTrace trace;
  std::uniform_int_distribution<TimeStep> gap(1, 9);
  for (std::size_t i = 0; i < propositions; ++i) {
    std::map<TimeStep, Kleene> entries{{0, Kleene::Unknown}};
    TimeStep t = 0;
    Kleene value = Kleene::Unknown;
    for (std::size_t k = 1; k < change_points / propositions; ++k) {
      t += gap(rng);
      value = static_cast<Kleene>((static_cast<int>(value) + 1 + (gap(rng) & 1)) % 3);
      entries[t] = value;
    }
    trace.emplace(AtomicProposition::new_("p" + std::to_string(i)),
                  NormalizedSequence<Kleene>::normalize(PlainSequence<Kleene>(std::move(entries))));
  }
  return trace;
}

void bench_monitor(std::size_t subformulas, std::size_t change_points) {
  std::mt19937 rng(42);
  const std::size_t propositions = 10;
  const Monitor monitor(random_trace(propositions, change_points, rng), Kleene::Unknown);
  const NNFFormula formula = random_formula(subformulas, propositions, rng);
  std::size_t entries = 0;
  const double ms = median_ms([&] { return monitor.evaluate(formula).size(); }, entries);
  std::printf("  evaluate: %zu distinct subformulas, %zu trace change points: %8.1f ms\n", entries,
              change_points, ms);
}

}  // namespace

int main() {
  std::printf("(a) boolean operators\n");
  bench_operators(100'000);
  bench_operators(200'000);
  std::printf("(b) monitor\n");
  bench_monitor(1'000, 10'000);
  bench_monitor(2'000, 20'000);
}
