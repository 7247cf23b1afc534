// A three-valued satisfaction signal, held as two boolean signals.
//
// The over-approximation is true wherever the formula may hold (the value is not `False`), the
// under-approximation wherever it surely holds (the value is `True`). Wherever the
// under-approximation is true the over-approximation is true as well. Every operator runs the
// boolean operator on each component; the boolean operators are monotone, so the invariant carries
// over, and negation keeps it by swapping the components.
#pragma once

#include <span>

#include "formula/nnf_formula.hpp"
#include "monitoring/boolean_signal.hpp"
#include "sequence/normalized_sequence.hpp"
#include "time/interval.hpp"
#include "truth_values/kleene.hpp"

namespace corvane {

struct KleeneMonitorSequence {
  BooleanSignal overapproximation;
  BooleanSignal underapproximation;

  // `value` at every step.
  static KleeneMonitorSequence uniform(Kleene value);
  static KleeneMonitorSequence from_kleene(const NormalizedSequence<Kleene>& values);
  // One merge over both components. A step where only the under-approximation holds is an
  // internal error.
  NormalizedSequence<Kleene> to_kleene() const;

  friend bool operator==(const KleeneMonitorSequence&, const KleeneMonitorSequence&) = default;
};

// The three-valued counterpart of a monotone boolean operator: `op` applied to the operands'
// over-approximations and to their under-approximations. Monotone operators keep the invariant,
// so every operator but negation is lifted this way.
template <class Op, class... Signals>
KleeneMonitorSequence lifted(Op op, const Signals&... signals) {
  return {op(signals.overapproximation...), op(signals.underapproximation...)};
}

KleeneMonitorSequence negation(const KleeneMonitorSequence& signal);
KleeneMonitorSequence conjunction(const KleeneMonitorSequence& a, const KleeneMonitorSequence& b);
KleeneMonitorSequence disjunction(const KleeneMonitorSequence& a, const KleeneMonitorSequence& b);
KleeneMonitorSequence until(const KleeneMonitorSequence& lhs, const Interval& interval,
                            const KleeneMonitorSequence& rhs);
KleeneMonitorSequence globally(const KleeneMonitorSequence& signal, const Interval& interval);
// The boolean `temporal_signal` of `kind`, lifted: every temporal operator is monotone.
KleeneMonitorSequence temporal_signal(NNFFormula::Kind kind, const Interval& interval,
                                      std::span<const KleeneMonitorSequence* const> operands);

static_assert(Logical<KleeneMonitorSequence>);

}  // namespace corvane
