// Which nodes of a directed graph reach which, as bit rows instead of edges.
//
// Rows are kept per strongly connected component: the components come out with every edge
// leading to a lower-numbered component (knowledge_graph/strongly_connected_components.hpp), so
// a component's row is its own members plus the rows of its neighbouring components, all
// finished before it when the components are walked in the right direction. That costs n / 8
// bytes per component and n / 64 word operations per edge between components; a graph of n nodes
// whose reachable pairs number n^2 / 2 (a chain of implications) needs n^2 / 8 bytes instead of
// an edge list of n^2 / 2 pairs.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "knowledge_graph/directed_graph.hpp"
#include "knowledge_graph/strongly_connected_components.hpp"
#include "support/internal_error.hpp"
#include "support/interruption.hpp"

namespace corvane {

// One bit row of n bits per component of a graph of n nodes.
class ComponentRows {
 public:
  enum class Direction {
    Forward,   // the nodes reachable from the component's members, members included
    Backward,  // the nodes from which the component's members are reachable, members included
  };

  template <typename N>
  ComponentRows(const DirectedGraph<N>& graph, const StronglyConnectedComponents& components,
                Direction direction);

  std::size_t words() const noexcept { return words_; }
  const std::uint64_t* row(NodeIndex component) const noexcept {
    return bits_.data() + component * words_;
  }
  static bool has(const std::uint64_t* row, NodeIndex node) noexcept {
    return (row[node / 64] >> (node % 64)) & 1;
  }
  // Calls `visit(node)` for every node of `row`, in increasing order.
  template <class Visit>
  void for_each_in(const std::uint64_t* row, Visit&& visit) const {
    for (std::size_t w = 0; w < words_; ++w) {
      for (std::uint64_t word = row[w]; word != 0; word &= word - 1) {
        visit(static_cast<NodeIndex>(w * 64 + std::countr_zero(word)));
      }
    }
  }

 private:
  std::uint64_t* mutable_row(NodeIndex component) noexcept {
    return bits_.data() + component * words_;
  }

  std::size_t words_;
  std::vector<std::uint64_t> bits_;
};

template <typename N>
ComponentRows::ComponentRows(const DirectedGraph<N>& graph,
                             const StronglyConnectedComponents& components, Direction direction)
    : words_((graph.node_count() + 63) / 64), bits_(std::size_t{components.count} * words_, 0) {
  const std::size_t n = graph.node_count();
  std::vector<std::vector<NodeIndex>> members(components.count);
  for (NodeIndex node = 0; node < n; ++node) {
    members[components.component_of[node]].push_back(node);
  }
  const bool forward = direction == Direction::Forward;
  // The component whose row a neighbour's row was last merged into, to merge each one once.
  std::vector<NodeIndex> merged_into(components.count, ~NodeIndex{0});
  for (NodeIndex i = 0; i < components.count; ++i) {
    // Successors have lower numbers, predecessors higher ones: finish those first.
    const NodeIndex component = forward ? i : components.count - 1 - i;
    std::uint64_t* target = mutable_row(component);
    for (NodeIndex node : members[component]) {
      target[node / 64] |= std::uint64_t{1} << (node % 64);
    }
    for (NodeIndex node : members[component]) {
      poll_interrupt_every(node);
      for (NodeIndex next : forward ? graph.outgoing(node) : graph.incoming(node)) {
        const NodeIndex neighbour = components.component_of[next];
        if (neighbour == component || merged_into[neighbour] == component) continue;
        check(forward ? neighbour < component : neighbour > component,
              "components are not in reverse topological order");
        merged_into[neighbour] = component;
        const std::uint64_t* source = row(neighbour);
        for (std::size_t w = 0; w < words_; ++w) target[w] |= source[w];
      }
    }
  }
}

// For every node, the nodes from which it can be reached, itself included.
class Reachability {
 public:
  template <typename N>
  explicit Reachability(const DirectedGraph<N>& graph)
      : components_(strongly_connected_components(graph)),
        sources_(graph, components_, ComponentRows::Direction::Backward) {}

  // Whether `to` is reachable from `from` (always from itself).
  bool reaches(NodeIndex from, NodeIndex to) const {
    return ComponentRows::has(sources_.row(component_of(to)), from);
  }
  // Calls `visit(node)` for every node from which `to` is reachable, in increasing order.
  template <class Visit>
  void for_each_source(NodeIndex to, Visit&& visit) const {
    sources_.for_each_in(sources_.row(component_of(to)), visit);
  }

 private:
  NodeIndex component_of(NodeIndex node) const {
    check(node < components_.component_of.size(), "node index out of range");
    return components_.component_of[node];
  }

  StronglyConnectedComponents components_;
  ComponentRows sources_;
};

}  // namespace corvane
