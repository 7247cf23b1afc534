#include "knowledge_graph/knowledge_graph.hpp"

#include <gtest/gtest.h>

#include "builders.hpp"

#include <vector>

namespace corvane {
namespace {

using Fact = KnowledgeFact;

using test::neg;
using test::pos;
const Literal kTrue = Literal::true_();
const Literal kFalse = Literal::false_();

// The class of each node as (representative, members), and the edges in order.
struct Shape {
  std::vector<std::pair<Literal, std::unordered_set<Literal>>> classes;
  std::vector<GraphEdge> edges;
  friend bool operator==(const Shape&, const Shape&) = default;
};

Shape shape_of(const KnowledgeGraph& graph) {
  Shape shape;
  for (const auto& c : graph.graph().nodes())
    shape.classes.emplace_back(c.representative, c.literals);
  shape.edges = graph.graph().edges();
  return shape;
}

void expect_mapped(const KnowledgeGraph& graph, const Literal& literal, NodeIndex node) {
  ASSERT_TRUE(graph.node_of(literal).has_value()) << literal.display();
  EXPECT_EQ(*graph.node_of(literal), node) << literal.display();
  EXPECT_TRUE(graph.class_of(node).literals.contains(literal)) << literal.display();
}

TEST(KnowledgeGraph, NoFactsGivesTheTwoConstantClasses) {
  const KnowledgeGraph graph;
  const Shape expected{{{kTrue, {kTrue}}, {kFalse, {kFalse}}}, {}};
  EXPECT_EQ(shape_of(graph), expected);
  EXPECT_EQ(graph.literal_nodes().size(), 2u);
  expect_mapped(graph, kTrue, 0);
  expect_mapped(graph, kFalse, 1);
}

TEST(KnowledgeGraph, EquivalenceOfNewLiteralsSharesOneClassPair) {
  const KnowledgeGraph graph({Fact::equivalence(pos("p"), pos("q"))});
  const Shape expected{{{kTrue, {kTrue}},
                        {kFalse, {kFalse}},
                        {pos("p"), {pos("p"), pos("q")}},
                        {neg("p"), {neg("p"), neg("q")}}},
                       {}};
  EXPECT_EQ(shape_of(graph), expected);
  expect_mapped(graph, pos("q"), 2);
  expect_mapped(graph, neg("q"), 3);
}

TEST(KnowledgeGraph, EquivalenceWithAConstantJoinsItsClass) {
  for (const auto& fact : {Fact::equivalence(pos("p"), kTrue), Fact::equivalence(kTrue, pos("p")),
                           Fact::implication(kTrue, pos("p")), Fact::is_true(pos("p"))}) {
    const KnowledgeGraph graph({fact});
    EXPECT_EQ(graph.graph().node_count(), 2u);
    EXPECT_EQ(graph.class_of(0).representative, kTrue);
    EXPECT_EQ(graph.class_of(1).representative, kFalse);
    expect_mapped(graph, pos("p"), 0);
    expect_mapped(graph, neg("p"), 1);
  }
}

TEST(KnowledgeGraph, ImplicationFromTrueOrToFalseIsAnEquivalence) {
  EXPECT_EQ(KnowledgeGraph({Fact::implication(kTrue, pos("q"))}),
            KnowledgeGraph({Fact::equivalence(kTrue, pos("q"))}));
  EXPECT_EQ(KnowledgeGraph({Fact::implication(pos("q"), kFalse)}),
            KnowledgeGraph({Fact::equivalence(pos("q"), kFalse)}));
  const KnowledgeGraph to_false({Fact::implication(pos("q"), kFalse)});
  expect_mapped(to_false, pos("q"), 1);
  expect_mapped(to_false, neg("q"), 0);
}

TEST(KnowledgeGraph, ImplicationsToTrueOrFromFalseTakeTheEdgePath) {
  const KnowledgeGraph from_false({Fact::implication(kFalse, pos("q"))});
  EXPECT_EQ(from_false.graph().node_count(), 4u);
  EXPECT_EQ(from_false.graph().edges(), (std::vector<GraphEdge>{{1, 2}, {3, 0}}));
  const KnowledgeGraph to_true({Fact::implication(pos("q"), kTrue)});
  EXPECT_EQ(to_true.graph().edges(), (std::vector<GraphEdge>{{2, 0}, {1, 3}}));
}

TEST(KnowledgeGraph, ImplicationAddsTheEdgeAndItsContrapositiveOnce) {
  const auto fact = Fact::implication(pos("p"), pos("q"));
  const KnowledgeGraph graph({fact, fact, fact});
  const Shape expected{{{kTrue, {kTrue}},
                        {kFalse, {kFalse}},
                        {pos("p"), {pos("p")}},
                        {neg("p"), {neg("p")}},
                        {pos("q"), {pos("q")}},
                        {neg("q"), {neg("q")}}},
                       {{2, 4}, {5, 3}}};
  EXPECT_EQ(shape_of(graph), expected);
  EXPECT_EQ(
      std::vector<NodeIndex>(graph.graph().incoming(3).begin(), graph.graph().incoming(3).end()),
      std::vector<NodeIndex>{5});
}

TEST(KnowledgeGraph, NeighbourListsAreMostRecentFirst) {
  const KnowledgeGraph graph({Fact::implication(pos("p"), pos("q")),
                              Fact::implication(pos("p"), pos("r")),
                              Fact::implication(pos("s"), pos("r"))});
  const auto& g = graph.graph();
  EXPECT_EQ(std::vector<NodeIndex>(g.outgoing(2).begin(), g.outgoing(2).end()),
            (std::vector<NodeIndex>{6, 4}));
  EXPECT_EQ(std::vector<NodeIndex>(g.incoming(6).begin(), g.incoming(6).end()),
            (std::vector<NodeIndex>{8, 2}));
}

TEST(KnowledgeGraph, EquivalenceOfKnownLiteralsLinksTheirClassesBothWays) {
  KnowledgeGraph graph;
  graph.add_literal_if_not_exists(pos("p"));
  graph.add_literal_if_not_exists(neg("q"));
  graph.add_equivalence(pos("p"), pos("q"));
  EXPECT_EQ(graph.graph().node_count(), 6u);
  // p = 2, ¬p = 3, ¬q = 4, q = 5.
  EXPECT_EQ(graph.graph().edges(), (std::vector<GraphEdge>{{2, 5}, {4, 3}, {5, 2}, {3, 4}}));
}

TEST(KnowledgeGraph, EquivalenceWithOneKnownSideJoinsTheKnownClasses) {
  const KnowledgeGraph graph(
      {Fact::implication(pos("p"), pos("r")), Fact::equivalence(pos("q"), pos("p"))});
  expect_mapped(graph, pos("q"), 2);
  expect_mapped(graph, neg("q"), 3);
  EXPECT_EQ(graph.class_of(2).representative, pos("p"));
  EXPECT_EQ(graph.graph().node_count(), 6u);
}

TEST(KnowledgeGraph, TruthLeavesTheOldClassAndItsEdges) {
  const KnowledgeGraph graph({Fact::implication(pos("p"), pos("q")), Fact::is_true(pos("p"))});
  expect_mapped(graph, pos("p"), 0);
  expect_mapped(graph, neg("p"), 1);
  EXPECT_TRUE(graph.class_of(2).literals.contains(pos("p")));
  EXPECT_EQ(graph.graph().edges(), (std::vector<GraphEdge>{{2, 4}, {5, 3}}));
  expect_mapped(graph, pos("q"), 4);
  EXPECT_EQ(graph.class_of(4).representative, pos("q"));
}

TEST(KnowledgeGraph, ContradictoryFactsAreRecordedAsGiven) {
  const KnowledgeGraph later_wins({Fact::is_true(pos("p")), Fact::is_false(pos("p"))});
  expect_mapped(later_wins, pos("p"), 1);
  expect_mapped(later_wins, neg("p"), 0);
  // Stating that a constant fails puts both constants into one class.
  const KnowledgeGraph constants({Fact::is_false(kTrue), Fact::is_true(pos("p"))});
  EXPECT_EQ(constants.node_of(kTrue), constants.node_of(kFalse));
  EXPECT_EQ(constants.node_of(pos("p")), constants.node_of(kFalse));
  const KnowledgeGraph self_negation({Fact::equivalence(pos("p"), neg("p"))});
  EXPECT_EQ(self_negation.graph().node_count(), 4u);
}

TEST(KnowledgeGraph, EveryLiteralComesWithItsNegation) {
  const KnowledgeGraph graph({Fact::implication(pos("a"), neg("b")),
                              Fact::equivalence(pos("c"), neg("a")), Fact::is_false(pos("d")),
                              Fact::equivalence(pos("b"), pos("e"))});
  for (const auto& [literal, node] : graph.literal_nodes()) {
    EXPECT_TRUE(graph.literal_nodes().contains(literal.negation())) << literal.display();
    EXPECT_TRUE(graph.class_of(node).literals.contains(literal)) << literal.display();
  }
}

}  // namespace
}  // namespace corvane
