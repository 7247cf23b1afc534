// The reference meaning of formulas: every subformula evaluated step by step over a trace, by
// scanning each operator's window, with none of the change-point machinery the library uses.
//
// Until(φ, I, ψ) holds at t when ψ holds at some t' with t' - t in I and φ holds at every s with
// t + lb(I) <= s < t'; Globally(I, φ) holds at t when φ holds at every t + i with i in I (always
// for an empty I).
//
// Values are booleans or three-valued. Three-valued conjunction and disjunction are strong Kleene;
// a temporal operator is evaluated on its operands' over-approximations (not false) and
// under-approximations (true) separately, which is what a monitor can decide without
// enumerating completions.
#pragma once

#include <map>
#include <unordered_map>
#include <utility>

#include "formula/atomic_proposition.hpp"
#include "formula/literal.hpp"
#include "formula/nnf_formula.hpp"
#include "sequence/normalized_sequence.hpp"
#include "support/step_signal.hpp"
#include "time/interval.hpp"
#include "truth_values/kleene.hpp"

namespace corvane::testing {

// until(lhs, I, rhs) at step t.
inline bool until_at(const StepSignal<bool>& lhs, const Interval& interval,
                     const StepSignal<bool>& rhs, Step t) {
  if (interval.is_empty()) return false;
  const Step first = t + interval.lb();
  const Step last = interval.is_bounded() ? t + interval.ub() : std::max<Step>(first, kMaxTime);
  for (Step s = first; s <= last; s = lhs.grid.next(s)) {
    if (rhs.at(s)) return true;
    if (!lhs.at(s)) return false;
  }
  return false;
}

// globally(φ, I) at step t.
inline bool globally_at(const StepSignal<bool>& phi, const Interval& interval, Step t) {
  if (interval.is_empty()) return true;
  const Step first = t + interval.lb();
  const Step last = interval.is_bounded() ? t + interval.ub() : std::max<Step>(first, kMaxTime);
  for (Step s = first; s <= last; s = phi.grid.next(s)) {
    if (!phi.at(s)) return false;
  }
  return true;
}

inline StepSignal<bool> until_signal(const StepSignal<bool>& lhs, const Interval& interval,
                                     const StepSignal<bool>& rhs) {
  return StepSignal<bool>::tabulate(lhs.grid,
                                    [&](Step t) { return until_at(lhs, interval, rhs, t); });
}
inline StepSignal<bool> globally_signal(const StepSignal<bool>& phi, const Interval& interval) {
  return StepSignal<bool>::tabulate(phi.grid,
                                    [&](Step t) { return globally_at(phi, interval, t); });
}

// The steps where a three-valued signal may hold (over-approximation) or surely holds.
inline StepSignal<bool> approximation(const StepSignal<Kleene>& s, bool over) {
  return StepSignal<bool>::tabulate(
      s.grid, [&](Step t) { return over ? s.at(t) != Kleene::False : s.at(t) == Kleene::True; });
}
inline StepSignal<Kleene> from_approximations(const StepSignal<bool>& over,
                                              const StepSignal<bool>& under) {
  return StepSignal<Kleene>::tabulate(over.grid, [&](Step t) {
    return under.at(t) ? Kleene::True : over.at(t) ? Kleene::Unknown : Kleene::False;
  });
}

inline StepSignal<Kleene> until_signal(const StepSignal<Kleene>& lhs, const Interval& interval,
                                       const StepSignal<Kleene>& rhs) {
  const auto bound = [&](bool over) {
    return until_signal(approximation(lhs, over), interval, approximation(rhs, over));
  };
  return from_approximations(bound(true), bound(false));
}
inline StepSignal<Kleene> globally_signal(const StepSignal<Kleene>& phi, const Interval& interval) {
  return from_approximations(globally_signal(approximation(phi, true), interval),
                             globally_signal(approximation(phi, false), interval));
}

inline bool value_of(bool value, bool) {
  return value;
}
inline Kleene value_of(bool value, Kleene) {
  return value ? Kleene::True : Kleene::False;
}
inline bool negated_value(bool v) {
  return !v;
}
inline Kleene negated_value(Kleene v) {
  return v == Kleene::Unknown ? v : v == Kleene::True ? Kleene::False : Kleene::True;
}
inline bool and_value(bool a, bool b) {
  return a && b;
}
inline Kleene and_value(Kleene a, Kleene b) {
  if (a == Kleene::False || b == Kleene::False) return Kleene::False;
  return a == Kleene::Unknown || b == Kleene::Unknown ? Kleene::Unknown : Kleene::True;
}
template <class V>
V or_value(V a, V b) {
  return negated_value(and_value(negated_value(a), negated_value(b)));
}

// Per proposition its values over the grid's steps.
template <class V>
using StepTrace = std::map<AtomicProposition, StepSignal<V>>;

template <class V>
StepTrace<V> step_trace(StepGrid grid,
                        const std::unordered_map<AtomicProposition, NormalizedSequence<V>>& trace) {
  StepTrace<V> result;
  for (const auto& [p, sequence] : trace) result.emplace(p, StepSignal<V>::of(grid, sequence));
  return result;
}

// Evaluates formulas over one trace, each structurally distinct subformula once.
template <class V>
class StepEvaluator {
 public:
  // `absent` is the value at every step of a proposition that `trace` does not name.
  StepEvaluator(StepGrid grid, StepTrace<V> trace, V absent)
      : grid_(grid), trace_(std::move(trace)), absent_(absent) {}

  V at(const NNFFormula& formula, Step t) { return (*this)(formula).at(t); }

  const StepSignal<V>& operator()(const NNFFormula& formula) {
    if (auto it = memo_.find(formula); it != memo_.end()) return it->second;
    StepSignal<V> result = compute(formula);
    return memo_.emplace(formula, std::move(result)).first->second;
  }

  // Every subformula evaluated so far.
  const std::unordered_map<NNFFormula, StepSignal<V>>& evaluated() const { return memo_; }

 private:
  StepSignal<V> compute(const NNFFormula& formula) {
    switch (formula.kind()) {
      case NNFFormula::Kind::Literal:
        return literal(formula.literal());
      case NNFFormula::Kind::And:
      case NNFFormula::Kind::Or: {
        const bool conjunction = formula.kind() == NNFFormula::Kind::And;
        StepSignal<V> result = (*this)(formula.members()[0]);
        for (const NNFFormula& member : formula.members().subspan(1)) {
          const StepSignal<V>& other = (*this)(member);
          result = StepSignal<V>::tabulate(grid_, [&](Step t) {
            return conjunction ? and_value(result.at(t), other.at(t))
                               : or_value(result.at(t), other.at(t));
          });
        }
        return result;
      }
      case NNFFormula::Kind::Until: {
        const StepSignal<V>& lhs = (*this)(formula.lhs());
        return until_signal(lhs, formula.interval(), (*this)(formula.rhs()));
      }
      case NNFFormula::Kind::Globally:
        return globally_signal((*this)(formula.child()), formula.interval());
    }
    return literal(Literal::false_());
  }

  StepSignal<V> literal(const Literal& literal) const {
    if (literal.is_constant()) {
      const V value = value_of(literal.is_true(), V{});
      return StepSignal<V>::tabulate(grid_, [&](Step) { return value; });
    }
    const auto it = trace_.find(literal.proposition());
    const bool positive = literal.kind() == Literal::Kind::Positive;
    return StepSignal<V>::tabulate(grid_, [&](Step t) {
      const V value = it == trace_.end() ? absent_ : it->second.at(t);
      return positive ? value : negated_value(value);
    });
  }

  StepGrid grid_;
  StepTrace<V> trace_;
  V absent_;
  std::unordered_map<NNFFormula, StepSignal<V>> memo_;
};

}  // namespace corvane::testing
