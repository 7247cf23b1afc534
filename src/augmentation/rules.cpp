#include "augmentation/rules.hpp"

#include <cstddef>
#include <utility>
#include <vector>

#include "support/internal_error.hpp"

namespace corvane {

NNFFormula augmented_literal(const KnowledgeGraph& graph, const Literal& literal) {
  const std::optional<NodeIndex> node = graph.node_of(literal);
  if (!node) return NNFFormula(literal);
  std::vector<NNFFormula> implying;
  for (const NodeIndex source : graph.graph().incoming(*node)) {
    implying.emplace_back(graph.class_of(source).representative);
  }
  return NNFFormula::or_(std::move(implying));
}

void augment_atomic_proposition(const Literal& literal, AugmentedSequence& sequence,
                                const IntervalSet& steps,
                                const PlainSequence<KnowledgeGraph>& knowledge) {
  for (const Interval& run : steps.positive_intervals()) {
    for (const Interval& piece : knowledge.interval_covering(run)) {
      sequence.set_interval(piece, augmented_literal(knowledge.value_at(piece.lb()), literal));
    }
  }
}

namespace {

// The junction of the operands' forms at t.
NNFFormula members_at(const AugmentationContext& context, const NNFFormula& formula, TimeStep t,
                      NNFFormula (*junction)(std::vector<NNFFormula>)) {
  std::vector<NNFFormula> members;
  members.reserve(formula.members().size());
  for (const NNFFormula& member : formula.members()) {
    members.push_back(context.augmented_at(member, t));
  }
  return junction(std::move(members));
}

}  // namespace

NNFFormula augment_conjunction(const AugmentationContext& context, const NNFFormula& formula,
                               TimeStep t) {
  return members_at(context, formula, t, &NNFFormula::and_);
}

NNFFormula augment_disjunction(const AugmentationContext& context, const NNFFormula& formula,
                               TimeStep t) {
  return members_at(context, formula, t, &NNFFormula::or_);
}

Interval relative_piece(const Interval& piece, TimeStep t, const Interval& window, bool first,
                        bool last) {
  const TimeStep lb = first ? window.lb() : piece.lb() - t;
  if (!last) return Interval::bounded(lb, piece.ub() - t);
  return window.is_bounded() ? Interval::bounded(lb, window.ub()) : Interval::unbounded(lb);
}

NNFFormula augment_globally_seq(const AugmentationContext& context, const NNFFormula& formula,
                                TimeStep t) {
  // The operand must hold on every piece of the window, each with its own form.
  const Interval window = formula.interval();
  const AugmentedSequence& operand = context.sequence_of(formula.child());
  const std::vector<Interval> pieces = operand.interval_covering(shifted(window, t));
  std::vector<NNFFormula> terms;
  terms.reserve(pieces.size());
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    terms.push_back(
        NNFFormula::globally(relative_piece(pieces[i], t, window, i == 0, i + 1 == pieces.size()),
                             AugmentationContext::computed_at(operand, pieces[i].lb())));
  }
  return NNFFormula::and_(std::move(terms));
}

NNFFormula augment_until_seq(const AugmentationContext& context, const NNFFormula& formula,
                             TimeStep t) {
  // The rhs holds somewhere in some piece P of the window: one disjunct per piece. The lhs must
  // hold from the window's start up to there: over the gap before P as `globally` terms (one per
  // constant stretch of the lhs), and inside P through an `until` over P itself.
  const Interval window = formula.interval();
  const AugmentedSequence& lhs = context.sequence_of(formula.lhs());
  const AugmentedSequence& rhs = context.sequence_of(formula.rhs());
  const Interval span = shifted(window, t);
  const std::vector<Interval> pieces = lhs.refined_interval_covering(rhs, span);
  std::vector<NNFFormula> disjuncts;
  disjuncts.reserve(pieces.size());
  // The gap grows piece by piece. Its terms are kept as they go: those of finished lhs stretches,
  // and the stretch still open at the gap's end, which the next piece extends unless the lhs
  // changes where that piece starts.
  std::vector<NNFFormula> finished_terms;
  Interval open_stretch = Interval::empty();
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const Interval& piece = pieces[i];
    NNFFormula core =
        NNFFormula::until(AugmentationContext::computed_at(lhs, piece.lb()),
                          relative_piece(piece, t, window, i == 0, i + 1 == pieces.size()),
                          AugmentationContext::computed_at(rhs, piece.lb()));
    if (i > 0) {
      // The previous piece joins the gap. It lies inside the time range (it ends before a piece
      // that starts later), so plain subtraction gives its position relative to t.
      const Interval& previous = pieces[i - 1];
      if (open_stretch.is_empty()) {
        open_stretch = previous;
      } else if (!lhs.entries().contains(previous.lb())) {  // the lhs does not change there
        open_stretch = Interval::bounded(open_stretch.lb(), previous.ub());
      } else {
        finished_terms.push_back(
            NNFFormula::globally(Interval::bounded(open_stretch.lb() - t, open_stretch.ub() - t),
                                 AugmentationContext::computed_at(lhs, open_stretch.lb())));
        open_stretch = previous;
      }
      NNFFormula open_term =
          NNFFormula::globally(Interval::bounded(open_stretch.lb() - t, open_stretch.ub() - t),
                               AugmentationContext::computed_at(lhs, open_stretch.lb()));
      // Once the lhs is false somewhere in the gap, this and every later disjunct is false.
      if (open_term.is_false()) break;
      std::vector<NNFFormula> conjuncts = finished_terms;
      conjuncts.push_back(std::move(open_term));
      conjuncts.push_back(std::move(core));
      core = NNFFormula::and_(std::move(conjuncts));
    }
    // A true disjunct decides the disjunction.
    if (core.is_true()) return core;
    disjuncts.push_back(std::move(core));
  }
  return NNFFormula::or_(std::move(disjuncts));
}

NNFFormula augment_step(const AugmentationContext& context, const NNFFormula& formula, TimeStep t) {
  switch (formula.kind()) {
    case NNFFormula::Kind::And:
      return augment_conjunction(context, formula, t);
    case NNFFormula::Kind::Or:
      return augment_disjunction(context, formula, t);
    case NNFFormula::Kind::Globally:
      return augment_globally_seq(context, formula, t);
    case NNFFormula::Kind::Until:
      return augment_until_seq(context, formula, t);
    case NNFFormula::Kind::Literal:
      break;
  }
  throw InternalError(
      "internal error: entered unreachable code: This function is only called for compound "
      "formulas");
}

}  // namespace corvane
