// The state of one augmentation: which subformula has been augmented at which time steps.
//
// For every structurally distinct subformula the augmentation table keeps a sequence over time of
// its augmented form: absent where it has not been computed yet. `augment_rec` fills a subformula
// at the steps where it is needed, operands first, and hands the operands' sequences to the
// per-step rules (augmentation/rules.hpp), which compute from them alone.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "augmentation/augmentation_budget.hpp"
#include "augmentation/augmented_sequence.hpp"
#include "formula/nnf_formula.hpp"
#include "knowledge/prepared_knowledge.hpp"
#include "sequence/normalized_sequence.hpp"
#include "sequence/plain_sequence.hpp"
#include "sets/interval_set.hpp"
#include "time/interval.hpp"
#include "truth_values/kleene.hpp"

namespace corvane {

// Keyed by structural equality, so equal subformulas share one entry.
using AugmentationTable = std::unordered_map<NNFFormula, AugmentedSequence>;
// The three-valued satisfaction of every subformula, as the monitor computes it.
using MonitorTable = std::unordered_map<NNFFormula, NormalizedSequence<Kleene>>;

class AugmentationContext {
 public:
  // `monitor` must hold every subformula of the formulas augmented through this context. All
  // three must outlive the context. What the augmentation builds is counted against `budget`.
  AugmentationContext(const PreparedKnowledge& knowledge, const MonitorTable& monitor,
                      AugmentationTable& table, AugmentationBudget budget = {})
      : knowledge_(knowledge), monitor_(monitor), table_(table), budget_(budget) {}

  // Makes the table hold the augmented form of `formula` at every step of `relevant`.
  void augment_rec(const NNFFormula& formula, const IntervalSet& relevant);

  // The augmented form of `subformula` at step `t`, which must have been computed.
  NNFFormula augmented_at(const NNFFormula& subformula, TimeStep t) const;
  // The table entry of `subformula`, which must exist.
  const AugmentedSequence& sequence_of(const NNFFormula& subformula) const;
  // The table entries of the operands of `formula`, in operand order: what its rule reads.
  std::vector<const AugmentedSequence*> operand_sequences(const NNFFormula& formula) const;

  // The table entry of `formula`; on the first visit it is created and the steps at which the
  // monitor decides `formula` are filled with the constants.
  AugmentedSequence& entry(const NNFFormula& formula);
  // The members of `relevant` at which `sequence` has not been computed.
  static IntervalSet missing_steps(const AugmentedSequence& sequence, const IntervalSet& relevant);
  // The step from which every operand of `formula` is constant over `sub_steps`.
  TimeStep latest_change(const NNFFormula& formula, const IntervalSet& sub_steps) const;
  // The greatest step u >= t such that the rule of an operator that reads `operands` through
  // `window` gives the same form at every step of [t, u] that needs it (all operands computed
  // over the windows of those steps).
  static TimeStep same_form_through(Interval window,
                                    std::span<const AugmentedSequence* const> operands, TimeStep t);
  // At least the number of forms that filling an operator computes, reading `operands` through
  // `window` at `steps`, when every operand is constant over the windows of `steps` from `latest`
  // on: one for each step below `latest` whose window sees an operand change (every step below
  // `latest` for an unbounded window), one for each stretch in between, and one for all the steps
  // from `latest` on. Costs the operands' change points inside those windows.
  static std::uint64_t forms_needed(Interval window,
                                    std::span<const AugmentedSequence* const> operands,
                                    const IntervalSet& steps, TimeStep latest);

  // A step at which filling an operator computes a form, and the steps that form holds on:
  // [t, *through], or every step to fill from t on when `through` is empty.
  struct FormStep {
    TimeStep t;
    std::optional<TimeStep> through;
  };
  // The steps at which filling an operator that reads `operands` through `window` at `steps`
  // computes a form, in increasing order, when every operand is constant over the windows of
  // `steps` from `latest` on. Stretches of steps that provably get the same form share one.
  static std::vector<FormStep> form_steps(Interval window,
                                          std::span<const AugmentedSequence* const> operands,
                                          const IntervalSet& steps, TimeStep latest);
  // An upper bound on the operand slots that filling the operator of `formula` fills when it
  // computes `forms`: its rule's `SlotBound` summed over them. Costs the operands' change points
  // inside the windows, plus O(1) per form amortised.
  static std::uint64_t slots_needed(const NNFFormula& formula,
                                    std::span<const AugmentedSequence* const> operands,
                                    std::span<const FormStep> forms);

  const PreparedKnowledge& knowledge() const noexcept { return knowledge_; }
  const MonitorTable& monitor() const noexcept { return monitor_; }
  const AugmentationTable& table() const noexcept { return table_; }
  const AugmentationBudget& budget() const noexcept { return budget_; }

 private:
  // Fills a compound formula at `steps`, whose operands are computed over `sub_steps`.
  void fill_compound(const NNFFormula& formula, AugmentedSequence& sequence,
                     const IntervalSet& steps, const IntervalSet& sub_steps);

  const PreparedKnowledge& knowledge_;
  const MonitorTable& monitor_;
  AugmentationTable& table_;
  AugmentationBudget budget_;
};

}  // namespace corvane
