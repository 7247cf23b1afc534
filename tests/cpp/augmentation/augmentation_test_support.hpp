// Shared by the augmentation tests: formula and knowledge builders, random cases, and the
// step-by-step augmentation driver the faster one is checked against.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "augmentation/augmentation_context.hpp"
#include "augmentation/rules.hpp"
#include "formula/nnf_formula.hpp"
#include "formula/printing.hpp"
#include "knowledge/knowledge_sequence.hpp"
#include "knowledge/prepared_knowledge.hpp"
#include "knowledge_graph/knowledge_fact.hpp"
#include "knowledge_graph/knowledge_graph.hpp"
#include "support/random_formula.hpp"
#include "support/reference_knowledge.hpp"
#include "support/step_evaluator.hpp"

namespace corvane::augmentation_test {

inline AtomicProposition prop(const char* name, const char* parameter = "") {
  return AtomicProposition::with_parameter(name, parameter);
}
inline Literal pos(const char* name) {
  return Literal::positive(prop(name));
}
inline Literal neg(const char* name) {
  return Literal::negative(prop(name));
}
inline NNFFormula atom(const char* name) {
  return NNFFormula(pos(name));
}
inline NNFFormula not_atom(const char* name) {
  return NNFFormula(neg(name));
}

inline std::string show(const NNFFormula& formula) {
  return format_as_string(formula).value_or("<unprintable>");
}

inline ::testing::AssertionResult same_formula(const NNFFormula& actual,
                                               const NNFFormula& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "\n  actual:   " << show(actual) << "\n  expected: " << show(expected);
}

// Structural equality that compares each pair of distinct nodes once. Formulas built separately
// share no nodes, and the plain comparison walks them as trees, which for augmented formulas
// (heavily shared subterms) is far larger than the nodes themselves.
class SharedEquality {
 public:
  bool operator()(const NNFFormula& a, const NNFFormula& b) {
    if (a.same_node(b)) return true;
    if (a.hash() != b.hash() || a.kind() != b.kind() || a.depth() != b.depth()) return false;
    if (a.is_literal()) return a.literal() == b.literal();
    // A compound node owns its operand array, so its address names the node.
    const std::pair key(a.subformulas().data(), b.subformulas().data());
    if (known_equal_.contains(key)) return true;
    const auto xs = a.subformulas();
    const auto ys = b.subformulas();
    if (a.kind() != NNFFormula::Kind::And && a.kind() != NNFFormula::Kind::Or &&
        a.interval() != b.interval()) {
      return false;
    }
    if (xs.size() != ys.size()) return false;
    for (std::size_t i = 0; i < xs.size(); ++i) {
      if (!(*this)(xs[i], ys[i])) return false;
    }
    known_equal_.insert(key);
    return true;
  }

  bool operator()(const AugmentedSequence& a, const AugmentedSequence& b) {
    if (a.size() != b.size()) return false;
    for (auto x = a.entries().begin(), y = b.entries().begin(); x != a.entries().end(); ++x, ++y) {
      if (x->first != y->first || x->second.has_value() != y->second.has_value()) return false;
      if (x->second && !(*this)(*x->second, *y->second)) return false;
    }
    return true;
  }

 private:
  std::set<std::pair<const NNFFormula*, const NNFFormula*>> known_equal_;
};

// Knowledge stated per step, each applying at its own step only (an empty graph follows every
// stated step that is not itself followed by a stated one), condensed and completed.
using StatedFacts = std::map<TimeStep, std::vector<KnowledgeFact>>;

inline PlainSequence<KnowledgeGraph> unprepared_knowledge(const StatedFacts& stated) {
  PlainSequence<KnowledgeGraph> knowledge;
  knowledge.insert_or_assign(0, KnowledgeGraph());
  for (const auto& [step, facts] : stated) {
    knowledge.insert_or_assign(step, KnowledgeGraph(facts));
    if (step != kMaxTime && !stated.contains(step + 1)) {
      knowledge.insert_or_assign(step + 1, KnowledgeGraph());
    }
  }
  return knowledge;
}

inline PreparedKnowledge prepared_knowledge(const StatedFacts& stated) {
  return PreparedKnowledge(testing::interned_knowledge(unprepared_knowledge(stated)));
}

// The augmentation driver with the walk exactly as the rules prescribe: one step at a time up
// to the operands' last change, then one form for all remaining steps.
using StepRule = NNFFormula (*)(const NNFFormula&, std::span<const AugmentedSequence* const>,
                                TimeStep, AugmentationBudget*);

inline void step_by_step_augment_rec(AugmentationContext& context, const NNFFormula& formula,
                                     const IntervalSet& relevant, StepRule rule = &augment_step) {
  AugmentedSequence& sequence = context.entry(formula);
  const IntervalSet steps = AugmentationContext::missing_steps(sequence, relevant);
  if (steps.is_empty()) return;
  const IntervalSet sub_steps = steps.minkowski_sum(formula.operand_window());
  for (const NNFFormula& operand : formula.subformulas()) {
    step_by_step_augment_rec(context, operand, sub_steps, rule);
  }
  if (formula.is_literal()) {
    if (formula.literal().is_constant()) {
      sequence.set_between(0, std::nullopt, formula);
    } else {
      augment_atomic_proposition(formula.literal(), sequence, steps, context.knowledge());
    }
    return;
  }
  const TimeStep latest = context.latest_change(formula, sub_steps);
  for (const Interval& run : steps.positive_intervals()) {
    for (TimeStep t = run.lb();; ++t) {
      NNFFormula value = rule(formula, context.operand_sequences(formula), t, nullptr);
      if (t >= latest) {
        const IntervalSet rest = steps.intersect(IntervalSet(Interval::unbounded(t)));
        for (const Interval& piece : rest.positive_intervals()) {
          sequence.set_interval(piece, value);
        }
        return;
      }
      sequence.set_between(t, t + 1, value);
      if (run.is_bounded() && t + 1 > run.ub()) break;
    }
  }
}

// The until rule exactly as written: one disjunct per piece of the window, each with the
// `globally` terms of the whole gap before it, built from scratch. The rule in the library builds
// the gap incrementally and stops early once the result is decided.
inline NNFFormula literal_until_rule(const NNFFormula& formula,
                                     std::span<const AugmentedSequence* const> operands, TimeStep t,
                                     AugmentationBudget*) {
  if (formula.kind() != NNFFormula::Kind::Until) return augment_step(formula, operands, t);
  const Interval window = formula.interval();
  const AugmentedSequence& lhs = *operands[0];
  const AugmentedSequence& rhs = *operands[1];
  const Interval span = shifted(window, t);
  const std::vector<Interval> pieces = lhs.refined_interval_covering(rhs, span);
  std::vector<NNFFormula> disjuncts;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const Interval& piece = pieces[i];
    NNFFormula core =
        NNFFormula::until(computed_at(lhs, piece.lb()),
                          relative_piece(piece, t, window, i == 0, i + 1 == pieces.size()),
                          computed_at(rhs, piece.lb()));
    if (piece.lb() <= span.lb()) {
      disjuncts.push_back(std::move(core));
      continue;
    }
    std::vector<NNFFormula> conjuncts;
    for (const Interval& stretch :
         lhs.interval_covering(Interval::bounded(span.lb(), piece.lb() - 1))) {
      conjuncts.push_back(NNFFormula::globally(
          Interval::bounded(stretch.lb() - t, stretch.ub() - t), computed_at(lhs, stretch.lb())));
    }
    conjuncts.push_back(std::move(core));
    disjuncts.push_back(NNFFormula::and_(std::move(conjuncts)));
  }
  return NNFFormula::or_(std::move(disjuncts));
}

// A hidden boolean world over a few propositions and steps 0..horizon (constant afterwards), and
// random facts that are true in it.
struct World {
  TimeStep horizon = 0;
  testing::StepTrace<bool> values;  // steps 0..horizon

  bool holds(const Literal& literal, TimeStep t) const {
    if (literal.is_constant()) return literal.is_true();
    const bool value = values.at(literal.proposition()).at(t);
    return literal.kind() == Literal::Kind::Positive ? value : !value;
  }

  bool satisfies(const KnowledgeFact& fact, TimeStep t) const {
    switch (fact.kind()) {
      case KnowledgeFact::Kind::IsTrue:
        return holds(fact.lhs(), t);
      case KnowledgeFact::Kind::IsFalse:
        return !holds(fact.lhs(), t);
      case KnowledgeFact::Kind::Implication:
        return !holds(fact.lhs(), t) || holds(fact.rhs(), t);
      case KnowledgeFact::Kind::Equivalence:
        return holds(fact.lhs(), t) == holds(fact.rhs(), t);
    }
    return false;
  }

  bool agrees_with(const StatedFacts& stated) const {
    for (const auto& [step, facts] : stated) {
      for (const KnowledgeFact& fact : facts) {
        if (!satisfies(fact, step)) return false;
      }
    }
    return true;
  }

  // The reference evaluation of formulas over this world.
  testing::StepEvaluator<bool> evaluator() const {
    return {testing::StepGrid::up_to(horizon), values, false};
  }
};

class RandomCases {
 public:
  struct Limits {
    TimeStep horizon;    // the world is constant from this step on
    TimeStep max_lb;     // window lower bounds are at most this
    TimeStep max_width;  // bounded windows span at most this many steps more
    int max_depth;       // operator nesting
  };

  RandomCases(unsigned seed, Limits limits)
      : rng_(seed),
        limits_(limits),
        formulas_(rng_, {.propositions = kPropositions,
                         .operators = {testing::Operator::And, testing::Operator::Or,
                                       testing::Operator::Until, testing::Operator::Until,
                                       testing::Operator::Globally, testing::Operator::Eventually,
                                       testing::Operator::Release, testing::Operator::Negation},
                         .min_depth = 1,
                         .max_depth = limits.max_depth,
                         .constant = 0.05,
                         .max_members = 3,
                         .windows = {.max_lb = limits.max_lb, .max_width = limits.max_width}}) {}

  NNFFormula formula() { return formulas_(); }

  World world() {
    World world{limits_.horizon, {}};
    for (const AtomicProposition& p : kPropositions) {
      std::vector<bool> row;
      for (TimeStep t = 0; t <= world.horizon; ++t) row.push_back(chance(0.5));
      world.values.emplace(p, testing::StepSignal<bool>::of(row));
    }
    return world;
  }

  // Facts true in `world` at some of its steps.
  StatedFacts facts(const World& world) {
    StatedFacts stated;
    for (TimeStep t = 0; t <= world.horizon; ++t) {
      if (!chance(0.75)) continue;
      std::vector<KnowledgeFact>& facts = stated[t];
      const int count = pick(1, 5);
      for (int i = 0; i < count; ++i) facts.push_back(fact(world, t));
    }
    return stated;
  }

  // A world that agrees with `stated`, found by flipping values of `world`; `world` itself if
  // none is found.
  World agreeing_variant(const World& world, const StatedFacts& stated) {
    const double flip = chance(0.5) ? 0.2 : 0.6;
    for (int attempt = 0; attempt < 40; ++attempt) {
      World variant = world;
      for (auto& [p, row] : variant.values) {
        for (auto&& value : row.low) {
          if (chance(flip)) value = !value;
        }
      }
      if (variant.agrees_with(stated)) return variant;
    }
    return world;
  }

  bool chance(double p) { return formulas_.chance(p); }
  int pick(int lo, int hi) { return formulas_.pick(lo, hi); }

 private:
  inline static const std::vector<AtomicProposition> kPropositions = {
      prop("a"), prop("b"), prop("c"), prop("p", "x"), prop("p", "y")};

  // A literal with the given truth value in `world` at t.
  Literal literal_valued(const World& world, TimeStep t, bool value) {
    Literal l = literal();
    return world.holds(l, t) == value ? l : l.negation();
  }

  Literal literal() { return formulas_.literal().literal(); }

  KnowledgeFact fact(const World& world, TimeStep t) {
    switch (pick(0, 3)) {
      case 0:
        return KnowledgeFact::is_true(literal_valued(world, t, true));
      case 1:
        return KnowledgeFact::is_false(literal_valued(world, t, false));
      case 2: {
        // lhs -> rhs holds unless lhs is true and rhs false.
        Literal lhs = literal();
        Literal rhs = world.holds(lhs, t) ? literal_valued(world, t, true) : literal();
        return KnowledgeFact::implication(std::move(lhs), std::move(rhs));
      }
      default: {
        Literal lhs = literal();
        Literal rhs = literal_valued(world, t, world.holds(lhs, t));
        return KnowledgeFact::equivalence(std::move(lhs), std::move(rhs));
      }
    }
  }

  std::mt19937 rng_;
  Limits limits_;
  testing::RandomFormulas<NNFFormula> formulas_;
};

}  // namespace corvane::augmentation_test
