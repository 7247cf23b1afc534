#include "knowledge_graph/condensation.hpp"

#include <vector>

#include "knowledge_graph/strongly_connected_components.hpp"

namespace corvane {

template <class L>
BasicKnowledgeGraph<L> condense_graph(BasicKnowledgeGraph<L> graph) {
  const StronglyConnectedComponents components = strongly_connected_components(graph.graph_);
  const std::size_t node_count = graph.graph_.node_count();

  // Member nodes per component, in ascending node index.
  std::vector<std::vector<NodeIndex>> members(components.count);
  for (NodeIndex node = 0; node < node_count; ++node) {
    members[components.component_of[node]].push_back(node);
  }

  BasicKnowledgeGraph<L> result{typename BasicKnowledgeGraph<L>::Empty{}};
  result.literal_nodes_ = std::move(graph.literal_nodes_);
  result.graph_.reserve(components.count, graph.graph_.edge_count());
  for (NodeIndex component = 0; component < components.count; ++component) {
    const std::vector<NodeIndex>& nodes = members[component];
    check(!nodes.empty(), "SCC should not be empty");
    typename BasicKnowledgeGraph<L>::Class merged = std::move(graph.graph_.node(nodes.front()));
    for (std::size_t i = 1; i < nodes.size(); ++i) {
      merged.merge(std::move(graph.graph_.node(nodes[i])));
    }
    for (const L& literal : merged.literals) {
      const auto it = result.literal_nodes_.find(literal);
      check(it != result.literal_nodes_.end(), "no entry found for key");
      it->second = component;
    }
    result.graph_.add_node(std::move(merged));
  }

  for (const GraphEdge& edge : graph.graph_.edges()) {
    const NodeIndex from = components.component_of[edge.source];
    const NodeIndex to = components.component_of[edge.target];
    if (from != to) result.graph_.update_edge(from, to);
  }
  return result;
}

template KnowledgeGraph condense_graph(KnowledgeGraph graph);
template InternedKnowledgeGraph condense_graph(InternedKnowledgeGraph graph);

}  // namespace corvane
