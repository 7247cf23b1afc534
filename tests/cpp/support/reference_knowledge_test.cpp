#include "support/reference_knowledge.hpp"

#include <gtest/gtest.h>

#include <unordered_map>
#include <vector>

#include "knowledge_graph/kleene_evaluation.hpp"

namespace corvane {
namespace {

using testing::build_knowledge_sequence;
using testing::prepare_knowledge;

Literal pos(const char* name) {
  return Literal::positive(AtomicProposition::new_(name));
}

std::vector<TimeStep> keys_of(const PlainSequence<KnowledgeGraph>& knowledge) {
  std::vector<TimeStep> keys;
  for (const auto& [step, graph] : knowledge.entries()) keys.push_back(step);
  return keys;
}

const StepKnowledge kAHolds{{"a"}, {}, {}, {}};

TEST(BuildKnowledgeSequence, StoresOneGraphPerChangeOfTheFacts) {
  struct Case {
    const char* name;
    std::unordered_map<TimeStep, StepKnowledge> steps;
    std::vector<TimeStep> keys;
  };
  const std::vector<Case> cases = {
      {"nothing stated", {}, {0}},
      {"one step", {{5, kAHolds}}, {0, 5, 6}},
      {"equal neighbours share an entry", {{3, kAHolds}, {4, kAHolds}}, {0, 3, 5}},
      {"empty statement equals no statement", {{2, StepKnowledge{}}}, {0}},
      {"step zero", {{0, kAHolds}}, {0, 1}},
      {"last step", {{kMaxTime, kAHolds}}, {0, kMaxTime}},
      {"first and last step", {{0, kAHolds}, {kMaxTime, kAHolds}}, {0, 1, kMaxTime}},
      {"far apart",
       {{0, kAHolds}, {1000000, StepKnowledge{{}, {"a"}, {}, {}}}},
       {0, 1, 1000000, 1000001}},
  };
  for (const Case& c : cases) {
    const PlainSequence<KnowledgeGraph> knowledge = build_knowledge_sequence(c.steps);
    EXPECT_EQ(keys_of(knowledge), c.keys) << c.name;
    for (const auto& [step, graph] : knowledge.entries()) {
      const auto stated = c.steps.find(step);
      const KnowledgeGraph expected = stated == c.steps.end()
                                          ? KnowledgeGraph()
                                          : KnowledgeGraph(knowledge_facts(stated->second));
      EXPECT_EQ(graph, expected) << c.name << " at " << step;
    }
  }
}

TEST(BuildKnowledgeSequence, KnowledgeAppliesAtItsOwnStepOnly) {
  const auto trace = testing::kleene_trace_step_by_step(prepare_knowledge(
      build_knowledge_sequence({{5, kAHolds}, {kMaxTime, StepKnowledge{{}, {"a"}, {}, {}}}})));
  const auto& a = trace.at(AtomicProposition::new_("a"));
  EXPECT_EQ(a.value_at(0), Kleene::Unknown);
  EXPECT_EQ(a.value_at(4), Kleene::Unknown);
  EXPECT_EQ(a.value_at(5), Kleene::True);
  EXPECT_EQ(a.value_at(6), Kleene::Unknown);
  EXPECT_EQ(a.value_at(kMaxTime - 1), Kleene::Unknown);
  EXPECT_EQ(a.value_at(kMaxTime), Kleene::False);
}

TEST(PrepareKnowledge, CondensesAndCompletesACopyUnderTheSameKeys) {
  const PlainSequence<KnowledgeGraph> knowledge = build_knowledge_sequence(
      {{0, StepKnowledge{{}, {}, {{"a", "b"}, {"b", "a"}, {"b", "c"}}, {}}}, {2, kAHolds}});
  const PlainSequence<KnowledgeGraph> original = knowledge;
  const PlainSequence<KnowledgeGraph> prepared = prepare_knowledge(knowledge);
  EXPECT_EQ(knowledge, original);
  EXPECT_EQ(keys_of(prepared), keys_of(knowledge));

  const KnowledgeGraph& at0 = prepared.value_at(0);
  const NodeIndex a = *at0.node_of(pos("a"));
  const NodeIndex c = *at0.node_of(pos("c"));
  EXPECT_EQ(at0.node_of(pos("b")), a);
  EXPECT_TRUE(at0.graph().contains_edge(a, c));
  EXPECT_TRUE(at0.graph().contains_edge(a, a));
  EXPECT_EQ(get_kleene_evaluation(prepared.value_at(2), AtomicProposition::new_("a")),
            Kleene::True);
}

}  // namespace
}  // namespace corvane
