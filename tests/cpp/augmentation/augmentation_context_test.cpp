#include "augmentation/augmentation_context.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "augmentation_test_support.hpp"
#include "knowledge/kleene_trace.hpp"
#include "monitoring/monitor.hpp"
#include "support/result_too_large.hpp"

namespace corvane {
namespace {

using namespace augmentation_test;
using Fact = KnowledgeFact;

// Every subformula of `formula` undecided at every step.
void add_unknown(const NNFFormula& formula, MonitorTable& monitor) {
  monitor.try_emplace(formula, NormalizedSequence<Kleene>::uniform(Kleene::Unknown));
  for (const NNFFormula& operand : formula.subformulas()) add_unknown(operand, monitor);
}

MonitorTable unknown_monitor(const NNFFormula& formula) {
  MonitorTable monitor;
  add_unknown(formula, monitor);
  monitor[NNFFormula::true_()] = NormalizedSequence<Kleene>::uniform(Kleene::True);
  monitor[NNFFormula::false_()] = NormalizedSequence<Kleene>::uniform(Kleene::False);
  return monitor;
}

// Where the entry of `formula` has been computed.
IntervalSet computed_steps(const AugmentationTable& table, const NNFFormula& formula) {
  return IntervalSet(NormalizedSequence<bool>::from_positive_intervals(
      table.at(formula).intervals_where([](const std::optional<NNFFormula>& v) { return !!v; })));
}

IntervalSet steps(std::vector<Interval> intervals) {
  return IntervalSet(NormalizedSequence<bool>::from_positive_intervals(std::move(intervals)));
}

class Driver : public ::testing::Test {
 protected:
  // Augments `formula` at step 0 under `monitor` with no knowledge; returns its form there.
  NNFFormula augment(const NNFFormula& formula, const MonitorTable& monitor) {
    monitor_ = monitor;
    AugmentationContext context(knowledge_, monitor_, table_);
    context.augment_rec(formula, IntervalSet(Interval::singleton(0)));
    return context.augmented_at(formula, 0);
  }

  PreparedKnowledge knowledge_ = prepared_knowledge({});
  MonitorTable monitor_;
  AugmentationTable table_;
};

TEST_F(Driver, ADecidedRootIsAConstantAndItsOperandsAreNeverVisited) {
  const NNFFormula formula = NNFFormula::globally(
      Interval::bounded(0, 3),
      NNFFormula::or_({atom("a"), NNFFormula::eventually(Interval::unbounded(1), atom("b"))}));
  for (const Kleene value : {Kleene::True, Kleene::False}) {
    table_.clear();
    // The monitor knows only the root: visiting an operand would be an internal error.
    MonitorTable monitor;
    monitor.emplace(formula, NormalizedSequence<Kleene>::uniform(value));
    const NNFFormula result = augment(formula, monitor);
    EXPECT_TRUE(
        same_formula(result, value == Kleene::True ? NNFFormula::true_() : NNFFormula::false_()));
    EXPECT_EQ(table_.size(), 1u);
  }
}

TEST_F(Driver, StepsTheMonitorDecidesBecomeConstantsInsideOperators) {
  const NNFFormula formula = NNFFormula::globally(Interval::bounded(0, 5), atom("a"));
  MonitorTable monitor = unknown_monitor(formula);
  monitor[atom("a")].set_between(2, 4, Kleene::True);
  EXPECT_TRUE(same_formula(augment(formula, monitor),
                           NNFFormula::and_({
                               NNFFormula::globally(Interval::bounded(0, 1), atom("a")),
                               NNFFormula::globally(Interval::bounded(4, 5), atom("a")),
                           })));

  table_.clear();
  monitor[atom("a")].set_between(5, 6, Kleene::False);
  EXPECT_TRUE(same_formula(augment(formula, monitor), NNFFormula::false_()));
}

TEST_F(Driver, OperandsAreComputedExactlyOnTheOperatorsWindow) {
  const NNFFormula globally = NNFFormula::globally(Interval::bounded(2, 5), atom("a"));
  augment(globally, unknown_monitor(globally));
  EXPECT_EQ(computed_steps(table_, atom("a")), IntervalSet(Interval::bounded(2, 5)));
  EXPECT_EQ(computed_steps(table_, globally), IntervalSet(Interval::singleton(0)));

  table_.clear();
  const NNFFormula until = NNFFormula::until(atom("a"), Interval::unbounded(1), atom("b"));
  augment(until, unknown_monitor(until));
  EXPECT_EQ(computed_steps(table_, atom("a")), IntervalSet(Interval::unbounded(1)));
  EXPECT_EQ(computed_steps(table_, atom("b")), IntervalSet(Interval::unbounded(1)));
  EXPECT_EQ(computed_steps(table_, until), IntervalSet(Interval::singleton(0)));
}

TEST_F(Driver, ASharedSubformulaHasOneEntryCoveringEveryUse) {
  const NNFFormula shared = NNFFormula::and_({atom("a"), atom("b")});
  const NNFFormula formula =
      NNFFormula::or_({NNFFormula::globally(Interval::bounded(0, 2), shared),
                       NNFFormula::eventually(Interval::bounded(1, 4), shared)});
  augment(formula, unknown_monitor(formula));
  // Root, both operators, the `True` of the eventually, the conjunction and its two atoms.
  EXPECT_EQ(table_.size(), 7u);
  EXPECT_EQ(computed_steps(table_, shared), IntervalSet(Interval::bounded(0, 4)));
  EXPECT_EQ(
      AugmentationContext::missing_steps(table_.at(shared), IntervalSet(Interval::bounded(0, 9))),
      IntervalSet(Interval::bounded(5, 9)));
  EXPECT_EQ(computed_steps(table_, atom("a")), IntervalSet(Interval::bounded(0, 4)));
}

TEST_F(Driver, ALaterVisitComputesOnlyTheMissingSteps) {
  const NNFFormula formula = NNFFormula::globally(Interval::bounded(0, 1), atom("a"));
  const MonitorTable monitor = unknown_monitor(formula);
  AugmentationContext context(knowledge_, monitor, table_);
  context.augment_rec(formula, IntervalSet(Interval::bounded(3, 4)));
  // Mark the computed steps so that recomputing them would show.
  table_.at(formula).set_between(3, 5, atom("marker"));
  context.augment_rec(formula, IntervalSet(Interval::bounded(0, 9)));
  const AugmentedSequence& sequence = table_.at(formula);
  EXPECT_TRUE(same_formula(*sequence.value_at(3), atom("marker")));
  EXPECT_TRUE(same_formula(*sequence.value_at(4), atom("marker")));
  for (const TimeStep t : {0u, 2u, 5u, 9u}) {
    EXPECT_TRUE(same_formula(*sequence.value_at(t), formula)) << t;
  }
  EXPECT_EQ(computed_steps(table_, formula), IntervalSet(Interval::bounded(0, 9)));
}

TEST_F(Driver, FillsEveryNeededStepWithTheFormOfItsWindow) {
  // a is known at steps 0 to 2 only, so from step 2 on the operator's form no longer changes.
  knowledge_ = prepared_knowledge({{0, {Fact::implication(pos("p"), pos("a"))}},
                                   {1, {Fact::implication(pos("q"), pos("a"))}},
                                   {2, {Fact::implication(pos("p"), pos("a"))}}});
  const NNFFormula next = NNFFormula::next(1, atom("a"));
  const MonitorTable monitor = unknown_monitor(next);
  AugmentationContext context(knowledge_, monitor, table_);
  context.augment_rec(next, IntervalSet(Interval::bounded(0, 9)));
  const NNFFormula a_or_p = NNFFormula::or_({atom("a"), atom("p")});
  const NNFFormula a_or_q = NNFFormula::or_({atom("a"), atom("q")});
  AugmentedSequence expected;
  expected.set_between(0, 1, NNFFormula::next(1, a_or_q));
  expected.set_between(1, 2, NNFFormula::next(1, a_or_p));
  expected.set_between(2, 10, next);
  EXPECT_EQ(table_.at(next), expected);
}

TEST_F(Driver, InternalErrorsNameTheBrokenInvariant) {
  const NNFFormula formula = NNFFormula::globally(Interval::bounded(0, 3), atom("a"));
  MonitorTable monitor;
  monitor.emplace(formula, NormalizedSequence<Kleene>::uniform(Kleene::Unknown));
  try {
    augment(formula, monitor);
    FAIL() << "expected an internal error";
  } catch (const InternalError& e) {
    EXPECT_EQ(e.message(), "Monitor should contain all subformulas");
  }

  AugmentationContext context(knowledge_, monitor_, table_);
  try {
    context.augmented_at(atom("z"), 0);
    FAIL() << "expected an internal error";
  } catch (const InternalError& e) {
    EXPECT_EQ(e.message(), "Formula should have been inserted before");
  }
  try {
    context.latest_change(atom("z"), IntervalSet(Interval::singleton(0)));
    FAIL() << "expected an internal error";
  } catch (const InternalError& e) {
    EXPECT_EQ(e.message(), "Compound formula should have at least one subformula");
  }
  table_[atom("a")];
  try {
    context.latest_change(formula, IntervalSet());
    FAIL() << "expected an internal error";
  } catch (const InternalError& e) {
    EXPECT_EQ(e.message(), "Relevant steps should not be empty");
  }
}

// What augmenting `formula` at step 0 spent of a budget with `limits`, and whether it was refused.
std::pair<AugmentationBudget, bool> augment_within(const StatedFacts& stated,
                                                   const NNFFormula& formula,
                                                   AugmentationBudget::Limits limits = {}) {
  const PreparedKnowledge knowledge = prepared_knowledge(stated);
  const MonitorTable monitor = Monitor(kleene_trace(knowledge), Kleene::Unknown).evaluate(formula);
  AugmentationTable table;
  AugmentationContext context(knowledge, monitor, table, AugmentationBudget(limits));
  try {
    context.augment_rec(formula, IntervalSet(Interval::singleton(0)));
  } catch (const ResultTooLarge&) {
    return {context.budget(), true};
  }
  return {context.budget(), false};
}

TEST(Budget, RefusesFormsGapTermsAndSlotsBeyondItsLimits) {
  // An until over an unbounded window has a form of its own at every step below the operands'
  // last change: 1001 forms here, announced before the first is computed.
  const StatedFacts at_1000 = {{1000, {Fact::is_true(pos("c"))}}};
  const NNFFormula until = NNFFormula::until(atom("d"), Interval::unbounded(0), atom("c"));
  const NNFFormula nested = NNFFormula::until(atom("b"), Interval::unbounded(0), until);
  const auto [spent, refused] = augment_within(at_1000, nested);
  ASSERT_FALSE(refused);
  EXPECT_EQ(spent.forms(), 1002u);
  for (const std::uint64_t limit : {1000u, 1001u}) {
    // Each operator is refused before it computes a form: the inner one, or the outer one.
    const auto [stopped, refused_forms] = augment_within(at_1000, nested, {.forms = limit});
    EXPECT_TRUE(refused_forms);
    EXPECT_EQ(stopped.forms(), limit == 1000 ? 0u : 1001u);
  }

  // The gap before each piece of the outer release's window holds one term per step before it:
  // the form at step 0 holds about n^2 / 2 of them.
  const NNFFormula inner = NNFFormula::release(atom("a"), Interval::unbounded(1), atom("a"));
  const NNFFormula quadratic =
      NNFFormula::release(inner, Interval::unbounded(0), NNFFormula::and_({atom("a"), inner}));
  const StatedFacts at_60 = {{60, {Fact::is_true(pos("a"))}}};
  const auto [quadratic_spent, quadratic_refused] = augment_within(at_60, quadratic);
  ASSERT_FALSE(quadratic_refused);
  EXPECT_GT(quadratic_spent.largest_gap(), 60u * 59 / 2);
  EXPECT_TRUE(
      augment_within(at_60, quadratic, {.gap_terms = quadratic_spent.largest_gap() - 1}).second);
  EXPECT_FALSE(
      augment_within(at_60, quadratic, {.gap_terms = quadratic_spent.largest_gap()}).second);
  EXPECT_TRUE(augment_within(at_60, quadratic, {.slots = quadratic_spent.slots() - 1}).second);
  EXPECT_FALSE(augment_within(at_60, quadratic, {.slots = quadratic_spent.slots()}).second);

  // The rhs changes at each of 1000 steps, but the until stops once its lhs turns false at step 3,
  // and so does the bound announced ahead: a budget of a few dozen slots is enough.
  StatedFacts changing;
  for (TimeStep t = 0; t < 1000; t += 2) changing[t] = {Fact::is_false(pos("b"))};
  changing[3] = {Fact::is_false(pos("a"))};
  const NNFFormula a_until_b = NNFFormula::until(atom("a"), Interval::unbounded(0), atom("b"));
  EXPECT_FALSE(augment_within(changing, a_until_b, {.slots = 50}).second);
  const NNFFormula never_false = NNFFormula::until(atom("d"), Interval::unbounded(0), atom("b"));
  EXPECT_TRUE(augment_within(changing, never_false, {.slots = 50}).second);
}

// The driver writes stretches of steps that get the same form at once; it must leave exactly
// the table that stepping through time one step at a time leaves, operands included.
TEST(DriverWalk, MatchesTheStepByStepWalkOnRandomFormulasAndKnowledge) {
  RandomCases random(20240611, {.horizon = 12, .max_lb = 4, .max_width = 6, .max_depth = 4});
  int compared = 0;
  for (int i = 0; i < 300; ++i) {
    const World world = random.world();
    StatedFacts stated = random.facts(world);
    // Spread the knowledge out in time now and then, so that long stretches share one form.
    if (random.chance(0.3)) {
      StatedFacts spread;
      const TimeStep factor = static_cast<TimeStep>(random.pick(3, 20));
      for (auto& [step, facts] : stated) spread.emplace(step * factor, std::move(facts));
      stated = std::move(spread);
    }
    const PreparedKnowledge knowledge = prepared_knowledge(stated);
    const Monitor monitor(kleene_trace(knowledge), Kleene::Unknown);
    const NNFFormula formula = random.formula();
    const MonitorTable monitor_table = monitor.evaluate(formula);
    // Relevant steps beyond step 0 exercise runs and gaps in the steps to fill.
    const IntervalSet relevant =
        random.chance(0.5) ? IntervalSet(Interval::singleton(0))
                           : steps({Interval::bounded(0, static_cast<TimeStep>(random.pick(0, 30))),
                                    Interval::bounded(40, 45), Interval::unbounded(100)});

    AugmentationTable fast;
    AugmentationContext(knowledge, monitor_table, fast).augment_rec(formula, relevant);
    AugmentationTable reference;
    AugmentationContext reference_context(knowledge, monitor_table, reference);
    step_by_step_augment_rec(reference_context, formula, relevant);

    ASSERT_EQ(fast.size(), reference.size()) << show(formula);
    SharedEquality equal;
    for (const auto& [subformula, sequence] : reference) {
      ASSERT_TRUE(equal(fast.at(subformula), sequence))
          << "formula " << show(formula) << "\nsubformula " << show(subformula);
    }
    ++compared;
  }
  EXPECT_EQ(compared, 300);
}

// The until rule builds its gap terms incrementally and stops once a false gap or a true
// disjunct decides the result; it must give exactly what the rule as written gives.
TEST(UntilRule, MatchesTheLiteralRuleOnRandomFormulasAndKnowledge) {
  RandomCases random(77, {.horizon = 14, .max_lb = 3, .max_width = 12, .max_depth = 4});
  int untils = 0;
  for (int i = 0; i < 300; ++i) {
    const World world = random.world();
    const PreparedKnowledge knowledge = prepared_knowledge(random.facts(world));
    const Monitor monitor(kleene_trace(knowledge), Kleene::Unknown);
    const NNFFormula formula = random.formula();
    const MonitorTable monitor_table = monitor.evaluate(formula);
    const IntervalSet relevant(Interval::bounded(0, static_cast<TimeStep>(random.pick(0, 8))));

    AugmentationTable fast;
    AugmentationContext fast_context(knowledge, monitor_table, fast);
    step_by_step_augment_rec(fast_context, formula, relevant);
    AugmentationTable reference;
    AugmentationContext reference_context(knowledge, monitor_table, reference);
    step_by_step_augment_rec(reference_context, formula, relevant, &literal_until_rule);

    SharedEquality equal;
    for (const auto& [subformula, sequence] : reference) {
      untils += subformula.kind() == NNFFormula::Kind::Until ? 1 : 0;
      ASSERT_TRUE(equal(fast.at(subformula), sequence))
          << "formula " << show(formula) << "\nsubformula " << show(subformula);
    }
  }
  EXPECT_GT(untils, 100);
}

}  // namespace
}  // namespace corvane
