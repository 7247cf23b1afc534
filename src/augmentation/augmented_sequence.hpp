// A subformula's augmented form over time, as the augmentation computes it step range by step
// range: absent at the steps not computed yet.
#pragma once

#include <optional>

#include "formula/nnf_formula.hpp"
#include "sequence/normalized_sequence.hpp"
#include "support/internal_error.hpp"
#include "time/time_step.hpp"

namespace corvane {

using AugmentedSequence = NormalizedSequence<std::optional<NNFFormula>>;

// The value of `sequence` at `t`, which must have been computed.
inline NNFFormula computed_at(const AugmentedSequence& sequence, TimeStep t) {
  const std::optional<NNFFormula>& value = sequence.value_at(t);
  if (!value) throw InternalError("Augmentation should have been computed");
  return *value;
}

}  // namespace corvane
