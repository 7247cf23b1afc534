#include "knowledge_graph/prepared_graph.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "knowledge_graph/condensation.hpp"
#include "knowledge_graph/kleene_evaluation.hpp"
#include "knowledge_graph/random_facts.hpp"
#include "support/reference_knowledge.hpp"

namespace corvane {
namespace {

// The prepared graph must say what the condensed graph, completed with an edge per reachable
// pair, says: the same class per literal, the same representatives, and as implying classes
// exactly the sources of the edges into a class.
TEST(PreparedGraph, AgreesWithTheCompletedGraphOnRandomFacts) {
  test::RandomFacts random(5);
  for (int round = 0; round < 600; ++round) {
    // Now and then enough propositions for rows of more than one word.
    const int propositions = random.pick(0, 9) == 0 ? 45 : random.pick(1, 6);
    const std::vector<KnowledgeFact> facts =
        random.facts(random.pick(0, 3 * propositions), propositions);
    KnowledgeGraph reference = condense_graph(KnowledgeGraph(facts));
    testing::complete_graph(reference);
    PropositionTable table;
    const PreparedGraph prepared{InternedKnowledgeGraph(test::interned(facts, table))};

    const std::size_t n = reference.graph().node_count();
    ASSERT_EQ(prepared.node_count(), n) << "round " << round;
    ASSERT_EQ(prepared.literal_nodes().size(), reference.literal_nodes().size());
    for (const auto& [literal, node] : reference.literal_nodes()) {
      ASSERT_EQ(prepared.node_of(*table.id_of(literal)), node) << literal.display();
    }
    for (NodeIndex node = 0; node < n; ++node) {
      const auto& expected = reference.class_of(node);
      EXPECT_EQ(table.literal(prepared.representative(node)), expected.representative);
      EXPECT_EQ(prepared.value_of(node), kleene_value_of(expected));
      const auto incoming = reference.graph().incoming(node);
      std::vector<NodeIndex> sources(incoming.begin(), incoming.end());
      std::sort(sources.begin(), sources.end());
      std::vector<NodeIndex> implying;
      prepared.for_each_implying(node, [&](NodeIndex source) { implying.push_back(source); });
      ASSERT_EQ(implying, sources) << "round " << round << ", node " << node;
    }
  }
}

TEST(PreparedGraph, AChainOfImplicationsIsImpliedByEveryEarlierLink) {
  constexpr int kLinks = 3000;
  std::vector<LiteralIdFact> facts;
  for (std::uint32_t i = 0; i + 1 < kLinks; ++i) {
    facts.emplace_back(LiteralIdFact::Kind::Implication, LiteralId::positive(i),
                       LiteralId::positive(i + 1));
  }
  const PreparedGraph prepared{InternedKnowledgeGraph(facts)};
  const NodeIndex last = *prepared.node_of(LiteralId::positive(kLinks - 1));
  int implying = 0;
  prepared.for_each_implying(last, [&](NodeIndex) { ++implying; });
  EXPECT_EQ(implying, kLinks);
  const NodeIndex first_negated = *prepared.node_of(LiteralId::negative(0));
  EXPECT_TRUE(prepared.implies(*prepared.node_of(LiteralId::negative(kLinks - 1)), first_negated));
  EXPECT_FALSE(prepared.implies(first_negated, *prepared.node_of(LiteralId::negative(1))));
}

}  // namespace
}  // namespace corvane
