// Closes the implication relation of a knowledge graph reflexively and transitively.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "knowledge_graph/directed_graph.hpp"
#include "knowledge_graph/knowledge_graph.hpp"
#include "knowledge_graph/reachability.hpp"
#include "knowledge_graph/strongly_connected_components.hpp"
#include "support/interruption.hpp"

namespace corvane {

// Adds an edge u -> v for every pair where v is reachable from u, u -> u included. Existing edges
// keep their places; the new ones follow ordered by u, then v. This materialises up to n^2 edges;
// what augmentation needs is answered from the rows alone (knowledge_graph/reachability.hpp).
template <typename N>
void close_reflexive_transitively(DirectedGraph<N>& graph) {
  const std::size_t n = graph.node_count();
  if (n == 0) return;
  const StronglyConnectedComponents components = strongly_connected_components(graph);
  const ComponentRows rows(graph, components, ComponentRows::Direction::Forward);
  const std::size_t words = rows.words();

  std::size_t total = 0;
  for (NodeIndex node = 0; node < n; ++node) {
    const std::uint64_t* bits = rows.row(components.component_of[node]);
    for (std::size_t w = 0; w < words; ++w) total += std::popcount(bits[w]);
  }
  graph.reserve_edges(total);
  // The edges a node has already are skipped (what `update_edge` would do), found through a
  // scratch row marked from its outgoing list instead of a lookup per pair.
  std::vector<std::uint64_t> existing(words, 0);
  for (NodeIndex from = 0; from < n; ++from) {
    poll_interrupt_every(from);
    for (NodeIndex target : graph.outgoing(from)) {
      existing[target / 64] |= std::uint64_t{1} << (target % 64);
    }
    const std::uint64_t* bits = rows.row(components.component_of[from]);
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
template <class L>
void complete_graph(BasicKnowledgeGraph<L>& graph) {
  close_reflexive_transitively(graph.graph_);
}

}  // namespace corvane
