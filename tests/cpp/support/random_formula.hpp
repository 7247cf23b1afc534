// Seeded random formulas and windows for property tests and benchmarks.
//
// One generator serves every test: a `FormulaShape` says which propositions, operators, windows
// and nesting depths to use, and the same draws build either a formula in negation normal form or
// an LTL syntax tree. Every draw is sequenced explicitly (never two in one argument list), so a
// seed gives the same formulas under every compiler.
#pragma once

#include <algorithm>
#include <cstddef>
#include <random>
#include <type_traits>
#include <utility>
#include <vector>

#include "formula/atomic_proposition.hpp"
#include "formula/ltl_formula.hpp"
#include "formula/nnf_formula.hpp"
#include "time/interval.hpp"
#include "time/time_step.hpp"

namespace corvane::testing {

// What random windows look like: empty, unbounded and singleton windows in the given shares, the
// rest bounded (where singletons may occur too). A bound is drawn from [0, max_lb], or with
// probability `far` from `kFarBounds`, which reach the last time step; the upper bound of a
// bounded window is lb + [0, max_width], or with probability `far` again a far bound.
struct WindowShape {
  TimeStep max_lb = 4;
  TimeStep max_width = 4;
  double empty = 0.0;
  double unbounded = 0.25;
  double singleton = 0.0;
  double far = 0.0;
};

// Bounds up to 10, sometimes empty, a singleton or unbounded: a few of them nested stay well
// inside the gap of `StepGrid::edges()`.
inline constexpr WindowShape kShortWindows = {
    .max_lb = 6, .max_width = 4, .empty = 0.1, .unbounded = 0.2, .singleton = 0.1};

inline constexpr TimeStep kFarBounds[] = {1u << 31, kMaxTime - 70, kMaxTime - 1, kMaxTime};

inline TimeStep far_bound(std::mt19937& rng) {
  return kFarBounds[std::uniform_int_distribution<std::size_t>(0, std::size(kFarBounds) - 1)(rng)];
}

inline Interval random_window(std::mt19937& rng, const WindowShape& shape) {
  const auto far = [&] { return std::bernoulli_distribution(shape.far)(rng); };
  const double kind = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
  if (kind < shape.empty) return Interval::empty();
  const TimeStep lb =
      far() ? far_bound(rng) : std::uniform_int_distribution<TimeStep>(0, shape.max_lb)(rng);
  if (kind < shape.empty + shape.unbounded) return Interval::unbounded(lb);
  if (kind < shape.empty + shape.unbounded + shape.singleton) return Interval::singleton(lb);
  const TimeStep other =
      far() ? far_bound(rng)
            : saturating_add(lb, std::uniform_int_distribution<TimeStep>(0, shape.max_width)(rng));
  return Interval::bounded(std::min(lb, other), std::max(lb, other));
}

// The operators a random formula may use; listing one several times makes it more frequent.
enum class Operator { And, Or, Implication, Negation, Until, Release, Globally, Eventually, Next };

inline const std::vector<Operator> kAllOperators = {
    Operator::And,      Operator::Or,         Operator::Implication,
    Operator::Negation, Operator::Until,      Operator::Release,
    Operator::Globally, Operator::Eventually, Operator::Next};

struct FormulaShape {
  std::vector<AtomicProposition> propositions;
  std::vector<Operator> operators = kAllOperators;
  // Each formula nests operators up to a depth drawn from [min_depth, max_depth]; above the
  // deepest level a position holds a literal anyway with probability `leaf`.
  int min_depth = 0;
  int max_depth = 3;
  double leaf = 0.2;
  // Shares of the constants true and false among literals, and of negations among the others.
  double constant = 0.0;
  double negative = 0.5;
  // A conjunction or disjunction gets 2 to max_members operands; a next waits 0 to max_delay.
  int max_members = 2;
  TimeStep max_delay = 3;
  WindowShape windows;
};

inline std::vector<AtomicProposition> atomic_propositions(
    std::initializer_list<const char*> names) {
  std::vector<AtomicProposition> result;
  for (const char* name : names) result.push_back(AtomicProposition::new_(name));
  return result;
}

// Formulas in negation normal form (F = NNFFormula) or LTL syntax trees (F = ltl::Formula).
template <class F>
class RandomFormulas {
  static constexpr bool kSyntaxTree = std::is_same_v<F, ltl::Formula>;

 public:
  RandomFormulas(std::mt19937& rng, FormulaShape shape) : rng_(rng), shape_(std::move(shape)) {}

  const FormulaShape& shape() const { return shape_; }

  // A formula nesting operators up to a depth drawn from the shape's range.
  F operator()() { return formula(pick(shape_.min_depth, shape_.max_depth)); }

  F formula(int depth) {
    if (depth <= 0 || chance(shape_.leaf)) return literal();
    const Operator op = shape_.operators[pick<std::size_t>(0, shape_.operators.size() - 1)];
    std::vector<F> operands;
    const int count = op == Operator::And || op == Operator::Or ? pick(2, shape_.max_members)
                      : binary(op)                              ? 2
                                                                : 1;
    for (int i = 0; i < count; ++i) operands.push_back(formula(depth - 1));
    return apply(op, std::move(operands));
  }

  F literal() {
    if (chance(shape_.constant)) return chance(0.5) ? F::true_() : F::false_();
    const AtomicProposition& p =
        shape_.propositions[pick<std::size_t>(0, shape_.propositions.size() - 1)];
    const bool positive = !chance(shape_.negative);
    if constexpr (kSyntaxTree) {
      return positive ? F::atom(p) : F::not_(F::atom(p));
    } else {
      return positive ? F::positive(p) : F::negative(p);
    }
  }

  Interval window() { return random_window(rng_, shape_.windows); }

  // `op` over `operands` (as many as it takes), with a window or delay drawn for it.
  F apply(Operator op, std::vector<F> operands) {
    F& a = operands[0];
    if constexpr (kSyntaxTree) {
      switch (op) {
        case Operator::And:
        case Operator::Or:  // binary junctions, nested to the left
          for (std::size_t i = 1; i < operands.size(); ++i) {
            a = op == Operator::And ? F::and_(a, operands[i]) : F::or_(a, operands[i]);
          }
          return a;
        case Operator::Implication:
          return F::implies(a, operands[1]);
        case Operator::Negation:
          return F::not_(a);
        case Operator::Eventually:
          return F::finally_(window(), a);
        default:
          break;
      }
    } else {
      switch (op) {
        case Operator::And:
          return F::and_(std::move(operands));
        case Operator::Or:
          return F::or_(std::move(operands));
        case Operator::Implication:
          return F::implication(a, operands[1]);
        case Operator::Negation:
          return F::negated(a);
        case Operator::Eventually:
          return F::eventually(window(), a);
        default:
          break;
      }
    }
    switch (op) {  // the constructors that both kinds of formula share
      case Operator::Until:
        return F::until(a, window(), operands[1]);
      case Operator::Release:
        return F::release(a, window(), operands[1]);
      case Operator::Globally:
        return F::globally(window(), a);
      case Operator::Next:
        return F::next(pick<TimeStep>(0, shape_.max_delay), a);
      default:
        return a;
    }
  }

  static bool binary(Operator op) {
    return op == Operator::And || op == Operator::Or || op == Operator::Implication ||
           op == Operator::Until || op == Operator::Release;
  }

  bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }
  template <class T = int>
  T pick(T lo, T hi) {
    return std::uniform_int_distribution<T>(lo, hi)(rng_);
  }

 private:
  std::mt19937& rng_;
  FormulaShape shape_;
};

}  // namespace corvane::testing
