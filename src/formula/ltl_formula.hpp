// The plain LTL syntax tree that the parser builds.
//
// Unlike `NNFFormula`, the tree keeps negation, implication and every temporal operator as nodes
// of their own and simplifies nothing: Not(Not(a)), nested conjunctions and constants inside
// operators stay as written. The only normalisation is that `And` and `Or` hold an ordered set of
// two members, which collapses to the single member when both are equal.
//
// Nodes are immutable and shared between copies. Left-associative chains such as `a & b & c & ...`
// nest as deep as they are long, so destruction and comparison (and the conversion in
// ltl_to_nnf.hpp) never recurse per nesting level: they work with explicit stacks and handle trees
// of any depth.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "formula/atomic_proposition.hpp"
#include "time/interval.hpp"
#include "time/time_step.hpp"

namespace corvane::ltl {

class Formula {
 public:
  // Declaration order is the primary sort key.
  enum class Kind : std::uint8_t {
    Atom,
    True,
    False,
    Not,
    And,
    Or,
    Implies,
    Until,
    Release,
    Globally,
    Finally,
    Next,
  };

  static Formula atom(AtomicProposition p);
  static Formula true_();
  static Formula false_();
  static Formula not_(Formula formula);
  // The set {a, b}: `a` itself when both are equal, otherwise `And` / `Or` of the two.
  static Formula and_(Formula a, Formula b);
  static Formula or_(Formula a, Formula b);
  static Formula implies(Formula lhs, Formula rhs);
  static Formula until(Formula lhs, Interval interval, Formula rhs);
  static Formula release(Formula lhs, Interval interval, Formula rhs);
  static Formula globally(Interval interval, Formula formula);
  static Formula finally_(Interval interval, Formula formula);
  static Formula next(TimeStep delay, Formula formula);

  Formula(const Formula&) = default;
  Formula(Formula&&) noexcept = default;
  Formula& operator=(const Formula&) = default;
  Formula& operator=(Formula&&) noexcept = default;
  ~Formula();

  Kind kind() const noexcept { return node_->kind; }

  // Accessors; each is meaningful only for the kinds named.
  // Atom:
  const AtomicProposition& proposition() const noexcept { return *node_->atom; }
  // And, Or: the two members in ascending order.
  std::span<const Formula> members() const noexcept { return node_->children; }
  // Implies, Until, Release:
  const Formula& lhs() const noexcept { return node_->children[0]; }
  const Formula& rhs() const noexcept { return node_->children[1]; }
  // Not, Globally, Finally, Next:
  const Formula& child() const noexcept { return node_->children[0]; }
  // Until, Release, Globally, Finally:
  Interval interval() const noexcept { return node_->interval; }
  // Next:
  TimeStep delay() const noexcept { return node_->delay; }

  // The direct operands in field order.
  std::span<const Formula> subformulas() const noexcept { return node_->children; }

  // Structural: alternative first, then the fields in declaration order; sets compare
  // lexicographically over their ascending members.
  friend bool operator==(const Formula& a, const Formula& b);
  friend std::strong_ordering operator<=>(const Formula& a, const Formula& b);

 private:
  struct Node {
    Kind kind;
    TimeStep delay = 0;
    Interval interval;
    std::optional<AtomicProposition> atom;
    std::vector<Formula> children;
    // The next node on the stack of nodes being freed (see the destructor).
    std::shared_ptr<Node> next_dying;
  };

  explicit Formula(std::shared_ptr<Node> node) : node_(std::move(node)) {}
  static Formula make(Kind kind, std::vector<Formula> children, Interval interval = {},
                      TimeStep delay = 0);
  static Formula junction(Kind kind, Formula a, Formula b);

  std::shared_ptr<Node> node_;
};

}  // namespace corvane::ltl
