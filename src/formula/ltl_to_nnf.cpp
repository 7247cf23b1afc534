#include "formula/ltl_to_nnf.hpp"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "support/internal_error.hpp"
#include "support/interruption.hpp"

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
  enum class Op : std::uint8_t { Convert, And, Or, Temporal, Next };
  Op op;
  const Formula* formula = nullptr;
  bool negated = false;
  const ltl::TemporalOperator* temporal = nullptr;  // for `Temporal`: the operator built
  Interval interval = Interval::empty();
  TimeStep delay = 0;
  std::size_t count = 0;
};

class Converter {
 public:
  NNFFormula run(const Formula& formula) {
    convert_later(std::span<const Formula>(&formula, 1), false);
    while (!tasks_.empty()) {
      poll_interrupt();
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
    if (const ltl::TemporalOperator* op = ltl::temporal_operator(f.kind())) {
      // ¬(a U b) is ¬a R ¬b, ¬G φ is F ¬φ: the dual over the negated operands.
      Task task{Task::Op::Temporal};
      task.temporal = negated ? ltl::temporal_operator(op->dual) : op;
      task.interval = f.interval();
      task.count = f.subformulas().size();
      tasks_.push_back(task);
      convert_later(f.subformulas(), negated);
      return;
    }
    if (junction_kind(f, negated)) {
      convert_junction(f, negated);
      return;
    }
    if (f.kind() == Kind::Atom) {
      results_.push_back(negated ? NNFFormula::negative(f.proposition())
                                 : NNFFormula::positive(f.proposition()));
      return;
    }
    if (f.kind() == Kind::True || f.kind() == Kind::False) {
      results_.push_back((f.kind() == Kind::True) != negated ? NNFFormula::true_()
                                                             : NNFFormula::false_());
      return;
    }
    if (f.kind() == Kind::Next) {
      schedule(Task::Op::Next, Interval::empty(), f.delay(), 1);
      convert_later(f.subformulas(), negated);
      return;
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
      poll_interrupt_every(operands.size());
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
  void convert_later(std::span<const Formula> operands, bool negated) {
    for (auto it = operands.rbegin(); it != operands.rend(); ++it) {
      tasks_.push_back(conversion(&*it, negated));
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
      case Task::Op::Temporal:
        return task.temporal->to_nnf(task.interval, operands);
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
