// Temporal-logic formulas in negation normal form.
//
// An `NNFFormula` is a handle to an immutable, reference-counted node: copying a formula costs one
// atomic increment and subtrees are shared freely. Nodes are only created by the simplifying
// constructors below (`and_`, `or_`, `until`, `globally`, `release`, `negated`), so every formula
// that exists is already in normal form:
//   1. `And` and `Or` have at least two members, kept sorted and free of duplicates;
//   2. no `And` member is a constant or an `And`; no `Or` member is a constant or an `Or`;
//   3. no `Until` has a constant rhs, lhs `False`, an empty or a singleton interval;
//   4. no `Globally` has a constant child, an empty interval or the interval [0, 0];
//   5. the constants appear only as the whole formula or as the lhs `True` of an eventually.
//
// Meaning at step t: Globally(I, φ) holds when φ holds at every step of t + I. Until(φ, I, ψ)
// holds when ψ holds at some step t' of t + I and φ holds at every step from t + lb(I) up to
// (excluding) t'. The obligation on φ starts at the interval's lower bound, not at t.
//
// Each node caches its hash and nesting depth. Formulas deeper than `kMaxNestingDepth` are refused
// with `NestingTooDeep`, because every algorithm over formulas recurses once per level.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "formula/literal.hpp"
#include "time/interval.hpp"

namespace corvane {

// The deepest formula that may be built: a literal has depth 1, an operator one more than its
// deepest operand.
inline constexpr std::uint32_t kMaxNestingDepth = 1000;

class NNFFormula {
 public:
  // Declaration order is the primary sort key.
  enum class Kind : std::uint8_t { Literal, And, Or, Until, Globally };

  // A literal formula; `NNFFormula()` is the constant true.
  NNFFormula();
  explicit NNFFormula(Literal literal);
  static NNFFormula true_();
  static NNFFormula false_();
  static NNFFormula positive(AtomicProposition p) { return NNFFormula(Literal::positive(p)); }
  static NNFFormula negative(AtomicProposition p) { return NNFFormula(Literal::negative(p)); }

  static NNFFormula and_(std::vector<NNFFormula> formulas);
  static NNFFormula or_(std::vector<NNFFormula> formulas);
  static NNFFormula until(NNFFormula lhs, Interval interval, NNFFormula rhs);
  static NNFFormula globally(Interval interval, NNFFormula formula);
  static NNFFormula release(NNFFormula lhs, Interval interval, NNFFormula rhs);
  static NNFFormula negated(const NNFFormula& formula);

  // Derived operators.
  static NNFFormula eventually(Interval interval, NNFFormula formula) {
    return until(true_(), interval, std::move(formula));
  }
  // The formula delayed by `delay` steps.
  static NNFFormula next(std::uint32_t delay, NNFFormula formula);
  static NNFFormula implication(const NNFFormula& lhs, NNFFormula rhs);

  Kind kind() const noexcept { return node_->kind; }
  bool is_literal() const noexcept { return kind() == Kind::Literal; }
  bool is_true() const noexcept { return is_literal() && node_->literal.is_true(); }
  bool is_false() const noexcept { return is_literal() && node_->literal.is_false(); }
  // An `Until` whose lhs is `True`.
  bool is_eventually() const noexcept { return kind() == Kind::Until && lhs().is_true(); }

  // Accessors; each is meaningful only for the kinds named.
  const Literal& literal() const noexcept { return node_->literal; }                // Literal
  std::span<const NNFFormula> members() const noexcept { return node_->children; }  // And, Or
  Interval interval() const noexcept { return node_->interval; }           // Until, Globally
  const NNFFormula& lhs() const noexcept { return node_->children[0]; }    // Until
  const NNFFormula& rhs() const noexcept { return node_->children[1]; }    // Until
  const NNFFormula& child() const noexcept { return node_->children[0]; }  // Globally

  // The direct operands: none for a literal, the members in order for `And` and `Or`, lhs then
  // rhs for `Until`, the child for `Globally`.
  std::span<const NNFFormula> subformulas() const noexcept { return node_->children; }
  // A formula of the same kind and interval over other operands (as many, in the same order),
  // built by the simplifying constructor of the kind. A literal, having none, is returned as is.
  NNFFormula with_operands(std::vector<NNFFormula> operands) const;
  // Where the formula reads its operands, relative to the step it is evaluated at: its interval
  // for `Until` and `Globally`, that step alone for `And` and `Or` (and for literals).
  Interval operand_window() const noexcept {
    return kind() == Kind::Until || kind() == Kind::Globally ? interval() : Interval::singleton(0);
  }

  std::size_t hash() const noexcept { return node_->hash; }
  std::uint32_t depth() const noexcept { return node_->depth; }
  // Whether both handles share one node (a cheap sufficient test for equality).
  bool same_node(const NNFFormula& other) const noexcept { return node_ == other.node_; }
  // The address of the node: the same for handles that share it, and no other node's while a
  // handle to it lives. For memos keyed by node identity.
  const void* identity() const noexcept { return node_.get(); }
  // Whether other handles refer to the node too. A node with a single handle has one parent, so
  // a walk reaches it along one path only, and a memo need not keep it.
  bool is_shared() const noexcept { return node_.use_count() > 1; }

  // Structural equality and order. Both walk the formulas with an explicit stack instead of
  // recursion, so comparing deeply nested formulas needs no more stack than shallow ones.
  friend bool operator==(const NNFFormula& a, const NNFFormula& b);
  friend std::strong_ordering operator<=>(const NNFFormula& a, const NNFFormula& b);

 private:
  struct Node {
    Kind kind;
    std::uint32_t depth;
    std::size_t hash;
    Literal literal;
    Interval interval;
    std::vector<NNFFormula> children;
  };

  explicit NNFFormula(std::shared_ptr<const Node> node) : node_(std::move(node)) {}
  // Frees a compound node. Its operands are released in a loop rather than by recursion, so
  // freeing a deeply nested formula needs no more stack than freeing a shallow one.
  static void destroy(const Node* node);
  static NNFFormula make(Kind kind, Literal literal, Interval interval,
                         std::vector<NNFFormula> children);
  static NNFFormula make_junction(Kind kind, std::vector<NNFFormula> formulas);

  std::shared_ptr<const Node> node_;
};

}  // namespace corvane

template <>
struct std::hash<corvane::NNFFormula> {
  std::size_t operator()(const corvane::NNFFormula& f) const noexcept { return f.hash(); }
};
