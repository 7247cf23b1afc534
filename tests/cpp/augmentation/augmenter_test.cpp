#include "augmentation/augmenter.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "augmentation_test_support.hpp"

namespace corvane {
namespace {

using namespace augmentation_test;
using Fact = KnowledgeFact;

Augmenter augmenter_for(const StatedFacts& stated) {
  return Augmenter(unprepared_knowledge(stated));
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

// Brute-force satisfaction on a boolean trace that is constant from its horizon on. Every
// formula's signal is then constant from the horizon on too, so signals are kept up to one step
// past it and read there for later steps.
class Evaluator {
 public:
  explicit Evaluator(const World& trace) : trace_(trace), last_(trace.horizon + 1) {}

  bool holds_at(const NNFFormula& formula, TimeStep t) {
    return signal(formula)[std::min(t, last_)];
  }

 private:
  const std::vector<bool>& signal(const NNFFormula& formula) {
    if (const auto it = memo_.find(formula); it != memo_.end()) return it->second;
    std::vector<bool> values;
    for (TimeStep t = 0; t <= last_; ++t) values.push_back(compute(formula, t));
    return memo_.emplace(formula, std::move(values)).first->second;
  }

  // The steps of t + window to look at: beyond `last_` nothing changes any more.
  std::pair<TimeStep, TimeStep> span(TimeStep t, const Interval& window) const {
    const TimeStep from = t + window.lb();
    return {from, window.is_bounded() ? t + window.ub() : std::max(from, last_)};
  }

  bool compute(const NNFFormula& formula, TimeStep t) {
    switch (formula.kind()) {
      case NNFFormula::Kind::Literal:
        return trace_.holds(formula.literal(), t);
      case NNFFormula::Kind::And:
        return std::ranges::all_of(formula.members(),
                                   [&](const NNFFormula& m) { return holds_at(m, t); });
      case NNFFormula::Kind::Or:
        return std::ranges::any_of(formula.members(),
                                   [&](const NNFFormula& m) { return holds_at(m, t); });
      case NNFFormula::Kind::Globally: {
        const auto [from, to] = span(t, formula.interval());
        for (TimeStep s = from; s <= to; ++s) {
          if (!holds_at(formula.child(), s)) return false;
        }
        return true;
      }
      case NNFFormula::Kind::Until: {
        // Some step of the window has the rhs, and the lhs holds from the window's start on
        // until then.
        const auto [from, to] = span(t, formula.interval());
        for (TimeStep s = from; s <= to; ++s) {
          if (holds_at(formula.rhs(), s)) return true;
          if (!holds_at(formula.lhs(), s)) return false;
        }
        return false;
      }
    }
    return false;
  }

  const World& trace_;
  TimeStep last_;
  std::unordered_map<NNFFormula, std::vector<bool>> memo_;
};

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
  for (std::size_t p = 0; p < trace.propositions.size(); ++p) {
    out << "  " << trace.propositions[p].display() << ": ";
    for (const bool value : trace.values[p]) out << (value ? '1' : '0');
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
      Evaluator original(trace);
      Evaluator rewritten(trace);
      ASSERT_EQ(original.holds_at(formula, 0), rewritten.holds_at(augmented, 0))
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
