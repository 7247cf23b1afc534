#include "augmentation/rules.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "augmentation_test_support.hpp"

namespace corvane {
namespace {

using namespace augmentation_test;
using Fact = KnowledgeFact;

NNFFormula or2(NNFFormula a, NNFFormula b) {
  return NNFFormula::or_({std::move(a), std::move(b)});
}
NNFFormula and2(NNFFormula a, NNFFormula b) {
  return NNFFormula::and_({std::move(a), std::move(b)});
}

struct LiteralCase {
  std::string name;
  std::vector<Fact> facts;
  Literal literal;
  NNFFormula expected;
};

TEST(AugmentedLiteral, IsTheDisjunctionOfEveryLiteralImplyingIt) {
  const std::vector<LiteralCase> cases = {
      {"not mentioned", {Fact::is_true(pos("a"))}, pos("p"), atom("p")},
      {"known true", {Fact::is_true(pos("p"))}, pos("p"), NNFFormula::true_()},
      {"known false", {Fact::is_false(pos("p"))}, pos("p"), NNFFormula::false_()},
      {"negation of known false", {Fact::is_false(pos("p"))}, neg("p"), NNFFormula::true_()},
      {"conclusion", {Fact::implication(pos("p"), pos("q"))}, pos("q"), or2(atom("p"), atom("q"))},
      {"premise", {Fact::implication(pos("p"), pos("q"))}, pos("p"), atom("p")},
      {"contrapositive",
       {Fact::implication(pos("p"), pos("q"))},
       neg("p"),
       or2(not_atom("p"), not_atom("q"))},
      {"transitive",
       {Fact::implication(pos("p"), pos("q")), Fact::implication(pos("q"), pos("r"))},
       pos("r"),
       NNFFormula::or_({atom("p"), atom("q"), atom("r")})},
      {"equivalent literals share their representative",
       {Fact::equivalence(pos("p"), pos("q")), Fact::implication(pos("s"), pos("q"))},
       pos("q"),
       or2(atom("p"), atom("s"))},
      {"a premise known true",
       {Fact::is_true(pos("p")), Fact::implication(pos("p"), pos("q"))},
       pos("q"),
       NNFFormula::true_()},
  };
  for (const LiteralCase& c : cases) {
    const PreparedKnowledge knowledge = prepared_knowledge({{0, c.facts}});
    EXPECT_TRUE(same_formula(
        augmented_literal(knowledge.value_at(0), knowledge.propositions(), c.literal), c.expected))
        << c.name;
  }
}

TEST(AugmentAtomicProposition, WritesOnePiecePerKnowledgeGraphOnTheStepsOnly) {
  // p -> q at steps 0 to 3, r -> q from step 4 on.
  PlainSequence<KnowledgeGraph> knowledge;
  knowledge.insert_or_assign(0, KnowledgeGraph({Fact::implication(pos("p"), pos("q"))}));
  knowledge.insert_or_assign(4, KnowledgeGraph({Fact::implication(pos("r"), pos("q"))}));
  const PreparedKnowledge prepared(testing::interned_knowledge(knowledge));

  AugmentedSequence sequence;
  augment_atomic_proposition(pos("q"), sequence, IntervalSet(Interval::bounded(0, 9)), prepared);
  AugmentedSequence expected;
  expected.set_between(0, 4, or2(atom("p"), atom("q")));
  expected.set_between(4, 10, or2(atom("q"), atom("r")));
  EXPECT_EQ(sequence, expected);

  // Only the steps asked for are written; the rest stays absent.
  AugmentedSequence partial;
  const IntervalSet steps(NormalizedSequence<bool>::from_positive_intervals(
      {Interval::bounded(2, 5), Interval::unbounded(8)}));
  augment_atomic_proposition(pos("p"), partial, steps, prepared);
  AugmentedSequence expected_partial;
  expected_partial.set_between(2, 6, atom("p"));
  expected_partial.set_between(8, std::nullopt, atom("p"));
  EXPECT_EQ(partial, expected_partial);
}

TEST(AugmentAtomicProposition, KnowledgeWithoutAGraphAtTheStepIsAnInternalError) {
  PlainSequence<KnowledgeGraph> knowledge;
  knowledge.insert_or_assign(3, KnowledgeGraph());
  const PreparedKnowledge prepared(testing::interned_knowledge(knowledge));
  AugmentedSequence sequence;
  try {
    augment_atomic_proposition(pos("p"), sequence, IntervalSet(Interval::bounded(0, 5)), prepared);
    FAIL() << "expected an internal error";
  } catch (const InternalError& e) {
    EXPECT_EQ(e.message(), "Sequence is never empty");
  }
}

// A context over hand-written operand sequences.
class StepRules : public ::testing::Test {
 protected:
  // Sets `formula`'s augmented form to `value` on [from, to].
  void set(const NNFFormula& formula, TimeStep from, TimeStep to, NNFFormula value) {
    table_[formula].set_between(from, to == kMaxTime ? std::nullopt : std::optional(to + 1),
                                std::move(value));
  }
  NNFFormula step(const NNFFormula& formula, TimeStep t) {
    return augment_step(formula, context_.operand_sequences(formula), t);
  }

  PreparedKnowledge knowledge_ = prepared_knowledge({});
  MonitorTable monitor_;
  AugmentationTable table_;
  AugmentationContext context_{knowledge_, monitor_, table_};

  const NNFFormula phi_ = atom("phi");
  const NNFFormula psi_ = atom("psi");
  const NNFFormula x_ = atom("x");
  const NNFFormula y_ = atom("y");
};

TEST_F(StepRules, JunctionsCombineTheMembersAtTheStep) {
  set(phi_, 0, kMaxTime, x_);
  set(psi_, 0, 6, y_);
  set(psi_, 7, kMaxTime, NNFFormula::false_());
  const NNFFormula conjunction = and2(phi_, psi_);
  const NNFFormula disjunction = or2(phi_, psi_);
  EXPECT_TRUE(same_formula(step(conjunction, 6), and2(x_, y_)));
  EXPECT_TRUE(same_formula(step(conjunction, 7), NNFFormula::false_()));
  EXPECT_TRUE(same_formula(step(disjunction, 6), or2(x_, y_)));
  EXPECT_TRUE(same_formula(step(disjunction, 7), x_));
}

TEST_F(StepRules, GloballySplitsItsWindowWhereTheOperandChanges) {
  const NNFFormula formula = NNFFormula::globally(Interval::bounded(0, 3), phi_);
  set(phi_, 5, 6, x_);
  set(phi_, 7, 8, y_);
  EXPECT_TRUE(
      same_formula(step(formula, 5), and2(NNFFormula::globally(Interval::bounded(0, 1), x_),
                                          NNFFormula::globally(Interval::bounded(2, 3), y_))));
  // One step later the window [6, 9] reaches an absent step.
  EXPECT_THROW(step(formula, 6), InternalError);

  set(phi_, 7, 8, x_);  // now constant on [5, 8]
  EXPECT_TRUE(same_formula(step(formula, 5), NNFFormula::globally(Interval::bounded(0, 3), x_)));

  set(phi_, 5, 8, NNFFormula::true_());
  EXPECT_TRUE(same_formula(step(formula, 5), NNFFormula::true_()));
  set(phi_, 8, 8, NNFFormula::false_());
  EXPECT_TRUE(same_formula(step(formula, 5), NNFFormula::false_()));
}

TEST_F(StepRules, GloballyWithADelayedWindowIsRelativeToTheStep) {
  const NNFFormula formula = NNFFormula::globally(Interval::unbounded(2), phi_);
  set(phi_, 12, 14, x_);
  set(phi_, 15, kMaxTime, y_);
  EXPECT_TRUE(
      same_formula(step(formula, 10), and2(NNFFormula::globally(Interval::bounded(2, 4), x_),
                                           NNFFormula::globally(Interval::unbounded(5), y_))));
}

TEST_F(StepRules, UntilWithConstantOperandsKeepsItsWindow) {
  const NNFFormula formula = NNFFormula::until(phi_, Interval::bounded(0, 2), psi_);
  set(phi_, 3, 5, x_);
  set(psi_, 3, 5, y_);
  EXPECT_TRUE(same_formula(step(formula, 3), NNFFormula::until(x_, Interval::bounded(0, 2), y_)));
}

TEST_F(StepRules, UntilSplitsWhereTheRightOperandChanges) {
  const NNFFormula formula = NNFFormula::until(phi_, Interval::bounded(0, 2), psi_);
  const NNFFormula psi1 = atom("psi1");
  const NNFFormula psi2 = atom("psi2");
  set(phi_, 3, 5, x_);
  set(psi_, 3, 3, psi1);
  set(psi_, 4, 5, psi2);
  // ψ1 at once, or φ' now and φ' until ψ2 within [1, 2].
  EXPECT_TRUE(same_formula(
      step(formula, 3), or2(psi1, and2(x_, NNFFormula::until(x_, Interval::bounded(1, 2), psi2)))));
}

TEST_F(StepRules, UntilSpellsOutTheGapOnePieceOfTheLeftOperandAtATime) {
  const NNFFormula formula = NNFFormula::until(phi_, Interval::bounded(1, 5), psi_);
  set(phi_, 11, 12, x_);
  set(phi_, 13, 15, y_);
  set(psi_, 11, 13, NNFFormula::false_());
  set(psi_, 14, 15, atom("w"));
  // Pieces [11, 12], [13, 13] (rhs false), [14, 15]: only the last can hold, after x on [1, 2]
  // and y on [3, 3].
  const NNFFormula expected =
      NNFFormula::and_({NNFFormula::globally(Interval::bounded(1, 2), x_),
                        NNFFormula::globally(Interval::bounded(3, 3), y_),
                        NNFFormula::until(y_, Interval::bounded(4, 5), atom("w"))});
  EXPECT_TRUE(same_formula(step(formula, 10), expected));

  set(psi_, 14, 15, NNFFormula::false_());
  EXPECT_TRUE(same_formula(step(formula, 10), NNFFormula::false_()));
}

TEST_F(StepRules, WindowsPastTheLastStepKeepTheirOwnBounds) {
  // Saturation cuts t + [0, 5] at the last step; the operand keeps its value there for ever, so
  // the form is the one of any step with a constant operand.
  set(phi_, 0, kMaxTime, x_);
  set(psi_, 0, kMaxTime, y_);
  const NNFFormula globally = NNFFormula::globally(Interval::bounded(0, 5), phi_);
  const NNFFormula until = NNFFormula::until(phi_, Interval::bounded(2, 5), psi_);
  for (const TimeStep t : {TimeStep{7}, kMaxTime - 3, kMaxTime}) {
    EXPECT_TRUE(same_formula(step(globally, t), NNFFormula::globally(Interval::bounded(0, 5), x_)))
        << t;
    EXPECT_TRUE(same_formula(step(until, t), NNFFormula::until(x_, Interval::bounded(2, 5), y_)))
        << t;
  }
  // A change near the end splits the window as usual; only its end keeps the window's bound.
  set(phi_, kMaxTime - 1, kMaxTime, y_);
  EXPECT_TRUE(same_formula(step(globally, kMaxTime - 3),
                           and2(NNFFormula::globally(Interval::bounded(0, 1), x_),
                                NNFFormula::globally(Interval::bounded(2, 5), y_))));
}

TEST_F(StepRules, ReadingWhatWasNotComputedIsAnInternalError) {
  struct Case {
    NNFFormula formula;
    std::string message;
  };
  set(phi_, 0, 4, x_);
  const std::vector<Case> cases = {
      {phi_,
       "internal error: entered unreachable code: This function is only called for "
       "compound formulas"},
      {and2(phi_, psi_), "Formula should have been inserted before"},
      {NNFFormula::globally(Interval::bounded(2, 6), phi_),
       "Augmentation should have been computed"},
  };
  for (const Case& c : cases) {
    try {
      step(c.formula, 0);
      ADD_FAILURE() << "expected an internal error for " << show(c.formula);
    } catch (const InternalError& e) {
      EXPECT_EQ(e.message(), c.message);
    }
  }
}

}  // namespace
}  // namespace corvane
