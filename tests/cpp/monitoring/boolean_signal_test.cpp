#include "monitoring/boolean_signal.hpp"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "support/random_formula.hpp"
#include "support/step_evaluator.hpp"

namespace corvane {
namespace {

using testing::signal;
using testing::Step;
using testing::StepSignal;
using Intervals = std::vector<Interval>;
constexpr testing::StepGrid kGrid = testing::StepGrid::edges();
// Windows of every shape, including bounds far out and at the last step.
constexpr testing::WindowShape kWideWindows = {.max_lb = 17,
                                               .max_width = 60,
                                               .empty = 1.0 / 6,
                                               .unbounded = 1.0 / 6,
                                               .singleton = 1.0 / 6,
                                               .far = 0.4};

// until as a union over every pair of an lhs run and an rhs run (product of the run counts); the
// sweep in `until` must produce the same signal.
BooleanSignal pairwise_until(const BooleanSignal& lhs, const Interval& interval,
                             const BooleanSignal& rhs) {
  const Intervals lhs_runs = lhs.intervals_with_value(true);
  const Intervals rhs_runs = rhs.intervals_with_value(true);
  Intervals pieces;
  for (const Interval& a : lhs_runs) {
    for (const Interval& b : rhs_runs) {
      const auto [first, second] = positive_until_semantics(a, interval, b);
      if (!first.is_empty()) pieces.push_back(first);
      if (!second.is_empty()) pieces.push_back(second);
    }
  }
  if (lhs_runs.empty()) {
    for (const Interval& b : rhs_runs) {
      const Interval second = positive_until_semantics(Interval::empty(), interval, b).second;
      if (!second.is_empty()) pieces.push_back(second);
    }
  }
  return BooleanSignal::from_positive_intervals(std::move(pieces));
}

// globally by clearing, in a signal true everywhere, every step from which a false run is reached.
BooleanSignal clearing_globally(const BooleanSignal& phi, const Interval& interval) {
  BooleanSignal result = BooleanSignal::uniform(true);
  for (const Interval& run : phi.intervals_with_value(false)) {
    result.set_interval(run - interval, false);
  }
  return result;
}

TEST(IntervalHelpers, ClipAndSaturateAtBothEndsOfTime) {
  EXPECT_EQ(shift_left(Interval::bounded(3, 8), 5), Interval::bounded(0, 3));
  EXPECT_EQ(shift_left(Interval::bounded(3, 4), 5), Interval::empty());
  EXPECT_EQ(shift_left(Interval::unbounded(3), 5), Interval::unbounded(0));
  EXPECT_EQ(shift_left(Interval::empty(), 0), Interval::empty());

  EXPECT_EQ(intersection(Interval::bounded(2, 9), Interval::unbounded(5)), Interval::bounded(5, 9));
  EXPECT_EQ(intersection(Interval::unbounded(2), Interval::unbounded(5)), Interval::unbounded(5));
  EXPECT_EQ(intersection(Interval::bounded(2, 4), Interval::bounded(5, 9)), Interval::empty());
  EXPECT_EQ(intersection(Interval::bounded(2, 4), Interval::empty()), Interval::empty());

  EXPECT_EQ(extended_by_one_step(Interval::bounded(2, 4)), Interval::bounded(2, 5));
  EXPECT_EQ(extended_by_one_step(Interval::bounded(2, kMaxTime)), Interval::bounded(2, kMaxTime));
  EXPECT_EQ(extended_by_one_step(Interval::unbounded(2)), Interval::unbounded(2));
}

TEST(PositiveUntilSemantics, SplitsWitnessesReachedThroughLhsFromThoseAtTheLowerBound) {
  // lhs on [0, 4], rhs only at 5: A' = [0, 5], C = [5, 5], D = [2, 5], E = [2, 4].
  EXPECT_EQ(positive_until_semantics(Interval::bounded(0, 4), Interval::bounded(0, 3),
                                     Interval::singleton(5)),
            std::pair(Interval::bounded(2, 4), Interval::singleton(5)));
  // An lhs run far from the rhs run contributes only the lower-bound witness.
  EXPECT_EQ(positive_until_semantics(Interval::singleton(20), Interval::bounded(2, 5),
                                     Interval::singleton(10)),
            std::pair(Interval::empty(), Interval::singleton(8)));
  // An unbounded window reaches back to step 0.
  EXPECT_EQ(positive_until_semantics(Interval::unbounded(0), Interval::unbounded(1),
                                     Interval::bounded(7, 9)),
            std::pair(Interval::bounded(0, 8), Interval::bounded(6, 8)));
  EXPECT_EQ(
      positive_until_semantics(Interval::bounded(0, 4), Interval::empty(), Interval::singleton(5)),
      std::pair(Interval::empty(), Interval::empty()));
  // A run ending at the last step stays there when extended (wrapping would lose the witness).
  EXPECT_EQ(positive_until_semantics(Interval::bounded(5, kMaxTime), Interval::bounded(0, 3),
                                     Interval::singleton(kMaxTime)),
            std::pair(Interval::bounded(kMaxTime - 3, kMaxTime), Interval::singleton(kMaxTime)));
}

TEST(SignalOfSortedRuns, MergesOverlappingAndTouchingRuns) {
  EXPECT_EQ(signal_of_sorted_runs(Intervals{Interval::bounded(0, 2), Interval::bounded(3, 4),
                                            Interval::empty(), Interval::bounded(4, 6),
                                            Interval::bounded(8, 9)}),
            signal({{0, true}, {7, false}, {8, true}, {10, false}}));
  // A run ending at the last step has no end to mark.
  EXPECT_EQ(signal_of_sorted_runs(Intervals{Interval::bounded(5, kMaxTime)}),
            signal({{0, false}, {5, true}}));
  EXPECT_EQ(signal_of_sorted_runs(Intervals{}), BooleanSignal::uniform(false));
  EXPECT_THROW(signal_of_sorted_runs(Intervals{Interval::singleton(5), Interval::singleton(2)}),
               InternalError);
}

struct OperatorExample {
  const char* name;
  BooleanSignal result;
  BooleanSignal expected;
};

TEST(BooleanSignal, Examples) {
  const BooleanSignal a = signal({{0, true}, {5, false}});
  const BooleanSignal b = signal({{0, false}, {3, true}});
  const BooleanSignal f = BooleanSignal::uniform(false);
  const BooleanSignal t = BooleanSignal::uniform(true);
  const BooleanSignal at_10 = signal({{0, false}, {10, true}, {11, false}});
  const OperatorExample examples[] = {
      {"and", conjunction(a, b), signal({{0, false}, {3, true}, {5, false}})},
      {"or", disjunction(a, b), t},
      {"not", negation(a), signal({{0, false}, {5, true}})},
      {"until, rhs never", until(t, Interval::unbounded(0), f), f},
      {"until, lhs never", until(f, Interval::bounded(2, 5), at_10),
       signal({{0, false}, {8, true}, {9, false}})},
      {"until, lhs too late",
       until(signal({{0, false}, {20, true}, {21, false}}), Interval::bounded(2, 5), at_10),
       signal({{0, false}, {8, true}, {9, false}})},
      {"until through lhs",
       until(signal({{0, true}, {5, false}}), Interval::bounded(0, 3),
             signal({{0, false}, {5, true}, {6, false}})),
       signal({{0, false}, {2, true}, {6, false}})},
      {"until, unbounded",
       until(t, Interval::unbounded(0), signal({{0, false}, {7, true}, {8, false}})),
       signal({{0, true}, {8, false}})},
      {"until, empty window", until(t, Interval::empty(), t), f},
      {"globally, bounded",
       globally(signal({{0, true}, {6, false}, {7, true}}), Interval::bounded(1, 2)),
       signal({{0, true}, {4, false}, {6, true}})},
      {"globally, unbounded", globally(signal({{0, true}, {9, false}}), Interval::unbounded(0)), f},
      {"globally, true", globally(t, Interval::bounded(3, 9)), t},
      {"globally, empty window", globally(f, Interval::empty()), t},
      // A false run at the end of time reaches back from every step of an unbounded window.
      {"globally, late failure",
       globally(signal({{0, true}, {kMaxTime, false}}), Interval::unbounded(4)), f},
      {"until, witness at the last step",
       until(signal({{0, false}, {10, true}, {kMaxTime, false}}), Interval::bounded(1, 5),
             signal({{0, false}, {kMaxTime, true}})),
       signal({{0, false}, {kMaxTime - 5, true}})},
  };
  for (const auto& [name, result, expected] : examples) EXPECT_EQ(result, expected) << name;
}

// Every operator against the step-by-step reference, on random signals that change near the start
// and near the end of time, with windows of bounds up to 10 (and unbounded ones).
TEST(BooleanSignal, AgreesWithTheStepSemantics) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 2000; ++round) {
    const BooleanSignal a = testing::random_signal(rng);
    const BooleanSignal b = testing::random_signal(rng);
    const Interval interval = testing::random_window(rng, testing::kShortWindows);
    const auto sa = StepSignal<bool>::of(kGrid, a);
    const auto sb = StepSignal<bool>::of(kGrid, b);
    SCOPED_TRACE(::testing::Message() << "a=" << a << " b=" << b << " I=" << interval);

    const auto expected_until = testing::until_signal(sa, interval, sb);
    const auto expected_globally = testing::globally_signal(sa, interval);
    ASSERT_TRUE(expected_until.middle_is_constant());
    ASSERT_TRUE(expected_globally.middle_is_constant());
    EXPECT_TRUE(testing::agrees_with(until(a, interval, b), expected_until));
    EXPECT_TRUE(testing::agrees_with(globally(a, interval), expected_globally));
    EXPECT_TRUE(testing::agrees_with(
        conjunction(a, b),
        StepSignal<bool>::tabulate(kGrid, [&](Step t) { return sa.at(t) && sb.at(t); })));
    EXPECT_TRUE(testing::agrees_with(
        disjunction(a, b),
        StepSignal<bool>::tabulate(kGrid, [&](Step t) { return sa.at(t) || sb.at(t); })));
    EXPECT_TRUE(testing::agrees_with(
        negation(a), StepSignal<bool>::tabulate(kGrid, [&](Step t) { return !sa.at(t); })));
  }
}

// Random signals with many runs anywhere in time, including runs that touch the last step.
BooleanSignal random_wide_signal(std::mt19937& rng) {
  std::uniform_int_distribution<int> region(0, 2);
  std::uniform_int_distribution<TimeStep> low(1, 60);
  std::uniform_int_distribution<TimeStep> high(kMaxTime - 60, kMaxTime);
  std::uniform_int_distribution<TimeStep> anywhere(1, kMaxTime);
  std::map<TimeStep, bool> entries{{0, std::bernoulli_distribution(0.5)(rng)}};
  for (int i = std::uniform_int_distribution<int>(0, 40)(rng); i > 0; --i) {
    const int r = region(rng);
    const TimeStep key = r == 0 ? low(rng) : r == 1 ? high(rng) : anywhere(rng);
    entries[key] = std::bernoulli_distribution(0.5)(rng);
  }
  return testing::sequence_of<bool>(std::move(entries));
}

TEST(BooleanSignal, SweepUntilAndGloballyMatchTheirPairwiseForms) {
  std::mt19937 rng(77);
  for (int round = 0; round < 3000; ++round) {
    const BooleanSignal lhs = random_wide_signal(rng);
    const BooleanSignal rhs = random_wide_signal(rng);
    const Interval interval = testing::random_window(rng, kWideWindows);
    SCOPED_TRACE(::testing::Message() << "lhs=" << lhs << " rhs=" << rhs << " I=" << interval);
    ASSERT_EQ(until(lhs, interval, rhs), pairwise_until(lhs, interval, rhs));
    ASSERT_EQ(globally(lhs, interval), clearing_globally(lhs, interval));
  }
}

// Windows far out and at the last step, checked against the step semantics at the edge steps and
// around every change point of the result (the inputs are constant in the middle, so the scans stay
// short).
TEST(BooleanSignal, FarWindowsAgreeWithTheStepSemanticsAtCheckedSteps) {
  std::mt19937 rng(5);
  for (int round = 0; round < 1000; ++round) {
    const BooleanSignal a = testing::random_signal(rng);
    const BooleanSignal b = testing::random_signal(rng);
    const Interval interval = testing::random_window(rng, kWideWindows);
    const auto sa = StepSignal<bool>::of(kGrid, a);
    const auto sb = StepSignal<bool>::of(kGrid, b);
    SCOPED_TRACE(::testing::Message() << "a=" << a << " b=" << b << " I=" << interval);
    const BooleanSignal u = until(a, interval, b);
    const BooleanSignal g = globally(a, interval);
    const auto check_at = [&](Step t) {
      ASSERT_EQ(u.value_at(static_cast<TimeStep>(t)), testing::until_at(sa, interval, sb, t)) << t;
      ASSERT_EQ(g.value_at(static_cast<TimeStep>(t)), testing::globally_at(sa, interval, t)) << t;
    };
    kGrid.for_each_step(check_at);
    for (const BooleanSignal* result : {&u, &g}) {
      for (const auto& [key, value] : result->entries()) {
        check_at(key);
        if (key > 0) check_at(key - 1);
      }
    }
  }
}

}  // namespace
}  // namespace corvane
