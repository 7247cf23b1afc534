// What is known about the literals at one time step: an implication graph whose nodes are classes
// of equivalent literals.
//
// An edge u -> v means every literal of class u implies every literal of class v; every edge is
// added together with its contrapositive. Node 0 is the class of `True`, node 1 the class of
// `False`, and literals always enter in complementary pairs: if a literal has a node, so does its
// negation. Facts are not checked for consistency; contradictions are recorded as given.
#pragma once

#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "formula/literal.hpp"
#include "knowledge_graph/complexity_functions.hpp"
#include "knowledge_graph/directed_graph.hpp"
#include "knowledge_graph/equivalence_class.hpp"
#include "knowledge_graph/knowledge_fact.hpp"

namespace corvane {

class KnowledgeGraph {
 public:
  using Complexity = DefaultComplexityFunction;
  using Class = EquivalenceClass<Complexity>;
  using Graph = DirectedGraph<Class>;
  using LiteralNodes = std::unordered_map<Literal, NodeIndex>;

  // The graph of no facts: node 0 {True} and node 1 {False}, no edges.
  KnowledgeGraph();
  // Applies the facts strictly in order; the result depends on it.
  explicit KnowledgeGraph(std::vector<KnowledgeFact> facts);

  const Graph& graph() const noexcept { return graph_; }
  // The node whose class the literal is mapped to. A literal can be a member of several classes
  // (stating that it holds moves it to the class of `True` and leaves the old membership), but it
  // is mapped to exactly one.
  const LiteralNodes& literal_nodes() const noexcept { return literal_nodes_; }
  std::optional<NodeIndex> node_of(const Literal& literal) const;
  const Class& class_of(NodeIndex node) const { return graph_.node(node); }

  // The nodes of `literal` and of its negation, creating both if neither exists.
  std::pair<NodeIndex, NodeIndex> add_literal_if_not_exists(const Literal& literal);
  // Records that `literal` holds: it joins the class of `True`, its negation that of `False`.
  void add_true_literal(const Literal& literal);
  // Records that `a` and `b` are equivalent. If both already have nodes, their classes are linked
  // by edges both ways and merged only by condensation.
  void add_equivalence(const Literal& a, const Literal& b);
  // Records one fact.
  void add_fact(const KnowledgeFact& fact);

  friend bool operator==(const KnowledgeGraph&, const KnowledgeGraph&) = default;

 private:
  // A graph without any node, for building a transformed copy.
  struct Empty {
    explicit Empty() = default;
  };
  explicit KnowledgeGraph(Empty) {}

  // The node `literal` is mapped to; a missing entry is an internal error.
  NodeIndex lookup(const Literal& literal) const;
  // Makes `literal` a member of class `node` and maps it there.
  void move_into(NodeIndex node, const Literal& literal);

  Graph graph_;
  LiteralNodes literal_nodes_;

  friend KnowledgeGraph condense_graph(KnowledgeGraph graph);
  friend void complete_graph(KnowledgeGraph& graph);
};

}  // namespace corvane
