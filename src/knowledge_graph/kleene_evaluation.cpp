#include "knowledge_graph/kleene_evaluation.hpp"

namespace corvane {

Kleene kleene_value_of(const KnowledgeGraph::Class& equivalence_class) {
  const Literal& representative = equivalence_class.representative;
  if (representative.is_true()) return Kleene::True;
  if (representative.is_false()) return Kleene::False;
  return Kleene::Unknown;
}

Kleene get_kleene_evaluation(const KnowledgeGraph& graph, const AtomicProposition& proposition) {
  const auto node = graph.node_of(Literal::positive(proposition));
  if (!node) return Kleene::Unknown;
  return kleene_value_of(graph.class_of(*node));
}

}  // namespace corvane
