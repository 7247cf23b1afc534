#include "knowledge_graph/completion.hpp"

namespace corvane {

void complete_graph(KnowledgeGraph& graph) {
  close_reflexive_transitively(graph.graph_);
}

}  // namespace corvane
