#include "formula/nnf_formula.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <unordered_set>
#include <utility>

#include "formula/traversal.hpp"
#include "support/internal_error.hpp"
#include "support/interruption.hpp"
#include "support/nesting_too_deep.hpp"

namespace corvane {

namespace {

std::size_t mix(std::size_t seed, std::size_t value) noexcept {
  return seed ^ (value + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2));
}

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
  Node* node = new Node(Kind::Literal, 1, hash, 1, Interval::empty(), 0);
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
  std::uint64_t tree_size = 1;
  std::size_t hash = mix(static_cast<std::size_t>(kind), interval.hash());
  for (const auto& c : children) {
    depth = std::max(depth, c.depth());
    hash = mix(hash, c.hash());
    const std::uint64_t operand_size = c.node_->tree_size;
    tree_size = operand_size > UINT64_MAX - tree_size ? UINT64_MAX : tree_size + operand_size;
  }
  if (depth >= kMaxNestingDepth) {
    throw NestingTooDeep("formula nesting exceeds the maximum depth of " +
                         std::to_string(kMaxNestingDepth) + " levels");
  }
  const auto count = static_cast<std::uint32_t>(children.size());
  check(count == children.size(), "a formula has more operands than a node can hold");
  void* storage = ::operator new(sizeof(Node) + count * sizeof(NNFFormula));
  Node* node = new (storage) Node(kind, depth + 1, hash, tree_size, interval, count);
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

namespace {

// Sorts `members` by the total order of formulas. Members mostly arrive in a few long ascending
// runs: the members of a flattened junction are sorted already, and rules list their terms in
// time order. So the runs are found and merged pairwise, a comparison per member and level of
// merging, where sorting would take about log2(n) comparisons per member; comparing the large
// junctions that augmentation builds is what dominates its time. Mostly unordered input is sorted
// as it is.
void sort_members(std::vector<NNFFormula>& members) {
  const std::size_t n = members.size();
  // Sorting a few members is an insertion sort, which costs a comparison per member on sorted
  // input already.
  if (n <= 16) {
    std::sort(members.begin(), members.end());
    return;
  }
  std::vector<std::size_t> bounds{0};  // where each run starts, then the end
  for (std::size_t i = 1; i < n; ++i) {
    if (members[i] < members[i - 1]) {
      bounds.push_back(i);
      if (bounds.size() > n / 8 + 2) {
        std::sort(members.begin(), members.end());
        return;
      }
    }
  }
  bounds.push_back(n);
  const auto at = [&](std::size_t i) { return members.begin() + static_cast<std::ptrdiff_t>(i); };
  while (bounds.size() > 2) {
    std::vector<std::size_t> merged{0};
    std::size_t r = 0;
    for (; r + 2 < bounds.size(); r += 2) {
      std::inplace_merge(at(bounds[r]), at(bounds[r + 1]), at(bounds[r + 2]));
      merged.push_back(bounds[r + 2]);
    }
    if (r + 1 < bounds.size()) merged.push_back(bounds.back());  // an odd run left over
    bounds = std::move(merged);
  }
}

}  // namespace

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
  sort_members(members);
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

namespace {

using NodePair = std::pair<const void*, const void*>;

struct NodePairHash {
  std::size_t operator()(const NodePair& pair) const noexcept {
    const auto x = reinterpret_cast<std::uintptr_t>(pair.first);
    const auto y = reinterpret_cast<std::uintptr_t>(pair.second);
    return static_cast<std::size_t>((std::uint64_t{x} * 0x9E3779B97F4A7C15ull) ^ y);
  }
};

// Pairs of nodes already compared within one comparison.
using NodePairSet = std::unordered_set<NodePair, NodePairHash>;

}  // namespace

// Formulas whose tree (every path through shared operands counted) has at most this many nodes
// are compared by a plain recursion, which is fastest and stays within a few kilobytes of stack.
// Larger ones are walked with an explicit stack that remembers the pairs of nodes it has already
// compared: formulas share operands (a release holds its rhs three times), so their trees can be
// exponentially larger than their node graphs, and a walk without memory would follow every
// path.
constexpr std::uint64_t kRecursiveCompareSize = 256;

bool operator==(const NNFFormula& a, const NNFFormula& b) {
  using Node = NNFFormula::Node;
  if (a.node_ == b.node_) return true;
  const auto differ = [](const Node& x, const Node& y) {
    return x.hash != y.hash || x.kind != y.kind || x.depth != y.depth ||
           x.tree_size != y.tree_size || x.count != y.count || x.interval != y.interval ||
           (x.kind == NNFFormula::Kind::Literal && !(x.value == y.value));
  };
  {
    const Node& x = *a.node_;
    const Node& y = *b.node_;
    if (differ(x, y)) return false;
    if (x.tree_size <= kRecursiveCompareSize) {
      const auto xs = x.operands();
      const auto ys = y.operands();
      return std::equal(xs.begin(), xs.end(), ys.begin(), ys.end());
    }
  }
  // Pairs of nodes still to compare, and pairs met before: those are equal or on the way.
  std::vector<std::pair<const Node*, const Node*>> pending{{a.node_, b.node_}};
  NodePairSet seen;
  while (!pending.empty()) {
    const auto [x, y] = pending.back();
    pending.pop_back();
    poll_interrupt();
    if (x == y || !seen.insert({x, y}).second) continue;
    if (differ(*x, *y)) return false;
    for (std::size_t i = 0; i < x->count; ++i) {
      pending.emplace_back(x->operands()[i].node_, y->operands()[i].node_);
    }
  }
  return true;
}

std::strong_ordering operator<=>(const NNFFormula& a, const NNFFormula& b) {
  using Node = NNFFormula::Node;
  using Kind = NNFFormula::Kind;
  const Node* first = a.node_;
  const Node* second = b.node_;
  if (first == second) return std::strong_ordering::equal;
  if (auto c = first->kind <=> second->kind; c != 0) return c;
  if (first->kind == Kind::Literal) return first->value <=> second->value;
  if (std::min(first->tree_size, second->tree_size) > kRecursiveCompareSize) {
    return NNFFormula::compare_walk(first, second);
  }
  // Every step of this recursion descends in both formulas, so it ends within the smaller tree.
  const NNFFormula* xs = first->operands().data();
  const NNFFormula* ys = second->operands().data();
  if (!NNFFormula::is_temporal(first->kind)) {
    return std::lexicographical_compare_three_way(xs, xs + first->count, ys, ys + second->count);
  }
  // A temporal operator has a fixed number of operands; its interval comes before the last.
  const std::uint32_t last = first->count - 1;
  for (std::uint32_t i = 0; i < last; ++i) {
    if (auto c = xs[i] <=> ys[i]; c != 0) return c;
  }
  if (auto c = first->interval <=> second->interval; c != 0) return c;
  return xs[last] <=> ys[last];
}

std::strong_ordering NNFFormula::compare_walk(const Node* first, const Node* second) {
  static constexpr auto kEqual = std::strong_ordering::equal;
  // One frame per pair of nodes under comparison; `step` walks their fields in declaration
  // order. A pair whose fields all compared equal is remembered, so that the other paths to it
  // skip it.
  struct Frame {
    const Node* x;
    const Node* y;
    std::uint32_t step;
  };
  std::vector<Frame> stack;
  NodePairSet equal;
  const auto enter = [&](const Node* x, const Node* y) {
    if (x == y || equal.contains({x, y})) return kEqual;
    if (auto c = x->kind <=> y->kind; c != 0) return c;
    if (x->kind == Kind::Literal) return x->value <=> y->value;
    stack.push_back({x, y, 0});
    return kEqual;
  };
  stack.push_back({first, second, 0});
  while (!stack.empty()) {
    poll_interrupt();
    Frame& frame = stack.back();
    const Node& x = *frame.x;
    const Node& y = *frame.y;
    const std::uint32_t step = frame.step++;
    std::strong_ordering field = kEqual;
    std::uint32_t child = 0;
    bool descend = false;
    if (!NNFFormula::is_temporal(x.kind)) {  // `And` and `Or`: the members, then their number
      const std::uint32_t common = std::min(x.count, y.count);
      if (step < common) {
        child = step;
        descend = true;
      } else if (step == common) {
        field = x.count <=> y.count;
      } else {
        equal.insert({&x, &y});
        stack.pop_back();
        continue;
      }
    } else {  // the operands before the last, the interval, the last operand
      const std::uint32_t last = x.count - 1;
      if (step < last) {
        child = step;
        descend = true;
      } else if (step == last) {
        field = x.interval <=> y.interval;
      } else if (step == last + 1) {
        child = last;
        descend = true;
      } else {
        equal.insert({&x, &y});
        stack.pop_back();
        continue;
      }
    }
    if (field != 0) return field;
    if (descend) {
      if (auto c = enter(x.operands()[child].node_, y.operands()[child].node_); c != 0) return c;
    }
  }
  return kEqual;
}

}  // namespace corvane
