#include "formula/ltl_formula.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "formula/ltl_to_nnf.hpp"
#include "support/refused_allocations.hpp"

namespace corvane {
namespace {

using ltl::Formula;

Formula atom(const char* name) {
  return Formula::atom(AtomicProposition::new_(name));
}

TEST(LtlFormula, JunctionsAreTwoMemberSetsWithoutFlattening) {
  EXPECT_TRUE(Formula::and_(atom("a"), atom("a")) == atom("a"));
  EXPECT_TRUE(Formula::or_(atom("b"), atom("a")) == Formula::or_(atom("a"), atom("b")));
  const Formula nested = Formula::and_(Formula::and_(atom("a"), atom("b")), atom("c"));
  ASSERT_EQ(nested.kind(), Formula::Kind::And);
  // Atoms sort before conjunctions, so the nested conjunction is the second member.
  EXPECT_TRUE(nested.members()[0] == atom("c"));
  EXPECT_EQ(nested.members()[1].kind(), Formula::Kind::And);
  EXPECT_EQ(Formula::not_(Formula::not_(atom("a"))).child().kind(), Formula::Kind::Not);
}

TEST(LtlFormula, StructuralOrder) {
  const Formula ordered[] = {
      atom("a"),
      atom("b"),
      Formula::true_(),
      Formula::false_(),
      Formula::not_(atom("a")),
      Formula::and_(atom("a"), atom("b")),
      Formula::and_(atom("a"), atom("c")),
      Formula::or_(atom("a"), atom("b")),
      Formula::implies(atom("a"), atom("b")),
      Formula::until(atom("a"), Interval::bounded(0, 1), atom("b")),
      Formula::until(atom("a"), Interval::unbounded(0), atom("a")),
      Formula::until(atom("b"), Interval::empty(), atom("a")),
      Formula::release(atom("a"), Interval::empty(), atom("a")),
      Formula::globally(Interval::bounded(0, 1), atom("b")),
      Formula::globally(Interval::bounded(0, 2), atom("a")),
      Formula::finally_(Interval::empty(), atom("a")),
      Formula::next(1, atom("b")),
      Formula::next(2, atom("a")),
  };
  for (std::size_t i = 0; i < std::size(ordered); ++i) {
    for (std::size_t j = 0; j < std::size(ordered); ++j) {
      EXPECT_EQ(ordered[i] <=> ordered[j], i <=> j) << i << " vs " << j;
    }
  }
}

Formula chain(Formula::Kind kind, int length, int differing_leaf = -1) {
  auto leaf = [&](int i) {
    return Formula::atom(
        AtomicProposition::new_((i == differing_leaf ? "z" : "p") + std::to_string(i)));
  };
  Formula f = leaf(0);
  for (int i = 1; i < length; ++i) {
    f = kind == Formula::Kind::And ? Formula::and_(std::move(f), leaf(i))
                                   : Formula::or_(std::move(f), leaf(i));
  }
  return f;
}

TEST(LtlFormula, DeepChainsConvertCompareAndDestroyWithoutRecursion) {
  constexpr int kLength = 100000;
  const Formula conjunction = chain(Formula::Kind::And, kLength);
  const NNFFormula flat = to_nnf(conjunction);
  ASSERT_EQ(flat.kind(), NNFFormula::Kind::And);
  EXPECT_EQ(flat.members().size(), static_cast<std::size_t>(kLength));
  EXPECT_LE(flat.depth(), 2u);

  // Negated, the conjunction becomes one flat disjunction of negative literals.
  const NNFFormula negated = to_nnf(Formula::not_(conjunction));
  ASSERT_EQ(negated.kind(), NNFFormula::Kind::Or);
  EXPECT_EQ(negated.members().size(), static_cast<std::size_t>(kLength));
  EXPECT_EQ(negated.members()[0].literal().kind(), Literal::Kind::Negative);

  // Separately built equal chains compare equal; a difference in the innermost leaf decides.
  EXPECT_TRUE(conjunction == chain(Formula::Kind::And, kLength));
  EXPECT_TRUE(conjunction < chain(Formula::Kind::And, kLength, 0));
  EXPECT_EQ(to_nnf(chain(Formula::Kind::Or, kLength)).members().size(),
            static_cast<std::size_t>(kLength));
}

// Freeing runs in destructors, also when memory has run out: an allocation there would end the
// process.
TEST(LtlFormula, FreeingNeedsNoMemory) {
  std::optional<Formula> deep = chain(Formula::Kind::And, 100000);
  testing::RefusedAllocations refused;
  deep.reset();
  EXPECT_EQ(refused.refused(), 0u);
}

}  // namespace
}  // namespace corvane
