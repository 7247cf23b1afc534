#include "formula/ltl_to_nnf.hpp"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "formula/printing.hpp"
#include "support/random_formula.hpp"

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

// Negation swaps an operator with its dual and back, over as many operands.
TEST(LtlConversion, EveryWindowedOperatorIsTheDualOfItsDual) {
  for (const ltl::TemporalOperator& op : ltl::kTemporalOperators) {
    const ltl::TemporalOperator* dual = ltl::temporal_operator(op.dual);
    ASSERT_NE(dual, nullptr) << op.letter;
    EXPECT_EQ(dual->dual, op.kind) << op.letter;
    EXPECT_EQ(dual->infix, op.infix) << op.letter;
  }
}

TEST(LtlConversion, MatchesRuleByRuleConversionOnRandomTrees) {
  std::mt19937 rng(20240611);
  testing::RandomFormulas<Formula> random_tree(
      rng, {.propositions = testing::atomic_propositions({"a", "b", "c"}),
            .min_depth = 6,
            .max_depth = 6,
            .constant = 0.25,
            .max_delay = 2,
            .windows = {.max_lb = 3, .max_width = 2, .empty = 0.25, .unbounded = 0.25}});
  for (int i = 0; i < 3000; ++i) {
    const Formula tree = random_tree();
    ASSERT_EQ(converted(tree), to_debug_string(reference_nnf(tree))) << "tree " << i;
  }
}

}  // namespace
}  // namespace corvane
