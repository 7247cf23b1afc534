#include "augmentation/rules.hpp"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "support/internal_error.hpp"
#include "support/interruption.hpp"

namespace corvane {

namespace {

void spend_slots(AugmentationBudget* budget, std::uint64_t count) {
  if (budget != nullptr) budget->spend_slots(count);
}

}  // namespace

NNFFormula augmented_literal(const PreparedGraph& graph, const PropositionTable& propositions,
                             const Literal& literal, AugmentationBudget* budget) {
  const std::optional<LiteralId> id = propositions.id_of(literal);
  const std::optional<NodeIndex> node = id ? graph.node_of(*id) : std::nullopt;
  if (!node) return NNFFormula(literal);
  std::vector<NNFFormula> implying;
  graph.for_each_implying(*node, [&](NodeIndex source) {
    poll_interrupt_every(implying.size());
    spend_slots(budget, 1);
    implying.emplace_back(propositions.literal(graph.representative(source)));
  });
  return NNFFormula::or_(std::move(implying));
}

void augment_atomic_proposition(const Literal& literal, AugmentedSequence& sequence,
                                const IntervalSet& steps, const PreparedKnowledge& knowledge,
                                AugmentationBudget* budget) {
  // Many change points share a graph; the form is computed once per graph. The pieces are
  // written in one merge.
  std::unordered_map<PreparedKnowledge::GraphIndex, NNFFormula> form_in;
  std::vector<std::pair<Interval, std::optional<NNFFormula>>> pieces;
  for (const Interval& run : steps.positive_intervals()) {
    for (const Interval& piece : knowledge.interval_covering(run)) {
      poll_interrupt();
      const PreparedKnowledge::GraphIndex graph = knowledge.change_points().value_at(piece.lb());
      auto [form, added] = form_in.try_emplace(graph);
      if (added) {
        form->second =
            augmented_literal(knowledge.graphs()[graph], knowledge.propositions(), literal, budget);
      }
      pieces.emplace_back(piece, form->second);
    }
  }
  sequence.set_pieces(pieces);
}

namespace {

bool is_false(const std::optional<NNFFormula>& form) {
  return form && form->is_false();
}

}  // namespace

SlotBound::SlotBound(const NNFFormula& formula, std::span<const AugmentedSequence* const> operands,
                     TimeStep first, TimeStep last)
    : kind_(formula.kind()), window_(formula.interval()), members_(operands.size()) {
  if (!NNFFormula::is_temporal(kind_) || operands.empty()) return;
  lhs_ = operands[0];
  const AugmentedSequence* rhs = operands.size() > 1 ? operands[1] : nullptr;
  lhs_changes_.push_back(0);
  lhs_change_sums_.push_back(0);
  const TimeStep from = shifted(window_, first).lb();
  TimeStep to = shifted(window_, last).last();
  lhs_false_at_from_ = is_false(lhs_->value_at(from));
  // Each walk stops at most one piece after the first on which the lhs is false, and the walk of
  // the last step reaches furthest: no change after the one that follows its first false step is
  // ever reached.
  const auto& lhs = lhs_->entries();
  const TimeStep last_start = shifted(window_, last).lb();
  for (auto it = std::prev(lhs.upper_bound(last_start)); it != lhs.end() && it->first <= to; ++it) {
    poll_interrupt_every(static_cast<std::uint64_t>(it - lhs.begin()));
    if (!is_false(it->second)) continue;
    const TimeStep stop = std::max(it->first, last_start);
    for (const AugmentedSequence* operand : operands) {
      const std::optional<TimeStep> next = operand->next_change_after(stop);
      if (next && *next < to) to = *next;
    }
    break;
  }
  to = std::max(to, from);
  // The changes of each operand in (from, to], merged; a change of both counts once.
  const auto lhs_end = lhs.upper_bound(to);
  auto l = lhs.upper_bound(from);
  const std::optional<NNFFormula>* lhs_value = &std::prev(l)->second;  // in effect at the step
  auto r = lhs_end;  // no right operand: an empty range
  auto r_end = lhs_end;
  if (rhs != nullptr) {
    r = rhs->entries().upper_bound(from);
    r_end = rhs->entries().upper_bound(to);
  }
  while (l != lhs_end || r != r_end) {
    poll_interrupt_every(changes_.size());
    const bool from_lhs = l != lhs_end && (r == r_end || l->first <= r->first);
    const TimeStep step = from_lhs ? l->first : r->first;
    if (from_lhs) lhs_value = &(l++)->second;
    if (r != r_end && r->first == step) ++r;
    changes_.push_back(step);
    lhs_false_.push_back(is_false(*lhs_value));
    lhs_change_sums_.push_back(lhs_change_sums_.back() + lhs_changes_.back());
    lhs_changes_.push_back(lhs_changes_.back() + (from_lhs ? 1 : 0));
  }
  next_false_.resize(changes_.size() + 1, changes_.size());
  for (std::size_t m = changes_.size(); m-- > 0;) {
    next_false_[m] = lhs_false_[m] ? m : next_false_[m + 1];
  }
}

std::uint64_t SlotBound::at(TimeStep t) {
  if (lhs_ == nullptr) return members_;  // a junction puts each member in one slot
  const Interval span = shifted(window_, t);
  if (span.is_empty()) return 0;
  // Piece 0 starts at the window's start; piece j > 0 at changes_[a + j - 1]. Both ends of the
  // window only move forward from one query to the next, and so do the cursors.
  std::size_t& a = first_after_start_;
  std::size_t& b = first_after_end_;
  while (a < changes_.size() && changes_[a] <= span.lb()) ++a;
  if (b < a) b = a;
  while (b < changes_.size() && changes_[b] <= span.last()) ++b;
  const std::uint64_t pieces = 1 + (b - a);
  // The first piece on which the left operand is false, if any.
  std::uint64_t false_piece = pieces;
  if (a == 0 ? lhs_false_at_from_ : lhs_false_[a - 1]) {
    false_piece = 0;
  } else if (next_false_[a] < b) {
    false_piece = next_false_[a] - a + 1;
  }
  if (kind_ == NNFFormula::Kind::Globally) {
    // Two slots per piece, up to the first false one, which decides the conjunction.
    return 2 * std::min(pieces, false_piece + 1);
  }
  // The until rule stops one piece after the false one, when that piece joins the gap. Each piece
  // it walks takes at most 7 slots besides the gap terms, which piece i > 0 copies: one per lhs
  // change among the starts of pieces 1 to i - 1.
  const std::uint64_t walked = std::min(pieces, false_piece + 2);
  const std::uint64_t gapped = std::min(pieces, false_piece + 1);
  const std::uint64_t gap_terms =
      (lhs_change_sums_[a + gapped - 1] - lhs_change_sums_[a]) - (gapped - 1) * lhs_changes_[a];
  return 7 * walked + gap_terms;
}

Interval relative_piece(const Interval& piece, TimeStep t, const Interval& window, bool first,
                        bool last) {
  const TimeStep lb = first ? window.lb() : piece.lb() - t;
  if (!last) return Interval::bounded(lb, piece.ub() - t);
  return window.is_bounded() ? Interval::bounded(lb, window.ub()) : Interval::unbounded(lb);
}

// The rules of the operators, one per kind; `augment_step` below dispatches to them.
namespace {

// The junction of the operands' forms at t.
NNFFormula members_at(std::span<const AugmentedSequence* const> members, TimeStep t,
                      NNFFormula (*junction)(std::vector<NNFFormula>), AugmentationBudget* budget) {
  spend_slots(budget, members.size());
  std::vector<NNFFormula> forms;
  forms.reserve(members.size());
  for (const AugmentedSequence* member : members) forms.push_back(computed_at(*member, t));
  return junction(std::move(forms));
}

NNFFormula augment_conjunction(std::span<const AugmentedSequence* const> members, TimeStep t,
                               AugmentationBudget* budget) {
  return members_at(members, t, &NNFFormula::and_, budget);
}

NNFFormula augment_disjunction(std::span<const AugmentedSequence* const> members, TimeStep t,
                               AugmentationBudget* budget) {
  return members_at(members, t, &NNFFormula::or_, budget);
}

// Walks the pieces of `span` on which the given sequences are constant, in increasing order: the
// pieces `refined_interval_covering` lists, found one at a time, so that a rule that is decided
// after a few pieces does not pay for a window of many changes.
class PieceWalk {
 public:
  PieceWalk(const Interval& span, const AugmentedSequence& first,
            const AugmentedSequence* second = nullptr)
      : span_(span), first_(first), second_(second), lb_(span.lb()), done_(span.is_empty()) {
    if (!done_) find_end();
  }

  bool done() const noexcept { return done_; }
  bool is_first() const noexcept { return lb_ == span_.lb(); }
  bool is_last() const noexcept { return !has_next_; }
  Interval piece() const noexcept {
    if (has_next_) return Interval::bounded(lb_, next_ - 1);
    return span_.is_unbounded() ? Interval::unbounded(lb_) : Interval::bounded(lb_, span_.ub());
  }
  void advance() {
    if (!has_next_) {
      done_ = true;
      return;
    }
    lb_ = next_;
    find_end();
  }

 private:
  // The next change of either sequence inside the span ends the current piece.
  void find_end() {
    std::optional<TimeStep> next = first_.next_change_after(lb_);
    if (second_ != nullptr) {
      const std::optional<TimeStep> other = second_->next_change_after(lb_);
      if (other && (!next || *other < *next)) next = other;
    }
    has_next_ = next && *next <= span_.last();
    next_ = has_next_ ? *next : 0;
  }

  Interval span_;
  const AugmentedSequence& first_;
  const AugmentedSequence* second_;
  TimeStep lb_;
  TimeStep next_ = 0;  // where the next piece starts, if `has_next_`
  bool has_next_ = false;
  bool done_;
};

NNFFormula augment_globally_seq(const AugmentedSequence& operand, Interval window, TimeStep t,
                                AugmentationBudget* budget) {
  // The operand must hold on every piece of the window, each with its own form.
  std::vector<NNFFormula> terms;
  for (PieceWalk walk(shifted(window, t), operand); !walk.done(); walk.advance()) {
    poll_interrupt();
    spend_slots(budget, 2);  // the operand of the term, and the term in the conjunction
    const Interval piece = walk.piece();
    NNFFormula term =
        NNFFormula::globally(relative_piece(piece, t, window, walk.is_first(), walk.is_last()),
                             computed_at(operand, piece.lb()));
    // One false piece makes the whole conjunction false.
    if (term.is_false()) return term;
    terms.push_back(std::move(term));
  }
  return NNFFormula::and_(std::move(terms));
}

NNFFormula augment_until_seq(const AugmentedSequence& lhs, const AugmentedSequence& rhs,
                             Interval window, TimeStep t, AugmentationBudget* budget) {
  // The rhs holds somewhere in some piece P of the window: one disjunct per piece. The lhs must
  // hold from the window's start up to there: over the gap before P as `globally` terms (one per
  // constant stretch of the lhs), and inside P through an `until` over P itself.
  std::vector<NNFFormula> disjuncts;
  // The gap grows piece by piece. Its terms are kept as they go: those of finished lhs stretches,
  // and the stretch still open at the gap's end, which the next piece extends unless the lhs
  // changes where that piece starts.
  std::vector<NNFFormula> finished_terms;
  Interval open_stretch = Interval::empty();
  Interval previous = Interval::empty();
  for (PieceWalk walk(shifted(window, t), lhs, &rhs); !walk.done(); walk.advance()) {
    poll_interrupt();
    spend_slots(budget, 3);  // the operands of the core, and the disjunct in the disjunction
    const Interval piece = walk.piece();
    NNFFormula core =
        NNFFormula::until(computed_at(lhs, piece.lb()),
                          relative_piece(piece, t, window, walk.is_first(), walk.is_last()),
                          computed_at(rhs, piece.lb()));
    if (!walk.is_first()) {
      // The previous piece joins the gap. It lies inside the time range (it ends before a piece
      // that starts later), so plain subtraction gives its position relative to t.
      if (open_stretch.is_empty()) {
        open_stretch = previous;
      } else if (!lhs.entries().contains(previous.lb())) {  // the lhs does not change there
        open_stretch = Interval::bounded(open_stretch.lb(), previous.ub());
      } else {
        spend_slots(budget, 1);
        finished_terms.push_back(
            NNFFormula::globally(Interval::bounded(open_stretch.lb() - t, open_stretch.ub() - t),
                                 computed_at(lhs, open_stretch.lb())));
        open_stretch = previous;
      }
      NNFFormula open_term =
          NNFFormula::globally(Interval::bounded(open_stretch.lb() - t, open_stretch.ub() - t),
                               computed_at(lhs, open_stretch.lb()));
      // Once the lhs is false somewhere in the gap, this and every later disjunct is false.
      if (open_term.is_false()) break;
      // The open term's operand and the conjunction of the gap's terms with the core, whose
      // length grows with the stretches of the lhs before the piece.
      if (budget != nullptr) budget->spend_gap_terms(finished_terms.size());
      spend_slots(budget, 3);
      std::vector<NNFFormula> conjuncts = finished_terms;
      conjuncts.push_back(std::move(open_term));
      conjuncts.push_back(std::move(core));
      core = NNFFormula::and_(std::move(conjuncts));
    }
    // A true disjunct decides the disjunction.
    if (core.is_true()) return core;
    disjuncts.push_back(std::move(core));
    previous = piece;
  }
  return NNFFormula::or_(std::move(disjuncts));
}

}  // namespace

NNFFormula augment_step(const NNFFormula& formula,
                        std::span<const AugmentedSequence* const> operands, TimeStep t,
                        AugmentationBudget* budget) {
  switch (formula.kind()) {
    case NNFFormula::Kind::And:
      return augment_conjunction(operands, t, budget);
    case NNFFormula::Kind::Or:
      return augment_disjunction(operands, t, budget);
    case NNFFormula::Kind::Globally:
      return augment_globally_seq(*operands[0], formula.interval(), t, budget);
    case NNFFormula::Kind::Until:
      return augment_until_seq(*operands[0], *operands[1], formula.interval(), t, budget);
    case NNFFormula::Kind::Literal:
      break;
  }
  throw InternalError(
      "internal error: entered unreachable code: This function is only called for compound "
      "formulas");
}

}  // namespace corvane
