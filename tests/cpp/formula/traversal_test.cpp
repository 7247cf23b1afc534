#include "formula/traversal.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "builders.hpp"
#include "formula/printing.hpp"

namespace corvane {
namespace {

using F = NNFFormula;

const F a = test::p("a");
const F b = test::p("b");
const F c = test::p("c");
const Interval window = Interval::bounded(1, 3);

// Releases nested `levels` deep: each level holds the previous one three times, so there are
// 3^levels paths to the innermost operand but only four new nodes per level.
F nested_releases(int levels) {
  F f = a;
  for (int i = 0; i < levels; ++i) f = F::release(i % 2 == 0 ? b : a, window, f);
  return f;
}

// The infix text of a formula, folded from its operands' texts.
std::string text(const F& f, std::span<const std::string* const> operands) {
  if (f.is_literal()) return f.literal().display();
  const char* separator = f.kind() == F::Kind::And  ? " & "
                          : f.kind() == F::Kind::Or ? " | "
                                                    : " U ";
  if (f.kind() == F::Kind::Globally) return "G " + *operands[0];
  std::string out = "(";
  for (std::size_t i = 0; i < operands.size(); ++i) out += (i == 0 ? "" : separator) + *operands[i];
  return out + ")";
}

TEST(Rebuild, BuildsThroughTheConstructorOfTheKindAndKeepsUnchangedNodes) {
  struct Case {
    F formula;
    F from;  // every operand equal to `from` becomes `to`
    F to;
    F expected;
  };
  const std::vector<Case> cases = {
      {F::and_({a, b}), b, F::true_(), a},
      {F::or_({a, b}), a, b, b},
      {F::until(a, window, b), b, F::false_(), F::false_()},
      {F::until(a, window, b), a, c, F::until(c, window, b)},
      {F::eventually(window, b), b, c, F::eventually(window, c)},
      {F::globally(window, a), a, b, F::globally(window, b)},
      {F::globally(window, a), a, F::false_(), F::false_()},
  };
  for (const Case& k : cases) {
    const auto map = [&](const F& operand) { return operand == k.from ? k.to : operand; };
    EXPECT_EQ(rebuild(k.formula, map), k.expected) << to_debug_string(k.formula);
    std::vector<F> mapped;
    std::vector<const F*> operands;
    for (const F& operand : k.formula.subformulas()) mapped.push_back(map(operand));
    for (const F& operand : mapped) operands.push_back(&operand);
    EXPECT_EQ(rebuild(k.formula, operands), k.expected) << to_debug_string(k.formula);
    // Mapping every operand to itself gives back the very node.
    EXPECT_TRUE(rebuild(k.formula, [](const F& operand) { return operand; }).same_node(k.formula));
  }
}

TEST(Fold, ComputesEveryNodeOnceHoweverManyPathsLeadToIt) {
  constexpr int kLevels = 12;  // 3^12 paths: a walk without memo is slow but still ends
  std::unordered_set<const void*> computed;
  std::size_t recomputed = 0;
  NodeMemo<std::size_t> memo;
  fold(nested_releases(kLevels), memo, [&](const F& f, std::span<const std::size_t* const>) {
    if (!computed.insert(f.identity()).second) ++recomputed;
    return computed.size();
  });
  EXPECT_EQ(recomputed, 0u);
  EXPECT_EQ(computed.size(), 2u + 4u * kLevels);  // a, b and four nodes per level

  // Negation folds too: the negation has a few nodes per level, not one per path.
  std::size_t nodes = 0;
  NodeMemo<int> count;
  fold(F::negated(nested_releases(kLevels)), count,
       [&](const F&, std::span<const int* const>) { return static_cast<int>(++nodes); });
  EXPECT_LT(nodes, 20u * kLevels);
}

TEST(Fold, FormulaMemoHoldsOneEntryPerDistinctSubformulaAndIsReused) {
  // Two equal operands built apart, so that they are different nodes.
  const F formula = F::until(F::or_({a, b}), window, F::or_({test::p("a"), b}));
  FormulaMemo<std::string> memo{{a, "A"}};
  std::vector<std::string> computed;
  const auto combine = [&](const F& f, std::span<const std::string* const> operands) {
    computed.push_back(text(f, operands));
    return computed.back();
  };
  EXPECT_EQ(fold(formula, memo, combine), "((A | b) U (A | b))");
  EXPECT_EQ(computed, (std::vector<std::string>{"b", "(A | b)", "((A | b) U (A | b))"}));
  EXPECT_EQ(memo.size(), 4u);

  // A later fold into the same memo computes only what is new.
  computed.clear();
  EXPECT_EQ(fold(F::globally(window, formula), memo, combine), "G ((A | b) U (A | b))");
  EXPECT_EQ(computed, std::vector<std::string>{"G ((A | b) U (A | b))"});
}

}  // namespace
}  // namespace corvane
