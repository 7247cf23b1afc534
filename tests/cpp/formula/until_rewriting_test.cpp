#include "formula/until_rewriting.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <random>

#include "formula/printing.hpp"

namespace corvane {
namespace {

AtomicProposition ap(const char* name) {
  return AtomicProposition::new_(name);
}
NNFFormula pos(const char* name) {
  return NNFFormula::positive(ap(name));
}
NNFFormula neg(const char* name) {
  return NNFFormula::negative(ap(name));
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

// Boolean semantics over a finite trace: each proposition has values at steps 0..H and keeps its
// value at H for ever after. Every operator only looks forward, so every subformula is constant
// from step H on, and quantifiers need to look no further than max(start, H).
class Evaluator {
 public:
  Evaluator(std::map<AtomicProposition, std::vector<bool>> trace, std::uint64_t horizon)
      : trace_(std::move(trace)), horizon_(horizon) {}

  bool holds(const NNFFormula& f, std::uint64_t t) const {
    switch (f.kind()) {
      case NNFFormula::Kind::Literal: {
        const Literal& l = f.literal();
        if (l.is_constant()) return l.is_true();
        const bool value = trace_.at(l.proposition())[std::min(t, horizon_)];
        return l.kind() == Literal::Kind::Positive ? value : !value;
      }
      case NNFFormula::Kind::And:
        for (const auto& m : f.members()) {
          if (!holds(m, t)) return false;
        }
        return true;
      case NNFFormula::Kind::Or:
        for (const auto& m : f.members()) {
          if (holds(m, t)) return true;
        }
        return false;
      case NNFFormula::Kind::Globally:
        for (std::uint64_t s = first(f, t); s <= last(f, t); ++s) {
          if (!holds(f.child(), s)) return false;
        }
        return true;
      case NNFFormula::Kind::Until:
        // The obligation on the lhs starts at the interval's lower bound.
        for (std::uint64_t s = first(f, t); s <= last(f, t); ++s) {
          if (holds(f.rhs(), s)) return true;
          if (!holds(f.lhs(), s)) return false;
        }
        return false;
    }
    return false;
  }

 private:
  static std::uint64_t first(const NNFFormula& f, std::uint64_t t) { return t + f.interval().lb(); }
  std::uint64_t last(const NNFFormula& f, std::uint64_t t) const {
    const std::uint64_t far = std::max(first(f, t), horizon_);
    return f.interval().is_unbounded() ? far : std::min(t + f.interval().ub(), far);
  }

  std::map<AtomicProposition, std::vector<bool>> trace_;
  std::uint64_t horizon_;
};

TEST(Evaluator, UntilObligationStartsAtTheLowerBound) {
  // a fails at step 0 only; b holds from step 2 on.
  const Evaluator e({{ap("a"), {false, true, true, true}}, {ap("b"), {false, false, true, true}}},
                    3);
  EXPECT_FALSE(e.holds(NNFFormula::until(a, Interval::bounded(0, 5), b), 0));
  EXPECT_TRUE(e.holds(NNFFormula::until(a, Interval::bounded(1, 5), b), 0));
  EXPECT_FALSE(e.holds(NNFFormula::until(a, Interval::bounded(0, 1), b), 0));
  EXPECT_TRUE(e.holds(NNFFormula::globally(Interval::unbounded(2), b), 0));
  EXPECT_FALSE(e.holds(NNFFormula::globally(Interval::unbounded(1), b), 0));
}

NNFFormula random_formula(std::mt19937& rng, int depth) {
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto interval = [&]() {
    const TimeStep lb = static_cast<TimeStep>(pick(4));
    if (pick(3) == 0) return Interval::unbounded(lb);
    return Interval::bounded(lb, lb + static_cast<TimeStep>(pick(4)));
  };
  if (depth == 0 || pick(4) == 0) {
    const char* names[] = {"a", "b", "c"};
    return pick(2) ? pos(names[pick(3)]) : neg(names[pick(3)]);
  }
  auto sub = [&]() { return random_formula(rng, depth - 1); };
  switch (pick(7)) {
    case 0:
      return NNFFormula::and_({sub(), sub()});
    case 1:
      return NNFFormula::or_({sub(), sub()});
    case 2:
    case 3: {
      NNFFormula lhs = sub();
      return NNFFormula::until(std::move(lhs), interval(), sub());
    }
    case 4: {
      NNFFormula lhs = sub();
      return NNFFormula::release(std::move(lhs), interval(), sub());
    }
    case 5:
      return NNFFormula::globally(interval(), sub());
    default:
      return NNFFormula::eventually(interval(), sub());
  }
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
  constexpr std::uint64_t kHorizon = 8;
  std::mt19937 rng(99);
  int differing_shapes = 0;
  for (int i = 0; i < 1500; ++i) {
    const NNFFormula f = random_formula(rng, 4);
    const NNFFormula undelayed = remove_delayed_until(f);
    const NNFFormula untimed = remove_timed_until(f);
    ASSERT_TRUE(untils_satisfy(undelayed, [](Interval i) { return i.lb() == 0; })) << debug(f);
    ASSERT_TRUE(untils_satisfy(untimed, [](Interval i) { return i == all; })) << debug(f);
    differing_shapes += undelayed != f;
    for (int trial = 0; trial < 8; ++trial) {
      std::map<AtomicProposition, std::vector<bool>> trace;
      for (const char* name : {"a", "b", "c"}) {
        std::vector<bool> values(kHorizon + 1);
        for (auto&& v : values) v = rng() % 2 == 0;
        trace.emplace(ap(name), std::move(values));
      }
      const Evaluator e(std::move(trace), kHorizon);
      const bool expected = e.holds(f, 0);
      ASSERT_EQ(e.holds(undelayed, 0), expected) << debug(f) << "\n" << debug(undelayed);
      ASSERT_EQ(e.holds(untimed, 0), expected) << debug(f) << "\n" << debug(untimed);
    }
  }
  EXPECT_GT(differing_shapes, 100);
}

}  // namespace
}  // namespace corvane
