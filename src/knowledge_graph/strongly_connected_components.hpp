// Strongly connected components by Kosaraju's algorithm, with iterative searches (graphs can have
// tens of thousands of nodes, too many for recursion).
//
// The traversal order is fixed because the numbering of the components decides node indices after
// condensation:
// - First pass: depth-first post-order over the reversed graph, started from every undiscovered
//   node in ascending index order; each node is appended to the finish list when it finishes.
// - Second pass: over the graph itself, started from every undiscovered node of the finish list
//   taken from last to first; each search discovers one component. Components are numbered in
//   the order found.
// In both passes a node, when first visited, pushes its undiscovered neighbours in the order the
// graph lists them (most recent edge first), and the search continues with the top of the stack.
//
// Components come out in reverse topological order: every edge between two components leads from
// a higher-numbered component to a lower-numbered one.
#pragma once

#include <cstdint>
#include <vector>

#include "knowledge_graph/directed_graph.hpp"
#include "support/interruption.hpp"

namespace corvane {

struct StronglyConnectedComponents {
  // The component number of every node.
  std::vector<NodeIndex> component_of;
  NodeIndex count = 0;
};

namespace scc_detail {

// Post-order depth-first search from `start`. `discovered` marks nodes visited, `finished` nodes
// already appended to `finish_order` (a node may sit on the stack more than once). `stack` is
// scratch space, empty on entry and on return.
template <typename Neighbours>
void post_order_from(NodeIndex start, const Neighbours& neighbours, std::vector<bool>& discovered,
                     std::vector<bool>& finished, std::vector<NodeIndex>& finish_order,
                     std::vector<NodeIndex>& stack) {
  stack.push_back(start);
  while (!stack.empty()) {
    const NodeIndex node = stack.back();
    if (!discovered[node]) {
      poll_interrupt_every(node);
      discovered[node] = true;
      for (NodeIndex next : neighbours(node)) {
        if (!discovered[next]) stack.push_back(next);
      }
    } else {
      stack.pop_back();
      if (!finished[node]) {
        finished[node] = true;
        finish_order.push_back(node);
      }
    }
  }
}

}  // namespace scc_detail

template <typename N>
StronglyConnectedComponents strongly_connected_components(const DirectedGraph<N>& graph) {
  const std::size_t n = graph.node_count();

  std::vector<NodeIndex> finish_order;
  finish_order.reserve(n);
  std::vector<NodeIndex> stack;
  {
    std::vector<bool> discovered(n, false);
    std::vector<bool> finished(n, false);
    const auto backwards = [&graph](NodeIndex node) { return graph.incoming(node); };
    for (NodeIndex start = 0; start < n; ++start) {
      if (!discovered[start]) {
        scc_detail::post_order_from(start, backwards, discovered, finished, finish_order, stack);
      }
    }
  }

  // Only membership matters in the second pass, so a plain stack search suffices.
  constexpr NodeIndex kUnassigned = ~NodeIndex{0};
  StronglyConnectedComponents result{std::vector<NodeIndex>(n, kUnassigned), 0};
  for (auto it = finish_order.rbegin(); it != finish_order.rend(); ++it) {
    if (result.component_of[*it] != kUnassigned) continue;
    const NodeIndex component = result.count++;
    result.component_of[*it] = component;
    stack.push_back(*it);
    while (!stack.empty()) {
      const NodeIndex node = stack.back();
      poll_interrupt_every(node);
      stack.pop_back();
      for (NodeIndex next : graph.outgoing(node)) {
        if (result.component_of[next] == kUnassigned) {
          result.component_of[next] = component;
          stack.push_back(next);
        }
      }
    }
  }
  return result;
}

}  // namespace corvane
