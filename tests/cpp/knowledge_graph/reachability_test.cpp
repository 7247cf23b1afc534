#include "knowledge_graph/reachability.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <random>
#include <unordered_set>
#include <utility>
#include <vector>

#include "knowledge_graph/condensation.hpp"
#include "support/reference_knowledge.hpp"

namespace corvane {
namespace {

using testing::close_reflexive_transitively;
using testing::complete_graph;

// The reference: all-pairs shortest paths with unit weights (Floyd–Warshall), then one edge per
// reachable pair, i ascending, then j ascending.
template <typename N>
void complete_by_floyd_warshall(DirectedGraph<N>& graph) {
  const std::size_t n = graph.node_count();
  constexpr std::int32_t kUnreachable = INT32_MAX;
  std::vector<std::vector<std::int32_t>> dist(n, std::vector<std::int32_t>(n, kUnreachable));
  for (const GraphEdge& e : graph.edges()) dist[e.source][e.target] = 1;
  for (std::size_t i = 0; i < n; ++i) dist[i][i] = 0;
  for (std::size_t k = 0; k < n; ++k) {
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) {
        std::int32_t sum;
        if (!__builtin_add_overflow(dist[i][k], dist[k][j], &sum) && sum < dist[i][j]) {
          dist[i][j] = sum;
        }
      }
    }
  }
  std::map<std::pair<std::size_t, std::size_t>, std::int32_t> distances;
  for (std::size_t i = 0; i < n; ++i) {
    check(dist[i][i] >= 0,
          "All edge weights should be positive, so there cannot be a negative cycle");
    for (std::size_t j = 0; j < n; ++j) distances[{i, j}] = dist[i][j];
  }
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      if (distances[{i, j}] != kUnreachable) {
        graph.update_edge(static_cast<NodeIndex>(i), static_cast<NodeIndex>(j));
      }
    }
  }
}

DirectedGraph<int> random_graph(std::mt19937& rng) {
  const std::size_t n = std::uniform_int_distribution<std::size_t>(0, 90)(rng);
  // From sparse forests to dense graphs full of cycles.
  const double edges_per_node = std::uniform_real_distribution<double>(0.0, 3.0)(rng);
  DirectedGraph<int> graph;
  for (std::size_t i = 0; i < n; ++i) graph.add_node(0);
  if (n == 0) return graph;
  const bool acyclic = rng() % 2 == 0;
  std::uniform_int_distribution<NodeIndex> node(0, static_cast<NodeIndex>(n - 1));
  for (std::size_t e = 0; e < static_cast<std::size_t>(edges_per_node * n); ++e) {
    NodeIndex u = node(rng), v = node(rng);
    if (acyclic && u > v) std::swap(u, v);
    if (acyclic && u == v) continue;
    graph.update_edge(u, v);
  }
  return graph;
}

TEST(CompleteGraph, MatchesFloydWarshallEdgeForEdgeOnRandomGraphs) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 400; ++round) {
    DirectedGraph<int> fast = random_graph(rng);
    DirectedGraph<int> reference = fast;
    close_reflexive_transitively(fast);
    complete_by_floyd_warshall(reference);
    ASSERT_EQ(fast.edges(), reference.edges()) << "round " << round;
    // Completing twice changes nothing.
    close_reflexive_transitively(fast);
    ASSERT_EQ(fast.edge_count(), reference.edge_count()) << "round " << round;
    // The completed graph still refuses parallel edges and answers edge queries.
    for (const GraphEdge& e : reference.edges()) {
      ASSERT_TRUE(fast.contains_edge(e.source, e.target));
      ASSERT_FALSE(fast.update_edge(e.source, e.target));
    }
    ASSERT_EQ(fast.edges(), reference.edges()) << "round " << round;
  }
}

// The rows answer what the completed graph's edges say, without the edges.
TEST(Reachability, AnswersWhatTheCompletedEdgesSayOnRandomGraphs) {
  std::mt19937 rng(20240612);
  for (int round = 0; round < 300; ++round) {
    const DirectedGraph<int> graph = random_graph(rng);
    DirectedGraph<int> completed = graph;
    complete_by_floyd_warshall(completed);
    const Reachability reachability(graph);
    for (NodeIndex to = 0; to < graph.node_count(); ++to) {
      std::vector<NodeIndex> sources;
      reachability.for_each_source(to, [&](NodeIndex from) { sources.push_back(from); });
      const auto incoming = completed.incoming(to);
      std::vector<NodeIndex> expected(incoming.begin(), incoming.end());
      std::sort(expected.begin(), expected.end());
      ASSERT_EQ(sources, expected) << "round " << round << ", node " << to;
      for (NodeIndex from = 0; from < graph.node_count(); ++from) {
        ASSERT_EQ(reachability.reaches(from, to), completed.contains_edge(from, to));
      }
    }
  }
}

TEST(CompleteGraph, NoFactsGivesTwoSelfLoops) {
  KnowledgeGraph graph = condense_graph(KnowledgeGraph());
  complete_graph(graph);
  EXPECT_EQ(graph.graph().edges(), (std::vector<GraphEdge>{{0, 0}, {1, 1}}));
}

TEST(CompleteGraph, ImplyingClassesAreTheIncomingNeighbours) {
  using Fact = KnowledgeFact;
  const auto lit = [](const char* name) {
    return Literal::positive(AtomicProposition::new_(name));
  };
  KnowledgeGraph graph = condense_graph(
      KnowledgeGraph({Fact::implication(lit("p"), lit("q")), Fact::implication(lit("q"), lit("r")),
                      Fact::implication(lit("s"), lit("t"))}));
  const KnowledgeGraph condensed = graph;
  complete_graph(graph);
  const NodeIndex r = *graph.node_of(lit("r"));
  const auto incoming = graph.graph().incoming(r);
  const std::unordered_set<NodeIndex> sources(incoming.begin(), incoming.end());
  EXPECT_EQ(sources,
            (std::unordered_set<NodeIndex>{*graph.node_of(lit("p")), *graph.node_of(lit("q")), r}));
  // Classes and the literal mapping stay as they were; the original edges keep their places.
  EXPECT_EQ(graph.literal_nodes(), condensed.literal_nodes());
  EXPECT_EQ(graph.graph().nodes(), condensed.graph().nodes());
  const auto& edges = graph.graph().edges();
  EXPECT_TRUE(std::equal(condensed.graph().edges().begin(), condensed.graph().edges().end(),
                         edges.begin()));
}

TEST(CompleteGraph, LargeSparseGraphsStayCheap) {
  // 20000 classes on chains of length 4: the closure is small even though the node count is not.
  DirectedGraph<int> graph;
  constexpr NodeIndex n = 20000;
  for (NodeIndex i = 0; i < n; ++i) graph.add_node(0);
  for (NodeIndex i = 0; i < n; ++i) {
    if (i % 4 != 3) graph.update_edge(i, i + 1);
  }
  close_reflexive_transitively(graph);
  EXPECT_EQ(graph.edge_count(), n / 4 * (4 + 3 + 2 + 1));
  EXPECT_TRUE(graph.contains_edge(4, 7));
  EXPECT_FALSE(graph.contains_edge(3, 4));
}

}  // namespace
}  // namespace corvane
