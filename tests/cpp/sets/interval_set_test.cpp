#include "sets/interval_set.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <sstream>
#include <vector>

namespace corvane {
namespace {

using Entries = std::map<TimeStep, bool>;
using Intervals = std::vector<Interval>;

IntervalSet set_of(Entries entries) {
  return IntervalSet(NormalizedSequence<bool>::normalize(PlainSequence<bool>(std::move(entries))));
}

IntervalSet set_of(std::initializer_list<Interval> intervals) {
  return IntervalSet(NormalizedSequence<bool>::from_positive_intervals(intervals));
}

TEST(IntervalSet, EmptySetHasOneRepresentation) {
  EXPECT_EQ(IntervalSet::empty().sequence().entries(), (Entries{{0, false}}));
  EXPECT_TRUE(IntervalSet().is_empty());
  EXPECT_TRUE(IntervalSet(Interval::empty()).is_empty());
  EXPECT_FALSE(IntervalSet(Interval::singleton(0)).is_empty());
  EXPECT_FALSE(IntervalSet(Interval::singleton(kMaxTime)).is_empty());
  EXPECT_FALSE(IntervalSet(Interval::unbounded(0)).is_empty());
  EXPECT_EQ(IntervalSet::empty().greatest_member(), std::nullopt);
}

struct ConstructionCase {
  Interval interval;
  Entries entries;
  std::optional<TimeStep> greatest;
};

void PrintTo(const ConstructionCase& c, std::ostream* out) {
  *out << c.interval;
}

class IntervalSetConstruction : public ::testing::TestWithParam<ConstructionCase> {};

TEST_P(IntervalSetConstruction, FromInterval) {
  const auto& c = GetParam();
  const IntervalSet set(c.interval);
  EXPECT_EQ(set.sequence().entries(), c.entries) << c.interval;
  EXPECT_EQ(set.greatest_member(), c.greatest) << c.interval;
  EXPECT_EQ(set.positive_intervals(), c.interval.is_empty() ? Intervals{}
                                      : c.interval.is_bounded() && c.interval.ub() == kMaxTime
                                          ? Intervals{Interval::unbounded(c.interval.lb())}
                                          : Intervals{c.interval});
}

INSTANTIATE_TEST_SUITE_P(
    Examples, IntervalSetConstruction,
    ::testing::Values(
        ConstructionCase{Interval::bounded(0, 0), {{0, true}, {1, false}}, 0},
        ConstructionCase{Interval::unbounded(0), {{0, true}}, kMaxTime},
        ConstructionCase{Interval::unbounded(7), {{0, false}, {7, true}}, kMaxTime},
        ConstructionCase{Interval::bounded(3, 5), {{0, false}, {3, true}, {6, false}}, 5},
        ConstructionCase{Interval::empty(), {{0, false}}, std::nullopt},
        // ub + 1 would wrap to 0: the run reaches to the end of time instead.
        ConstructionCase{Interval::bounded(4, kMaxTime), {{0, false}, {4, true}}, kMaxTime},
        ConstructionCase{Interval::bounded(0, kMaxTime), {{0, true}}, kMaxTime},
        ConstructionCase{Interval::singleton(kMaxTime), {{0, false}, {kMaxTime, true}}, kMaxTime},
        ConstructionCase{Interval::singleton(kMaxTime - 1),
                         {{0, false}, {kMaxTime - 1, true}, {kMaxTime, false}},
                         kMaxTime - 1}));

TEST(IntervalSet, IntersectionCoalescesIntermediateKeys) {
  const auto a = set_of(Entries{{0, false}, {5, true}});
  const auto b = set_of(Entries{{0, false}, {3, true}});
  EXPECT_EQ(a.intersect(b).sequence().entries(), (Entries{{0, false}, {5, true}}));
  EXPECT_TRUE(a.intersect(IntervalSet::empty()).is_empty());
  EXPECT_EQ(a.intersect(IntervalSet(Interval::unbounded(0))), a);
}

struct SumCase {
  IntervalSet set;
  Interval window;
  IntervalSet expected;
};

void PrintTo(const SumCase& c, std::ostream* out) {
  *out << c.set << " + " << c.window;
}

class MinkowskiSum : public ::testing::TestWithParam<SumCase> {};

TEST_P(MinkowskiSum, AddsEveryOffset) {
  const auto& c = GetParam();
  EXPECT_EQ(c.set.minkowski_sum(c.window), c.expected) << c.set << " + " << c.window;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, MinkowskiSum,
    ::testing::Values(
        SumCase{set_of({Interval::singleton(2)}), Interval::singleton(0),
                set_of({Interval::singleton(2)})},
        SumCase{set_of({Interval::bounded(2, 3)}), Interval::bounded(1, 4),
                set_of({Interval::bounded(3, 7)})},
        SumCase{set_of({Interval::singleton(2)}), Interval::unbounded(1),
                set_of({Interval::unbounded(3)})},
        SumCase{set_of({Interval::bounded(2, 9)}), Interval::empty(), IntervalSet::empty()},
        SumCase{IntervalSet::empty(), Interval::bounded(1, 4), IntervalSet::empty()},
        SumCase{IntervalSet::empty(), Interval::unbounded(0), IntervalSet::empty()},
        SumCase{set_of({Interval::singleton(0), Interval::singleton(3)}), Interval::bounded(0, 2),
                set_of({Interval::bounded(0, 5)})},
        SumCase{set_of({Interval::singleton(0), Interval::singleton(4)}), Interval::bounded(1, 2),
                set_of({Interval::bounded(1, 2), Interval::bounded(5, 6)})},
        SumCase{set_of({Interval::unbounded(5)}), Interval::bounded(2, 3),
                set_of({Interval::unbounded(7)})},
        // Sums saturate at the last step rather than wrapping to the start of time.
        SumCase{set_of({Interval::singleton(kMaxTime - 1)}), Interval::bounded(1, 5),
                set_of({Interval::singleton(kMaxTime)})},
        SumCase{set_of({Interval::singleton(2), Interval::singleton(kMaxTime - 2)}),
                Interval::bounded(3, 10),
                set_of({Interval::bounded(5, 12), Interval::singleton(kMaxTime)})},
        SumCase{set_of({Interval::singleton(kMaxTime)}), Interval::unbounded(kMaxTime),
                set_of({Interval::singleton(kMaxTime)})},
        SumCase{set_of({Interval::bounded(1, 2)}), Interval::bounded(3, kMaxTime),
                set_of({Interval::unbounded(4)})}));

TEST(IntervalSet, Display) {
  std::ostringstream out;
  out << IntervalSet::empty() << ' ' << set_of({Interval::bounded(3, 5), Interval::unbounded(10)});
  EXPECT_EQ(out.str(), "{} {[3, 5], [10, inf]}");
}

// Intersection as a backward walk over both entry lists, recording max(k1, k2) -> (x1 and x2)
// and finally keeping only the first of each run of equal values. Kept as the reference for the
// forward merge that `intersect` uses.
Entries backward_intersection(const Entries& a, const Entries& b) {
  Entries recorded;
  auto i = a.rbegin();
  auto j = b.rbegin();
  while (i != a.rend() && j != b.rend()) {
    recorded[std::max(i->first, j->first)] = i->second && j->second;
    if (i->first == j->first) {
      ++i;
      ++j;
    } else if (j->first < i->first) {
      ++i;
    } else {
      ++j;
    }
  }
  EXPECT_TRUE(i == a.rend() && j == b.rend());
  Entries result;
  for (const auto& [key, value] : recorded) {
    if (result.empty() || result.rbegin()->second != value) result.emplace(key, value);
  }
  return result;
}

// Sets are generated with all changes below 32 and windows with bounds below 24, so every sum
// is constant from step 55 on and a 64-step membership vector (last element = the tail) is exact.
constexpr TimeStep kHorizon = 64;
using Members = std::vector<bool>;

Entries entries_of(const Members& m) {
  Entries result{{0, m[0]}};
  for (TimeStep t = 1; t < kHorizon; ++t) {
    if (m[t] != m[t - 1]) result.emplace(t, m[t]);
  }
  return result;
}

TEST(IntervalSet, OperationsMatchPerStepModel) {
  std::mt19937 rng(424242);
  auto below = [&](TimeStep n) { return TimeStep(rng() % n); };
  auto random_members = [&] {
    Members m(kHorizon);
    m[0] = below(2);
    for (TimeStep t = 1; t < 32; ++t) m[t] = below(4) == 0 ? !m[t - 1] : bool(m[t - 1]);
    for (TimeStep t = 32; t < kHorizon; ++t) m[t] = m[31];
    return m;
  };
  for (int round = 0; round < 400; ++round) {
    const Members a = random_members();
    const Members b = random_members();
    const IntervalSet sa = set_of(entries_of(a));
    const IntervalSet sb = set_of(entries_of(b));

    Members both(kHorizon);
    for (TimeStep t = 0; t < kHorizon; ++t) both[t] = a[t] && b[t];
    EXPECT_EQ(sa.intersect(sb).sequence().entries(), entries_of(both));
    EXPECT_EQ(sa.intersect(sb).sequence().entries(),
              backward_intersection(sa.sequence().entries(), sb.sequence().entries()));
    EXPECT_EQ(sa.is_empty(), std::find(a.begin(), a.end(), true) == a.end());

    const TimeStep lb = below(24);
    const Interval window = below(5) == 0   ? Interval::unbounded(lb)
                            : below(8) == 0 ? Interval::empty()
                                            : Interval::bounded(lb, lb + below(24 - lb));
    Members sum(kHorizon, false);
    for (TimeStep s = 0; s < kHorizon; ++s) {
      for (TimeStep d = 0; a[s] && s + d < kHorizon; ++d) {
        if (window.contains(d)) sum[s + d] = true;
      }
    }
    EXPECT_EQ(sa.minkowski_sum(window).sequence().entries(), entries_of(sum)) << sa << window;

    for (TimeStep t : {below(kHorizon), kMaxTime}) {
      EXPECT_EQ(sa.contains(t), a[std::min(t, kHorizon - 1)]);
    }
  }
}

}  // namespace
}  // namespace corvane
