#include "formula/ltl_formula.hpp"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "support/internal_error.hpp"

namespace corvane::ltl {

Formula Formula::make(Kind kind, std::vector<Formula> children, Interval interval, TimeStep delay) {
  auto node = std::make_shared<Node>();
  node->kind = kind;
  node->delay = delay;
  node->interval = interval;
  node->children = std::move(children);
  return Formula(std::move(node));
}

Formula Formula::atom(AtomicProposition p) {
  auto node = std::make_shared<Node>();
  node->kind = Kind::Atom;
  node->atom = std::move(p);
  return Formula(std::move(node));
}

Formula Formula::true_() {
  return make(Kind::True, {});
}

Formula Formula::false_() {
  return make(Kind::False, {});
}

Formula Formula::not_(Formula formula) {
  std::vector<Formula> children;
  children.push_back(std::move(formula));
  return make(Kind::Not, std::move(children));
}

Formula Formula::junction(Kind kind, Formula a, Formula b) {
  const auto order = a <=> b;
  if (order == 0) return a;
  std::vector<Formula> members;
  members.reserve(2);
  if (order < 0) {
    members.push_back(std::move(a));
    members.push_back(std::move(b));
  } else {
    members.push_back(std::move(b));
    members.push_back(std::move(a));
  }
  return make(kind, std::move(members));
}

Formula Formula::and_(Formula a, Formula b) {
  return junction(Kind::And, std::move(a), std::move(b));
}

Formula Formula::or_(Formula a, Formula b) {
  return junction(Kind::Or, std::move(a), std::move(b));
}

namespace {

std::vector<Formula> pair_of(Formula lhs, Formula rhs) {
  std::vector<Formula> children;
  children.reserve(2);
  children.push_back(std::move(lhs));
  children.push_back(std::move(rhs));
  return children;
}

std::vector<Formula> one(Formula child) {
  std::vector<Formula> children;
  children.push_back(std::move(child));
  return children;
}

}  // namespace

Formula Formula::implies(Formula lhs, Formula rhs) {
  return make(Kind::Implies, pair_of(std::move(lhs), std::move(rhs)));
}

Formula Formula::temporal(Kind kind, Interval interval, std::vector<Formula> operands) {
  const TemporalOperator* op = temporal_operator(kind);
  check(op != nullptr && operands.size() == (op->infix ? 2u : 1u),
        "a syntax tree node was built as an operator with a window that it is not");
  return make(kind, std::move(operands), interval);
}

Formula Formula::until(Formula lhs, Interval interval, Formula rhs) {
  return temporal(Kind::Until, interval, pair_of(std::move(lhs), std::move(rhs)));
}

Formula Formula::release(Formula lhs, Interval interval, Formula rhs) {
  return temporal(Kind::Release, interval, pair_of(std::move(lhs), std::move(rhs)));
}

Formula Formula::globally(Interval interval, Formula formula) {
  return temporal(Kind::Globally, interval, one(std::move(formula)));
}

Formula Formula::finally_(Interval interval, Formula formula) {
  return temporal(Kind::Finally, interval, one(std::move(formula)));
}

Formula Formula::next(TimeStep delay, Formula formula) {
  return make(Kind::Next, one(std::move(formula)), Interval::empty(), delay);
}

// Releasing the last handle of a node would destroy its children recursively. Instead, nodes that
// are about to die are taken apart here one at a time: children that this node alone holds are
// chained onto a stack through their `next_dying` field before the node itself is freed. The
// stack lives in the dying nodes, so freeing never allocates (it may run when memory is short).
Formula::~Formula() {
  if (!node_ || node_->children.empty() || node_.use_count() != 1) return;
  std::shared_ptr<Node> dying = std::move(node_);
  while (dying) {
    std::shared_ptr<Node> node = std::move(dying);
    dying = std::move(node->next_dying);
    for (Formula& child : node->children) {
      if (child.node_ && !child.node_->children.empty() && child.node_.use_count() == 1) {
        child.node_->next_dying = std::move(dying);
        dying = std::move(child.node_);
      }
    }
  }
}

std::strong_ordering operator<=>(const Formula& a, const Formula& b) {
  using Kind = Formula::Kind;
  using Node = Formula::Node;
  static constexpr auto kEqual = std::strong_ordering::equal;

  // One frame per pair of nodes under comparison; `step` walks their fields in declaration order.
  struct Frame {
    const Node* x;
    const Node* y;
    std::size_t step;
  };
  std::vector<Frame> stack;
  auto enter = [&stack](const Node* x, const Node* y) {
    if (x == y) return kEqual;
    if (auto c = x->kind <=> y->kind; c != 0) return c;
    stack.push_back({x, y, 0});
    return kEqual;
  };

  if (auto c = enter(a.node_.get(), b.node_.get()); c != 0) return c;
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const Node& x = *frame.x;
    const Node& y = *frame.y;
    const std::size_t step = frame.step++;
    std::strong_ordering field = kEqual;
    std::optional<std::size_t> child;  // index of the child pair to compare next
    bool done = false;
    // Nodes of one kind have as many children (`And` and `Or` always two), and the interval and
    // the delay of the kinds without them are equal. So every kind but `Atom` compares the
    // children before the last, the interval and the delay, then the last child.
    const std::size_t count = x.children.size();
    const std::size_t last = count == 0 ? 0 : count - 1;
    if (x.kind == Kind::Atom) {
      if (step == 0) {
        field = *x.atom <=> *y.atom;
      } else {
        done = true;
      }
    } else if (count != y.children.size()) {
      field = count <=> y.children.size();
    } else if (step < last) {
      child = step;
    } else if (step == last) {
      field = x.interval <=> y.interval;
      if (field == 0) field = x.delay <=> y.delay;
    } else if (step == last + 1 && count > 0) {
      child = last;
    } else {
      done = true;
    }
    if (field != 0) return field;
    if (done) {
      stack.pop_back();
    } else if (child) {
      if (auto c = enter(x.children[*child].node_.get(), y.children[*child].node_.get()); c != 0) {
        return c;
      }
    }
  }
  return kEqual;
}

bool operator==(const Formula& a, const Formula& b) {
  return (a <=> b) == 0;
}

}  // namespace corvane::ltl
