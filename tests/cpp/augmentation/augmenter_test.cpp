#include "augmentation/augmenter.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "augmentation_test_support.hpp"

namespace corvane {
namespace {

using namespace augmentation_test;
using Fact = KnowledgeFact;

Augmenter augmenter_for(const StatedFacts& stated) {
  return Augmenter(testing::interned_knowledge(unprepared_knowledge(stated)));
}

TEST(Augmenter, ConstantsStayConstants) {
  const Augmenter augmenter = augmenter_for({{0, {Fact::is_true(pos("a"))}}});
  EXPECT_TRUE(same_formula(augmenter.augment(NNFFormula::true_()), NNFFormula::true_()));
  EXPECT_TRUE(same_formula(augmenter.augment(NNFFormula::false_()), NNFFormula::false_()));
}

TEST(Augmenter, ReplacesAPropositionByTheLiteralsImplyingIt) {
  const Augmenter augmenter = augmenter_for({{0, {Fact::implication(pos("p"), pos("q"))}}});
  EXPECT_TRUE(same_formula(augmenter.augment(atom("q")), NNFFormula::or_({atom("p"), atom("q")})));
  EXPECT_TRUE(same_formula(augmenter.augment(atom("p")), atom("p")));
  EXPECT_TRUE(same_formula(augmenter.augment(atom("unrelated")), atom("unrelated")));
}

TEST(Augmenter, SplitsAWindowWhereTheKnowledgeChanges) {
  StatedFacts stated;
  for (TimeStep t = 0; t < 4; ++t) stated[t] = {Fact::implication(pos("p"), pos("q"))};
  for (TimeStep t = 4; t < 10; ++t) stated[t] = {Fact::implication(pos("r"), pos("q"))};
  const Augmenter augmenter = augmenter_for(stated);
  const NNFFormula formula = NNFFormula::globally(Interval::bounded(0, 11), atom("q"));
  EXPECT_TRUE(same_formula(
      augmenter.augment(formula),
      NNFFormula::and_({
          NNFFormula::globally(Interval::bounded(0, 3), NNFFormula::or_({atom("p"), atom("q")})),
          NNFFormula::globally(Interval::bounded(4, 9), NNFFormula::or_({atom("q"), atom("r")})),
          NNFFormula::globally(Interval::bounded(10, 11), atom("q")),
      })));
}

TEST(Augmenter, WhatTheKnowledgeDecidesBecomesAConstant) {
  const Augmenter augmenter = augmenter_for({{0, {Fact::is_true(pos("a"))}},
                                             {2, {Fact::is_false(pos("b"))}},
                                             {3, {Fact::is_true(pos("b"))}}});
  struct Case {
    NNFFormula formula;
    NNFFormula expected;
  };
  const std::vector<Case> cases = {
      {NNFFormula::or_({atom("a"), NNFFormula::globally(Interval::unbounded(0), atom("c"))}),
       NNFFormula::true_()},
      {NNFFormula::globally(Interval::bounded(1, 4), atom("b")), NNFFormula::false_()},
      {NNFFormula::eventually(Interval::bounded(1, 4), atom("b")), NNFFormula::true_()},
      // b is false at 2 and true at 3: b at 1, or c at 1 and 2 (reaching b at 3), or c at 1 to
      // 3 and b at 4.
      {NNFFormula::until(atom("c"), Interval::bounded(1, 4), atom("b")),
       NNFFormula::or_({NNFFormula::next(1, atom("b")),
                        NNFFormula::globally(Interval::bounded(1, 2), atom("c")),
                        NNFFormula::and_({NNFFormula::globally(Interval::bounded(1, 3), atom("c")),
                                          NNFFormula::next(4, atom("b"))})})},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(same_formula(augmenter.augment(c.formula), c.expected)) << show(c.formula);
  }
}

// Windows reaching to the last time step, and knowledge at far steps, cost time in the number of
// changes of the knowledge, not in the length of the windows.
TEST(Augmenter, WindowsUpToTheLastStepStayCheap) {
  const StatedFacts near = {{0, {Fact::implication(pos("p"), pos("a"))}},
                            {3, {Fact::is_true(pos("a"))}},
                            {7, {Fact::implication(pos("q"), pos("a"))}}};
  const Augmenter augmenter = augmenter_for(near);
  const NNFFormula always = NNFFormula::globally(Interval::bounded(0, kMaxTime), atom("a"));
  EXPECT_TRUE(same_formula(
      augmenter.augment(always),
      NNFFormula::and_({NNFFormula::or_({atom("a"), atom("p")}),
                        NNFFormula::globally(Interval::bounded(1, 2), atom("a")),
                        NNFFormula::globally(Interval::bounded(4, 6), atom("a")),
                        NNFFormula::next(7, NNFFormula::or_({atom("a"), atom("q")})),
                        NNFFormula::globally(Interval::bounded(8, kMaxTime), atom("a"))})));

  // The inner globally is first needed at the last two steps only, where its window runs past
  // the end of time; later it is needed everywhere.
  const NNFFormula inner = NNFFormula::globally(Interval::bounded(0, 2), atom("a"));
  const NNFFormula formula = NNFFormula::and_(
      {NNFFormula::eventually(Interval::bounded(kMaxTime - 1, kMaxTime), inner),
       NNFFormula::globally(Interval::bounded(0, kMaxTime),
                            NNFFormula::eventually(Interval::unbounded(0), inner))});
  const NNFFormula result = augmenter.augment(formula);
  EXPECT_FALSE(result.is_literal()) << show(result);

  // One fact at a far step.
  const Augmenter far = augmenter_for({{4000000000u, {Fact::is_true(pos("a"))}}});
  const NNFFormula soon = NNFFormula::eventually(Interval::bounded(0, 1), atom("a"));
  EXPECT_TRUE(same_formula(
      far.augment(NNFFormula::globally(Interval::bounded(0, kMaxTime), soon)),
      NNFFormula::and_({NNFFormula::globally(Interval::bounded(0, 3999999998u), soon),
                        NNFFormula::globally(Interval::bounded(4000000001u, kMaxTime), soon)})));
}

std::string describe(const StatedFacts& stated) {
  static const char* const kKinds[] = {"holds", "does not hold", "implies", "is equivalent to"};
  std::ostringstream out;
  for (const auto& [step, facts] : stated) {
    out << "  step " << step << ":";
    for (const Fact& fact : facts) {
      out << " [" << fact.lhs().display() << ' ' << kKinds[static_cast<int>(fact.kind())];
      if (fact.kind() == Fact::Kind::Implication || fact.kind() == Fact::Kind::Equivalence) {
        out << ' ' << fact.rhs().display();
      }
      out << ']';
    }
    out << '\n';
  }
  return out.str();
}

std::string describe(const World& trace) {
  std::ostringstream out;
  for (const auto& [p, values] : trace.values) {
    out << "  " << p.display() << ": ";
    for (const bool value : values.low) out << (value ? '1' : '0');
    out << '\n';
  }
  return out.str();
}

// On every trace that agrees with the knowledge, the augmented formula says at step 0 exactly
// what the formula says.
TEST(Augmenter, AugmentedFormulaIsEquivalentUnderTheKnowledge) {
  RandomCases random(7, {.horizon = 5, .max_lb = 3, .max_width = 3, .max_depth = 3});
  int traces_checked = 0;
  for (int i = 0; i < 400; ++i) {
    const World world = random.world();
    const StatedFacts stated = random.facts(world);
    const Augmenter augmenter = augmenter_for(stated);
    const NNFFormula formula = random.formula();
    const NNFFormula augmented = augmenter.augment(formula);

    std::vector<World> traces = {world};
    for (int j = 0; j < 6; ++j) traces.push_back(random.agreeing_variant(world, stated));
    for (const World& trace : traces) {
      ASSERT_TRUE(trace.agrees_with(stated));
      testing::StepEvaluator<bool> evaluator = trace.evaluator();
      ASSERT_EQ(evaluator.at(formula, 0), evaluator.at(augmented, 0))
          << "case " << i << "\nformula:   " << show(formula) << "\naugmented: " << show(augmented)
          << "\nknowledge:\n"
          << describe(stated) << "trace:\n"
          << describe(trace);
      ++traces_checked;
    }
  }
  EXPECT_EQ(traces_checked, 400 * 7);
}

}  // namespace
}  // namespace corvane
