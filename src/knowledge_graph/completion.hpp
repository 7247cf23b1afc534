// Closes the implication relation of a knowledge graph reflexively and transitively.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "knowledge_graph/directed_graph.hpp"
#include "knowledge_graph/knowledge_graph.hpp"
#include "knowledge_graph/strongly_connected_components.hpp"

namespace corvane {

// Adds an edge u -> v for every pair where v is reachable from u, u -> u included. Existing edges
// keep their places; the new ones follow ordered by u, then v.
//
// Reachability is computed per strongly connected component as one bit row per component: the
// components come out with every edge leading to a lower-numbered component, so each row is its
// own members plus the rows of its successors, all finished before it. That costs about n^2 / 8
// bytes and n^2 / 64 word operations per inter-component edge instead of a cubic search.
template <typename N>
void close_reflexive_transitively(DirectedGraph<N>& graph) {
  const std::size_t n = graph.node_count();
  if (n == 0) return;
  const StronglyConnectedComponents components = strongly_connected_components(graph);
  const std::size_t words = (n + 63) / 64;
  std::vector<std::uint64_t> reach(std::size_t{components.count} * words, 0);
  const auto row = [&](NodeIndex component) { return reach.data() + component * words; };

  std::vector<std::vector<NodeIndex>> members(components.count);
  for (NodeIndex node = 0; node < n; ++node) {
    members[components.component_of[node]].push_back(node);
  }
  // The component whose row a successor row was last merged into, to merge each one once.
  std::vector<NodeIndex> merged_into(components.count, ~NodeIndex{0});
  for (NodeIndex component = 0; component < components.count; ++component) {
    std::uint64_t* target = row(component);
    for (NodeIndex node : members[component]) {
      target[node / 64] |= std::uint64_t{1} << (node % 64);
    }
    for (NodeIndex node : members[component]) {
      for (NodeIndex next : graph.outgoing(node)) {
        const NodeIndex successor = components.component_of[next];
        if (successor == component || merged_into[successor] == component) continue;
        check(successor < component, "components are not in reverse topological order");
        merged_into[successor] = component;
        const std::uint64_t* source = row(successor);
        for (std::size_t w = 0; w < words; ++w) target[w] |= source[w];
      }
    }
  }

  std::size_t total = 0;
  for (NodeIndex node = 0; node < n; ++node) {
    const std::uint64_t* bits = row(components.component_of[node]);
    for (std::size_t w = 0; w < words; ++w) total += std::popcount(bits[w]);
  }
  graph.reserve_edges(total);
  // The edges a node has already are skipped (what `update_edge` would do), found through a
  // scratch row marked from its outgoing list instead of a lookup per pair.
  std::vector<std::uint64_t> existing(words, 0);
  for (NodeIndex from = 0; from < n; ++from) {
    for (NodeIndex target : graph.outgoing(from)) {
      existing[target / 64] |= std::uint64_t{1} << (target % 64);
    }
    const std::uint64_t* bits = row(components.component_of[from]);
    for (std::size_t w = 0; w < words; ++w) {
      for (std::uint64_t word = bits[w] & ~existing[w]; word != 0; word &= word - 1) {
        graph.add_new_edge(from, static_cast<NodeIndex>(w * 64 + std::countr_zero(word)));
      }
    }
    for (NodeIndex target : graph.outgoing(from)) existing[target / 64] = 0;
  }
}

// After completion there is an edge u -> v exactly when v is reachable from u, so the classes with
// an edge into a class are exactly those that imply it, itself included. Classes and the literal
// mapping are unchanged.
void complete_graph(KnowledgeGraph& graph);

}  // namespace corvane
