#include "augmentation/augmentation_context.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "augmentation/rules.hpp"
#include "support/internal_error.hpp"
#include "support/interruption.hpp"
#include "support/stack_guard.hpp"

namespace corvane {

void AugmentationContext::augment_rec(const NNFFormula& formula, const IntervalSet& relevant) {
  ensure_stack_space();
  // Table entries stay where they are while the recursion inserts more, so this reference holds.
  AugmentedSequence& sequence = entry(formula);
  const IntervalSet steps = missing_steps(sequence, relevant);
  if (steps.is_empty()) return;

  const IntervalSet sub_steps = steps.minkowski_sum(formula.operand_window());
  for (const NNFFormula& operand : formula.subformulas()) augment_rec(operand, sub_steps);

  if (formula.is_literal()) {
    if (formula.literal().is_constant()) {
      sequence.set_between(0, std::nullopt, formula);
    } else {
      augment_atomic_proposition(formula.literal(), sequence, steps, knowledge_, &budget_);
    }
    return;
  }
  fill_compound(formula, sequence, steps, sub_steps);
}

std::vector<AugmentationContext::FormStep> AugmentationContext::form_steps(
    Interval window, std::span<const AugmentedSequence* const> operands, const IntervalSet& steps,
    TimeStep latest) {
  std::vector<FormStep> forms;
  for (const Interval& run : steps.positive_intervals()) {
    TimeStep t = run.lb();
    while (true) {
      poll_interrupt();
      if (t >= latest) {
        // The operands no longer change: every remaining step gets this one form.
        forms.push_back({t, std::nullopt});
        return forms;
      }
      // A whole stretch of steps that provably gets the same form is covered at once; stepping
      // through it one by one would give the same sequence at a cost in the length of time.
      // `through` < latest <= kMaxTime, so through + 1 cannot wrap.
      const TimeStep through =
          std::min({same_form_through(window, operands, t), latest - 1, run.last()});
      forms.push_back({t, through});
      if (through == run.last()) break;
      t = through + 1;
    }
  }
  return forms;
}

void AugmentationContext::fill_compound(const NNFFormula& formula, AugmentedSequence& sequence,
                                        const IntervalSet& steps, const IntervalSet& sub_steps) {
  const TimeStep latest = latest_change(formula, sub_steps);
  const std::vector<const AugmentedSequence*> operands = operand_sequences(formula);
  const Interval window = formula.operand_window();
  // Refused before anything is computed when the forms, or the slots of the formulas built for
  // them, would be too many.
  budget_.expect_forms(forms_needed(window, operands, steps, latest));
  const std::vector<FormStep> forms = form_steps(window, operands, steps, latest);
  const std::uint64_t slots = slots_needed(formula, operands, forms);
  budget_.expect_slots(slots);
  const std::uint64_t announced = saturating_sum(budget_.slots(), slots);
  // The forms are collected in time order and written in one merge at the end: writing them one
  // by one into the middle of a long sequence would move its tail every time. The rules read only
  // the operands' sequences, never this one, so nothing needs them earlier.
  std::vector<std::pair<Interval, std::optional<NNFFormula>>> pieces;
  for (const FormStep& form : forms) {
    poll_interrupt();
    budget_.begin_form();
    NNFFormula value = augment_step(formula, operands, form.t, &budget_);
    if (form.through) {
      pieces.emplace_back(Interval::bounded(form.t, *form.through), std::move(value));
      continue;
    }
    const IntervalSet rest = steps.intersect(IntervalSet(Interval::unbounded(form.t)));
    for (const Interval& piece : rest.positive_intervals()) pieces.emplace_back(piece, value);
  }
  check(budget_.slots() <= announced, "an operator filled more operand slots than it announced");
  sequence.set_pieces(pieces);
}

std::uint64_t AugmentationContext::slots_needed(const NNFFormula& formula,
                                                std::span<const AugmentedSequence* const> operands,
                                                std::span<const FormStep> forms) {
  if (forms.empty()) return 0;
  SlotBound bound(formula, operands, forms.front().t, forms.back().t);
  std::uint64_t slots = 0;
  for (const FormStep& form : forms) slots = saturating_sum(slots, bound.at(form.t));
  return slots;
}

AugmentedSequence& AugmentationContext::entry(const NNFFormula& formula) {
  const auto [it, inserted] = table_.try_emplace(formula);
  AugmentedSequence& sequence = it->second;
  if (!inserted) return sequence;
  const auto decided = monitor_.find(formula);
  if (decided == monitor_.end()) throw InternalError("Monitor should contain all subformulas");
  // Where the monitor decides the formula its form is that constant; elsewhere it is still open.
  sequence = decided->second.transform([](Kleene value) -> std::optional<NNFFormula> {
    switch (value) {
      case Kleene::True:
        return NNFFormula::true_();
      case Kleene::False:
        return NNFFormula::false_();
      case Kleene::Unknown:
        break;
    }
    return std::nullopt;
  });
  return sequence;
}

IntervalSet AugmentationContext::missing_steps(const AugmentedSequence& sequence,
                                               const IntervalSet& relevant) {
  const IntervalSet pending(NormalizedSequence<bool>::from_positive_intervals(
      sequence.intervals_where([](const std::optional<NNFFormula>& v) { return !v; })));
  return relevant.intersect(pending);
}

TimeStep AugmentationContext::latest_change(const NNFFormula& formula,
                                            const IntervalSet& sub_steps) const {
  const auto operands = formula.subformulas();
  if (operands.empty()) {
    throw InternalError("Compound formula should have at least one subformula");
  }
  TimeStep latest = 0;
  for (const NNFFormula& operand : operands) {
    const std::optional<TimeStep> change =
        sequence_of(operand).last_change_in(sub_steps.sequence());
    if (!change) throw InternalError("Relevant steps should not be empty");
    latest = std::max(latest, *change);
  }
  return latest;
}

TimeStep AugmentationContext::same_form_through(Interval window,
                                                std::span<const AugmentedSequence* const> operands,
                                                TimeStep t) {
  // The rules read the operands over t + window. While no operand changes inside that window it
  // is covered by one piece, and the form is the operator over the window's own interval applied
  // to the operands' values at its start, whatever t is. So the form stays the same until an
  // operand's next change enters the window.
  const TimeStep start = saturating_add(t, window.lb());
  std::optional<TimeStep> next_change;
  for (const AugmentedSequence* operand : operands) {
    const std::optional<TimeStep> change = operand->next_change_after(start);
    if (change && (!next_change || *change < *next_change)) next_change = change;
  }
  if (!next_change) return kMaxTime;  // constant from the window's start on, for ever
  if (window.is_unbounded()) return t;
  const TimeStep end = saturating_add(t, window.ub());
  if (end >= *next_change) return t;  // the change lies inside the window of t itself
  return *next_change - window.ub() - 1;
}

std::uint64_t AugmentationContext::forms_needed(Interval window,
                                                std::span<const AugmentedSequence* const> operands,
                                                const IntervalSet& steps, TimeStep latest) {
  if (latest == 0) return 1;
  const std::vector<Interval> runs =
      steps.intersect(IntervalSet(Interval::bounded(0, latest - 1))).positive_intervals();
  if (runs.empty()) return 1;
  const auto length = [](const Interval& run) { return std::uint64_t{run.ub()} - run.lb() + 1; };
  std::uint64_t below = 0;  // the steps below `latest`, each computed at most once
  for (const Interval& run : runs) below += length(run);
  if (window.is_unbounded()) return below + 1;

  // A step t sees a change c of an operand when t + lb < c <= t + ub, that is for t in
  // [c - ub, c - lb - 1]. The changes that the steps below `latest` can see lie in
  // (first + lb, last + ub]; each also ends at most one stretch.
  const TimeStep lb = window.lb();
  const TimeStep ub = window.ub();
  const TimeStep from = saturating_add(runs.front().lb(), lb);
  const TimeStep to = saturating_add(runs.back().ub(), ub);
  std::uint64_t changes = 0;
  std::vector<Interval> seeing;  // in increasing order per operand; then merged into one order
  const auto starts_before = [](const Interval& a, const Interval& b) { return a.lb() < b.lb(); };
  for (const AugmentedSequence* operand : operands) {
    const auto& entries = operand->entries();
    const auto operand_begin = static_cast<std::ptrdiff_t>(seeing.size());
    for (auto it = entries.upper_bound(from); it != entries.end() && it->first <= to; ++it) {
      poll_interrupt_every(++changes);
      if (ub > lb) {
        seeing.push_back(Interval::bounded(saturating_sub(it->first, ub), it->first - lb - 1));
      }
    }
    std::inplace_merge(seeing.begin(), seeing.begin() + operand_begin, seeing.end(), starts_before);
  }
  // The steps below `latest` that see a change: the runs intersected with the union of `seeing`,
  // each counted once.
  std::uint64_t seen = 0;
  std::uint64_t counted_to = 0;  // the steps before it are counted already
  std::size_t k = 0;
  for (const Interval& s : seeing) {
    const std::uint64_t begin = std::max<std::uint64_t>(s.lb(), counted_to);
    if (begin > s.ub()) continue;
    while (k < runs.size() && runs[k].ub() < begin) ++k;
    for (std::size_t j = k; j < runs.size() && runs[j].lb() <= s.ub(); ++j) {
      seen += std::min(s.ub(), runs[j].ub()) - std::max<std::uint64_t>(begin, runs[j].lb()) + 1;
    }
    counted_to = std::uint64_t{s.ub()} + 1;
  }
  return seen + runs.size() + changes + 2;
}

const AugmentedSequence& AugmentationContext::sequence_of(const NNFFormula& subformula) const {
  const auto it = table_.find(subformula);
  if (it == table_.end()) throw InternalError("Formula should have been inserted before");
  return it->second;
}

std::vector<const AugmentedSequence*> AugmentationContext::operand_sequences(
    const NNFFormula& formula) const {
  std::vector<const AugmentedSequence*> sequences;
  sequences.reserve(formula.subformulas().size());
  for (const NNFFormula& operand : formula.subformulas())
    sequences.push_back(&sequence_of(operand));
  return sequences;
}

NNFFormula AugmentationContext::augmented_at(const NNFFormula& subformula, TimeStep t) const {
  return computed_at(sequence_of(subformula), t);
}

}  // namespace corvane
