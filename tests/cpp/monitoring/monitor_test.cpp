#include "monitoring/monitor.hpp"

#include <gtest/gtest.h>

#include <random>
#include <unordered_set>
#include <vector>

#include "support/random_formula.hpp"
#include "support/step_evaluator.hpp"

namespace corvane {
namespace {

using testing::Operator;
using testing::sequence_of;
using testing::Step;
using testing::StepEvaluator;
using testing::StepSignal;
constexpr testing::StepGrid kGrid = testing::StepGrid::edges();
constexpr Kleene T = Kleene::True;
constexpr Kleene U = Kleene::Unknown;
constexpr Kleene F = Kleene::False;

const AtomicProposition p = AtomicProposition::new_("p");
const AtomicProposition q = AtomicProposition::new_("q");
const AtomicProposition r = AtomicProposition::new_("r");
const AtomicProposition absent = AtomicProposition::with_parameter("speed", "car1");

NNFFormula pos(const AtomicProposition& a) {
  return NNFFormula::positive(a);
}
NNFFormula neg(const AtomicProposition& a) {
  return NNFFormula::negative(a);
}

struct MonitorExample {
  const char* name;
  NNFFormula formula;
  NormalizedSequence<Kleene> expected;
};

TEST(Monitor, Examples) {
  const Monitor monitor({{p, sequence_of<Kleene>({{0, U}, {4, T}})},
                         {q, sequence_of<Kleene>({{0, T}, {3, F}, {5, T}})}},
                        Kleene::Unknown);
  const MonitorExample examples[] = {
      {"p", pos(p), sequence_of<Kleene>({{0, U}, {4, T}})},
      {"not p", neg(p), sequence_of<Kleene>({{0, U}, {4, F}})},
      {"absent", pos(absent), NormalizedSequence<Kleene>::uniform(U)},
      {"not absent", neg(absent), NormalizedSequence<Kleene>::uniform(U)},
      {"true", NNFFormula::true_(), NormalizedSequence<Kleene>::uniform(T)},
      {"false", NNFFormula::false_(), NormalizedSequence<Kleene>::uniform(F)},
      {"q and absent", NNFFormula::and_({pos(q), pos(absent)}),
       sequence_of<Kleene>({{0, U}, {3, F}, {5, U}})},
      {"q or absent", NNFFormula::or_({pos(q), pos(absent)}),
       sequence_of<Kleene>({{0, T}, {3, U}, {5, T}})},
      {"not q or absent", NNFFormula::or_({neg(q), pos(absent)}),
       sequence_of<Kleene>({{0, U}, {3, T}, {5, U}})},
      // Eventually p within [1, 2]: surely from step 2, possibly before.
      {"eventually p", NNFFormula::eventually(Interval::bounded(1, 2), pos(p)),
       sequence_of<Kleene>({{0, U}, {2, T}})},
      // Always q within [0, 1]: q fails at 3 and 4.
      {"always q", NNFFormula::globally(Interval::bounded(0, 1), pos(q)),
       sequence_of<Kleene>({{0, T}, {2, F}, {5, T}})},
  };
  for (const auto& [name, formula, expected] : examples) {
    const auto result = monitor.evaluate(formula);
    ASSERT_TRUE(result.contains(formula)) << name;
    EXPECT_EQ(result.at(formula), expected) << name;
  }
}

TEST(Monitor, OneEntryPerDistinctSubformula) {
  const Monitor monitor({}, Kleene::Unknown);
  EXPECT_EQ(monitor.evaluate(pos(p)).size(), 1u);
  // p occurs in both disjunctions but is one entry: And, p ∨ q, p ∨ r, p, q, r.
  const NNFFormula formula =
      NNFFormula::and_({NNFFormula::or_({pos(p), pos(q)}), NNFFormula::or_({pos(p), pos(r)})});
  const auto result = monitor.evaluate(formula);
  EXPECT_EQ(result.size(), 6u);
  EXPECT_TRUE(result.contains(pos(p)));  // a separately built, structurally equal key

  // A signal map filled beforehand is reused, not recomputed.
  Monitor::SignalMap signals{{pos(p), KleeneMonitorSequence::uniform(Kleene::True)}};
  monitor.compute_satisfaction_signals(NNFFormula::or_({pos(p), pos(q)}), signals);
  EXPECT_EQ(signals.at(NNFFormula::or_({pos(p), pos(q)})).to_kleene(),
            NormalizedSequence<Kleene>::uniform(T));
}

TEST(Monitor, MissingPropositionWithoutDefaultIsAnInternalError) {
  const Monitor monitor({{p, NormalizedSequence<Kleene>::uniform(T)}}, std::nullopt);
  EXPECT_EQ(monitor.evaluate(pos(p)).at(pos(p)), NormalizedSequence<Kleene>::uniform(T));
  for (const NNFFormula& formula : {pos(absent), NNFFormula::and_({pos(p), neg(absent)})}) {
    try {
      (void)monitor.evaluate(formula);
      ADD_FAILURE() << "expected InternalError";
    } catch (const InternalError& e) {
      EXPECT_STREQ(e.what(),
                   "Missing trace value for atomic proposition speed(car1), but no default "
                   "specified!");
    }
  }
}

// --- Randomized comparison with step-by-step semantics ---

// A boolean trace that agrees with `trace` wherever it is known and picks values at random where
// it is not (one value for the whole constant middle of time).
testing::StepTrace<bool> random_completion(const testing::StepTrace<Kleene>& trace,
                                           std::mt19937& rng) {
  testing::StepTrace<bool> result;
  for (const AtomicProposition& a : {p, q, r, absent}) {
    const auto it = trace.find(a);
    const bool middle = std::bernoulli_distribution(0.5)(rng);
    result.emplace(a, StepSignal<bool>::tabulate(kGrid, [&](Step t) {
                     const Kleene known = it == trace.end() ? U : it->second.at(t);
                     if (known != U) return known == T;
                     const bool in_middle = t >= testing::kNear && t < kMaxTime - testing::kNear;
                     return in_middle ? middle : std::bernoulli_distribution(0.5)(rng);
                   }));
  }
  return result;
}

void collect_subformulas(const NNFFormula& formula, std::unordered_set<NNFFormula>& out) {
  if (!out.insert(formula).second) return;
  for (const NNFFormula& sub : formula.subformulas()) collect_subformulas(sub, out);
}

TEST(Monitor, AgreesWithStepSemanticsAndIsSoundForEveryCompletion) {
  std::mt19937 rng(1234);
  testing::RandomFormulas<NNFFormula> random_formula(
      rng,
      {.propositions = {p, q, r, absent},
       .operators = {Operator::And, Operator::Or, Operator::Until, Operator::Until,
                     Operator::Globally, Operator::Release, Operator::Eventually, Operator::Next},
       .min_depth = 4,
       .max_depth = 4,
       .constant = 0.05,
       .max_members = 3,
       // Bounds up to 10: nested windows stay well inside the grid's gap.
       .windows = {.max_lb = 6, .empty = 0.1, .unbounded = 0.2, .singleton = 0.1}});
  const std::vector<Kleene> values{T, U, F};
  for (int round = 0; round < 600; ++round) {
    KleeneTrace trace;
    for (const AtomicProposition& a : {p, q, r}) {
      trace.emplace(
          a, testing::random_sequence<Kleene>(rng, values, std::bernoulli_distribution(0.5)(rng)));
    }
    const NNFFormula formula = random_formula();
    const auto result = Monitor(trace, Kleene::Unknown).evaluate(formula);
    std::unordered_set<NNFFormula> subformulas;
    collect_subformulas(formula, subformulas);
    ASSERT_EQ(result.size(), subformulas.size());

    const testing::StepTrace<Kleene> known = testing::step_trace(kGrid, trace);
    StepEvaluator<Kleene> expected(kGrid, known, U);
    expected(formula);
    std::vector<StepEvaluator<bool>> completions;
    for (int i = 0; i < 3; ++i) {
      completions.emplace_back(kGrid, random_completion(known, rng), false);
      completions.back()(formula);
    }

    for (const auto& entry : result) {
      const NNFFormula& subformula = entry.first;
      const NormalizedSequence<Kleene>& signal = entry.second;
      SCOPED_TRACE(::testing::Message() << "round " << round << ", subformula kind "
                                        << static_cast<int>(subformula.kind()) << ": " << signal);
      const StepSignal<Kleene>& reference = expected.evaluated().at(subformula);
      ASSERT_TRUE(reference.middle_is_constant());
      EXPECT_TRUE(testing::agrees_with(signal, reference));
      // Whatever the unknown values really are, a decided value must be the true one.
      for (const StepEvaluator<bool>& completion : completions) {
        const StepSignal<bool>& actual = completion.evaluated().at(subformula);
        kGrid.for_each_step([&](Step t) {
          const Kleene v = signal.value_at(static_cast<TimeStep>(t));
          if (v != U) {
            EXPECT_EQ(actual.at(t), v == T) << "step " << t;
          }
        });
      }
    }
  }
}

}  // namespace
}  // namespace corvane
