#include "monitoring/kleene_monitor_sequence.hpp"

#include <gtest/gtest.h>

#include <random>

#include "monitoring/step_semantics.hpp"

namespace corvane {
namespace {

using testing::sequence_of;
using testing::signal;
constexpr Kleene T = Kleene::True;
constexpr Kleene U = Kleene::Unknown;
constexpr Kleene F = Kleene::False;

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
// the invariant survives every operator, and conjunction/disjunction are strong Kleene pointwise.
TEST(KleeneMonitorSequence, OperatorsKeepTheInvariantAndActPointwise) {
  std::mt19937 rng(3);
  const std::vector<Kleene> values{T, U, F};
  const auto kleene_and = [](Kleene a, Kleene b) {
    return (a == F || b == F) ? F : (a == U || b == U) ? U : T;
  };
  const auto kleene_or = [](Kleene a, Kleene b) {
    return (a == T || b == T) ? T : (a == U || b == U) ? U : F;
  };
  for (int round = 0; round < 200; ++round) {
    const auto a = testing::random_sequence<Kleene>(rng, values, true);
    const auto b = testing::random_sequence<Kleene>(rng, values, true);
    const auto pa = KleeneMonitorSequence::from_kleene(a);
    const auto pb = KleeneMonitorSequence::from_kleene(b);
    const Interval interval = testing::random_small_interval(rng);
    EXPECT_EQ(conjunction(pa, pb).to_kleene(), combine(a, b, kleene_and));
    EXPECT_EQ(disjunction(pa, pb).to_kleene(), combine(a, b, kleene_or));
    EXPECT_NO_THROW((void)until(pa, interval, pb).to_kleene());
    EXPECT_NO_THROW((void)globally(negation(pa), interval).to_kleene());
  }
}

}  // namespace
}  // namespace corvane
