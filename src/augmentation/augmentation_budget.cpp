#include "augmentation/augmentation_budget.hpp"

#include <string>

#include "support/internal_error.hpp"
#include "support/result_too_large.hpp"

namespace corvane {

void AugmentationBudget::expect_forms(std::uint64_t count) {
  const std::uint64_t needed = saturating_sum(forms_, count);
  if (needed > limits_.forms) refuse_forms(needed);
  expected_forms_ = needed;
}

void AugmentationBudget::begin_form() {
  if (++forms_ > limits_.forms) refuse_forms(forms_);
  check(forms_ <= expected_forms_, "an operator computed more forms than it announced");
  gap_terms_ = 0;
}

void AugmentationBudget::expect_slots(std::uint64_t count) const {
  if (saturating_sum(slots_, count) > limits_.slots) refuse_slots();
}

void AugmentationBudget::refuse_slots() const {
  throw ResultTooLarge("augmentation needs more than " + std::to_string(limits_.slots) +
                       " operand slots in the formulas it builds; the result would be too "
                       "large to build");
}

void AugmentationBudget::refuse_gap_terms() const {
  throw ResultTooLarge("augmentation needs more than " + std::to_string(limits_.gap_terms) +
                       " terms for the gaps of one until at one step; the result would be too "
                       "large to build");
}

void AugmentationBudget::refuse_forms(std::uint64_t needed) const {
  throw ResultTooLarge("augmentation needs " + std::to_string(needed) +
                       " distinct per-step forms, more than the limit of " +
                       std::to_string(limits_.forms) + "; the result would be too large to build");
}

}  // namespace corvane
