#include "formula/nnf_formula.hpp"

#include <algorithm>
#include <array>

#include "formula/traversal.hpp"
#include "support/internal_error.hpp"
#include "support/nesting_too_deep.hpp"

namespace corvane {

namespace {

std::size_t mix(std::size_t seed, std::size_t value) noexcept {
  return seed ^ (value + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2));
}

// A stack that keeps its first N items inline, so that comparing small formulas (the common
// case when sorting members) allocates nothing.
template <class T, std::size_t N>
class SmallStack {
 public:
  bool empty() const noexcept { return size_ == 0 && spill_.empty(); }
  void push(const T& item) {
    if (size_ < N) {
      inline_[size_++] = item;
    } else {
      spill_.push_back(item);
    }
  }
  T pop() {
    if (!spill_.empty()) {
      T item = spill_.back();
      spill_.pop_back();
      return item;
    }
    return inline_[--size_];
  }

 private:
  std::array<T, N> inline_{};
  std::size_t size_ = 0;
  std::vector<T> spill_;
};

const NNFFormula& shared_true() {
  static const NNFFormula f(Literal::true_());
  return f;
}

const NNFFormula& shared_false() {
  static const NNFFormula f(Literal::false_());
  return f;
}

}  // namespace

NNFFormula::NNFFormula() : NNFFormula(shared_true()) {}

const Literal& NNFFormula::no_literal() noexcept {
  static const Literal literal = Literal::true_();
  return literal;
}

NNFFormula::NNFFormula(Literal literal) : node_(nullptr) {
  const std::size_t hash = mix(static_cast<std::size_t>(Kind::Literal), literal.hash());
  Node* node = new Node(Kind::Literal, 1, hash, Interval::empty(), 0);
  new (&node->value) Literal(std::move(literal));
  node_ = node;
}

NNFFormula NNFFormula::true_() {
  return shared_true();
}
NNFFormula NNFFormula::false_() {
  return shared_false();
}

NNFFormula NNFFormula::make(Kind kind, Interval interval, std::span<NNFFormula> children) {
  std::uint32_t depth = 0;
  std::size_t hash = mix(static_cast<std::size_t>(kind), interval.hash());
  for (const auto& c : children) {
    depth = std::max(depth, c.depth());
    hash = mix(hash, c.hash());
  }
  if (depth >= kMaxNestingDepth) {
    throw NestingTooDeep("formula nesting exceeds the maximum depth of " +
                         std::to_string(kMaxNestingDepth) + " levels");
  }
  const auto count = static_cast<std::uint32_t>(children.size());
  check(count == children.size(), "a formula has more operands than a node can hold");
  void* storage = ::operator new(sizeof(Node) + count * sizeof(NNFFormula));
  Node* node = new (storage) Node(kind, depth + 1, hash, interval, count);
  NNFFormula* operands = node->mutable_operands();
  for (std::uint32_t i = 0; i < count; ++i) new (operands + i) NNFFormula(std::move(children[i]));
  return NNFFormula(node);
}

void NNFFormula::drop(const Node* node) noexcept {
  if (node == nullptr || node->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  // Nodes whose last handle is gone, chained through `next`. Freeing one drops a handle of each
  // operand, which may add the operand here: a loop instead of a recursion per level.
  const Node* dying = node;
  node->next = nullptr;
  while (dying != nullptr) {
    Node* current = const_cast<Node*>(dying);  // created non-const by `make`
    dying = current->next;
    NNFFormula* operands = current->mutable_operands();
    for (std::uint32_t i = 0; i < current->count; ++i) {
      const Node* operand = operands[i].node_;
      operands[i].node_ = nullptr;
      if (operand->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        operand->next = dying;
        dying = operand;
      }
    }
    if (current->kind == Kind::Literal) current->value.~Literal();
    current->~Node();
    ::operator delete(current);
  }
}

// `and_` and `or_` differ only in which constant is neutral and which absorbs.
NNFFormula NNFFormula::make_junction(Kind kind, std::vector<NNFFormula> formulas) {
  const bool is_and = kind == Kind::And;
  // The absorbing constant decides the result, and a single remaining argument is the result
  // (an `And` given to `and_` is already flat, sorted and free of duplicates), so neither needs
  // the member set built.
  std::size_t kept = 0;
  std::size_t total = 0;
  NNFFormula* only = nullptr;
  for (auto& f : formulas) {
    if (is_and ? f.is_true() : f.is_false()) continue;
    if (is_and ? f.is_false() : f.is_true()) return f;
    ++kept;
    only = &f;
    total += f.kind() == kind ? f.members().size() : 1;
  }
  if (kept == 0) return is_and ? true_() : false_();
  if (kept == 1) return std::move(*only);

  std::vector<NNFFormula> members;
  members.reserve(total);
  for (auto& f : formulas) {
    if (is_and ? f.is_true() : f.is_false()) continue;
    if (f.kind() == kind) {
      members.insert(members.end(), f.members().begin(), f.members().end());
    } else {
      members.push_back(std::move(f));
    }
  }
  std::sort(members.begin(), members.end());
  members.erase(std::unique(members.begin(), members.end()), members.end());
  if (members.size() == 1) return std::move(members.front());
  return make(kind, Interval::empty(), members);
}

NNFFormula NNFFormula::and_(std::vector<NNFFormula> formulas) {
  return make_junction(Kind::And, std::move(formulas));
}

NNFFormula NNFFormula::or_(std::vector<NNFFormula> formulas) {
  return make_junction(Kind::Or, std::move(formulas));
}

NNFFormula NNFFormula::until(NNFFormula lhs, Interval interval, NNFFormula rhs) {
  if (rhs.is_false() || interval.is_empty()) return false_();
  if (rhs.is_true()) return true_();
  if (lhs.is_false() || interval.is_singleton()) {
    const TimeStep c = interval.lb();
    return c == 0 ? rhs : globally(Interval::singleton(c), std::move(rhs));
  }
  NNFFormula operands[] = {std::move(lhs), std::move(rhs)};
  return make(Kind::Until, interval, operands);
}

NNFFormula NNFFormula::globally(Interval interval, NNFFormula formula) {
  if (formula.is_true() || interval.is_empty()) return true_();
  if (formula.is_false()) return false_();
  if (interval == Interval::singleton(0)) return formula;
  return make(Kind::Globally, interval, std::span<NNFFormula>(&formula, 1));
}

NNFFormula NNFFormula::release(NNFFormula lhs, Interval interval, NNFFormula rhs) {
  // Over an empty window a release demands nothing, whatever its operands: it is the negation
  // of an until over an empty window, which is false.
  if (interval.is_empty() || rhs.is_true()) return true_();
  if (rhs.is_false()) return false_();
  if (lhs.is_true() || interval.is_singleton()) {
    const TimeStep c = interval.lb();
    return c == 0 ? rhs : globally(Interval::singleton(c), std::move(rhs));
  }
  // rhs throughout the interval, or rhs until lhs and rhs hold together.
  NNFFormula always_rhs = globally(interval, rhs);
  NNFFormula both = and_({std::move(lhs), rhs});
  NNFFormula rhs_until_both = until(std::move(rhs), interval, std::move(both));
  return or_({std::move(always_rhs), std::move(rhs_until_both)});
}

NNFFormula NNFFormula::negated(const NNFFormula& formula) {
  if (formula.is_literal()) return NNFFormula(formula.literal().negation());
  // Each node is negated once, so a shared operand (the rhs a release holds three times) costs
  // one negation however often it occurs, and the negation shares it in turn.
  NodeMemo<NNFFormula> negations;
  return fold(
      formula, negations,
      [](const NNFFormula& f, std::span<const NNFFormula* const> negated_operands) {
        switch (f.kind()) {
          case Kind::Literal:
            return NNFFormula(f.literal().negation());
          case Kind::And:
          case Kind::Or: {
            std::vector<NNFFormula> members;
            members.reserve(negated_operands.size());
            for (const NNFFormula* m : negated_operands) members.push_back(*m);
            return f.kind() == Kind::And ? or_(std::move(members)) : and_(std::move(members));
          }
          case Kind::Until:
            return release(*negated_operands[0], f.interval(), *negated_operands[1]);
          case Kind::Globally:
            return until(true_(), f.interval(), *negated_operands[0]);
        }
        throw InternalError("internal error: entered unreachable code: unknown formula kind");
      });
}

NNFFormula NNFFormula::with_operands(std::vector<NNFFormula> operands) const {
  check(operands.size() == subformulas().size(),
        "a formula was rebuilt with another number of operands");
  switch (kind()) {
    case Kind::Literal:
      return *this;
    case Kind::And:
      return and_(std::move(operands));
    case Kind::Or:
      return or_(std::move(operands));
    case Kind::Until:
      return until(std::move(operands[0]), interval(), std::move(operands[1]));
    case Kind::Globally:
      return globally(interval(), std::move(operands[0]));
  }
  throw InternalError("internal error: entered unreachable code: unknown formula kind");
}

NNFFormula NNFFormula::next(std::uint32_t delay, NNFFormula formula) {
  if (delay == 0) return formula;
  return globally(Interval::singleton(delay), std::move(formula));
}

NNFFormula NNFFormula::implication(const NNFFormula& lhs, NNFFormula rhs) {
  NNFFormula not_lhs = negated(lhs);
  return or_({std::move(not_lhs), std::move(rhs)});
}

// Formulas at most this deep are compared recursively, which is faster; the recursion stays
// within a few kilobytes of stack. Deeper ones are walked with an explicit stack.
constexpr std::uint32_t kRecursiveCompareDepth = 64;

bool operator==(const NNFFormula& a, const NNFFormula& b) {
  using Node = NNFFormula::Node;
  if (a.node_ == b.node_) return true;
  {
    const Node& x = *a.node_;
    const Node& y = *b.node_;
    if (x.hash != y.hash || x.kind != y.kind || x.depth != y.depth) return false;
    if (x.depth <= kRecursiveCompareDepth) {
      if (x.kind == NNFFormula::Kind::Literal) return x.value == y.value;
      const auto xs = x.operands();
      const auto ys = y.operands();
      return x.interval == y.interval && std::equal(xs.begin(), xs.end(), ys.begin(), ys.end());
    }
  }
  // Pairs of nodes still to compare; equal subtrees that share a node are skipped.
  SmallStack<std::pair<const Node*, const Node*>, 32> pending;
  pending.push({a.node_, b.node_});
  while (!pending.empty()) {
    const auto [x, y] = pending.pop();
    if (x == y) continue;
    if (x->hash != y->hash || x->kind != y->kind || x->depth != y->depth) return false;
    if (x->kind == NNFFormula::Kind::Literal) {
      if (!(x->value == y->value)) return false;
      continue;
    }
    if (x->interval != y->interval || x->count != y->count) return false;
    for (std::size_t i = 0; i < x->count; ++i) {
      pending.push({x->operands()[i].node_, y->operands()[i].node_});
    }
  }
  return true;
}

std::strong_ordering operator<=>(const NNFFormula& a, const NNFFormula& b) {
  using Node = NNFFormula::Node;
  const Node* first = a.node_;
  const Node* second = b.node_;
  if (first == second) return std::strong_ordering::equal;
  if (auto c = first->kind <=> second->kind; c != 0) return c;
  if (first->kind == NNFFormula::Kind::Literal) return first->value <=> second->value;
  if (std::min(first->depth, second->depth) <= kRecursiveCompareDepth) {
    // Every step of this recursion descends in both formulas, so it ends within the smaller
    // depth.
    const Node& x = *first;
    const Node& y = *second;
    switch (x.kind) {
      case NNFFormula::Kind::And:
      case NNFFormula::Kind::Or:
        return std::lexicographical_compare_three_way(x.operands().begin(), x.operands().end(),
                                                      y.operands().begin(), y.operands().end());
      case NNFFormula::Kind::Until:
        if (auto c = x.operands()[0] <=> y.operands()[0]; c != 0) return c;
        if (auto c = x.interval <=> y.interval; c != 0) return c;
        return x.operands()[1] <=> y.operands()[1];
      case NNFFormula::Kind::Globally:
        if (auto c = x.interval <=> y.interval; c != 0) return c;
        return x.operands()[0] <=> y.operands()[0];
      case NNFFormula::Kind::Literal:
        break;
    }
  }

  // The fields still to compare, in order on a stack (the next one on top): pairs of nodes,
  // pairs of intervals, and the member counts that decide when one member list is a prefix of
  // the other.
  struct Step {
    enum class What : std::uint8_t { Nodes, Intervals, Counts } what;
    const Node* x;
    const Node* y;
  };
  SmallStack<Step, 32> pending;
  pending.push({Step::What::Nodes, first, second});
  while (!pending.empty()) {
    const Step step = pending.pop();
    const Node* x = step.x;
    const Node* y = step.y;
    switch (step.what) {
      case Step::What::Intervals:
        if (auto c = x->interval <=> y->interval; c != 0) return c;
        continue;
      case Step::What::Counts:
        if (auto c = x->count <=> y->count; c != 0) return c;
        continue;
      case Step::What::Nodes:
        break;
    }
    if (x == y) continue;
    if (auto c = x->kind <=> y->kind; c != 0) return c;
    switch (x->kind) {
      case NNFFormula::Kind::Literal:
        if (auto c = x->value <=> y->value; c != 0) return c;
        break;
      case NNFFormula::Kind::And:
      case NNFFormula::Kind::Or: {
        // Members pairwise in order; then the shorter list first.
        pending.push({Step::What::Counts, x, y});
        const std::size_t common = std::min(x->count, y->count);
        for (std::size_t i = common; i-- > 0;) {
          pending.push({Step::What::Nodes, x->operands()[i].node_, y->operands()[i].node_});
        }
        break;
      }
      case NNFFormula::Kind::Until:  // lhs, interval, rhs
        pending.push({Step::What::Nodes, x->operands()[1].node_, y->operands()[1].node_});
        pending.push({Step::What::Intervals, x, y});
        pending.push({Step::What::Nodes, x->operands()[0].node_, y->operands()[0].node_});
        break;
      case NNFFormula::Kind::Globally:  // interval, child
        pending.push({Step::What::Nodes, x->operands()[0].node_, y->operands()[0].node_});
        pending.push({Step::What::Intervals, x, y});
        break;
    }
  }
  return std::strong_ordering::equal;
}

}  // namespace corvane
