#include "formula/until_rewriting.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <vector>

#include "formula/printing.hpp"
#include "support/random_formula.hpp"
#include "support/step_evaluator.hpp"

namespace corvane {
namespace {

AtomicProposition ap(const char* name) {
  return AtomicProposition::new_(name);
}
NNFFormula pos(const char* name) {
  return NNFFormula::positive(ap(name));
}
std::string debug(const NNFFormula& f) {
  return to_debug_string(f);
}

const NNFFormula a = pos("a");
const NNFFormula b = pos("b");
const Interval all = Interval::unbounded(0);

TEST(RemoveDelayedUntil, StartsEveryUntilAtZero) {
  const std::pair<NNFFormula, NNFFormula> cases[] = {
      {NNFFormula::until(a, Interval::bounded(3, 7), b),
       NNFFormula::globally(Interval::singleton(3),
                            NNFFormula::until(a, Interval::bounded(0, 4), b))},
      {NNFFormula::until(a, Interval::unbounded(2), b),
       NNFFormula::globally(Interval::singleton(2), NNFFormula::until(a, all, b))},
      {NNFFormula::until(a, Interval::bounded(0, 7), b),
       NNFFormula::until(a, Interval::bounded(0, 7), b)},
      {NNFFormula::eventually(Interval::bounded(3, 7), b),
       NNFFormula::eventually(Interval::bounded(3, 7), b)},
      // Globally keeps its interval; the until inside it is rewritten.
      {NNFFormula::globally(Interval::bounded(1, 2),
                            NNFFormula::until(a, Interval::unbounded(2), b)),
       NNFFormula::globally(
           Interval::bounded(1, 2),
           NNFFormula::globally(Interval::singleton(2), NNFFormula::until(a, all, b)))},
      // The top of the time range: no wrap-around in ub - c.
      {NNFFormula::until(a, Interval::bounded(5, kMaxTime), b),
       NNFFormula::globally(Interval::singleton(5),
                            NNFFormula::until(a, Interval::bounded(0, kMaxTime - 5), b))},
  };
  for (const auto& [formula, expected] : cases) {
    EXPECT_EQ(debug(remove_delayed_until(formula)), debug(expected)) << debug(formula);
  }
}

TEST(RemoveTimedUntil, MovesTheTimingIntoAnEventually) {
  const NNFFormula untimed = NNFFormula::until(a, all, b);
  const std::pair<NNFFormula, NNFFormula> cases[] = {
      {NNFFormula::until(a, Interval::bounded(0, 5), b),
       NNFFormula::and_({NNFFormula::eventually(Interval::bounded(0, 5), b), untimed})},
      {NNFFormula::until(a, Interval::bounded(2, 5), b),
       NNFFormula::and_({NNFFormula::eventually(Interval::bounded(2, 5), b),
                         NNFFormula::globally(Interval::singleton(2), untimed)})},
      {NNFFormula::until(a, Interval::unbounded(4), b),
       NNFFormula::and_({NNFFormula::eventually(Interval::unbounded(4), b),
                         NNFFormula::globally(Interval::singleton(4), untimed)})},
      {untimed, untimed},
      {NNFFormula::globally(Interval::bounded(1, 2),
                            NNFFormula::until(a, Interval::bounded(0, 5), b)),
       NNFFormula::globally(
           Interval::bounded(1, 2),
           NNFFormula::and_({NNFFormula::eventually(Interval::bounded(0, 5), b), untimed}))},
  };
  for (const auto& [formula, expected] : cases) {
    EXPECT_EQ(debug(remove_timed_until(formula)), debug(expected)) << debug(formula);
  }
}

// Releases mention their rhs three times; nested 30 deep, the formula unfolds into ~3^30 nodes
// but has only about 100 distinct subformulas.
TEST(UntilRewriting, SharedSubformulasAreRewrittenOnce) {
  NNFFormula f = a;
  for (int i = 0; i < 30; ++i) {
    f = NNFFormula::release(i % 2 ? a : b, Interval::bounded(1, 4), f);
  }
  const auto start = std::chrono::steady_clock::now();
  // (Printing either formula would unfold it.)
  EXPECT_FALSE(remove_delayed_until(f) == f);
  EXPECT_FALSE(remove_timed_until(f) == f);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// Whether every until other than an eventually has an interval that `ok` accepts.
bool untils_satisfy(const NNFFormula& f, const std::function<bool(Interval)>& ok) {
  if (f.kind() == NNFFormula::Kind::Until && !f.is_eventually() && !ok(f.interval())) return false;
  for (const auto& sub : f.subformulas()) {
    if (!untils_satisfy(sub, ok)) return false;
  }
  return true;
}

TEST(UntilRewriting, RewritingsPreserveTheValueOnRandomTraces) {
  constexpr std::size_t kHorizon = 8;
  std::mt19937 rng(99);
  testing::RandomFormulas<NNFFormula> random_formula(
      rng, {.propositions = testing::atomic_propositions({"a", "b", "c"}),
            .min_depth = 4,
            .max_depth = 4,
            .leaf = 0.25,
            .windows = {.max_lb = 3, .max_width = 3, .unbounded = 0.3}});
  int differing_shapes = 0;
  for (int i = 0; i < 1500; ++i) {
    const NNFFormula f = random_formula();
    const NNFFormula undelayed = remove_delayed_until(f);
    const NNFFormula untimed = remove_timed_until(f);
    ASSERT_TRUE(untils_satisfy(undelayed, [](Interval i) { return i.lb() == 0; })) << debug(f);
    ASSERT_TRUE(untils_satisfy(untimed, [](Interval i) { return i == all; })) << debug(f);
    differing_shapes += undelayed != f;
    for (int trial = 0; trial < 8; ++trial) {
      testing::StepTrace<bool> trace;
      for (const AtomicProposition& p : random_formula.shape().propositions) {
        std::vector<bool> values(kHorizon + 1);
        for (auto&& v : values) v = rng() % 2 == 0;
        trace.emplace(p, testing::StepSignal<bool>::of(values));
      }
      testing::StepEvaluator<bool> e(testing::StepGrid::up_to(kHorizon), std::move(trace), false);
      const bool expected = e.at(f, 0);
      ASSERT_EQ(e.at(undelayed, 0), expected) << debug(f) << "\n" << debug(undelayed);
      ASSERT_EQ(e.at(untimed, 0), expected) << debug(f) << "\n" << debug(untimed);
    }
  }
  EXPECT_GT(differing_shapes, 100);
}

}  // namespace
}  // namespace corvane
