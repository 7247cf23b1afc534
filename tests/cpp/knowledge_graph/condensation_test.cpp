#include "knowledge_graph/condensation.hpp"

#include <gtest/gtest.h>

#include "builders.hpp"

#include <vector>

namespace corvane {
namespace {

using Fact = KnowledgeFact;

using test::neg;
using test::pos;

const KnowledgeGraph::Class& class_of(const KnowledgeGraph& graph, const Literal& literal) {
  return graph.class_of(graph.node_of(literal).value());
}

TEST(CondenseGraph, NoFactsKeepsTheConstantClassesInComponentOrder) {
  const KnowledgeGraph graph = condense_graph(KnowledgeGraph());
  ASSERT_EQ(graph.graph().node_count(), 2u);
  // Isolated nodes are found from the highest index down.
  EXPECT_EQ(graph.node_of(Literal::false_()), 0u);
  EXPECT_EQ(graph.node_of(Literal::true_()), 1u);
  EXPECT_EQ(graph.class_of(1).literals.size(), 1u);
  EXPECT_EQ(graph.graph().edge_count(), 0u);
}

TEST(CondenseGraph, MutualImplicationsMergeWithTheLowerIndexRepresentative) {
  const KnowledgeGraph graph = condense_graph(KnowledgeGraph(
      {Fact::implication(pos("q"), pos("p")), Fact::implication(pos("p"), pos("q"))}));
  EXPECT_EQ(graph.graph().node_count(), 4u);
  EXPECT_EQ(graph.graph().edge_count(), 0u);
  EXPECT_EQ(graph.node_of(pos("p")), graph.node_of(pos("q")));
  EXPECT_EQ(class_of(graph, pos("p")).representative, pos("q"));
  EXPECT_EQ(class_of(graph, neg("p")).representative, neg("q"));
  EXPECT_EQ(class_of(graph, neg("p")).literals.size(), 2u);
}

TEST(CondenseGraph, EdgesBetweenComponentsAreKeptOnce) {
  const KnowledgeGraph graph = condense_graph(KnowledgeGraph({
      Fact::implication(pos("p"), pos("q")),
      Fact::implication(pos("q"), pos("r")),
      Fact::implication(pos("r"), pos("q")),
      Fact::implication(pos("p"), pos("r")),
  }));
  EXPECT_EQ(graph.graph().node_count(), 6u);
  const NodeIndex p = *graph.node_of(pos("p")), q = *graph.node_of(pos("q"));
  const NodeIndex np = *graph.node_of(neg("p")), nq = *graph.node_of(neg("q"));
  EXPECT_EQ(graph.node_of(pos("r")), q);
  EXPECT_EQ(graph.graph().edges(), (std::vector<GraphEdge>{{p, q}, {nq, np}}));
}

TEST(CondenseGraph, ConstantsOnACycleMergeIntoOneTrueClass) {
  const KnowledgeGraph graph = condense_graph(KnowledgeGraph(
      {Fact::is_false(pos("p")), Fact::equivalence(Literal::true_(), Literal::false_())}));
  const auto& merged = class_of(graph, pos("p"));
  EXPECT_EQ(merged.representative, Literal::true_());
  EXPECT_EQ(merged.literals,
            (std::unordered_set<Literal>{Literal::true_(), Literal::false_(), pos("p"), neg("p")}));
  EXPECT_EQ(graph.node_of(neg("p")), graph.node_of(pos("p")));
}

TEST(CondenseGraph, ALiteralInSeveralClassesGoesToTheLastComponent) {
  // q is a member of {p, q} and of the class of True, which is found last.
  const KnowledgeGraph graph = condense_graph(
      KnowledgeGraph({Fact::equivalence(pos("p"), pos("q")), Fact::is_true(pos("q"))}));
  EXPECT_EQ(graph.node_of(pos("q")), graph.node_of(Literal::true_()));
  EXPECT_EQ(class_of(graph, pos("p")).representative, pos("p"));
  EXPECT_TRUE(class_of(graph, pos("p")).literals.contains(pos("q")));
}

TEST(CondenseGraph, KeysAreKeptAndMappedToClassesHoldingThem) {
  const KnowledgeGraph before({Fact::implication(pos("a"), pos("b")),
                               Fact::implication(pos("b"), neg("c")),
                               Fact::equivalence(neg("c"), pos("a")), Fact::is_true(pos("d")),
                               Fact::implication(pos("d"), pos("e"))});
  const KnowledgeGraph after = condense_graph(before);
  EXPECT_EQ(after.literal_nodes().size(), before.literal_nodes().size());
  for (const auto& [literal, node] : after.literal_nodes()) {
    EXPECT_TRUE(after.class_of(node).literals.contains(literal)) << literal.display();
  }
  EXPECT_EQ(after.node_of(pos("a")), after.node_of(neg("c")));
}

}  // namespace
}  // namespace corvane
