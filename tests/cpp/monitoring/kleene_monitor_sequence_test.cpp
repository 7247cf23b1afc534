#include "monitoring/kleene_monitor_sequence.hpp"

#include <gtest/gtest.h>

#include <random>

#include "support/random_formula.hpp"
#include "support/step_evaluator.hpp"

namespace corvane {
namespace {

using testing::sequence_of;
using testing::signal;
constexpr Kleene T = Kleene::True;
constexpr Kleene U = Kleene::Unknown;
constexpr Kleene F = Kleene::False;
constexpr testing::StepGrid kGrid = testing::StepGrid::edges();

TEST(KleeneMonitorSequence, ConvertsToApproximationsAndBack) {
  const auto values = sequence_of<Kleene>({{0, U}, {4, T}, {7, F}, {9, U}});
  const auto pair = KleeneMonitorSequence::from_kleene(values);
  EXPECT_EQ(pair.overapproximation, signal({{0, true}, {7, false}, {9, true}}));
  EXPECT_EQ(pair.underapproximation, signal({{0, false}, {4, true}, {7, false}}));
  EXPECT_EQ(pair.to_kleene(), values);

  const auto negated = negation(pair);
  EXPECT_EQ(negated.to_kleene(), sequence_of<Kleene>({{0, U}, {4, F}, {7, T}, {9, U}}));
  for (Kleene v : {T, U, F}) {
    EXPECT_EQ(KleeneMonitorSequence::uniform(v).to_kleene(),
              NormalizedSequence<Kleene>::uniform(v));
  }
}

TEST(KleeneMonitorSequence, UnderapproximationAboveOverapproximationIsAnInternalError) {
  const KleeneMonitorSequence broken{signal({{0, true}, {3, false}}),
                                     signal({{0, false}, {2, true}})};
  try {
    (void)broken.to_kleene();
    FAIL() << "expected InternalError";
  } catch (const InternalError& e) {
    EXPECT_STREQ(e.what(),
                 "internal error: entered unreachable code: Overapproximation is always more true "
                 "than underapproximation");
  }
}

// Each operator acts on the components separately; the results convert back without error, so
// the invariant survives every operator, and they agree step by step with the reference meaning.
TEST(KleeneMonitorSequence, OperatorsKeepTheInvariantAndMatchTheStepSemantics) {
  std::mt19937 rng(3);
  const std::vector<Kleene> values{T, U, F};
  for (int round = 0; round < 200; ++round) {
    const auto a = testing::random_sequence<Kleene>(rng, values, true);
    const auto b = testing::random_sequence<Kleene>(rng, values, true);
    const auto pa = KleeneMonitorSequence::from_kleene(a);
    const auto pb = KleeneMonitorSequence::from_kleene(b);
    const Interval interval = testing::random_window(rng, testing::kShortWindows);
    const auto sa = testing::StepSignal<Kleene>::of(kGrid, a);
    const auto sb = testing::StepSignal<Kleene>::of(kGrid, b);
    EXPECT_EQ(conjunction(pa, pb).to_kleene(),
              combine(a, b, [](Kleene x, Kleene y) { return testing::and_value(x, y); }));
    EXPECT_EQ(disjunction(pa, pb).to_kleene(),
              combine(a, b, [](Kleene x, Kleene y) { return testing::or_value(x, y); }));
    EXPECT_TRUE(testing::agrees_with(until(pa, interval, pb).to_kleene(),
                                     testing::until_signal(sa, interval, sb)));
    EXPECT_TRUE(testing::agrees_with(globally(pa, interval).to_kleene(),
                                     testing::globally_signal(sa, interval)));
  }
}

}  // namespace
}  // namespace corvane
