#include "sequence/normalized_sequence.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "truth_values/kleene.hpp"

namespace corvane {
namespace {

using Intervals = std::vector<Interval>;
using CharMap = std::map<TimeStep, char>;
constexpr auto kNoEnd = std::nullopt;

NormalizedSequence<char> chars(CharMap entries) {
  return NormalizedSequence<char>::normalize(PlainSequence<char>(std::move(entries)));
}

TEST(NormalizedSequence, UniformAndDefault) {
  EXPECT_EQ(NormalizedSequence<char>::uniform('v').entries(), (CharMap{{0, 'v'}}));
  EXPECT_EQ(NormalizedSequence<bool>().entries(), (std::map<TimeStep, bool>{{0, false}}));
  EXPECT_EQ(NormalizedSequence<bool>::uniform(true).intervals_with_value(true),
            (Intervals{Interval::unbounded(0)}));
  EXPECT_EQ(NormalizedSequence<bool>::uniform(true).intervals_with_value(false), Intervals{});
}

TEST(NormalizedSequence, NormalizeKeepsTheFirstEntryOfEachRun) {
  EXPECT_EQ(chars({{0, 'a'}, {2, 'a'}, {3, 'b'}, {5, 'b'}, {6, 'b'}, {9, 'a'}}).entries(),
            (CharMap{{0, 'a'}, {3, 'b'}, {9, 'a'}}));
  EXPECT_EQ(chars({{0, 'a'}, {1, 'a'}, {kMaxTime, 'a'}}).entries(), (CharMap{{0, 'a'}}));
  EXPECT_EQ(chars({{0, 'a'}, {kMaxTime, 'b'}}).entries(), (CharMap{{0, 'a'}, {kMaxTime, 'b'}}));
}

TEST(NormalizedSequence, NormalizeRequiresAnEntryAtZero) {
  try {
    (void)chars({{1, 'a'}});
    FAIL() << "expected InternalError";
  } catch (const InternalError& e) {
    EXPECT_STREQ(e.what(), "Sequence is never empty");
  }
  EXPECT_THROW((void)chars({}), InternalError);
}

struct SetBetweenCase {
  CharMap before;
  TimeStep from;
  std::optional<TimeStep> to;
  char value;
  CharMap after;
};

void PrintTo(const SetBetweenCase& c, std::ostream* out) {
  *out << chars(c.before) << ".set_between(" << c.from << ", ";
  if (c.to) {
    *out << *c.to;
  } else {
    *out << "no end";
  }
  *out << ", " << c.value << ')';
}

class SetBetween : public ::testing::TestWithParam<SetBetweenCase> {};

TEST_P(SetBetween, OverwritesTheRangeAndStaysNormalised) {
  const auto& c = GetParam();
  auto s = chars(c.before);
  s.set_between(c.from, c.to, c.value);
  EXPECT_EQ(s.entries(), c.after) << "on " << chars(c.before) << " from " << c.from;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SetBetween,
    ::testing::Values(
        SetBetweenCase{{{0, 'x'}}, 2, 4, 'x', {{0, 'x'}}},
        SetBetweenCase{{{0, 'y'}}, 2, 4, 'x', {{0, 'y'}, {2, 'x'}, {4, 'y'}}},
        SetBetweenCase{{{0, 'a'}, {3, 'b'}, {7, 'c'}}, 0, kNoEnd, 'x', {{0, 'x'}}},
        // The new run joins the following one, whose entry moves forward.
        SetBetweenCase{{{0, 'f'}, {6, 't'}}, 3, 6, 't', {{0, 'f'}, {3, 't'}}},
        // ... or the preceding one, which simply extends.
        SetBetweenCase{{{0, 't'}, {3, 'f'}, {9, 't'}}, 3, 5, 't', {{0, 't'}, {5, 'f'}, {9, 't'}}},
        // Both neighbours equal the new value: three runs become one.
        SetBetweenCase{{{0, 'a'}, {3, 'b'}, {5, 'a'}}, 3, 5, 'a', {{0, 'a'}}},
        // Keys strictly inside the range disappear; the value at `to` resumes there.
        SetBetweenCase{{{0, 'a'}, {2, 'b'}, {4, 'c'}, {6, 'd'}},
                       1,
                       5,
                       'x',
                       {{0, 'a'}, {1, 'x'}, {5, 'c'}, {6, 'd'}}},
        SetBetweenCase{{{0, 'a'}, {5, 'b'}}, 5, 6, 'a', {{0, 'a'}, {6, 'b'}}},
        SetBetweenCase{{{0, 'a'}}, 0, 1, 'b', {{0, 'b'}, {1, 'a'}}},
        // Ranges touching the last time step: no wrap-around to 0.
        SetBetweenCase{{{0, 'a'}},
                       kMaxTime - 1,
                       kMaxTime,
                       'b',
                       {{0, 'a'}, {kMaxTime - 1, 'b'}, {kMaxTime, 'a'}}},
        SetBetweenCase{{{0, 'a'}}, kMaxTime, kNoEnd, 'b', {{0, 'a'}, {kMaxTime, 'b'}}},
        SetBetweenCase{{{0, 'a'}, {kMaxTime, 'b'}}, 7, kMaxTime, 'b', {{0, 'a'}, {7, 'b'}}},
        // An empty range changes nothing.
        SetBetweenCase{{{0, 'a'}, {3, 'b'}}, 4, 4, 'x', {{0, 'a'}, {3, 'b'}}},
        SetBetweenCase{{{0, 'a'}, {3, 'b'}}, 6, 2, 'x', {{0, 'a'}, {3, 'b'}}}));

TEST(NormalizedSequence, FromPairs) {
  using Pairs = std::vector<std::pair<TimeStep, char>>;
  auto from = [](Pairs pairs) {
    return NormalizedSequence<char>::from_pairs(pairs, 'd').entries();
  };
  EXPECT_EQ(from({{5, 'v'}, {6, 'v'}}), (CharMap{{0, 'd'}, {5, 'v'}, {7, 'd'}}));
  EXPECT_EQ(from({{6, 'v'}, {5, 'v'}}), (CharMap{{0, 'd'}, {5, 'v'}, {7, 'd'}}));
  EXPECT_EQ(from({{0, 'a'}, {0, 'b'}}), (CharMap{{0, 'b'}, {1, 'd'}}));  // later pair wins
  EXPECT_EQ(from({{3, 'd'}}), (CharMap{{0, 'd'}}));
  EXPECT_EQ(from({}), (CharMap{{0, 'd'}}));
  // The last step has no successor: its pair sets that step alone and nothing wraps to 0.
  EXPECT_EQ(from({{kMaxTime, 'v'}}), (CharMap{{0, 'd'}, {kMaxTime, 'v'}}));
  EXPECT_EQ(from({{kMaxTime - 1, 'v'}, {kMaxTime, 'w'}}),
            (CharMap{{0, 'd'}, {kMaxTime - 1, 'v'}, {kMaxTime, 'w'}}));
  EXPECT_EQ(from({{kMaxTime, 'w'}, {kMaxTime - 1, 'v'}}),
            (CharMap{{0, 'd'}, {kMaxTime - 1, 'v'}, {kMaxTime, 'w'}}));
  // Any range of pairs with structured bindings will do, e.g. a map.
  EXPECT_EQ(NormalizedSequence<char>::from_pairs(CharMap{{2, 'x'}}, 'd').entries(),
            (CharMap{{0, 'd'}, {2, 'x'}, {3, 'd'}}));
}

TEST(NormalizedSequence, LastChangeIn) {
  const auto s = chars({{0, 'a'}, {2, 'b'}, {12, 'c'}});
  const auto members = [](Interval interval) {
    return NormalizedSequence<bool>::from_positive_intervals({interval});
  };
  EXPECT_EQ(s.last_change_in(members(Interval::bounded(4, 9))), 2u);
  EXPECT_EQ(s.last_change_in(members(Interval::unbounded(4))), 12u);
  EXPECT_EQ(s.last_change_in(members(Interval::bounded(4, kMaxTime))), 12u);
  EXPECT_EQ(s.last_change_in(members(Interval::singleton(12))), 12u);
  EXPECT_EQ(s.last_change_in(members(Interval::singleton(11))), 2u);
  EXPECT_EQ(s.last_change_in(members(Interval::singleton(0))), 0u);
  EXPECT_EQ(s.last_change_in(members(Interval::empty())), std::nullopt);
  EXPECT_EQ(s.last_change_in(NormalizedSequence<bool>::uniform(true)), 12u);
}

TEST(NormalizedSequence, FromPositiveIntervalsUpToTheLastStep) {
  using BoolMap = std::map<TimeStep, bool>;
  using S = NormalizedSequence<bool>;
  EXPECT_EQ(S::from_positive_intervals({Interval::bounded(5, kMaxTime)}).entries(),
            (BoolMap{{0, false}, {5, true}}));
  EXPECT_EQ(S::from_positive_intervals({Interval::singleton(kMaxTime)}).entries(),
            (BoolMap{{0, false}, {kMaxTime, true}}));
}

// ---------------------------------------------------------------------------------------------
// Randomised comparison with a per-step model over a finite horizon. A model is a vector of
// kHorizon values; the value at t >= kHorizon is that at kHorizon - 1. All generated changes lie
// below kHorizon - 1, so the model's last element stands for the whole constant tail.

constexpr TimeStep kHorizon = 64;

template <class V>
using Model = std::vector<V>;

template <class V>
const V& at(const Model<V>& m, TimeStep t) {
  return m[std::min<TimeStep>(t, kHorizon - 1)];
}

template <class V>
std::map<TimeStep, V> entries_of(const Model<V>& m) {
  std::map<TimeStep, V> result{{0, m[0]}};
  for (TimeStep t = 1; t < kHorizon; ++t) {
    if (!(m[t] == m[t - 1])) result.emplace(t, m[t]);
  }
  return result;
}

template <class V>
NormalizedSequence<V> sequence_of(const Model<V>& m) {
  return NormalizedSequence<V>::normalize(PlainSequence<V>(entries_of(m)));
}

// Maximal runs of equal values that satisfy `predicate`; a run reaching the tail is unbounded.
template <class V, class Predicate>
Intervals runs_where(const Model<V>& m, Predicate predicate) {
  Intervals result;
  TimeStep start = 0;
  for (TimeStep t = 1; t <= kHorizon; ++t) {
    if (t < kHorizon && m[t] == m[start]) continue;
    if (predicate(m[start])) {
      result.push_back(t == kHorizon ? Interval::unbounded(start)
                                     : Interval::bounded(start, t - 1));
    }
    start = t;
  }
  return result;
}

// Partition of `interval` at every step where `changes(t)` (value at t differs from t - 1).
template <class Changes>
Intervals pieces(const Interval& interval, Changes changes) {
  Intervals result;
  if (interval.is_empty()) return result;
  const TimeStep end = interval.is_bounded() ? interval.ub() : kHorizon - 1;
  TimeStep start = interval.lb();
  for (TimeStep t = start + 1; t <= end; ++t) {
    if (changes(t)) {
      result.push_back(Interval::bounded(start, t - 1));
      start = t;
    }
  }
  result.push_back(interval.is_bounded() ? Interval::bounded(start, interval.ub())
                                         : Interval::unbounded(start));
  return result;
}

class RandomSequences : public ::testing::Test {
 protected:
  template <class V>
  Model<V> random_model(int kinds) {
    Model<V> m(kHorizon);
    m[0] = V(rng_() % kinds);
    for (TimeStep t = 1; t < kHorizon - 1; ++t) {
      m[t] = rng_() % 5 == 0 ? V(rng_() % kinds) : m[t - 1];
    }
    m[kHorizon - 1] = m[kHorizon - 2];
    return m;
  }
  Model<Kleene> random_kleene() { return random_model<Kleene>(3); }
  Model<bool> random_set() { return random_model<bool>(2); }
  TimeStep below(TimeStep n) { return rng_() % n; }
  // Empty, bounded or unbounded, with bounds below kHorizon - 1.
  Interval random_interval() {
    const TimeStep lb = below(kHorizon - 1);
    switch (below(4)) {
      case 0:
        return Interval::unbounded(lb);
      case 1:
        return Interval::empty();
      default:
        return Interval::bounded(lb, lb + below(kHorizon - 1 - lb));
    }
  }

  std::mt19937 rng_{20240611};
};

constexpr int kRounds = 300;

TEST_F(RandomSequences, SetBetweenMatchesModel) {
  for (int round = 0; round < kRounds; ++round) {
    auto m = random_kleene();
    auto s = sequence_of(m);
    for (int step = 0; step < 6; ++step) {
      const TimeStep from = below(kHorizon - 1);
      const std::optional<TimeStep> to =
          below(4) == 0 ? std::nullopt : std::optional<TimeStep>(1 + below(kHorizon - 1));
      const Kleene value = Kleene(below(3));
      s.set_between(from, to, value);
      for (TimeStep t = from; t < to.value_or(kHorizon); ++t) m[t] = value;
      ASSERT_EQ(s.entries(), entries_of(m)) << "from " << from << " to " << to.value_or(0);
    }
  }
}

// Disjoint pieces in increasing order, the last possibly unbounded, merged in one pass.
TEST_F(RandomSequences, SetPiecesMatchesModel) {
  for (int round = 0; round < kRounds; ++round) {
    auto m = random_kleene();
    auto s = sequence_of(m);
    std::vector<std::pair<Interval, Kleene>> pieces;
    for (TimeStep lb = below(8); lb < kHorizon - 1; lb += 1 + below(8)) {
      const Kleene value = Kleene(below(3));
      if (below(8) == 0) {
        pieces.emplace_back(Interval::unbounded(lb), value);
        for (TimeStep t = lb; t < kHorizon; ++t) m[t] = value;
        break;
      }
      const TimeStep ub = std::min<TimeStep>(lb + below(6), kHorizon - 2);
      pieces.emplace_back(Interval::bounded(lb, ub), value);
      for (TimeStep t = lb; t <= ub; ++t) m[t] = value;
      lb = ub;
    }
    s.set_pieces(pieces);
    ASSERT_EQ(s.entries(), entries_of(m)) << "round " << round;
  }
}

TEST_F(RandomSequences, FromPairsMatchesModel) {
  for (int round = 0; round < kRounds; ++round) {
    std::vector<std::pair<TimeStep, Kleene>> pairs;
    Model<Kleene> m(kHorizon, Kleene::Unknown);
    for (TimeStep i = below(12); i > 0; --i) {
      pairs.emplace_back(below(kHorizon - 1), Kleene(below(3)));
      m[pairs.back().first] = pairs.back().second;
    }
    EXPECT_EQ(NormalizedSequence<Kleene>::from_pairs(pairs, Kleene::Unknown).entries(),
              entries_of(m));
  }
}

TEST_F(RandomSequences, FromPositiveIntervalsMatchesModel) {
  for (int round = 0; round < kRounds; ++round) {
    std::vector<Interval> intervals;
    Model<bool> m(kHorizon, false);
    for (TimeStep i = below(6); i > 0; --i) {
      intervals.push_back(random_interval());
      for (TimeStep t = 0; t < kHorizon; ++t) m[t] = m[t] || intervals.back().contains(t);
    }
    EXPECT_EQ(NormalizedSequence<bool>::from_positive_intervals(intervals).entries(),
              entries_of(m));
  }
}

TEST_F(RandomSequences, QueriesMatchModel) {
  auto known = [](Kleene k) { return k != Kleene::Unknown; };
  for (int round = 0; round < kRounds; ++round) {
    const auto m = random_kleene();
    const auto other = random_set();
    const auto s = sequence_of(m);
    const auto o = sequence_of(other);

    for (TimeStep t : {below(kHorizon), below(2 * kHorizon), kMaxTime}) {
      EXPECT_EQ(s.value_at(t), at(m, t));
    }
    for (Kleene k : {Kleene::True, Kleene::Unknown, Kleene::False}) {
      EXPECT_EQ(s.intervals_with_value(k), runs_where(m, [k](Kleene v) { return v == k; }));
    }
    // A predicate accepting two values still reports each run of equal values on its own.
    EXPECT_EQ(s.intervals_where(known), runs_where(m, known));

    const Interval interval = random_interval();
    EXPECT_EQ(s.interval_covering(interval),
              pieces(interval, [&](TimeStep t) { return m[t] != m[t - 1]; }))
        << interval;
    EXPECT_EQ(
        s.refined_interval_covering(o, interval),
        pieces(interval, [&](TimeStep t) { return m[t] != m[t - 1] || other[t] != other[t - 1]; }))
        << interval;
  }
}

TEST_F(RandomSequences, LastChangeInMatchesModel) {
  for (int round = 0; round < kRounds; ++round) {
    const auto m = random_kleene();
    const auto members = random_set();
    std::optional<TimeStep> expected;
    if (std::find(members.begin(), members.end(), true) != members.end()) {
      const TimeStep greatest =
          members.back() ? kHorizon - 1
                         : TimeStep(std::find(members.rbegin(), members.rend(), true).base() -
                                    members.begin() - 1);
      TimeStep k = greatest;
      while (k > 0 && m[k] == m[k - 1]) --k;
      expected = k;
    }
    const auto set = sequence_of(members);
    EXPECT_EQ(sequence_of(m).last_change_in(set), expected);
  }
}

TEST_F(RandomSequences, TransformAndCombineMatchModel) {
  for (int round = 0; round < kRounds; ++round) {
    const auto a = random_kleene();
    const auto b = random_set();
    auto mask = [](Kleene k, bool keep) { return keep ? k : Kleene::Unknown; };
    auto is_true = [](Kleene k) { return k == Kleene::True; };
    Model<Kleene> masked(kHorizon);
    Model<bool> truths(kHorizon);
    for (TimeStep t = 0; t < kHorizon; ++t) {
      masked[t] = mask(a[t], b[t]);
      truths[t] = is_true(a[t]);
    }
    EXPECT_EQ(combine(sequence_of(a), sequence_of(b), mask).entries(), entries_of(masked));
    EXPECT_EQ(sequence_of(a).transform(is_true).entries(), entries_of(truths));
  }
}

}  // namespace
}  // namespace corvane
