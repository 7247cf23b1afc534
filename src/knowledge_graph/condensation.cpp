#include "knowledge_graph/condensation.hpp"

#include <utility>
#include <vector>

#include "knowledge_graph/strongly_connected_components.hpp"
#include "support/interruption.hpp"

namespace corvane {

namespace {

// The condensation of `graph` with the mapping `literal_nodes`; `take_class(node)` hands over the
// class of a node of `graph` (moved out of a graph that is consumed, copied from one that is not).
template <class L, class TakeClass>
BasicKnowledgeGraph<L> condense(const typename BasicKnowledgeGraph<L>::Graph& graph,
                                typename BasicKnowledgeGraph<L>::LiteralNodes literal_nodes,
                                TakeClass take_class) {
  const StronglyConnectedComponents components = strongly_connected_components(graph);
  const std::size_t node_count = graph.node_count();

  // Member nodes per component, in ascending node index.
  std::vector<std::vector<NodeIndex>> members(components.count);
  for (NodeIndex node = 0; node < node_count; ++node) {
    members[components.component_of[node]].push_back(node);
  }

  typename BasicKnowledgeGraph<L>::Graph result;
  result.reserve(components.count, graph.edge_count());
  for (NodeIndex component = 0; component < components.count; ++component) {
    poll_interrupt_every(component);
    const std::vector<NodeIndex>& nodes = members[component];
    check(!nodes.empty(), "SCC should not be empty");
    typename BasicKnowledgeGraph<L>::Class merged = take_class(nodes.front());
    for (std::size_t i = 1; i < nodes.size(); ++i) merged.merge(take_class(nodes[i]));
    for (const L& literal : merged.literals) {
      const auto it = literal_nodes.find(literal);
      check(it != literal_nodes.end(), "no entry found for key");
      it->second = component;
    }
    result.add_node(std::move(merged));
  }

  std::uint64_t visited = 0;
  for (const GraphEdge& edge : graph.edges()) {
    poll_interrupt_every(visited++);
    const NodeIndex from = components.component_of[edge.source];
    const NodeIndex to = components.component_of[edge.target];
    if (from != to) result.update_edge(from, to);
  }
  return BasicKnowledgeGraph<L>::from_parts(std::move(result), std::move(literal_nodes));
}

}  // namespace

template <class L>
BasicKnowledgeGraph<L> condense_graph(BasicKnowledgeGraph<L> graph) {
  // Moving a class out leaves the graph's edges, which the condensation reads, as they are.
  return condense<L>(graph.graph_, std::move(graph.literal_nodes_),
                     [&graph](NodeIndex node) { return std::move(graph.graph_.node(node)); });
}

template <class L>
BasicKnowledgeGraph<L> condensation_of(const BasicKnowledgeGraph<L>& graph) {
  return condense<L>(graph.graph(), graph.literal_nodes(),
                     [&graph](NodeIndex node) { return graph.class_of(node); });
}

template KnowledgeGraph condense_graph(KnowledgeGraph graph);
template InternedKnowledgeGraph condense_graph(InternedKnowledgeGraph graph);
template InternedKnowledgeGraph condensation_of(const InternedKnowledgeGraph& graph);

}  // namespace corvane
