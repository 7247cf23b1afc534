// Timing of the satisfaction-signal operators and of the monitor, at two sizes each.
//
// Build and run from the repository root (one line):
//   g++ -std=c++20 -O2 -pthread -Isrc -Itests/cpp bench/monitor_bench.cpp
//   src/monitoring/boolean_signal.cpp src/monitoring/kleene_monitor_sequence.cpp
//   src/monitoring/monitor.cpp
//   src/formula/nnf_formula.cpp src/formula/literal.cpp src/formula/atomic_proposition.cpp
//   src/time/interval.cpp src/support/stack_guard.cpp src/support/interruption.cpp
//   -o /tmp/monitor_bench && /tmp/monitor_bench
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
#include "support/random_formula.hpp"

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

// A formula with at least `count` structurally distinct subformulas and a nesting depth of at most
// 60, a size that recursive generation reaches only with huge trees: pieces are built from earlier
// pieces (recent ones preferred, so that they nest) and joined in one disjunction together with
// the conjunction of every literal.
NNFFormula formula_with_distinct_subformulas(testing::RandomFormulas<NNFFormula>& random,
                                             std::size_t count) {
  std::vector<NNFFormula> pool;
  for (const AtomicProposition& p : random.shape().propositions) {
    pool.push_back(NNFFormula::positive(p));
    pool.push_back(NNFFormula::negative(p));
  }
  NNFFormula root = NNFFormula::and_(pool);
  const auto& operators = random.shape().operators;
  std::unordered_set<NNFFormula> seen;
  while (seen.size() < count) {
    const std::size_t last = pool.size() - 1;
    const std::size_t recent =
        last - std::min(random.pick<std::size_t>(0, last), random.pick<std::size_t>(0, last));
    const std::size_t any = random.pick<std::size_t>(0, last);
    const testing::Operator op = operators[random.pick<std::size_t>(0, operators.size() - 1)];
    std::vector<NNFFormula> operands{pool[recent]};
    if (testing::RandomFormulas<NNFFormula>::binary(op)) operands.push_back(pool[any]);
    NNFFormula piece = random.apply(op, std::move(operands));
    if (piece.depth() > 60) continue;
    pool.push_back(piece);
    root = NNFFormula::or_({root, piece});
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
  std::vector<AtomicProposition> names;
  for (std::size_t i = 0; i < propositions; ++i) {
    names.push_back(AtomicProposition::new_("p" + std::to_string(i)));
  }
  // Windows with bounds up to 10, a fifth of them unbounded.
  testing::RandomFormulas<NNFFormula> random(
      rng, {.propositions = std::move(names),
            .operators = {testing::Operator::And, testing::Operator::Or, testing::Operator::Until,
                          testing::Operator::Globally, testing::Operator::Release},
            .windows = {.max_lb = 10, .max_width = 10, .unbounded = 0.2}});
  const NNFFormula formula = formula_with_distinct_subformulas(random, subformulas);
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
