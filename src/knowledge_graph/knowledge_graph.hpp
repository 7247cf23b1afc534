// What is known about the literals at one time step: an implication graph whose nodes are classes
// of equivalent literals.
//
// An edge u -> v means every literal of class u implies every literal of class v; every edge is
// added together with its contrapositive. Node 0 is the class of `True`, node 1 the class of
// `False`, and literals always enter in complementary pairs: if a literal has a node, so does its
// negation. Facts are not checked for consistency; contradictions are recorded as given.
//
// The graph is written once for two kinds of literal: `KnowledgeGraph` holds `Literal`s with
// their texts, `InternedKnowledgeGraph` holds `LiteralId`s (knowledge_graph/literal_id.hpp) with
// flat containers, which is what knowledge sequences store. Both build the same classes, edges
// and mapping from the same facts.
#pragma once

#include <optional>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "formula/literal.hpp"
#include "knowledge_graph/complexity_functions.hpp"
#include "knowledge_graph/directed_graph.hpp"
#include "knowledge_graph/equivalence_class.hpp"
#include "knowledge_graph/knowledge_fact.hpp"
#include "knowledge_graph/literal_id.hpp"
#include "knowledge_graph/literal_id_map.hpp"

namespace corvane {

// The types a knowledge graph over literals of type `L` is made of.
template <class L>
struct GraphLiterals;

template <>
struct GraphLiterals<Literal> {
  using Fact = KnowledgeFact;
  using Class = EquivalenceClass<DefaultComplexityFunction>;
  using LiteralNodes = std::unordered_map<Literal, NodeIndex>;
};

template <>
struct GraphLiterals<LiteralId> {
  using Fact = LiteralIdFact;
  using Class = EquivalenceClass<DefaultComplexityFunction, LiteralId, LiteralIdBag>;
  using LiteralNodes = LiteralIdMap;
};

template <class L>
class BasicKnowledgeGraph {
 public:
  using Complexity = DefaultComplexityFunction;
  using Fact = typename GraphLiterals<L>::Fact;
  using Class = typename GraphLiterals<L>::Class;
  using Graph = DirectedGraph<Class>;
  using LiteralNodes = typename GraphLiterals<L>::LiteralNodes;

  // The graph of no facts: node 0 {True} and node 1 {False}, no edges.
  BasicKnowledgeGraph();
  // Applies the facts strictly in order; the result depends on it.
  explicit BasicKnowledgeGraph(std::vector<Fact> facts);
  explicit BasicKnowledgeGraph(std::span<const Fact> facts);

  const Graph& graph() const noexcept { return graph_; }
  // The node whose class the literal is mapped to. A literal can be a member of several classes
  // (stating that it holds moves it to the class of `True` and leaves the old membership), but it
  // is mapped to exactly one.
  const LiteralNodes& literal_nodes() const noexcept { return literal_nodes_; }
  std::optional<NodeIndex> node_of(const L& literal) const;
  const Class& class_of(NodeIndex node) const { return graph_.node(node); }

  // The nodes of `literal` and of its negation, creating both if neither exists.
  std::pair<NodeIndex, NodeIndex> add_literal_if_not_exists(const L& literal);
  // Records that `literal` holds: it joins the class of `True`, its negation that of `False`.
  void add_true_literal(const L& literal);
  // Records that `a` and `b` are equivalent. If both already have nodes, their classes are linked
  // by edges both ways and merged only by condensation.
  void add_equivalence(const L& a, const L& b);
  // Records one fact.
  void add_fact(const Fact& fact);

  friend bool operator==(const BasicKnowledgeGraph&, const BasicKnowledgeGraph&) = default;

  // Takes the parts of a graph as they are; `literal_nodes` must map every member of every class.
  static BasicKnowledgeGraph from_parts(Graph graph, LiteralNodes literal_nodes) {
    BasicKnowledgeGraph result{Empty{}};
    result.graph_ = std::move(graph);
    result.literal_nodes_ = std::move(literal_nodes);
    return result;
  }

 private:
  // A graph without any node.
  struct Empty {
    explicit Empty() = default;
  };
  explicit BasicKnowledgeGraph(Empty) {}

  // The node `literal` is mapped to; a missing entry is an internal error.
  NodeIndex lookup(const L& literal) const;
  // Makes `literal` a member of class `node` and maps it there.
  void move_into(NodeIndex node, const L& literal);

  Graph graph_;
  LiteralNodes literal_nodes_;

  template <class M>
  friend BasicKnowledgeGraph<M> condense_graph(BasicKnowledgeGraph<M> graph);
};

using KnowledgeGraph = BasicKnowledgeGraph<Literal>;
using InternedKnowledgeGraph = BasicKnowledgeGraph<LiteralId>;

extern template class BasicKnowledgeGraph<Literal>;
extern template class BasicKnowledgeGraph<LiteralId>;

}  // namespace corvane
