#include "knowledge/knowledge_sequence_builder.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "knowledge/kleene_trace.hpp"
#include "knowledge/prepared_knowledge.hpp"
#include "support/reference_knowledge.hpp"

namespace corvane {
namespace {

// Whether the interned graph is the literal-level one: the same nodes with the same
// representatives and members, the same edges in the same order, the same mapping.
::testing::AssertionResult same_graph(const KnowledgeGraph& expected,
                                      const InternedKnowledgeGraph& actual,
                                      const PropositionTable& table) {
  if (actual.graph().edges() != expected.graph().edges()) {
    return ::testing::AssertionFailure() << "edges differ";
  }
  if (actual.graph().node_count() != expected.graph().node_count()) {
    return ::testing::AssertionFailure() << "node counts differ";
  }
  for (NodeIndex node = 0; node < expected.graph().node_count(); ++node) {
    const auto& want = expected.class_of(node);
    const auto& have = actual.class_of(node);
    std::unordered_set<Literal> members;
    for (LiteralId member : have.literals) members.insert(table.literal(member));
    if (table.literal(have.representative) != want.representative || members != want.literals) {
      return ::testing::AssertionFailure() << "class " << node << " differs";
    }
  }
  if (actual.literal_nodes().size() != expected.literal_nodes().size()) {
    return ::testing::AssertionFailure() << "mapped literals differ";
  }
  for (const auto& [literal, node] : expected.literal_nodes()) {
    const auto id = table.id_of(literal);
    if (!id || actual.node_of(*id) != node) {
      return ::testing::AssertionFailure() << literal.display() << " is mapped elsewhere";
    }
  }
  return ::testing::AssertionSuccess();
}

// Statements as a dictionary holds them: a step stated again replaces its earlier statement.
// Texts include spellings of one proposition (`r(x)`, `r(x))`, `r(x`) and `p()` for `p`.
TEST(KnowledgeSequenceBuilder, AgreesWithTheLiteralLevelSequenceOnRandomStatements) {
  std::mt19937 rng(99);
  const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const std::vector<std::string> texts = {"p", "p()", "q", "r(x)", "r(x))", "r(x", "r(y)", "s"};
  const auto text = [&] { return texts[pick(static_cast<int>(texts.size()))]; };
  const std::vector<TimeStep> far = {0, kMaxTime - 1, kMaxTime};
  for (int round = 0; round < 300; ++round) {
    KnowledgeSequenceBuilder builder;
    std::unordered_map<TimeStep, StepKnowledge> steps;
    for (int i = pick(12); i > 0; --i) {
      const TimeStep t = pick(6) == 0 ? far[pick(3)] : static_cast<TimeStep>(pick(10));
      StepKnowledge knowledge;
      if (pick(4) != 0) {  // otherwise an empty statement, which is no knowledge at all
        for (int k = pick(3); k > 0; --k) knowledge.holds.push_back(text());
        for (int k = pick(2); k > 0; --k) knowledge.does_not_hold.push_back(text());
        for (int k = pick(3); k > 0; --k) knowledge.implications.emplace_back(text(), text());
        for (int k = pick(2); k > 0; --k) knowledge.equivalences.emplace_back(text(), text());
      }
      builder.add_step(t, knowledge);
      steps.insert_or_assign(t, knowledge);
    }
    const KnowledgeSequence knowledge = std::move(builder).build();
    const PlainSequence<KnowledgeGraph> reference = testing::build_knowledge_sequence(steps);

    ASSERT_EQ(knowledge.change_points().size(), reference.size()) << "round " << round;
    for (auto it = reference.entries().begin();
         const auto& [step, graph] : knowledge.change_points().entries()) {
      ASSERT_EQ(step, it->first);
      ASSERT_TRUE(same_graph(it->second, knowledge.graphs()[graph], knowledge.propositions()))
          << "round " << round << " at step " << step;
      ++it;
    }
    EXPECT_EQ(kleene_trace(PreparedKnowledge(knowledge)),
              testing::kleene_trace_step_by_step(testing::prepare_knowledge(reference)))
        << "round " << round;
  }
}

TEST(KnowledgeSequenceBuilder, StepsStatingTheSameFactsShareOneGraph) {
  const std::vector<StepKnowledge> states = {
      {{"a"}, {"b"}, {}, {}},
      {{"b"}, {}, {{"c", "d"}}, {}},
      {{}, {"a"}, {}, {{"c", "e"}}},
      {{"d"}, {}, {{"a", "b"}}, {}},
  };
  constexpr TimeStep kSteps = 100'000;
  KnowledgeSequenceBuilder builder;
  for (TimeStep t = 0; t < kSteps; ++t) builder.add_step(t, states[t % 4]);
  const KnowledgeSequence knowledge = std::move(builder).build();
  // Every step changes the knowledge, and the step after the last one knows nothing.
  EXPECT_EQ(knowledge.change_points().size(), kSteps + 1);
  EXPECT_EQ(knowledge.graphs().size(), 5u);
  EXPECT_EQ(PreparedKnowledge(knowledge).graphs().size(), 5u);
  EXPECT_EQ(knowledge.change_points().value_at(4), knowledge.change_points().value_at(0));
}

}  // namespace
}  // namespace corvane
