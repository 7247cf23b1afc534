#include "monitoring/kleene_monitor_sequence.hpp"

#include "support/internal_error.hpp"
#include "support/small_vector.hpp"

namespace corvane {

KleeneMonitorSequence KleeneMonitorSequence::uniform(Kleene value) {
  return {BooleanSignal::uniform(value != Kleene::False),
          BooleanSignal::uniform(value == Kleene::True)};
}

KleeneMonitorSequence KleeneMonitorSequence::from_kleene(const NormalizedSequence<Kleene>& values) {
  return {values.transform([](Kleene v) { return v != Kleene::False; }),
          values.transform([](Kleene v) { return v == Kleene::True; })};
}

NormalizedSequence<Kleene> KleeneMonitorSequence::to_kleene() const {
  return combine(overapproximation, underapproximation, [](bool over, bool under) {
    if (under) {
      if (!over) {
        throw InternalError(
            "internal error: entered unreachable code: Overapproximation is always more true "
            "than underapproximation");
      }
      return Kleene::True;
    }
    return over ? Kleene::Unknown : Kleene::False;
  });
}

KleeneMonitorSequence negation(const KleeneMonitorSequence& signal) {
  return {negation(signal.underapproximation), negation(signal.overapproximation)};
}

KleeneMonitorSequence conjunction(const KleeneMonitorSequence& a, const KleeneMonitorSequence& b) {
  return lifted([](const BooleanSignal& x, const BooleanSignal& y) { return conjunction(x, y); }, a,
                b);
}

KleeneMonitorSequence disjunction(const KleeneMonitorSequence& a, const KleeneMonitorSequence& b) {
  return lifted([](const BooleanSignal& x, const BooleanSignal& y) { return disjunction(x, y); }, a,
                b);
}

KleeneMonitorSequence until(const KleeneMonitorSequence& lhs, const Interval& interval,
                            const KleeneMonitorSequence& rhs) {
  return lifted(
      [&](const BooleanSignal& l, const BooleanSignal& r) { return until(l, interval, r); }, lhs,
      rhs);
}

KleeneMonitorSequence globally(const KleeneMonitorSequence& signal, const Interval& interval) {
  return lifted([&](const BooleanSignal& s) { return globally(s, interval); }, signal);
}

KleeneMonitorSequence temporal_signal(NNFFormula::Kind kind, const Interval& interval,
                                      std::span<const KleeneMonitorSequence* const> operands) {
  // Operators take one or two operands: their components' addresses stay inline.
  SmallVector<const BooleanSignal*, 2> over;
  SmallVector<const BooleanSignal*, 2> under;
  for (const KleeneMonitorSequence* operand : operands) {
    over.push_back(&operand->overapproximation);
    under.push_back(&operand->underapproximation);
  }
  return {temporal_signal(kind, interval, std::span(over.data(), over.size())),
          temporal_signal(kind, interval, std::span(under.data(), under.size()))};
}

}  // namespace corvane
