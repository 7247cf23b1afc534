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
//
// The operators with a window (until, release, globally, finally) are described by one row each
// in `kTemporalOperators` below: how they are written, their duals and their normal forms. The
// parser and the conversion read them from there.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "formula/atomic_proposition.hpp"
#include "formula/nnf_formula.hpp"
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
  // An operator with a window (one of `kTemporalOperators`) over `operands`, in field order.
  static Formula temporal(Kind kind, Interval interval, std::vector<Formula> operands);

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
  // lexicographically over their ascending members. Every node's fields are its operands in
  // order with the interval (or the delay) before the last one, as in Until(lhs, I, rhs) and
  // Globally(I, child).
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

// An operator with a window.
struct TemporalOperator {
  Formula::Kind kind;
  // Written `letter` and an optional interval (the whole time line when absent): before its one
  // operand as a prefix (`G[0, 5] a`), between its two as an infix (`a U[0, 5] b`).
  std::string_view letter;
  bool infix;
  // Whether a prefix form with a one-step interval [c, c] is read as `next` with delay c.
  bool singleton_is_next;
  // The operator that its negation becomes over the negated operands: ¬(a U b) is ¬a R ¬b.
  Formula::Kind dual;
  // Its negation normal form, from the normal forms of its operands in order.
  NNFFormula (*to_nnf)(Interval interval, std::span<NNFFormula> operands);
};

// Prefix operators are tried in this order, and so are infix ones.
inline constexpr TemporalOperator kTemporalOperators[] = {
    {Formula::Kind::Until, "U", true, false, Formula::Kind::Release,
     [](Interval interval, std::span<NNFFormula> operands) {
       return NNFFormula::until(std::move(operands[0]), interval, std::move(operands[1]));
     }},
    {Formula::Kind::Release, "R", true, false, Formula::Kind::Until,
     [](Interval interval, std::span<NNFFormula> operands) {
       return NNFFormula::release(std::move(operands[0]), interval, std::move(operands[1]));
     }},
    {Formula::Kind::Finally, "F", false, true, Formula::Kind::Globally,
     [](Interval interval, std::span<NNFFormula> operands) {
       return NNFFormula::eventually(interval, std::move(operands[0]));
     }},
    {Formula::Kind::Globally, "G", false, true, Formula::Kind::Finally,
     [](Interval interval, std::span<NNFFormula> operands) {
       return NNFFormula::globally(interval, std::move(operands[0]));
     }},
};

// The row of `kind`, or nothing when `kind` is not an operator with a window.
constexpr const TemporalOperator* temporal_operator(Formula::Kind kind) noexcept {
  for (const TemporalOperator& op : kTemporalOperators) {
    if (op.kind == kind) return &op;
  }
  return nullptr;
}

}  // namespace corvane::ltl
