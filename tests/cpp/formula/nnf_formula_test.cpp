#include "formula/nnf_formula.hpp"

#include <gtest/gtest.h>

#include "builders.hpp"

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <utility>

#include "formula/printing.hpp"
#include "support/nesting_too_deep.hpp"
#include "support/random_formula.hpp"
#include "support/refused_allocations.hpp"

namespace corvane {
namespace {

using F = NNFFormula;

using test::n;
using test::p;
std::string dbg(const F& f) {
  return to_debug_string(f);
}

struct SimplificationCase {
  const char* name;
  F actual;
  F expected;
};

std::vector<SimplificationCase> simplification_cases() {
  const F a = p("a"), b = p("b"), c = p("c"), t = F::true_(), f = F::false_();
  const auto unb = Interval::unbounded;
  const auto bnd = Interval::bounded;
  return {
      {"and of nothing", F::and_({}), t},
      {"or of nothing", F::or_({}), f},
      {"and of one", F::and_({a}), a},
      {"and of duplicates", F::and_({a, a}), a},
      {"and drops true", F::and_({t, a}), a},
      {"and absorbs false", F::and_({f, a}), f},
      {"or absorbs true", F::or_({t, a}), t},
      {"or drops false", F::or_({f, a, f}), a},
      {"and flattens", F::and_({a, F::and_({b, c})}), F::and_({c, b, a})},
      {"and is order free", F::and_({b, a}), F::and_({a, b})},
      {"until empty", F::until(a, Interval::empty(), b), f},
      {"until rhs true", F::until(a, bnd(1, 5), t), t},
      {"until rhs false", F::until(a, unb(0), f), f},
      {"until lhs false", F::until(f, unb(3), b), F::globally(bnd(3, 3), b)},
      {"until lhs false at 0", F::until(f, bnd(0, 9), b), b},
      {"until singleton 0", F::until(a, bnd(0, 0), b), b},
      {"until singleton 4", F::until(a, bnd(4, 4), b), F::globally(bnd(4, 4), b)},
      {"globally empty", F::globally(Interval::empty(), f), t},
      {"globally false", F::globally(bnd(0, 5), f), f},
      {"globally at 0", F::globally(bnd(0, 0), a), a},
      {"release rhs false", F::release(a, bnd(0, 4), f), f},
      {"release empty rhs false", F::release(a, Interval::empty(), f), t},
      {"release is the dual of until", F::negated(F::until(a, Interval::empty(), t)),
       F::release(n("a"), Interval::empty(), f)},
      {"release empty", F::release(a, Interval::empty(), b), t},
      {"release lhs true", F::release(t, bnd(2, 9), b), F::globally(bnd(2, 2), b)},
      {"release lhs false", F::release(f, bnd(2, 9), b), F::globally(bnd(2, 9), b)},
      {"negated globally", F::negated(F::globally(bnd(1, 4), a)), F::until(t, bnd(1, 4), n("a"))},
      {"negated and", F::negated(F::and_({a, n("b")})), F::or_({b, n("a")})},
      {"negated until", F::negated(F::until(a, bnd(0, 5), b)),
       F::release(n("a"), bnd(0, 5), n("b"))},
  };
}

TEST(NNFFormula, ConstructorsSimplify) {
  for (const auto& c : simplification_cases()) {
    EXPECT_EQ(c.actual, c.expected) << c.name << ": " << dbg(c.actual);
    EXPECT_EQ(c.actual.hash(), c.expected.hash()) << c.name;
  }
}

TEST(NNFFormula, KeptShapes) {
  EXPECT_EQ(F::globally(Interval::bounded(2, 2), p("a")).kind(), F::Kind::Globally);
  const F ev = F::until(F::true_(), Interval::unbounded(0), p("b"));
  EXPECT_TRUE(ev.is_eventually());
  const F r = F::release(p("a"), Interval::unbounded(0), p("b"));
  EXPECT_EQ(dbg(r),
            dbg(F::or_({F::globally(Interval::unbounded(0), p("b")),
                        F::until(p("b"), Interval::unbounded(0), F::and_({p("a"), p("b")}))})));
  ASSERT_EQ(r.kind(), F::Kind::Or);
  EXPECT_EQ(r.members()[0].kind(), F::Kind::Until);  // Until sorts before Globally
}

TEST(NNFFormula, OrderFollowsKindsThenFields) {
  const std::vector<F> ascending = {
      F::true_(),
      F::false_(),
      p("a"),
      p("b"),
      n("a"),
      F::and_({p("a"), p("b")}),
      F::and_({p("a"), p("b"), p("c")}),  // a proper prefix sorts first
      F::or_({p("a"), p("b")}),
      F::until(p("a"), Interval::bounded(1, 2), p("b")),
      F::until(p("a"), Interval::unbounded(1), p("b")),
      F::globally(Interval::bounded(1, 2), p("z")),
  };
  for (std::size_t i = 0; i + 1 < ascending.size(); ++i) {
    EXPECT_LT(ascending[i], ascending[i + 1]) << dbg(ascending[i]);
    EXPECT_NE(ascending[i], ascending[i + 1]);
  }
}

// Formulas over three propositions, with every operator; windows with bounds up to 8.
testing::FormulaShape random_shape(int depth) {
  return {.propositions = testing::atomic_propositions({"a", "b", "c"}),
          .min_depth = depth,
          .max_depth = depth,
          .leaf = 0.25,
          .windows = {.unbounded = 0.3}};
}

TEST(NNFFormula, EqualityOrderAndHashAgreeOnRandomFormulas) {
  std::mt19937 rng(7);
  testing::RandomFormulas<F> random_formula(rng, random_shape(3));
  for (int i = 0; i < 500; ++i) {
    const F x = random_formula();
    const F y = random_formula();
    const bool equal_text = dbg(x) == dbg(y);
    EXPECT_EQ(x == y, equal_text);
    EXPECT_EQ((x <=> y) == 0, equal_text);
    EXPECT_EQ(x<y, y> x);
    if (equal_text) {
      EXPECT_EQ(x.hash(), y.hash());
    }
    // Rebuilding from the same parts gives an equal formula with a separate node.
    const F rebuilt = F::or_({F::false_(), x});
    EXPECT_EQ(rebuilt, x);
  }
}

// The order as defined, recursively: kind, then the fields in declaration order.
std::strong_ordering reference_order(const F& x, const F& y) {
  if (auto c = x.kind() <=> y.kind(); c != 0) return c;
  switch (x.kind()) {
    case F::Kind::Literal:
      return x.literal() <=> y.literal();
    case F::Kind::And:
    case F::Kind::Or:
      for (std::size_t i = 0; i < std::min(x.members().size(), y.members().size()); ++i) {
        if (auto c = reference_order(x.members()[i], y.members()[i]); c != 0) return c;
      }
      return x.members().size() <=> y.members().size();
    case F::Kind::Until:
      if (auto c = reference_order(x.lhs(), y.lhs()); c != 0) return c;
      if (auto c = x.interval() <=> y.interval(); c != 0) return c;
      return reference_order(x.rhs(), y.rhs());
    case F::Kind::Globally:
      if (auto c = x.interval() <=> y.interval(); c != 0) return c;
      return reference_order(x.child(), y.child());
  }
  return std::strong_ordering::equal;
}

// Both formulas wrapped alike, so that comparing them comes down to comparing the originals along
// other paths: 70 levels deep, or in six nested releases, each holding the one inside three
// times (3^6 paths down to the originals, through a handful of nodes).
std::pair<F, F> wrapped_deep(F x, F y) {
  for (int level = 0; level < 70; ++level) {
    x = F::globally(Interval::bounded(1, 1 + level % 3), x);
    y = F::globally(Interval::bounded(1, 1 + level % 3), y);
  }
  return {x, y};
}
std::pair<F, F> wrapped_shared(F x, F y) {
  for (int level = 0; level < 6; ++level) {
    x = F::release(p(level % 2 == 0 ? "a" : "b"), Interval::bounded(0, 1 + level), x);
    y = F::release(p(level % 2 == 0 ? "a" : "b"), Interval::bounded(0, 1 + level), y);
  }
  return {x, y};
}

TEST(NNFFormula, OrderEqualityAndHashMatchTheRecursiveDefinitionOnRandomFormulas) {
  std::mt19937 rng(5);
  testing::RandomFormulas<F> random_formula(rng, random_shape(3));
  const auto check_pair = [](const F& x, const F& y) {
    const auto expected = reference_order(x, y);
    EXPECT_EQ(x <=> y, expected) << dbg(x) << " vs " << dbg(y);
    EXPECT_EQ(y <=> x, 0 <=> expected);
    EXPECT_EQ(x == y, expected == 0);
    if (expected == 0) {
      EXPECT_EQ(x.hash(), y.hash());
    }
  };
  for (int i = 0; i < 2000; ++i) {
    const F x = random_formula();
    // An equal formula in separate nodes, or another one.
    const F y = i % 3 == 0 ? F::or_({F::false_(), F::and_({x, F::true_()})}) : random_formula();
    check_pair(x, y);
    for (auto wrap : {wrapped_deep, wrapped_shared}) {
      auto [wrapped_x, wrapped_y] = wrap(x, y);
      // Sometimes one of them one level deeper.
      if (i % 5 == 0) wrapped_y = F::until(p("a"), Interval::bounded(1, 2), wrapped_y);
      check_pair(wrapped_x, wrapped_y);
    }
  }
}

// Two separately built chains of releases: each level holds the one below three times, so the
// trees have 3^60 paths, but comparing them costs a few steps per node.
TEST(NNFFormula, ComparingSharedOperandsCostsTheirNodesNotTheirPaths) {
  const auto chain = [](const char* innermost) {
    F f = p(innermost);
    for (int level = 0; level < 60; ++level) {
      f = F::release(p(("a" + std::to_string(level)).c_str()), Interval::unbounded(0), f);
    }
    return f;
  };
  const F x = chain("z");
  EXPECT_FALSE(x.same_node(chain("z")));
  EXPECT_EQ(x, chain("z"));
  EXPECT_EQ(x <=> chain("z"), std::strong_ordering::equal);
  EXPECT_LT(chain("y"), x);
  EXPECT_NE(chain("y"), x);
  EXPECT_EQ(F::and_({x, chain("z")}), x);
  EXPECT_EQ(F::negated(F::negated(x)), F::negated(F::negated(chain("z"))));
}

TEST(NNFFormula, NormalFormInvariantsHoldOnRandomFormulas) {
  std::mt19937 rng(11);
  std::function<void(const F&, bool)> check_node = [&](const F& f, bool is_root) {
    switch (f.kind()) {
      case F::Kind::Literal:
        if (!is_root) {
          EXPECT_FALSE(f.literal().is_constant());
        }
        break;
      case F::Kind::And:
      case F::Kind::Or:
        EXPECT_GE(f.members().size(), 2u);
        for (std::size_t i = 0; i + 1 < f.members().size(); ++i) {
          EXPECT_LT(f.members()[i], f.members()[i + 1]);
        }
        for (const auto& m : f.members()) EXPECT_NE(m.kind(), f.kind());
        break;
      case F::Kind::Until:
        EXPECT_FALSE(f.interval().is_empty() || f.interval().is_singleton());
        EXPECT_FALSE(f.lhs().is_false());
        break;
      case F::Kind::Globally:
        EXPECT_FALSE(f.interval().is_empty() || f.interval() == Interval::singleton(0));
        break;
    }
    for (std::size_t i = 0; i < f.subformulas().size(); ++i) {
      const bool eventually_lhs = f.kind() == F::Kind::Until && i == 0 && f.lhs().is_true();
      if (!eventually_lhs) {
        check_node(f.subformulas()[i], false);
      }
    }
  };
  testing::RandomFormulas<F> random_formula(rng, random_shape(4));
  for (int i = 0; i < 300; ++i) check_node(random_formula(), true);
}

// Junctions merge the sorted runs their members arrive in; the members must be exactly those a
// plain sort and deduplication of the flattened arguments gives.
TEST(NNFFormula, JunctionMembersMatchAPlainSortOfTheFlattenedArguments) {
  std::mt19937 rng(23);
  testing::RandomFormulas<F> random_formula(rng, random_shape(3));
  std::vector<F> pool;
  for (int i = 0; i < 60; ++i) pool.push_back(random_formula());
  std::uniform_int_distribution<std::size_t> index(0, pool.size() - 1);
  std::uniform_int_distribution<int> count(0, 40);
  for (int i = 0; i < 300; ++i) {
    // Arguments are sub-junctions (sorted runs) and single formulas, in random order.
    std::vector<F> arguments;
    for (int k = count(rng) % 6; k >= 0; --k) {
      std::vector<F> members;
      for (int m = count(rng); m > 0; --m) members.push_back(pool[index(rng)]);
      arguments.push_back(count(rng) % 3 == 0   ? pool[index(rng)]
                          : count(rng) % 2 == 0 ? F::and_(members)
                                                : F::or_(members));
    }
    for (const bool is_and : {true, false}) {
      const F::Kind kind = is_and ? F::Kind::And : F::Kind::Or;
      std::vector<F> expected;
      bool absorbed = false;
      for (const F& argument : arguments) {
        if (is_and ? argument.is_false() : argument.is_true()) absorbed = true;
        if (argument.is_true() || argument.is_false()) continue;
        if (argument.kind() == kind) {
          expected.insert(expected.end(), argument.members().begin(), argument.members().end());
        } else {
          expected.push_back(argument);
        }
      }
      std::sort(expected.begin(), expected.end());
      expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
      const F junction = is_and ? F::and_(arguments) : F::or_(arguments);
      if (absorbed) {
        EXPECT_EQ(junction, is_and ? F::false_() : F::true_());
      } else if (expected.size() == 1) {
        EXPECT_EQ(junction, expected.front());
      } else if (!expected.empty()) {
        ASSERT_EQ(junction.kind(), kind);
        EXPECT_TRUE(std::ranges::equal(junction.members(), expected));
      }
    }
  }
}

TEST(NNFFormula, DepthLimit) {
  F f = p("a");
  for (std::uint32_t d = 1; d < kMaxNestingDepth; ++d) {
    f = F::globally(Interval::bounded(1, 1), f);
  }
  EXPECT_EQ(f.depth(), kMaxNestingDepth);
  EXPECT_THROW(F::globally(Interval::bounded(1, 1), f), NestingTooDeep);
  EXPECT_THROW(F::until(p("b"), Interval::bounded(1, 2), f), NestingTooDeep);
  // Flattening keeps depth: a conjunction of conjunctions is one level.
  EXPECT_EQ(F::and_({F::and_({p("a"), p("b")}), p("c")}).depth(), 2u);
  // Operations on a formula at the limit complete.
  EXPECT_EQ(F::negated(F::negated(f)), f);
  EXPECT_EQ(to_tree_string(f).size() > 0, true);
}

// Freeing runs in destructors, also when memory has run out: an allocation there would end the
// process. A deep formula, a wide one and one that shares its operands are freed with every
// allocation refused.
TEST(NNFFormula, FreeingNeedsNoMemory) {
  std::vector<F> formulas;
  F deep = p("a");
  for (std::uint32_t d = 1; d + 2 <= kMaxNestingDepth; d += 2) {
    deep = F::until(p("b"), Interval::bounded(1, 2), F::globally(Interval::bounded(1, 1), deep));
  }
  formulas.push_back(std::move(deep));
  std::vector<F> members;
  for (int i = 0; i < 1000; ++i) members.push_back(p(("p" + std::to_string(i)).c_str()));
  formulas.push_back(F::and_(std::move(members)));
  F chain = p("r");
  for (int i = 0; i < 300; ++i) chain = F::release(p("a"), Interval::unbounded(0), chain);
  formulas.push_back(std::move(chain));
  {
    testing::RefusedAllocations refused;
    formulas.clear();
    EXPECT_EQ(refused.refused(), 0u);
  }
}

TEST(NNFFormula, CopiesShareNodes) {
  const F f = F::and_({p("a"), p("b")});
  const F g = f;
  EXPECT_TRUE(f.same_node(g));
  const F h = F::and_({p("b"), p("a")});
  EXPECT_FALSE(f.same_node(h));
  EXPECT_EQ(f, h);
}

}  // namespace
}  // namespace corvane
