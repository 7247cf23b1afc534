#include "knowledge_graph/prepared_graph.hpp"

#include <utility>

#include "knowledge_graph/condensation.hpp"
#include "support/internal_error.hpp"

namespace corvane {

PreparedGraph::PreparedGraph(const InternedKnowledgeGraph& graph)
    : PreparedGraph(Condensed{condensation_of(graph)}) {}

PreparedGraph::PreparedGraph(const Condensed& condensed)
    : literal_nodes_(condensed.graph.literal_nodes()), implied_by_(condensed.graph.graph()) {
  representatives_.reserve(condensed.graph.graph().node_count());
  for (const auto& equivalence_class : condensed.graph.graph().nodes()) {
    representatives_.push_back(equivalence_class.representative);
  }
}

std::optional<NodeIndex> PreparedGraph::node_of(LiteralId literal) const {
  const auto it = literal_nodes_.find(literal);
  if (it == literal_nodes_.end()) return std::nullopt;
  return it->second;
}

LiteralId PreparedGraph::representative(NodeIndex node) const {
  check(node < representatives_.size(), "node index out of range");
  return representatives_[node];
}

Kleene PreparedGraph::value_of(NodeIndex node) const {
  const LiteralId literal = representative(node);
  if (literal.is_true()) return Kleene::True;
  if (literal.is_false()) return Kleene::False;
  return Kleene::Unknown;
}

}  // namespace corvane
