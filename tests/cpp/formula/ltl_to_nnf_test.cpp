#include "formula/ltl_to_nnf.hpp"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "formula/printing.hpp"

namespace corvane {
namespace {

using ltl::Formula;

Formula atom(const char* name) {
  return Formula::atom(AtomicProposition::new_(name));
}
NNFFormula pos(const char* name) {
  return NNFFormula::positive(AtomicProposition::new_(name));
}
NNFFormula neg(const char* name) {
  return NNFFormula::negative(AtomicProposition::new_(name));
}

std::string converted(const Formula& f) {
  return to_debug_string(to_nnf(f));
}

// The conversion rule by rule, recursing once per node; the reference for `to_nnf`, which works
// iteratively and flattens chains of conjunctions and disjunctions.
NNFFormula reference_nnf(const Formula& x);

NNFFormula reference_negated(const Formula& y) {
  using K = Formula::Kind;
  switch (y.kind()) {
    case K::Atom:
      return NNFFormula::negative(y.proposition());
    case K::True:
      return NNFFormula::false_();
    case K::False:
      return NNFFormula::true_();
    case K::Not:
      return reference_nnf(y.child());
    case K::And:
    case K::Or: {
      std::vector<NNFFormula> members;
      for (const auto& m : y.members()) members.push_back(reference_nnf(Formula::not_(m)));
      return y.kind() == K::And ? NNFFormula::or_(members) : NNFFormula::and_(members);
    }
    case K::Implies:
      return reference_nnf(Formula::and_(y.lhs(), Formula::not_(y.rhs())));
    case K::Until:
    case K::Release: {
      NNFFormula a = reference_nnf(Formula::not_(y.lhs()));
      NNFFormula b = reference_nnf(Formula::not_(y.rhs()));
      return y.kind() == K::Until ? NNFFormula::release(a, y.interval(), b)
                                  : NNFFormula::until(a, y.interval(), b);
    }
    case K::Globally:
      return reference_nnf(Formula::finally_(y.interval(), Formula::not_(y.child())));
    case K::Finally:
      return reference_nnf(Formula::globally(y.interval(), Formula::not_(y.child())));
    case K::Next:
      return reference_nnf(Formula::next(y.delay(), Formula::not_(y.child())));
  }
  throw std::logic_error("unknown kind");
}

NNFFormula reference_nnf(const Formula& x) {
  using K = Formula::Kind;
  switch (x.kind()) {
    case K::Atom:
      return NNFFormula::positive(x.proposition());
    case K::True:
      return NNFFormula::true_();
    case K::False:
      return NNFFormula::false_();
    case K::Not:
      return reference_negated(x.child());
    case K::And:
    case K::Or: {
      std::vector<NNFFormula> members;
      for (const auto& m : x.members()) members.push_back(reference_nnf(m));
      return x.kind() == K::And ? NNFFormula::and_(members) : NNFFormula::or_(members);
    }
    case K::Implies:
      return reference_nnf(Formula::or_(Formula::not_(x.lhs()), x.rhs()));
    case K::Until:
    case K::Release: {
      NNFFormula a = reference_nnf(x.lhs());
      NNFFormula b = reference_nnf(x.rhs());
      return x.kind() == K::Until ? NNFFormula::until(a, x.interval(), b)
                                  : NNFFormula::release(a, x.interval(), b);
    }
    case K::Globally:
      return NNFFormula::globally(x.interval(), reference_nnf(x.child()));
    case K::Finally:
      return NNFFormula::eventually(x.interval(), reference_nnf(x.child()));
    case K::Next:
      return x.delay() == 0
                 ? reference_nnf(x.child())
                 : NNFFormula::globally(Interval::singleton(x.delay()), reference_nnf(x.child()));
  }
  throw std::logic_error("unknown kind");
}

TEST(LtlConversion, RuleExamples) {
  const Interval i05 = Interval::bounded(0, 5);
  const Interval i24 = Interval::bounded(2, 4);
  struct Case {
    Formula tree;
    NNFFormula expected;
  };
  const Case cases[] = {
      {Formula::not_(Formula::not_(atom("a"))), pos("a")},
      {Formula::not_(atom("a")), neg("a")},
      {Formula::not_(Formula::true_()), NNFFormula::false_()},
      {Formula::implies(atom("a"), atom("b")), NNFFormula::or_({pos("b"), neg("a")})},
      {Formula::not_(Formula::implies(atom("a"), atom("b"))),
       NNFFormula::and_({pos("a"), neg("b")})},
      {Formula::not_(Formula::until(atom("a"), i05, atom("b"))),
       NNFFormula::release(neg("a"), i05, neg("b"))},
      {Formula::not_(Formula::release(atom("a"), i05, atom("b"))),
       NNFFormula::until(neg("a"), i05, neg("b"))},
      {Formula::not_(Formula::globally(i24, atom("a"))),
       NNFFormula::until(NNFFormula::true_(), i24, neg("a"))},
      {Formula::not_(Formula::finally_(i24, atom("a"))), NNFFormula::globally(i24, neg("a"))},
      {Formula::next(3, atom("a")), NNFFormula::globally(Interval::singleton(3), pos("a"))},
      {Formula::not_(Formula::next(3, atom("a"))),
       NNFFormula::globally(Interval::singleton(3), neg("a"))},
      {Formula::next(0, atom("a")), pos("a")},
      {Formula::finally_(Interval::empty(), atom("a")), NNFFormula::false_()},
      {Formula::globally(Interval::empty(), atom("a")), NNFFormula::true_()},
      {Formula::and_(atom("c"), Formula::and_(atom("a"), atom("b"))),
       NNFFormula::and_({pos("a"), pos("b"), pos("c")})},
      {Formula::not_(Formula::or_(atom("a"), Formula::not_(atom("b")))),
       NNFFormula::and_({neg("a"), pos("b")})},
      {Formula::and_(atom("a"), Formula::false_()), NNFFormula::false_()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(converted(c.tree), to_debug_string(c.expected));
  }
  // The release rewriting of ¬(a U[0,5] b) is an `Or` of an always and an until.
  EXPECT_EQ(to_nnf(Formula::not_(Formula::until(atom("a"), i05, atom("b")))).kind(),
            NNFFormula::Kind::Or);
}

Formula random_tree(std::mt19937& rng, int depth) {
  const char* names[] = {"a", "b", "c"};
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto interval = [&]() {
    const TimeStep lb = static_cast<TimeStep>(pick(4));
    switch (pick(4)) {
      case 0:
        return Interval::empty();
      case 1:
        return Interval::unbounded(lb);
      default:
        return Interval::bounded(lb, lb + static_cast<TimeStep>(pick(3)));
    }
  };
  if (depth == 0 || pick(5) == 0) {
    switch (pick(8)) {
      case 0:
        return Formula::true_();
      case 1:
        return Formula::false_();
      default:
        return atom(names[pick(3)]);
    }
  }
  auto sub = [&]() { return random_tree(rng, depth - 1); };
  switch (pick(9)) {
    case 0:
      return Formula::not_(sub());
    case 1:
      return Formula::and_(sub(), sub());
    case 2:
      return Formula::or_(sub(), sub());
    case 3:
      return Formula::implies(sub(), sub());
    case 4: {
      Formula lhs = sub();
      return Formula::until(std::move(lhs), interval(), sub());
    }
    case 5: {
      Formula lhs = sub();
      return Formula::release(std::move(lhs), interval(), sub());
    }
    case 6:
      return Formula::globally(interval(), sub());
    case 7:
      return Formula::finally_(interval(), sub());
    default:
      return Formula::next(static_cast<TimeStep>(pick(3)), sub());
  }
}

TEST(LtlConversion, MatchesRuleByRuleConversionOnRandomTrees) {
  std::mt19937 rng(20240611);
  for (int i = 0; i < 3000; ++i) {
    const Formula tree = random_tree(rng, 6);
    ASSERT_EQ(converted(tree), to_debug_string(reference_nnf(tree))) << "tree " << i;
  }
}

}  // namespace
}  // namespace corvane
