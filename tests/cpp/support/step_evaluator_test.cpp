#include "support/step_evaluator.hpp"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "formula/printing.hpp"

namespace corvane {
namespace {

using testing::StepSignal;

const AtomicProposition ap_a = AtomicProposition::new_("a");
const AtomicProposition ap_b = AtomicProposition::new_("b");
const NNFFormula a = NNFFormula::positive(ap_a);
const NNFFormula b = NNFFormula::positive(ap_b);

// The boolean and the three-valued reference give the same answers on a fully known trace.
TEST(StepEvaluator, UntilObligationStartsAtTheLowerBound) {
  // a fails at step 0 only; b holds from step 2 on.
  const std::vector<bool> a_values = {false, true, true, true};
  const std::vector<bool> b_values = {false, false, true, true};
  const auto known = [](const std::vector<bool>& values) {
    std::vector<Kleene> result;
    for (const bool v : values) result.push_back(v ? Kleene::True : Kleene::False);
    return StepSignal<Kleene>::of(result);
  };
  const testing::StepGrid grid = testing::StepGrid::up_to(3);
  testing::StepEvaluator<bool> boolean(
      grid, {{ap_a, StepSignal<bool>::of(a_values)}, {ap_b, StepSignal<bool>::of(b_values)}},
      false);
  testing::StepEvaluator<Kleene> kleene(grid, {{ap_a, known(a_values)}, {ap_b, known(b_values)}},
                                        Kleene::Unknown);

  const std::pair<NNFFormula, bool> cases[] = {
      {NNFFormula::until(a, Interval::bounded(0, 5), b), false},
      {NNFFormula::until(a, Interval::bounded(1, 5), b), true},
      {NNFFormula::until(a, Interval::bounded(0, 1), b), false},
      {NNFFormula::globally(Interval::unbounded(2), b), true},
      {NNFFormula::globally(Interval::unbounded(1), b), false},
  };
  for (const auto& [formula, expected] : cases) {
    EXPECT_EQ(boolean.at(formula, 0), expected) << to_debug_string(formula);
    EXPECT_EQ(kleene.at(formula, 0), expected ? Kleene::True : Kleene::False)
        << to_debug_string(formula);
  }
}

}  // namespace
}  // namespace corvane
