// A growable directed graph with node payloads and payload-free edges.
//
// Nodes get dense indices in insertion order and are never removed. Edges are kept in insertion
// order; each node also lists its outgoing and incoming neighbours, most recently added first,
// which is the order graph traversals visit them in. `update_edge` never adds a parallel edge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

#include "knowledge_graph/node_pair_set.hpp"
#include "support/internal_error.hpp"
#include "support/small_vector.hpp"

namespace corvane {

using NodeIndex = std::uint32_t;

struct GraphEdge {
  NodeIndex source;
  NodeIndex target;
  friend bool operator==(const GraphEdge&, const GraphEdge&) = default;
};

// The neighbours of one node, oldest first. Most nodes of knowledge graphs have few, which then
// need no allocation.
using NodeList = SmallVector<NodeIndex, 4>;

// A read-only view of one node's neighbours, most recently added first. Valid until the graph
// changes.
class NeighbourList {
 public:
  using iterator = std::reverse_iterator<const NodeIndex*>;
  explicit NeighbourList(const NodeList& oldest_first) : list_(&oldest_first) {}
  iterator begin() const noexcept { return iterator(list_->end()); }
  iterator end() const noexcept { return iterator(list_->begin()); }
  std::size_t size() const noexcept { return list_->size(); }
  bool empty() const noexcept { return list_->empty(); }

 private:
  const NodeList* list_;
};

template <typename N>
class DirectedGraph {
 public:
  NodeIndex add_node(N payload) {
    check(nodes_.size() < kMaxNodes, "graph node index overflow");
    nodes_.push_back(std::move(payload));
    outgoing_.emplace_back();
    incoming_.emplace_back();
    return static_cast<NodeIndex>(nodes_.size() - 1);
  }

  // Adds u -> v unless that edge exists already. Returns whether it was added.
  bool update_edge(NodeIndex u, NodeIndex v) {
    checked(u);
    checked(v);
    if (!edge_set_.insert(u, v)) return false;
    edges_.push_back(GraphEdge{u, v});
    outgoing_[u].push_back(v);
    incoming_[v].push_back(u);
    return true;
  }

  bool contains_edge(NodeIndex u, NodeIndex v) const { return edge_set_.contains(u, v); }

  std::size_t node_count() const noexcept { return nodes_.size(); }
  std::size_t edge_count() const noexcept { return edges_.size(); }

  const N& node(NodeIndex i) const { return nodes_[checked(i)]; }
  N& node(NodeIndex i) { return nodes_[checked(i)]; }
  // Payloads in index order.
  const std::vector<N>& nodes() const noexcept { return nodes_; }
  // Edges in insertion order.
  const std::vector<GraphEdge>& edges() const noexcept { return edges_; }

  // Targets of the edges leaving `u`, most recently added first.
  NeighbourList outgoing(NodeIndex u) const { return NeighbourList(outgoing_[checked(u)]); }
  // Sources of the edges entering `v`, most recently added first.
  NeighbourList incoming(NodeIndex v) const { return NeighbourList(incoming_[checked(v)]); }

  void reserve(std::size_t nodes, std::size_t edges) {
    nodes_.reserve(nodes);
    outgoing_.reserve(nodes);
    incoming_.reserve(nodes);
    reserve_edges(edges);
  }
  void reserve_edges(std::size_t edges) {
    edges_.reserve(edges);
    edge_set_.reserve(edges);
  }

  friend bool operator==(const DirectedGraph& a, const DirectedGraph& b) {
    return a.nodes_ == b.nodes_ && a.edges_ == b.edges_;
  }

 private:
  NodeIndex checked(NodeIndex i) const {
    check(i < nodes_.size(), "node index out of range");
    return i;
  }

  // The index 2^32 - 1 is never handed out, which keeps `NodePairSet`'s empty marker free.
  static constexpr std::size_t kMaxNodes = std::numeric_limits<NodeIndex>::max();

  std::vector<N> nodes_;
  std::vector<GraphEdge> edges_;
  std::vector<NodeList> outgoing_;
  std::vector<NodeList> incoming_;
  NodePairSet edge_set_;
};

}  // namespace corvane
