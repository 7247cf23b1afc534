#include "monitoring/relevance.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "builders.hpp"
#include "formula/printing.hpp"
#include "sets/interval_set.hpp"
#include "support/random_formula.hpp"

namespace corvane {
namespace {

using Steps = std::vector<std::pair<TimeStep, std::vector<std::string>>>;

AtomicProposition ap(const char* name) {
  return AtomicProposition::new_(name);
}

const NNFFormula a = test::p("a");
const NNFFormula b = test::p("b");
const Interval all = Interval::unbounded(0);

// One unit per (step, proposition) entry, at most 50'000'000.
constexpr ListingCost kEntries{0, 1, 0, 50'000'000};

// The answer listed per step, as the Python binding lists it.
Steps listed(const RelevantAps& answer) {
  Steps steps;
  for (const RelevantAps::Span& span : answer.spans) {
    std::vector<std::string> texts;
    for (std::size_t i = span.members_begin; i < span.members_end; ++i) {
      texts.push_back(answer.texts.at(answer.members.at(i)));
    }
    for (std::uint64_t t = span.first; t <= span.last; ++t) {
      steps.emplace_back(static_cast<TimeStep>(t), texts);
    }
  }
  return steps;
}

Steps relevant(const NNFFormula& f, TimeStep end, TimeStep start = 0) {
  return listed(relevant_aps(f, start, end, kEntries));
}

TEST(RelevantAps, ListsThePropositionsOfEachStepInTheWindow) {
  using Texts = std::vector<std::string>;
  const NNFFormula g24 = NNFFormula::globally(Interval::bounded(2, 4), a);
  EXPECT_EQ(relevant(a, 0), (Steps{{0, Texts{"a"}}}));
  EXPECT_EQ(relevant(g24, 3), (Steps{{2, Texts{"a"}}, {3, Texts{"a"}}}));
  EXPECT_EQ(relevant(g24, 1), Steps{});
  EXPECT_EQ(relevant(g24, 3, 4), Steps{});
  EXPECT_EQ(relevant(g24, 10, 4), (Steps{{4, Texts{"a"}}}));
  // The lhs of an until is relevant over the whole shifted interval, including its last step.
  const Texts ab{"a", "b"};
  EXPECT_EQ(relevant(NNFFormula::until(a, Interval::bounded(1, 3), b), 10),
            (Steps{{1, ab}, {2, ab}, {3, ab}}));
  EXPECT_EQ(relevant(NNFFormula::and_({a, test::n("a")}), 0), (Steps{{0, Texts{"a"}}}));
  // Windows add up through nested operators; texts use the display form.
  const NNFFormula nested = NNFFormula::globally(
      Interval::singleton(2),
      NNFFormula::or_({NNFFormula::positive(AtomicProposition::with_parameter("p", "x y")),
                       NNFFormula::eventually(Interval::bounded(1, 2), b)}));
  EXPECT_EQ(relevant(nested, 100), (Steps{{2, Texts{"p(x y)"}}, {3, Texts{"b"}}, {4, Texts{"b"}}}));
  EXPECT_EQ(relevant(NNFFormula::eventually(Interval::unbounded(5), a), 7, 3),
            (Steps{{5, Texts{"a"}}, {6, Texts{"a"}}, {7, Texts{"a"}}}));
  EXPECT_EQ(relevant(NNFFormula::true_(), 5), Steps{});
  // A shared subformula is needed at every window that reaches it: x = G[1, 2] a at step 0 (a at
  // 1 and 2), at 5 and 6 through the until (a at 6 to 8) and at 10 and 11 (a at 11 to 13).
  const NNFFormula x = NNFFormula::globally(Interval::bounded(1, 2), a);
  const NNFFormula shared = NNFFormula::and_({x, NNFFormula::globally(Interval::bounded(10, 11), x),
                                              NNFFormula::until(b, Interval::bounded(5, 6), x)});
  EXPECT_EQ(relevant(shared, 20), (Steps{{1, {"a"}},
                                         {2, {"a"}},
                                         {5, {"b"}},
                                         {6, ab},
                                         {7, {"a"}},
                                         {8, {"a"}},
                                         {11, {"a"}},
                                         {12, {"a"}},
                                         {13, {"a"}}}));
}

TEST(RelevantAps, PropositionsWithTheSameTextAreListedOnce) {
  const NNFFormula f =
      NNFFormula::and_({NNFFormula::positive(AtomicProposition::new_("p(x)")),
                        NNFFormula::negative(AtomicProposition::with_parameter("p", "x"))});
  EXPECT_EQ(relevant(f, 3), (Steps{{0, {"p(x)"}}}));
}

TEST(RelevantAps, WindowsSaturateAtTheLastTimeStep) {
  // kMaxTime + [1, 3] stays at kMaxTime instead of wrapping to the first steps.
  const NNFFormula f = NNFFormula::globally(Interval::singleton(kMaxTime),
                                            NNFFormula::globally(Interval::bounded(1, 3), a));
  RelevanceMap map;
  collect_aps_with_time_rec(f, Interval::singleton(0), map);
  ASSERT_EQ(map.size(), 1u);
  EXPECT_EQ(IntervalSet(map.at(ap("a"))), IntervalSet(Interval::singleton(kMaxTime)));
  EXPECT_EQ(relevant(f, kMaxTime, kMaxTime - 2), (Steps{{kMaxTime, {"a"}}}));
  EXPECT_EQ(relevant(f, 5), Steps{});

  const NNFFormula tail = NNFFormula::eventually(Interval::bounded(kMaxTime - 1, kMaxTime), b);
  EXPECT_EQ(relevant(tail, kMaxTime), (Steps{{kMaxTime - 1, {"b"}}, {kMaxTime, {"b"}}}));
}

TEST(RelevantAps, RefusesAnswersBeyondTheBudget) {
  const NNFFormula always_ab = NNFFormula::globally(all, NNFFormula::and_({a, b}));
  // 2 * 25'000'001 entries: just over the limit, counted before anything is listed.
  EXPECT_THROW(relevant_aps(always_ab, 0, 25'000'000, kEntries), ResultTooLarge);
  EXPECT_THROW(relevant_aps(always_ab, 0, kMaxTime, kEntries), ResultTooLarge);
  try {
    relevant_aps(NNFFormula::globally(all, a), 0, kMaxTime, kEntries);
    FAIL() << "no exception";
  } catch (const ResultTooLarge& e) {
    EXPECT_NE(std::string(e.what()).find("4294967296"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("50000000"), std::string::npos) << e.what();
  }
  // An ordinary window of the same formula is answered, in one span.
  const RelevantAps answer = relevant_aps(always_ab, 10, 1009, kEntries);
  EXPECT_EQ(answer.spans.size(), 1u);
  EXPECT_EQ(listed(answer).size(), 1000u);
  // Steps, entries and texts all count: 3 steps, 6 entries, "a" and "b" of one byte each.
  const ListingCost cost{100, 10, 1000, 2362};
  EXPECT_EQ(listed(relevant_aps(always_ab, 0, 2, cost)).size(), 3u);
  EXPECT_THROW(relevant_aps(always_ab, 0, 2, ListingCost{100, 10, 1000, 2361}), ResultTooLarge);
}

// a | X[2] a | X[4] (...) | X[2^k] (...), built with sharing: a few dozen nodes whose windows are
// the sums of subsets of {2, 4, ..., 2^k}, every even step up to 2^(k + 1) - 2.
NNFFormula even_steps(int k) {
  NNFFormula f = a;
  for (int i = 1; i <= k; ++i) f = NNFFormula::or_({f, NNFFormula::next(1u << i, f)});
  return f;
}

TEST(RelevantAps, WorksOutOnlyTheStepsUpToTheEndOfTheWindow) {
  const NNFFormula f = even_steps(31);
  EXPECT_EQ(relevant(f, 0), (Steps{{0, {"a"}}}));
  EXPECT_EQ(relevant(f, 7, 3), (Steps{{4, {"a"}}, {6, {"a"}}}));
  // All 2^31 windows are too many to work out, and the refusal comes before they are made.
  EXPECT_THROW(relevant(f, kMaxTime), ResultTooLarge);
  RelevanceMap map;
  EXPECT_THROW(collect_aps_with_time_rec(f, Interval::singleton(0), map), ResultTooLarge);
  // Fewer fit: 2^10 runs of one step.
  map.clear();
  collect_aps_with_time_rec(even_steps(10), Interval::singleton(0), map);
  EXPECT_EQ(IntervalSet(map.at(ap("a"))).positive_intervals().size(), 1024u);
}

// The marking as first written: every path through the formula marks its own window.
void reference_collect(const NNFFormula& f, Interval window, RelevanceMap& map) {
  if (f.is_literal()) {
    if (f.literal().is_constant()) return;
    map.try_emplace(f.literal().proposition()).first->second.set_interval(window, true);
    return;
  }
  for (const NNFFormula& operand : f.subformulas()) {
    reference_collect(operand, window + f.operand_window(), map);
  }
}

TEST(RelevantAps, AgreesWithMarkingEveryPathOnRandomFormulas) {
  std::mt19937 rng(77);
  testing::RandomFormulas<NNFFormula> random_formula(
      rng, {.propositions = testing::atomic_propositions({"a", "b", "c(x)"}),
            .max_depth = 4,
            .constant = 0.1,
            .max_members = 3,
            .windows = {.max_lb = 6, .empty = 0.1, .unbounded = 0.2, .far = 0.1}});
  for (int round = 0; round < 300; ++round) {
    const NNFFormula f = random_formula();
    RelevanceMap expected;
    reference_collect(f, Interval::singleton(0), expected);
    RelevanceMap map;
    collect_aps_with_time_rec(f, Interval::singleton(0), map);
    ASSERT_EQ(map, expected) << to_debug_string(f);

    const TimeStep start = testing::random_window(rng, {.max_lb = 12, .far = 0.2}).lb();
    const TimeStep end = saturating_add(start, std::uniform_int_distribution<TimeStep>(0, 20)(rng));
    Steps steps;
    for (std::uint64_t t = start; t <= end; ++t) {
      std::vector<std::string> texts;
      for (const auto& [proposition, marked] : expected) {
        if (marked.value_at(static_cast<TimeStep>(t))) texts.push_back(proposition.display());
      }
      std::sort(texts.begin(), texts.end());
      if (!texts.empty()) steps.emplace_back(static_cast<TimeStep>(t), texts);
    }
    ASSERT_EQ(relevant(f, end, start), steps) << to_debug_string(f) << " " << start << " " << end;
  }
}

// Releases mention their rhs three times; nested 30 deep, the formula unfolds into ~3^30 nodes
// but has only about 100 distinct subformulas.
TEST(RelevantAps, SharedSubformulasAreVisitedOnce) {
  NNFFormula f = a;
  for (int i = 0; i < 30; ++i) {
    f = NNFFormula::release(i % 2 ? a : b, Interval::bounded(1, 4), f);
  }
  const auto start = std::chrono::steady_clock::now();
  RelevanceMap map;
  collect_aps_with_time_rec(f, Interval::singleton(0), map);
  EXPECT_EQ(map.size(), 2u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace corvane
