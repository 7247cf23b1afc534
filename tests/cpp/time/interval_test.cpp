#include "time/interval.hpp"

#include <gtest/gtest.h>

#include <ostream>

namespace corvane {
namespace {

struct SubtractionCase {
  Interval a;
  Interval b;
  Interval expected;
};

void PrintTo(const SubtractionCase& c, std::ostream* out) {
  *out << c.a << " - " << c.b;
}

class IntervalSubtraction : public ::testing::TestWithParam<SubtractionCase> {};

TEST_P(IntervalSubtraction, MatchesSetOfDifferences) {
  const auto& c = GetParam();
  EXPECT_EQ(c.a - c.b, c.expected) << c.a.display() << " - " << c.b.display();
}

INSTANTIATE_TEST_SUITE_P(
    Examples, IntervalSubtraction,
    ::testing::Values(
        SubtractionCase{Interval::bounded(3, 10), Interval::bounded(5, 20),
                        Interval::bounded(0, 5)},
        SubtractionCase{Interval::bounded(3, 4), Interval::bounded(5, 6), Interval::empty()},
        SubtractionCase{Interval::unbounded(7), Interval::bounded(1, 2), Interval::unbounded(5)},
        SubtractionCase{Interval::bounded(2, 9), Interval::unbounded(4), Interval::bounded(0, 5)},
        SubtractionCase{Interval::unbounded(7), Interval::unbounded(1), Interval::unbounded(0)},
        SubtractionCase{Interval::bounded(2, 9), Interval::empty(), Interval::empty()},
        SubtractionCase{Interval::empty(), Interval::bounded(2, 9), Interval::empty()},
        SubtractionCase{Interval::bounded(0, kMaxTime), Interval::bounded(0, kMaxTime),
                        Interval::bounded(0, kMaxTime)}));

TEST(Interval, ConstructionFromBounds) {
  EXPECT_EQ(Interval::from_bounds(5, 3), Interval::empty());
  EXPECT_EQ(Interval::from_bounds(5, std::nullopt), Interval::unbounded(5));
  EXPECT_EQ(Interval::from_bounds(3, 3), Interval::singleton(3));
  EXPECT_TRUE(Interval::singleton(3).is_singleton());
}

TEST(Interval, DisplayAndDebug) {
  EXPECT_EQ(Interval::empty().display(), "∅");
  EXPECT_EQ(Interval::bounded(0, 5).display(), "[0, 5]");
  EXPECT_EQ(Interval::unbounded(3).display(), "[3, inf]");
  EXPECT_EQ(Interval::bounded(0, kMaxTime).display(), "[0, 4294967295]");
  std::string out;
  Interval::bounded(1, 4).append_debug(out);
  out += ' ';
  Interval::unbounded(2).append_debug(out);
  out += ' ';
  Interval::empty().append_debug(out);
  EXPECT_EQ(out, "Bounded { lb: 1, ub: 4 } Unbounded { lb: 2 } Empty");
}

TEST(Interval, OrderIsKindThenBounds) {
  EXPECT_LT(Interval::empty(), Interval::bounded(0, 0));
  EXPECT_LT(Interval::bounded(9, 9), Interval::unbounded(0));
  EXPECT_LT(Interval::bounded(1, 2), Interval::bounded(1, 3));
  EXPECT_LT(Interval::bounded(1, 9), Interval::bounded(2, 3));
}

TEST(Interval, AdditionSaturatesAtTheLastStep) {
  EXPECT_EQ(Interval::bounded(1, 2) + Interval::bounded(3, 4), Interval::bounded(4, 6));
  EXPECT_EQ(Interval::bounded(1, 2) + Interval::unbounded(3), Interval::unbounded(4));
  EXPECT_EQ(Interval::bounded(1, 2) + Interval::empty(), Interval::empty());
  EXPECT_EQ(Interval::bounded(10, kMaxTime) + Interval::bounded(5, 5),
            Interval::bounded(15, kMaxTime));
  EXPECT_EQ(Interval::unbounded(kMaxTime) + Interval::unbounded(kMaxTime),
            Interval::unbounded(kMaxTime));
  EXPECT_EQ(shifted(Interval::bounded(kMaxTime - 1, kMaxTime), 7),
            Interval::bounded(kMaxTime, kMaxTime));
}

}  // namespace
}  // namespace corvane
