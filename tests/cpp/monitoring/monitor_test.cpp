#include "monitoring/monitor.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "monitoring/step_semantics.hpp"

namespace corvane {
namespace {

using testing::sequence_of;
using testing::Step;
using testing::StepSignal;
constexpr Kleene T = Kleene::True;
constexpr Kleene U = Kleene::Unknown;
constexpr Kleene F = Kleene::False;

const AtomicProposition p = AtomicProposition::new_("p");
const AtomicProposition q = AtomicProposition::new_("q");
const AtomicProposition r = AtomicProposition::new_("r");
const AtomicProposition absent = AtomicProposition::with_parameter("speed", "car1");

NNFFormula pos(const AtomicProposition& a) {
  return NNFFormula::positive(a);
}
NNFFormula neg(const AtomicProposition& a) {
  return NNFFormula::negative(a);
}

struct MonitorExample {
  const char* name;
  NNFFormula formula;
  NormalizedSequence<Kleene> expected;
};

TEST(Monitor, Examples) {
  const Monitor monitor({{p, sequence_of<Kleene>({{0, U}, {4, T}})},
                         {q, sequence_of<Kleene>({{0, T}, {3, F}, {5, T}})}},
                        Kleene::Unknown);
  const MonitorExample examples[] = {
      {"p", pos(p), sequence_of<Kleene>({{0, U}, {4, T}})},
      {"not p", neg(p), sequence_of<Kleene>({{0, U}, {4, F}})},
      {"absent", pos(absent), NormalizedSequence<Kleene>::uniform(U)},
      {"not absent", neg(absent), NormalizedSequence<Kleene>::uniform(U)},
      {"true", NNFFormula::true_(), NormalizedSequence<Kleene>::uniform(T)},
      {"false", NNFFormula::false_(), NormalizedSequence<Kleene>::uniform(F)},
      {"q and absent", NNFFormula::and_({pos(q), pos(absent)}),
       sequence_of<Kleene>({{0, U}, {3, F}, {5, U}})},
      {"q or absent", NNFFormula::or_({pos(q), pos(absent)}),
       sequence_of<Kleene>({{0, T}, {3, U}, {5, T}})},
      {"not q or absent", NNFFormula::or_({neg(q), pos(absent)}),
       sequence_of<Kleene>({{0, U}, {3, T}, {5, U}})},
      // Eventually p within [1, 2]: surely from step 2, possibly before.
      {"eventually p", NNFFormula::eventually(Interval::bounded(1, 2), pos(p)),
       sequence_of<Kleene>({{0, U}, {2, T}})},
      // Always q within [0, 1]: q fails at 3 and 4.
      {"always q", NNFFormula::globally(Interval::bounded(0, 1), pos(q)),
       sequence_of<Kleene>({{0, T}, {2, F}, {5, T}})},
  };
  for (const auto& [name, formula, expected] : examples) {
    const auto result = monitor.evaluate(formula);
    ASSERT_TRUE(result.contains(formula)) << name;
    EXPECT_EQ(result.at(formula), expected) << name;
  }
}

TEST(Monitor, OneEntryPerDistinctSubformula) {
  const Monitor monitor({}, Kleene::Unknown);
  EXPECT_EQ(monitor.evaluate(pos(p)).size(), 1u);
  // p occurs in both disjunctions but is one entry: And, p ∨ q, p ∨ r, p, q, r.
  const NNFFormula formula =
      NNFFormula::and_({NNFFormula::or_({pos(p), pos(q)}), NNFFormula::or_({pos(p), pos(r)})});
  const auto result = monitor.evaluate(formula);
  EXPECT_EQ(result.size(), 6u);
  EXPECT_TRUE(result.contains(pos(p)));  // a separately built, structurally equal key

  // A signal map filled beforehand is reused, not recomputed.
  Monitor::SignalMap signals{{pos(p), KleeneMonitorSequence::uniform(Kleene::True)}};
  monitor.compute_satisfaction_signals(NNFFormula::or_({pos(p), pos(q)}), signals);
  EXPECT_EQ(signals.at(NNFFormula::or_({pos(p), pos(q)})).to_kleene(),
            NormalizedSequence<Kleene>::uniform(T));
}

TEST(Monitor, MissingPropositionWithoutDefaultIsAnInternalError) {
  const Monitor monitor({{p, NormalizedSequence<Kleene>::uniform(T)}}, std::nullopt);
  EXPECT_EQ(monitor.evaluate(pos(p)).at(pos(p)), NormalizedSequence<Kleene>::uniform(T));
  for (const NNFFormula& formula : {pos(absent), NNFFormula::and_({pos(p), neg(absent)})}) {
    try {
      (void)monitor.evaluate(formula);
      ADD_FAILURE() << "expected InternalError";
    } catch (const InternalError& e) {
      EXPECT_STREQ(e.what(),
                   "Missing trace value for atomic proposition speed(car1), but no default "
                   "specified!");
    }
  }
}

// --- Randomized comparison with step-by-step semantics ---

NNFFormula random_formula(std::mt19937& rng, int depth) {
  const AtomicProposition props[] = {p, q, r, absent};
  std::uniform_int_distribution<int> pick_prop(0, 3);
  const int choice = std::uniform_int_distribution<int>(0, depth == 0 ? 1 : 9)(rng);
  const auto sub = [&] { return random_formula(rng, depth - 1); };
  switch (choice) {
    case 0:
      return std::bernoulli_distribution(0.1)(rng)
                 ? NNFFormula(std::bernoulli_distribution(0.5)(rng) ? Literal::true_()
                                                                    : Literal::false_())
                 : pos(props[pick_prop(rng)]);
    case 1:
      return neg(props[pick_prop(rng)]);
    case 2:
      return NNFFormula::and_({sub(), sub()});
    case 3:
      return NNFFormula::or_({sub(), sub(), sub()});
    case 4:
    case 5: {
      NNFFormula lhs = sub();
      return NNFFormula::until(std::move(lhs), testing::random_small_interval(rng), sub());
    }
    case 6:
      return NNFFormula::globally(testing::random_small_interval(rng), sub());
    case 7: {
      NNFFormula lhs = sub();
      return NNFFormula::release(std::move(lhs), testing::random_small_interval(rng), sub());
    }
    case 8:
      return NNFFormula::eventually(testing::random_small_interval(rng), sub());
    default:
      return NNFFormula::next(std::uniform_int_distribution<std::uint32_t>(0, 3)(rng), sub());
  }
}

// Per-step evaluation of a formula over signals of values V, with the operators supplied by the
// caller. Memoised per structurally distinct subformula.
template <class V>
class StepEvaluator {
 public:
  using Steps = StepSignal<V>;
  struct Semantics {
    std::function<Steps(const Literal&)> literal;
    std::function<V(V, V)> and_;
    std::function<V(V, V)> or_;
    std::function<Steps(const Steps&, const Interval&, const Steps&)> until;
    std::function<Steps(const Steps&, const Interval&)> globally;
  };

  explicit StepEvaluator(Semantics semantics) : semantics_(std::move(semantics)) {}

  const Steps& operator()(const NNFFormula& formula) {
    if (auto it = memo_.find(formula); it != memo_.end()) return it->second;
    Steps result;
    switch (formula.kind()) {
      case NNFFormula::Kind::Literal:
        result = semantics_.literal(formula.literal());
        break;
      case NNFFormula::Kind::And:
      case NNFFormula::Kind::Or: {
        const auto& op = formula.kind() == NNFFormula::Kind::And ? semantics_.and_ : semantics_.or_;
        result = (*this)(formula.members()[0]);
        for (const NNFFormula& member : formula.members().subspan(1)) {
          const Steps& other = (*this)(member);
          result = Steps::tabulate([&](Step t) { return op(result.at(t), other.at(t)); });
        }
        break;
      }
      case NNFFormula::Kind::Until:
        result =
            semantics_.until((*this)(formula.lhs()), formula.interval(), (*this)(formula.rhs()));
        break;
      case NNFFormula::Kind::Globally:
        result = semantics_.globally((*this)(formula.child()), formula.interval());
        break;
    }
    return memo_.emplace(formula, std::move(result)).first->second;
  }

  const std::unordered_map<NNFFormula, Steps>& evaluated() const { return memo_; }

 private:
  Semantics semantics_;
  std::unordered_map<NNFFormula, Steps> memo_;
};

StepSignal<bool> where(const StepSignal<Kleene>& s, std::function<bool(Kleene)> f) {
  return StepSignal<bool>::tabulate([&](Step t) { return f(s.at(t)); });
}

StepSignal<Kleene> from_approximations(const StepSignal<bool>& over,
                                       const StepSignal<bool>& under) {
  return StepSignal<Kleene>::tabulate([&](Step t) { return under.at(t) ? T : over.at(t) ? U : F; });
}

// Three-valued semantics per step: strong Kleene for literals, and, or; a temporal operator is
// evaluated on the over-approximations (value not False) and the under-approximations (value
// True) of its operands separately.
StepEvaluator<Kleene>::Semantics kleene_semantics(const KleeneTrace& trace) {
  const auto not_false = [](Kleene v) { return v != F; };
  const auto is_true = [](Kleene v) { return v == T; };
  return {
      .literal =
          [&trace](const Literal& literal) {
            const auto value_of = [&](Step t) {
              if (literal.is_constant()) return literal.is_true() ? T : F;
              const auto it = trace.find(literal.proposition());
              const Kleene v =
                  it == trace.end() ? U : it->second.value_at(static_cast<TimeStep>(t));
              if (literal.kind() == Literal::Kind::Positive || v == U) return v;
              return v == T ? F : T;
            };
            return StepSignal<Kleene>::tabulate(value_of);
          },
      .and_ = [](Kleene a,
                 Kleene b) { return (a == F || b == F)   ? F
                                    : (a == U || b == U) ? U
                                                         : T; },
      .or_ = [](Kleene a, Kleene b) { return (a == T || b == T)   ? T
                                             : (a == U || b == U) ? U
                                                                  : F; },
      .until =
          [=](const StepSignal<Kleene>& lhs, const Interval& interval,
              const StepSignal<Kleene>& rhs) {
            return from_approximations(
                testing::until_steps(where(lhs, not_false), interval, where(rhs, not_false)),
                testing::until_steps(where(lhs, is_true), interval, where(rhs, is_true)));
          },
      .globally =
          [=](const StepSignal<Kleene>& phi, const Interval& interval) {
            return from_approximations(testing::globally_steps(where(phi, not_false), interval),
                                       testing::globally_steps(where(phi, is_true), interval));
          },
  };
}

// Two-valued semantics per step over a trace of booleans.
StepEvaluator<bool>::Semantics boolean_semantics(
    const std::unordered_map<AtomicProposition, StepSignal<bool>>& trace) {
  return {
      .literal =
          [&trace](const Literal& literal) {
            if (literal.is_constant()) {
              return StepSignal<bool>::tabulate([&](Step) { return literal.is_true(); });
            }
            const StepSignal<bool>& value = trace.at(literal.proposition());
            const bool positive = literal.kind() == Literal::Kind::Positive;
            return StepSignal<bool>::tabulate([&](Step t) { return value.at(t) == positive; });
          },
      .and_ = [](bool a, bool b) { return a && b; },
      .or_ = [](bool a, bool b) { return a || b; },
      .until = testing::until_steps,
      .globally = testing::globally_steps,
  };
}

// A boolean trace that agrees with `trace` wherever it is known and picks values at random where
// it is not (one value for the whole constant middle of time).
std::unordered_map<AtomicProposition, StepSignal<bool>> random_completion(const KleeneTrace& trace,
                                                                          std::mt19937& rng) {
  std::unordered_map<AtomicProposition, StepSignal<bool>> result;
  for (const AtomicProposition& a : {p, q, r, absent}) {
    const auto it = trace.find(a);
    const auto known = it == trace.end() ? StepSignal<Kleene>::tabulate([](Step) { return U; })
                                         : StepSignal<Kleene>::of(it->second);
    const bool middle = std::bernoulli_distribution(0.5)(rng);
    result.emplace(a, StepSignal<bool>::tabulate([&](Step t) {
                     if (known.at(t) != U) return known.at(t) == T;
                     const bool in_middle =
                         t >= testing::kHorizon && t < kMaxTime - testing::kHorizon;
                     return in_middle ? middle : std::bernoulli_distribution(0.5)(rng);
                   }));
  }
  return result;
}

void collect_subformulas(const NNFFormula& formula, std::unordered_set<NNFFormula>& out) {
  if (!out.insert(formula).second) return;
  for (const NNFFormula& sub : formula.subformulas()) collect_subformulas(sub, out);
}

TEST(Monitor, AgreesWithStepSemanticsAndIsSoundForEveryCompletion) {
  std::mt19937 rng(1234);
  const std::vector<Kleene> values{T, U, F};
  for (int round = 0; round < 600; ++round) {
    KleeneTrace trace;
    for (const AtomicProposition& a : {p, q, r}) {
      trace.emplace(
          a, testing::random_sequence<Kleene>(rng, values, std::bernoulli_distribution(0.5)(rng)));
    }
    const NNFFormula formula = random_formula(rng, 4);
    const auto result = Monitor(trace, Kleene::Unknown).evaluate(formula);
    std::unordered_set<NNFFormula> subformulas;
    collect_subformulas(formula, subformulas);
    ASSERT_EQ(result.size(), subformulas.size());

    StepEvaluator<Kleene> expected(kleene_semantics(trace));
    expected(formula);
    std::vector<StepEvaluator<bool>> completions;
    std::vector<std::unordered_map<AtomicProposition, StepSignal<bool>>> completed_traces;
    for (int i = 0; i < 3; ++i) completed_traces.push_back(random_completion(trace, rng));
    for (const auto& completed : completed_traces) {
      completions.emplace_back(boolean_semantics(completed));
      completions.back()(formula);
    }

    for (const auto& entry : result) {
      const NNFFormula& subformula = entry.first;
      const NormalizedSequence<Kleene>& signal = entry.second;
      SCOPED_TRACE(::testing::Message() << "round " << round << ", subformula kind "
                                        << static_cast<int>(subformula.kind()) << ": " << signal);
      const StepSignal<Kleene>& reference = expected.evaluated().at(subformula);
      ASSERT_TRUE(reference.middle_is_constant());
      EXPECT_TRUE(testing::agrees_with(signal, reference));
      // Whatever the unknown values really are, a decided value must be the true one.
      for (const StepEvaluator<bool>& completion : completions) {
        const StepSignal<bool>& actual = completion.evaluated().at(subformula);
        testing::for_each_edge_step([&](Step t) {
          const Kleene v = signal.value_at(static_cast<TimeStep>(t));
          if (v != U) {
            EXPECT_EQ(actual.at(t), v == T) << "step " << t;
          }
        });
      }
    }
  }
}

}  // namespace
}  // namespace corvane
