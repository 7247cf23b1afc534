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
// Each node caches its hash, nesting depth and tree size. Formulas deeper than `kMaxNestingDepth`
// are refused with `NestingTooDeep`, because every algorithm over formulas recurses once per level.
//
// Operands are shared: a release holds its rhs three times, so a chain of n releases has a few
// nodes per release but about 3^n paths from the top to the innermost operand. Every operation
// therefore works per node (or per pair of nodes), never per path.
#pragma once

#include <atomic>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formula/literal.hpp"
#include "time/interval.hpp"

namespace corvane {

// The deepest formula that may be built: a literal has depth 1, an operator one more than its
// deepest operand.
inline constexpr std::uint32_t kMaxNestingDepth = 1000;

class NNFFormula {
 public:
  // Declaration order is the primary sort key. The kinds after `Or` are the temporal operators:
  // each reads its operands through its interval, and its fields are its operands in order with
  // the interval before the last one, as in Until(lhs, I, rhs) and Globally(I, child). Walks,
  // comparison and printing rely on that layout, so a new temporal operator needs no code there.
  enum class Kind : std::uint8_t { Literal, And, Or, Until, Globally };

  // How the printers spell a kind: `name` in the debug form, `symbol` in the tree form, and for
  // a temporal operator also in the infix form (followed there by its interval, which the tree
  // form always writes and the infix form omits for the whole time line).
  struct Spelling {
    std::string_view name;
    std::string_view symbol;
  };
  static constexpr Spelling spelling(Kind kind) noexcept {
    switch (kind) {
      case Kind::Literal:
        return {"Literal", ""};
      case Kind::And:
        return {"And", "∧"};
      case Kind::Or:
        return {"Or", "∨"};
      case Kind::Until:
        return {"Until", "U"};
      case Kind::Globally:
        return {"Globally", "G"};
    }
    return {"", ""};
  }
  static constexpr bool is_temporal(Kind kind) noexcept {
    return kind != Kind::Literal && kind != Kind::And && kind != Kind::Or;
  }

  // A literal formula; `NNFFormula()` is the constant true.
  NNFFormula();
  explicit NNFFormula(Literal literal);

  NNFFormula(const NNFFormula& other) noexcept : node_(other.node_) { retain(node_); }
  NNFFormula(NNFFormula&& other) noexcept : node_(other.node_) { other.node_ = nullptr; }
  NNFFormula& operator=(const NNFFormula& other) noexcept {
    retain(other.node_);
    drop(node_);
    node_ = other.node_;
    return *this;
  }
  NNFFormula& operator=(NNFFormula&& other) noexcept {
    if (this != &other) {
      drop(node_);
      node_ = other.node_;
      other.node_ = nullptr;
    }
    return *this;
  }
  // Frees the nodes that only this handle kept alive. Never allocates and never recurses, so
  // freeing works however deep the formula and however little memory is left.
  ~NNFFormula() { drop(node_); }

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
  bool is_junction() const noexcept { return kind() == Kind::And || kind() == Kind::Or; }
  bool is_temporal() const noexcept { return is_temporal(kind()); }
  bool is_true() const noexcept { return is_literal() && node_->value.is_true(); }
  bool is_false() const noexcept { return is_literal() && node_->value.is_false(); }
  // An `Until` whose lhs is `True`.
  bool is_eventually() const noexcept { return kind() == Kind::Until && lhs().is_true(); }

  // Accessors; each is meaningful only for the kinds named.
  const Literal& literal() const noexcept { return node_->literal(); }                // Literal
  std::span<const NNFFormula> members() const noexcept { return node_->operands(); }  // And, Or
  Interval interval() const noexcept { return node_->interval; }             // temporal kinds
  const NNFFormula& lhs() const noexcept { return node_->operands()[0]; }    // Until
  const NNFFormula& rhs() const noexcept { return node_->operands()[1]; }    // Until
  const NNFFormula& child() const noexcept { return node_->operands()[0]; }  // Globally

  // The direct operands: none for a literal, the members in order for `And` and `Or`, lhs then
  // rhs for `Until`, the child for `Globally`.
  std::span<const NNFFormula> subformulas() const noexcept { return node_->operands(); }
  // A formula of the same kind and interval over other operands (as many, in the same order),
  // built by the simplifying constructor of the kind. A literal, having none, is returned as is.
  NNFFormula with_operands(std::vector<NNFFormula> operands) const;
  // Where the formula reads its operands, relative to the step it is evaluated at: its interval
  // for a temporal operator, that step alone for `And` and `Or` (and for literals).
  Interval operand_window() const noexcept {
    return is_temporal() ? interval() : Interval::singleton(0);
  }

  std::size_t hash() const noexcept { return node_->hash; }
  std::uint32_t depth() const noexcept { return node_->depth; }
  // The number of nodes of the formula written out as a tree, every shared operand counted at
  // each place it occurs (saturating at the largest 64-bit value).
  std::uint64_t tree_size() const noexcept { return node_->tree_size; }
  // Whether both handles share one node (a cheap sufficient test for equality).
  bool same_node(const NNFFormula& other) const noexcept { return node_ == other.node_; }
  // The address of the node: the same for handles that share it, and no other node's while a
  // handle to it lives. For memos keyed by node identity.
  const void* identity() const noexcept { return node_; }
  // Whether other handles refer to the node too. A node with a single handle has one parent, so
  // a walk reaches it along one path only, and a memo need not keep it.
  bool is_shared() const noexcept { return node_->references.load(std::memory_order_relaxed) > 1; }

  // Structural equality and order. Large formulas are walked with an explicit stack that
  // remembers the pairs of nodes compared, so comparing costs at most the product of the two
  // formulas' node counts and no more stack for deep formulas than for shallow ones.
  friend bool operator==(const NNFFormula& a, const NNFFormula& b);
  friend std::strong_ordering operator<=>(const NNFFormula& a, const NNFFormula& b);

 private:
  // A node and its operands live in one allocation: the operand handles follow the node. The
  // count of handles is the only mutable state; `next` links nodes that are being freed.
  struct Node {
    Node(Kind kind, std::uint32_t depth, std::size_t hash, std::uint64_t tree_size,
         Interval interval, std::uint32_t count) noexcept
        : hash(hash),
          tree_size(tree_size),
          depth(depth),
          count(count),
          kind(kind),
          interval(interval) {}
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    ~Node() {}

    const Literal& literal() const noexcept { return kind == Kind::Literal ? value : no_literal(); }
    std::span<const NNFFormula> operands() const noexcept {
      return {reinterpret_cast<const NNFFormula*>(this + 1), count};
    }
    NNFFormula* mutable_operands() noexcept { return reinterpret_cast<NNFFormula*>(this + 1); }

    mutable std::atomic<std::size_t> references{1};
    mutable const Node* next = nullptr;
    std::size_t hash;
    // The number of nodes of the formula written out as a tree (saturating).
    std::uint64_t tree_size;
    std::uint32_t depth;
    std::uint32_t count;
    Kind kind;
    Interval interval;
    // The literal of a `Literal` node; left unconstructed in the others.
    union {
      Literal value;
    };
  };
  static_assert(sizeof(Node) % alignof(NNFFormula*) == 0, "operands follow the node");
  // What `literal()` gives for the nodes that are not literals.
  static const Literal& no_literal() noexcept;

  explicit NNFFormula(const Node* node) noexcept : node_(node) {}
  static void retain(const Node* node) noexcept {
    if (node != nullptr) node->references.fetch_add(1, std::memory_order_relaxed);
  }
  // Drops one handle of `node`; frees it, and every operand it held the last handle of, when it
  // was the last. Freed nodes are chained through their `next` field, so this needs no memory
  // of its own.
  static void drop(const Node* node) noexcept;
  // A node over `children` (whose handles it takes over), without simplifying.
  static NNFFormula make(Kind kind, Interval interval, std::span<NNFFormula> children);
  static NNFFormula make_junction(Kind kind, std::vector<NNFFormula> formulas);
  // The order of two large formulas of the same kind (not literals), walked with an explicit
  // stack that remembers the pairs of nodes found equal. Kept out of `operator<=>` so that the
  // recursion over small formulas stays lean.
  static std::strong_ordering compare_walk(const Node* first, const Node* second);

  const Node* node_;
};

}  // namespace corvane

template <>
struct std::hash<corvane::NNFFormula> {
  std::size_t operator()(const corvane::NNFFormula& f) const noexcept { return f.hash(); }
};
