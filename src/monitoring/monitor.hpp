// The three-valued monitor: where each subformula of a formula is known to hold, known to fail or
// undetermined, given a three-valued trace of the atomic propositions.
#pragma once

#include <optional>
#include <span>
#include <unordered_map>

#include "formula/atomic_proposition.hpp"
#include "formula/nnf_formula.hpp"
#include "formula/traversal.hpp"
#include "knowledge/kleene_trace.hpp"
#include "monitoring/kleene_monitor_sequence.hpp"
#include "sequence/normalized_sequence.hpp"
#include "truth_values/kleene.hpp"

namespace corvane {

class Monitor {
 public:
  // One signal per structurally distinct subformula: the memo of the fold that computes them.
  // Keys are formula handles: copying one is cheap, hashing uses the cached hash, and equal
  // subformulas share an entry.
  using SignalMap = FormulaMemo<KleeneMonitorSequence>;

  // `default_value` is assumed at every step for a proposition that `trace` does not mention;
  // without it such a proposition is an internal error.
  Monitor(KleeneTrace trace, std::optional<Kleene> default_value);

  const KleeneTrace& trace() const noexcept { return trace_; }
  std::optional<Kleene> default_value() const noexcept { return default_value_; }

  // Adds to `signals` the signal of `formula` and of all its subformulas, operands before
  // operators. Subformulas already present are not computed again.
  void compute_satisfaction_signals(const NNFFormula& formula, SignalMap& signals) const;

  // The three-valued signal of every structurally distinct subformula of `formula` (itself
  // included), each computed once.
  std::unordered_map<NNFFormula, NormalizedSequence<Kleene>> evaluate(
      const NNFFormula& formula) const;

 private:
  // The signal of `formula` from the signals of its operands.
  KleeneMonitorSequence signal(const NNFFormula& formula,
                               std::span<const KleeneMonitorSequence* const> operands) const;
  KleeneMonitorSequence proposition_signal(const AtomicProposition& proposition) const;

  KleeneTrace trace_;
  std::optional<Kleene> default_value_;
};

}  // namespace corvane
