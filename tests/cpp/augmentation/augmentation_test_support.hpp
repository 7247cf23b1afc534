// Shared by the augmentation tests: formula and knowledge builders, random cases, and the
// step-by-step augmentation driver the faster one is checked against.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>
#include <set>
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
  return PreparedKnowledge(KnowledgeSequence::from_graphs(unprepared_knowledge(stated)));
}

// The augmentation driver with the walk exactly as the rules prescribe: one step at a time up
// to the operands' last change, then one form for all remaining steps.
using StepRule = NNFFormula (*)(const AugmentationContext&, const NNFFormula&, TimeStep);

inline void step_by_step_augment_rec(AugmentationContext& context, const NNFFormula& formula,
                                     const IntervalSet& relevant, StepRule rule = &augment_step) {
  AugmentedSequence& sequence = context.entry(formula);
  const IntervalSet steps = AugmentationContext::missing_steps(sequence, relevant);
  if (steps.is_empty()) return;
  const IntervalSet sub_steps = steps.minkowski_sum(AugmentationContext::operand_window(formula));
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
      NNFFormula value = rule(context, formula, t);
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
inline NNFFormula literal_until_rule(const AugmentationContext& context, const NNFFormula& formula,
                                     TimeStep t) {
  if (formula.kind() != NNFFormula::Kind::Until) return augment_step(context, formula, t);
  const Interval window = formula.interval();
  const AugmentedSequence& lhs = context.sequence_of(formula.lhs());
  const AugmentedSequence& rhs = context.sequence_of(formula.rhs());
  const Interval span = shifted(window, t);
  const std::vector<Interval> pieces = lhs.refined_interval_covering(rhs, span);
  std::vector<NNFFormula> disjuncts;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const Interval& piece = pieces[i];
    NNFFormula core =
        NNFFormula::until(AugmentationContext::computed_at(lhs, piece.lb()),
                          relative_piece(piece, t, window, i == 0, i + 1 == pieces.size()),
                          AugmentationContext::computed_at(rhs, piece.lb()));
    if (piece.lb() <= span.lb()) {
      disjuncts.push_back(std::move(core));
      continue;
    }
    std::vector<NNFFormula> conjuncts;
    for (const Interval& stretch :
         lhs.interval_covering(Interval::bounded(span.lb(), piece.lb() - 1))) {
      conjuncts.push_back(
          NNFFormula::globally(Interval::bounded(stretch.lb() - t, stretch.ub() - t),
                               AugmentationContext::computed_at(lhs, stretch.lb())));
    }
    conjuncts.push_back(std::move(core));
    disjuncts.push_back(NNFFormula::and_(std::move(conjuncts)));
  }
  return NNFFormula::or_(std::move(disjuncts));
}

// A hidden boolean world over a few propositions and steps 0..horizon (constant afterwards), and
// random facts that are true in it.
struct World {
  std::vector<AtomicProposition> propositions;
  TimeStep horizon = 0;
  // values[p][t] for t in 0..horizon.
  std::vector<std::vector<bool>> values;

  bool holds(const Literal& literal, TimeStep t) const {
    switch (literal.kind()) {
      case Literal::Kind::True:
        return true;
      case Literal::Kind::False:
        return false;
      case Literal::Kind::Positive:
      case Literal::Kind::Negative:
        break;
    }
    for (std::size_t p = 0; p < propositions.size(); ++p) {
      if (propositions[p] == literal.proposition()) {
        const bool value = values[p][std::min(t, horizon)];
        return literal.kind() == Literal::Kind::Positive ? value : !value;
      }
    }
    return false;
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
};

class RandomCases {
 public:
  struct Limits {
    TimeStep horizon;    // the world is constant from this step on
    TimeStep max_lb;     // window lower bounds are at most this
    TimeStep max_width;  // bounded windows span at most this many steps more
    int max_depth;       // operator nesting
  };

  RandomCases(unsigned seed, Limits limits) : rng_(seed), limits_(limits) {}

  std::mt19937& rng() { return rng_; }

  World world() {
    World world;
    world.propositions = {prop("a"), prop("b"), prop("c"), prop("p", "x"), prop("p", "y")};
    world.horizon = limits_.horizon;
    for (std::size_t p = 0; p < world.propositions.size(); ++p) {
      std::vector<bool> row;
      for (TimeStep t = 0; t <= world.horizon; ++t) row.push_back(chance(0.5));
      world.values.push_back(std::move(row));
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
      for (auto& row : variant.values) {
        for (std::size_t t = 0; t < row.size(); ++t) {
          if (chance(flip)) row[t] = !row[t];
        }
      }
      if (variant.agrees_with(stated)) return variant;
    }
    return world;
  }

  NNFFormula formula(int depth) {
    if (depth <= 0 || chance(0.2)) return NNFFormula(literal(0.05));
    // Every draw is sequenced, so a seed gives the same formulas under every compiler.
    const int kind = pick(0, 7);
    if (kind == 0) return NNFFormula::and_(members(depth));
    if (kind == 1) return NNFFormula::or_(members(depth));
    NNFFormula first = formula(depth - 1);
    if (kind == 7) return NNFFormula::negated(first);
    const Interval window = interval();
    if (kind == 4) return NNFFormula::globally(window, std::move(first));
    if (kind == 5) return NNFFormula::eventually(window, std::move(first));
    NNFFormula second = formula(depth - 1);
    if (kind == 6) return NNFFormula::release(std::move(first), window, std::move(second));
    return NNFFormula::until(std::move(first), window, std::move(second));
  }

  NNFFormula formula() { return formula(pick(1, limits_.max_depth)); }

  Interval interval() {
    const TimeStep lb = static_cast<TimeStep>(pick(0, static_cast<int>(limits_.max_lb)));
    if (chance(0.25)) return Interval::unbounded(lb);
    return Interval::bounded(
        lb, lb + static_cast<TimeStep>(pick(0, static_cast<int>(limits_.max_width))));
  }

  bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

 private:
  Literal literal(double constant_share) {
    if (chance(constant_share)) return chance(0.5) ? Literal::true_() : Literal::false_();
    static const char* const kNames[][2] = {
        {"a", ""}, {"b", ""}, {"c", ""}, {"p", "x"}, {"p", "y"}};
    const auto& [name, parameter] = kNames[pick(0, 4)];
    return chance(0.5) ? Literal::positive(prop(name, parameter))
                       : Literal::negative(prop(name, parameter));
  }

  // A literal with the given truth value in `world` at t.
  Literal literal_valued(const World& world, TimeStep t, bool value) {
    Literal l = literal(0.05);
    return world.holds(l, t) == value ? l : l.negation();
  }

  KnowledgeFact fact(const World& world, TimeStep t) {
    switch (pick(0, 3)) {
      case 0:
        return KnowledgeFact::is_true(literal_valued(world, t, true));
      case 1:
        return KnowledgeFact::is_false(literal_valued(world, t, false));
      case 2: {
        // lhs -> rhs holds unless lhs is true and rhs false.
        Literal lhs = literal(0.05);
        Literal rhs = world.holds(lhs, t) ? literal_valued(world, t, true) : literal(0.05);
        return KnowledgeFact::implication(std::move(lhs), std::move(rhs));
      }
      default: {
        Literal lhs = literal(0.05);
        Literal rhs = literal_valued(world, t, world.holds(lhs, t));
        return KnowledgeFact::equivalence(std::move(lhs), std::move(rhs));
      }
    }
  }

  std::vector<NNFFormula> members(int depth) {
    std::vector<NNFFormula> result;
    const int count = pick(2, 3);
    for (int i = 0; i < count; ++i) result.push_back(formula(depth - 1));
    return result;
  }

  std::mt19937 rng_;
  Limits limits_;
};

}  // namespace corvane::augmentation_test
