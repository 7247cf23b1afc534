#include "knowledge/kleene_trace.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/reference_knowledge.hpp"

namespace corvane {
namespace {

using Fact = KnowledgeFact;

AtomicProposition ap(const std::string& name) {
  return AtomicProposition::new_(name);
}
Literal pos(const std::string& name) {
  return Literal::positive(ap(name));
}

// The trace of literal-level knowledge, each graph interned as it is and then prepared.
KleeneTrace trace_of(const PlainSequence<KnowledgeGraph>& knowledge) {
  return kleene_trace(PreparedKnowledge(testing::interned_knowledge(knowledge)));
}

NormalizedSequence<Kleene> sequence_of(PlainSequence<Kleene>::Map entries) {
  return NormalizedSequence<Kleene>::normalize(PlainSequence<Kleene>(std::move(entries)));
}

TEST(KleeneTrace, NormalisesThePerStepValues) {
  PlainSequence<KnowledgeGraph> knowledge;
  knowledge.insert_or_assign(0, KnowledgeGraph({Fact::is_true(pos("a"))}));
  knowledge.insert_or_assign(3,
                             KnowledgeGraph({Fact::is_true(pos("a")), Fact::is_false(pos("b"))}));
  knowledge.insert_or_assign(5, KnowledgeGraph({Fact::implication(pos("a"), pos("c"))}));
  knowledge.insert_or_assign(9, KnowledgeGraph());
  const KleeneTrace trace = trace_of(knowledge);
  ASSERT_EQ(trace.size(), 3u);
  EXPECT_EQ(trace.at(ap("a")), sequence_of({{0, Kleene::True}, {5, Kleene::Unknown}}));
  // Not mentioned at 0 and after 3: unknown there.
  EXPECT_EQ(trace.at(ap("b")),
            sequence_of({{0, Kleene::Unknown}, {3, Kleene::False}, {5, Kleene::Unknown}}));
  EXPECT_EQ(trace.at(ap("c")), NormalizedSequence<Kleene>::uniform(Kleene::Unknown));
}

TEST(KleeneTrace, NoStepsGiveNoPropositions) {
  EXPECT_TRUE(trace_of(PlainSequence<KnowledgeGraph>()).empty());
  EXPECT_TRUE(trace_of(PlainSequence<KnowledgeGraph>::uniform(KnowledgeGraph())).empty());
}

TEST(KleeneTrace, MatchesTheStepByStepEvaluationOnRandomKnowledge) {
  std::mt19937 rng(7);
  const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 300; ++round) {
    PlainSequence<KnowledgeGraph> knowledge;
    const int steps = 1 + pick(8);
    TimeStep step = 0;
    for (int s = 0; s < steps; ++s) {
      std::vector<Fact> facts;
      for (int f = pick(5); f > 0; --f) {
        const Literal a = pos(std::string(1, static_cast<char>('a' + pick(5))));
        const Literal b = pos(std::string(1, static_cast<char>('a' + pick(5))));
        switch (pick(4)) {
          case 0:
            facts.push_back(Fact::is_true(a));
            break;
          case 1:
            facts.push_back(Fact::is_false(a));
            break;
          case 2:
            facts.push_back(Fact::implication(a, b));
            break;
          default:
            facts.push_back(Fact::equivalence(a, b));
            break;
        }
      }
      knowledge.insert_or_assign(step, KnowledgeGraph(std::move(facts)));
      step += 1 + static_cast<TimeStep>(pick(3));
    }
    ASSERT_EQ(trace_of(knowledge),
              testing::kleene_trace_step_by_step(testing::prepare_knowledge(knowledge)))
        << "round " << round;
  }
}

}  // namespace
}  // namespace corvane
