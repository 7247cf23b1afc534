#include "monitoring/monitor.hpp"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "formula/traversal.hpp"
#include "support/internal_error.hpp"
#include "support/interruption.hpp"

namespace corvane {

namespace {

// Combines all operands with `op` pairwise, level by level: every change point takes part in
// O(log n) merges, where folding left to right would merge the growing accumulator n times.
// `op` is associative and commutative pointwise, so the result equals the left fold.
template <class Op>
KleeneMonitorSequence reduce_balanced(std::span<const KleeneMonitorSequence* const> operands, Op op,
                                      Kleene neutral) {
  if (operands.empty()) return KleeneMonitorSequence::uniform(neutral);
  if (operands.size() == 1) return *operands.front();
  std::vector<KleeneMonitorSequence> level;
  level.reserve(operands.size() / 2 + 1);
  for (std::size_t i = 0; i + 1 < operands.size(); i += 2) {
    level.push_back(op(*operands[i], *operands[i + 1]));
  }
  if (operands.size() % 2 == 1) level.push_back(*operands.back());
  while (level.size() > 1) {
    std::vector<KleeneMonitorSequence> next;
    next.reserve(level.size() / 2 + 1);
    for (std::size_t i = 0; i + 1 < level.size(); i += 2) {
      next.push_back(op(level[i], level[i + 1]));
    }
    if (level.size() % 2 == 1) next.push_back(std::move(level.back()));
    level = std::move(next);
  }
  return std::move(level.front());
}

}  // namespace

Monitor::Monitor(KleeneTrace trace, std::optional<Kleene> default_value)
    : trace_(std::move(trace)), default_value_(default_value) {}

void Monitor::compute_satisfaction_signals(const NNFFormula& formula, SignalMap& signals) const {
  fold(formula, signals,
       [this](const NNFFormula& f, std::span<const KleeneMonitorSequence* const> operands) {
         return signal(f, operands);
       });
}

std::unordered_map<NNFFormula, NormalizedSequence<Kleene>> Monitor::evaluate(
    const NNFFormula& formula) const {
  SignalMap signals;
  compute_satisfaction_signals(formula, signals);
  std::unordered_map<NNFFormula, NormalizedSequence<Kleene>> result;
  result.reserve(signals.size());
  for (const auto& [subformula, signal] : signals) {
    poll_interrupt();
    result.emplace(subformula, signal.to_kleene());
  }
  return result;
}

KleeneMonitorSequence Monitor::signal(
    const NNFFormula& formula, std::span<const KleeneMonitorSequence* const> operands) const {
  if (formula.is_literal()) {
    const Literal& literal = formula.literal();
    switch (literal.kind()) {
      case Literal::Kind::True:
        return KleeneMonitorSequence::uniform(Kleene::True);
      case Literal::Kind::False:
        return KleeneMonitorSequence::uniform(Kleene::False);
      case Literal::Kind::Positive:
        return proposition_signal(literal.proposition());
      case Literal::Kind::Negative:
        return negation(proposition_signal(literal.proposition()));
    }
    throw InternalError("Unknown formula kind");
  }
  if (formula.kind() == NNFFormula::Kind::And) {
    return reduce_balanced(
        operands,
        [](const KleeneMonitorSequence& a, const KleeneMonitorSequence& b) {
          return conjunction(a, b);
        },
        Kleene::True);
  }
  if (formula.kind() == NNFFormula::Kind::Or) {
    return reduce_balanced(
        operands,
        [](const KleeneMonitorSequence& a, const KleeneMonitorSequence& b) {
          return disjunction(a, b);
        },
        Kleene::False);
  }
  return temporal_signal(formula.kind(), formula.interval(), operands);
}

KleeneMonitorSequence Monitor::proposition_signal(const AtomicProposition& proposition) const {
  if (const auto it = trace_.find(proposition); it != trace_.end()) {
    return KleeneMonitorSequence::from_kleene(it->second);
  }
  if (default_value_) return KleeneMonitorSequence::uniform(*default_value_);
  throw InternalError("Missing trace value for atomic proposition " + proposition.display() +
                      ", but no default specified!");
}

}  // namespace corvane
