#include "knowledge_graph/strongly_connected_components.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace corvane {
namespace {

DirectedGraph<int> graph_with(std::size_t nodes, const std::vector<GraphEdge>& edges) {
  DirectedGraph<int> graph;
  for (std::size_t i = 0; i < nodes; ++i) graph.add_node(static_cast<int>(i));
  for (const GraphEdge& edge : edges) graph.update_edge(edge.source, edge.target);
  return graph;
}

struct Case {
  const char* name;
  std::size_t nodes;
  std::vector<GraphEdge> edges;
  std::vector<NodeIndex> component_of;
};

TEST(StronglyConnectedComponents, NumbersComponentsInTraversalOrder) {
  const std::vector<Case> cases = {
      {"isolated nodes come out in descending index", 3, {}, {2, 1, 0}},
      // Backwards from 0 the search visits 1 (the older edge) before 2, so 1 finishes first.
      {"older edges are followed first", 4, {{1, 0}, {2, 0}, {3, 1}, {3, 2}}, {0, 2, 1, 3}},
      {"cycle", 4, {{0, 1}, {1, 2}, {2, 0}, {3, 0}}, {0, 0, 0, 1}},
      {"two cycles joined", 5, {{0, 1}, {1, 0}, {2, 3}, {3, 2}, {1, 2}, {4, 4}}, {2, 2, 1, 1, 0}},
  };
  for (const Case& c : cases) {
    const auto result = strongly_connected_components(graph_with(c.nodes, c.edges));
    EXPECT_EQ(result.component_of, c.component_of) << c.name;
  }
}

TEST(StronglyConnectedComponents, EdgesLeadToLowerComponentsOnLongChains) {
  // Deep enough that a recursive search would exhaust the stack.
  constexpr NodeIndex n = 200000;
  std::vector<GraphEdge> edges;
  for (NodeIndex i = 0; i + 1 < n; ++i) edges.push_back({i, i + 1});
  const auto chain = strongly_connected_components(graph_with(n, edges));
  EXPECT_EQ(chain.count, n);
  for (const GraphEdge& e : edges)
    EXPECT_LT(chain.component_of[e.target], chain.component_of[e.source]);

  edges.push_back({n - 1, 0});
  const auto ring = strongly_connected_components(graph_with(n, edges));
  EXPECT_EQ(ring.count, 1u);
}

}  // namespace
}  // namespace corvane
