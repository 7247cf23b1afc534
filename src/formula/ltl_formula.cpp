#include "formula/ltl.hpp"

#include <algorithm>
#include <utility>

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

Formula Formula::until(Formula lhs, Interval interval, Formula rhs) {
  return make(Kind::Until, pair_of(std::move(lhs), std::move(rhs)), interval);
}

Formula Formula::release(Formula lhs, Interval interval, Formula rhs) {
  return make(Kind::Release, pair_of(std::move(lhs), std::move(rhs)), interval);
}

Formula Formula::globally(Interval interval, Formula formula) {
  return make(Kind::Globally, one(std::move(formula)), interval);
}

Formula Formula::finally_(Interval interval, Formula formula) {
  return make(Kind::Finally, one(std::move(formula)), interval);
}

Formula Formula::next(TimeStep delay, Formula formula) {
  return make(Kind::Next, one(std::move(formula)), Interval::empty(), delay);
}

// Releasing the last handle of a node would destroy its children recursively. Instead, nodes that
// are about to die are taken apart here one at a time: children that this node alone holds are
// moved onto an explicit stack before the node itself is freed.
Formula::~Formula() {
  if (!node_ || node_->children.empty() || node_.use_count() != 1) return;
  std::vector<std::shared_ptr<Node>> dying;
  dying.push_back(std::move(node_));
  while (!dying.empty()) {
    std::shared_ptr<Node> node = std::move(dying.back());
    dying.pop_back();
    for (Formula& child : node->children) {
      if (child.node_ && !child.node_->children.empty() && child.node_.use_count() == 1) {
        dying.push_back(std::move(child.node_));
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
    switch (x.kind) {
      case Kind::Atom:
        if (step == 0) {
          field = *x.atom <=> *y.atom;
        } else {
          done = true;
        }
        break;
      case Kind::True:
      case Kind::False:
        done = true;
        break;
      case Kind::And:
      case Kind::Or: {
        const std::size_t shared = std::min(x.children.size(), y.children.size());
        if (step < shared) {
          child = step;
        } else if (step == shared) {
          field = x.children.size() <=> y.children.size();
        } else {
          done = true;
        }
        break;
      }
      case Kind::Not:
      case Kind::Implies:
        if (step < x.children.size()) {
          child = step;
        } else {
          done = true;
        }
        break;
      case Kind::Until:
      case Kind::Release:
        if (step == 0) {
          child = 0;
        } else if (step == 1) {
          field = x.interval <=> y.interval;
        } else if (step == 2) {
          child = 1;
        } else {
          done = true;
        }
        break;
      case Kind::Globally:
      case Kind::Finally:
      case Kind::Next:
        if (step == 0) {
          field = x.kind == Kind::Next ? x.delay <=> y.delay : x.interval <=> y.interval;
        } else if (step == 1) {
          child = 0;
        } else {
          done = true;
        }
        break;
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

namespace corvane {

namespace {

using ltl::Formula;
using Kind = Formula::Kind;

// Skips `Not` nodes, flipping the polarity once per node.
const Formula& strip_negations(const Formula* formula, bool& negated) {
  while (formula->kind() == Kind::Not) {
    formula = &formula->child();
    negated = !negated;
  }
  return *formula;
}

// Whether `formula` under the given polarity becomes a conjunction (`And`) or a disjunction
// (`Or`) of its operands, if it becomes either.
std::optional<NNFFormula::Kind> junction_kind(const Formula& formula, bool negated) {
  switch (formula.kind()) {
    case Kind::And:
      return negated ? NNFFormula::Kind::Or : NNFFormula::Kind::And;
    case Kind::Or:
    case Kind::Implies:
      return negated ? NNFFormula::Kind::And : NNFFormula::Kind::Or;
    default:
      return std::nullopt;
  }
}

// One unit of work of the conversion. `Convert` pushes the NNF form of `formula` (under the
// polarity `negated`) onto the result stack; the other operations pop their converted operands
// from it and push the combined formula.
struct Task {
  enum class Op : std::uint8_t { Convert, And, Or, Until, Release, Globally, Eventually, Next };
  Op op;
  const Formula* formula = nullptr;
  bool negated = false;
  Interval interval = Interval::empty();
  TimeStep delay = 0;
  std::size_t count = 0;
};

class Converter {
 public:
  NNFFormula run(const Formula& formula) {
    convert_later({&formula}, false);
    while (!tasks_.empty()) {
      const Task task = tasks_.back();
      tasks_.pop_back();
      if (task.op == Task::Op::Convert) {
        convert(*task.formula, task.negated);
      } else {
        combine(task);
      }
    }
    check(results_.size() == 1, "formula conversion left an unbalanced result stack");
    return std::move(results_.back());
  }

 private:
  void convert(const Formula& original, bool negated) {
    const Formula& f = strip_negations(&original, negated);
    switch (f.kind()) {
      case Kind::Atom:
        results_.push_back(negated ? NNFFormula::negative(f.proposition())
                                   : NNFFormula::positive(f.proposition()));
        return;
      case Kind::True:
      case Kind::False:
        results_.push_back((f.kind() == Kind::True) != negated ? NNFFormula::true_()
                                                               : NNFFormula::false_());
        return;
      case Kind::And:
      case Kind::Or:
      case Kind::Implies:
        convert_junction(f, negated);
        return;
      case Kind::Until:
      case Kind::Release: {
        // ¬(a U b) is ¬a R ¬b and ¬(a R b) is ¬a U ¬b.
        const bool is_until = (f.kind() == Kind::Until) != negated;
        schedule(is_until ? Task::Op::Until : Task::Op::Release, f.interval(), 0, 2);
        convert_later({&f.lhs(), &f.rhs()}, negated);
        return;
      }
      case Kind::Globally:
      case Kind::Finally: {
        // ¬G φ is F ¬φ and ¬F φ is G ¬φ.
        const bool is_globally = (f.kind() == Kind::Globally) != negated;
        schedule(is_globally ? Task::Op::Globally : Task::Op::Eventually, f.interval(), 0, 1);
        convert_later({&f.child()}, negated);
        return;
      }
      case Kind::Next:
        schedule(Task::Op::Next, Interval::empty(), f.delay(), 1);
        convert_later({&f.child()}, negated);
        return;
      case Kind::Not:
        break;
    }
    throw InternalError("internal error: entered unreachable code: negation left after stripping");
  }

  // Nested operands that become the same kind of junction are collected into one flat operand
  // list, so a chain `a & b & c & ...` (a left-nested tree) is converted without one step per
  // nesting level. `and`/`or` flatten nested conjunctions/disjunctions anyway, so the result is
  // the same as converting level by level.
  void convert_junction(const Formula& f, bool negated) {
    const NNFFormula::Kind kind = *junction_kind(f, negated);
    std::vector<std::pair<const Formula*, bool>> operands;
    std::vector<std::pair<const Formula*, bool>> pending{{&f, negated}};
    while (!pending.empty()) {
      auto [node, node_negated] = pending.back();
      pending.pop_back();
      const Formula& g = strip_negations(node, node_negated);
      if (junction_kind(g, node_negated) != kind) {
        operands.emplace_back(&g, node_negated);
        continue;
      }
      if (g.kind() == Kind::Implies) {
        // a -> b is ¬a | b; ¬(a -> b) is a & ¬b.
        pending.emplace_back(&g.rhs(), node_negated);
        pending.emplace_back(&g.lhs(), !node_negated);
      } else {
        for (auto m = g.members().rbegin(); m != g.members().rend(); ++m) {
          pending.emplace_back(&*m, node_negated);
        }
      }
    }
    schedule(kind == NNFFormula::Kind::And ? Task::Op::And : Task::Op::Or, Interval::empty(), 0,
             operands.size());
    for (auto it = operands.rbegin(); it != operands.rend(); ++it) {
      tasks_.push_back(conversion(it->first, it->second));
    }
  }

  static Task conversion(const Formula* formula, bool negated) {
    Task task{Task::Op::Convert};
    task.formula = formula;
    task.negated = negated;
    return task;
  }

  void schedule(Task::Op op, Interval interval, TimeStep delay, std::size_t count) {
    Task task{op};
    task.interval = interval;
    task.delay = delay;
    task.count = count;
    tasks_.push_back(task);
  }

  // Operands are converted in the order given (lhs before rhs).
  void convert_later(std::initializer_list<const Formula*> operands, bool negated) {
    for (auto it = std::rbegin(operands); it != std::rend(operands); ++it) {
      tasks_.push_back(conversion(*it, negated));
    }
  }

  void combine(const Task& task) {
    check(results_.size() >= task.count, "formula conversion lost an operand");
    std::vector<NNFFormula> operands(std::make_move_iterator(results_.end() - task.count),
                                     std::make_move_iterator(results_.end()));
    results_.resize(results_.size() - task.count);
    results_.push_back(build(task, std::move(operands)));
  }

  static NNFFormula build(const Task& task, std::vector<NNFFormula> operands) {
    switch (task.op) {
      case Task::Op::And:
        return NNFFormula::and_(std::move(operands));
      case Task::Op::Or:
        return NNFFormula::or_(std::move(operands));
      case Task::Op::Until:
        return NNFFormula::until(std::move(operands[0]), task.interval, std::move(operands[1]));
      case Task::Op::Release:
        return NNFFormula::release(std::move(operands[0]), task.interval, std::move(operands[1]));
      case Task::Op::Globally:
        return NNFFormula::globally(task.interval, std::move(operands[0]));
      case Task::Op::Eventually:
        return NNFFormula::eventually(task.interval, std::move(operands[0]));
      case Task::Op::Next:
        return NNFFormula::next(task.delay, std::move(operands[0]));
      case Task::Op::Convert:
        break;
    }
    throw InternalError("internal error: entered unreachable code: conversion task");
  }

  std::vector<Task> tasks_;
  std::vector<NNFFormula> results_;
};

}  // namespace

NNFFormula to_nnf(const ltl::Formula& formula) {
  return Converter().run(formula);
}

}  // namespace corvane
