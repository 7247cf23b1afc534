// One step's knowledge in the form that the Kleene trace and augmentation read.
//
// It is the graph condensed (every cycle of implications merged into one class) with its
// implication relation closed: a class implies another exactly when the other is reachable from
// it, itself included. The closure is kept as reachability rows (knowledge_graph/reachability.hpp)
// instead of the up to n^2 edges a completed graph would add, and it answers the same questions:
// which classes imply a class, and which class each literal belongs to. Immutable once built.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "knowledge_graph/directed_graph.hpp"
#include "knowledge_graph/knowledge_graph.hpp"
#include "knowledge_graph/literal_id.hpp"
#include "knowledge_graph/literal_id_map.hpp"
#include "knowledge_graph/reachability.hpp"
#include "truth_values/kleene.hpp"

namespace corvane {

class PreparedGraph {
 public:
  // Condenses `graph` and closes the result.
  explicit PreparedGraph(const InternedKnowledgeGraph& graph);

  std::size_t node_count() const noexcept { return representatives_.size(); }
  // The node of the class `literal` is mapped to, if the graph mentions it.
  std::optional<NodeIndex> node_of(LiteralId literal) const;
  LiteralId representative(NodeIndex node) const;
  // Each literal the graph mentions and the node of its class.
  const LiteralIdMap& literal_nodes() const noexcept { return literal_nodes_; }

  // What the class of `node` says about its members: `True` or `False` when represented by that
  // constant, otherwise `Unknown`.
  Kleene value_of(NodeIndex node) const;

  // Calls `visit(source)` for every node whose class implies the class of `node`, `node` itself
  // included, in increasing order.
  template <class Visit>
  void for_each_implying(NodeIndex node, Visit&& visit) const {
    implied_by_.for_each_source(node, visit);
  }
  bool implies(NodeIndex from, NodeIndex to) const { return implied_by_.reaches(from, to); }

 private:
  struct Condensed {
    InternedKnowledgeGraph graph;
  };
  explicit PreparedGraph(const Condensed& condensed);

  LiteralIdMap literal_nodes_;
  std::vector<LiteralId> representatives_;
  Reachability implied_by_;
};

}  // namespace corvane
