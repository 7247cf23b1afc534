// How one subformula is augmented: a literal from the knowledge graphs over a range of steps, an
// operator at one step from its operands' augmented forms.
//
// The temporal rules split the operator's window t + I into pieces on which the operands' forms
// are constant and rebuild the operator per piece, relative to t, so that what is known at each
// step ends up inside the operator at the matching offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "augmentation/augmentation_budget.hpp"
#include "augmentation/augmented_sequence.hpp"
#include "formula/literal.hpp"
#include "formula/nnf_formula.hpp"
#include "knowledge/prepared_knowledge.hpp"
#include "knowledge_graph/prepared_graph.hpp"
#include "knowledge_graph/proposition_table.hpp"
#include "sets/interval_set.hpp"
#include "time/interval.hpp"
#include "time/time_step.hpp"

namespace corvane {

// Every rule counts the operand slots of the formulas it builds against `budget`, if given,
// before it builds them.

// The disjunction of the representatives of all classes of `graph` that imply `literal` (its own
// class included); the literal itself when the graph does not mention it. `propositions` is the
// table the graph's literals come from.
NNFFormula augmented_literal(const PreparedGraph& graph, const PropositionTable& propositions,
                             const Literal& literal, AugmentationBudget* budget = nullptr);

// Writes the augmented form of a `Positive` or `Negative` literal on every step of `steps`, one
// piece per knowledge graph in effect.
void augment_atomic_proposition(const Literal& literal, AugmentedSequence& sequence,
                                const IntervalSet& steps, const PreparedKnowledge& knowledge,
                                AugmentationBudget* budget = nullptr);

// The augmented form of the operator of `formula` at step t, by the rule of its kind, from the
// augmented sequences of its operands in operand order, which must have been computed over
// t + the formula's operand window. A literal is an internal error. Each kind's rule lives next to
// this dispatch, in rules.cpp.
NNFFormula augment_step(const NNFFormula& formula,
                        std::span<const AugmentedSequence* const> operands, TimeStep t,
                        AugmentationBudget* budget = nullptr);

// An upper bound on the operand slots that `augment_step` counts for the operator of `formula` at
// a step, found from its operands' change points alone, so that an operator that would build too
// much is refused before it builds anything. The bound follows the rule's own walk over the
// pieces of the window, and its stop at the first piece where the (left) operand is false, but
// not its stop at a disjunct that turns out true. Prepared for the steps in [first, last] at a
// cost in the operands' changes inside their windows; queries come in increasing order of step
// and cost the changes they move past.
class SlotBound {
 public:
  SlotBound(const NNFFormula& formula, std::span<const AugmentedSequence* const> operands,
            TimeStep first, TimeStep last);

  std::uint64_t at(TimeStep t);

 private:
  NNFFormula::Kind kind_;
  Interval window_;
  std::uint64_t members_;
  const AugmentedSequence* lhs_ = nullptr;  // the operand whose false pieces stop the walk
  // The operands' changes inside the windows of [first, last], merged: where the pieces after the
  // first start.
  std::vector<TimeStep> changes_;
  // lhs_changes_[m]: how many of changes_[0, m) are changes of the left operand, each of which
  // closes a gap term of the until rule; lhs_change_sums_[m]: the sum of lhs_changes_[0, m).
  std::vector<std::uint64_t> lhs_changes_;
  std::vector<std::uint64_t> lhs_change_sums_;
  // Whether the left operand is false at the start of the first window, and at each change; and
  // next_false_[m]: the least j >= m at which it is false, or changes_.size().
  bool lhs_false_at_from_ = false;
  std::vector<bool> lhs_false_;
  std::vector<std::size_t> next_false_;
  // The first change after the start, and after the end, of the last window queried.
  std::size_t first_after_start_ = 0;
  std::size_t first_after_end_ = 0;
};

// A piece of the covering of the window t + `window`, relative to t. Inside the time range that is
// piece - [t, t]. Where t + `window` runs past the last time step, saturation cut the window
// short; its first and last piece keep the window's own bounds instead, as every sequence keeps
// its last value for ever.
Interval relative_piece(const Interval& piece, TimeStep t, const Interval& window, bool first,
                        bool last);

}  // namespace corvane
