#include "sequence/plain_sequence.hpp"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "truth_values/kleene.hpp"

namespace corvane {
namespace {

using Intervals = std::vector<Interval>;

PlainSequence<char> abc() {
  return PlainSequence<char>({{0, 'a'}, {3, 'b'}, {6, 'c'}});
}

TEST(PlainSequence, ValueAtReadsTheEntryInEffect) {
  const auto s = abc();
  EXPECT_EQ(s.value_at(0), 'a');
  EXPECT_EQ(s.value_at(2), 'a');
  EXPECT_EQ(s.value_at(3), 'b');
  EXPECT_EQ(s.value_at(kMaxTime), 'c');
  EXPECT_EQ(s.change_point_at_or_before(5), 3u);
  EXPECT_EQ(s.next_change_after(3), 6u);
  EXPECT_EQ(s.next_change_after(6), std::nullopt);
}

TEST(PlainSequence, LookupBeforeTheFirstEntryIsAnInternalError) {
  const PlainSequence<char> s({{4, 'x'}});
  EXPECT_EQ(s.entry_at_or_before(3), s.entries().end());
  try {
    (void)s.value_at(3);
    FAIL() << "expected InternalError";
  } catch (const InternalError& e) {
    EXPECT_STREQ(e.what(), "Sequence is never empty");
  }
  EXPECT_THROW((void)PlainSequence<char>().value_at(0), InternalError);
}

TEST(PlainSequence, IntervalsWhereReportsEachEntrySeparately) {
  const PlainSequence<bool> s({{0, true}, {2, true}, {5, false}, {9, true}});
  EXPECT_EQ(s.intervals_with_value(true),
            (Intervals{Interval::bounded(0, 1), Interval::bounded(2, 4), Interval::unbounded(9)}));
  EXPECT_EQ(s.intervals_with_value(false), (Intervals{Interval::bounded(5, 8)}));
  EXPECT_EQ(PlainSequence<bool>::uniform(true).intervals_with_value(true),
            (Intervals{Interval::unbounded(0)}));
  EXPECT_EQ(PlainSequence<bool>::uniform(true).intervals_with_value(false), Intervals{});
}

TEST(PlainSequence, IntervalsAtTheLastTimeStep) {
  const PlainSequence<bool> s({{0, false}, {kMaxTime - 1, true}, {kMaxTime, false}});
  EXPECT_EQ(s.intervals_with_value(true), (Intervals{Interval::singleton(kMaxTime - 1)}));
  EXPECT_EQ(s.intervals_with_value(false),
            (Intervals{Interval::bounded(0, kMaxTime - 2), Interval::unbounded(kMaxTime)}));
}

struct CoveringCase {
  Interval interval;
  Intervals expected;
};

void PrintTo(const CoveringCase& c, std::ostream* out) {
  *out << c.interval;
}

class PlainSequenceCovering : public ::testing::TestWithParam<CoveringCase> {};

TEST_P(PlainSequenceCovering, SplitsAtKeysInside) {
  const auto& c = GetParam();
  EXPECT_EQ(abc().interval_covering(c.interval), c.expected) << c.interval;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, PlainSequenceCovering,
    ::testing::Values(
        CoveringCase{Interval::bounded(2, 8),
                     {Interval::bounded(2, 2), Interval::bounded(3, 5), Interval::bounded(6, 8)}},
        CoveringCase{Interval::unbounded(2),
                     {Interval::bounded(2, 2), Interval::bounded(3, 5), Interval::unbounded(6)}},
        CoveringCase{Interval::bounded(3, 4), {Interval::bounded(3, 4)}},
        CoveringCase{Interval::bounded(3, 6), {Interval::bounded(3, 5), Interval::singleton(6)}},
        CoveringCase{Interval::singleton(6), {Interval::singleton(6)}},
        CoveringCase{Interval::unbounded(7), {Interval::unbounded(7)}},
        CoveringCase{Interval::bounded(5, kMaxTime),
                     {Interval::singleton(5), Interval::bounded(6, kMaxTime)}},
        CoveringCase{Interval::empty(), {}}));

TEST(PlainSequence, RefinedCoveringMergesKeysOfBothSequences) {
  const PlainSequence<std::string> other({{0, "x"}, {3, "y"}, {4, "z"}, {10, "w"}});
  EXPECT_EQ(abc().refined_interval_covering(other, Interval::bounded(1, 7)),
            (Intervals{Interval::bounded(1, 2), Interval::singleton(3), Interval::bounded(4, 5),
                       Interval::bounded(6, 7)}));
  EXPECT_EQ(abc().refined_interval_covering(other, Interval::unbounded(4)),
            (Intervals{Interval::bounded(4, 5), Interval::bounded(6, 9), Interval::unbounded(10)}));
  EXPECT_EQ(abc().refined_interval_covering(other, Interval::empty()), Intervals{});
}

// Per-step reference: the covering breaks at lb and at every key of either sequence inside the
// interval. Keys are kept below 48 and bounds below 64 so that a plain loop over steps is exact.
Intervals covering_by_steps(const std::set<TimeStep>& keys, const Interval& interval) {
  Intervals result;
  if (interval.is_empty()) return result;
  const TimeStep end = interval.is_bounded() ? interval.ub() : 64;
  TimeStep start = interval.lb();
  for (TimeStep t = start + 1; t <= end; ++t) {
    if (keys.count(t)) {
      result.push_back(Interval::bounded(start, t - 1));
      start = t;
    }
  }
  result.push_back(interval.is_bounded() ? Interval::bounded(start, interval.ub())
                                         : Interval::unbounded(start));
  return result;
}

TEST(PlainSequence, CoveringsMatchPerStepModel) {
  std::mt19937 rng(7);
  auto random_keys = [&](std::size_t count) {
    std::set<TimeStep> keys;
    for (std::size_t i = 0; i < count; ++i) keys.insert(rng() % 48);
    return keys;
  };
  for (int round = 0; round < 400; ++round) {
    const auto keys = random_keys(rng() % 8);
    const auto other_keys = random_keys(rng() % 8);
    PlainSequence<Kleene> s;
    for (TimeStep k : keys) s.insert_or_assign(k, Kleene(rng() % 3));
    PlainSequence<int> other;
    for (TimeStep k : other_keys) other.insert_or_assign(k, 1);

    const TimeStep lb = rng() % 56;
    const TimeStep length = rng() % 9;  // 0 gives an empty interval
    const Interval interval = rng() % 4 == 0 ? Interval::unbounded(lb)
                              : length == 0  ? Interval::empty()
                                             : Interval::bounded(lb, lb + length - 1);
    std::set<TimeStep> all = keys;
    all.insert(other_keys.begin(), other_keys.end());
    EXPECT_EQ(s.interval_covering(interval), covering_by_steps(keys, interval)) << interval;
    EXPECT_EQ(s.refined_interval_covering(other, interval), covering_by_steps(all, interval))
        << interval;
  }
}

}  // namespace
}  // namespace corvane
