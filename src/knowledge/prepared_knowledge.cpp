#include "knowledge/prepared_knowledge.hpp"

#include "support/interruption.hpp"

namespace corvane {

PreparedKnowledge::PreparedKnowledge(const KnowledgeSequence& knowledge)
    : propositions_(knowledge.shared_propositions()), change_points_(knowledge.change_points()) {
  graphs_.reserve(knowledge.graphs().size());
  for (const InternedKnowledgeGraph& graph : knowledge.graphs()) {
    poll_interrupt();
    graphs_.emplace_back(graph);
  }
}

}  // namespace corvane
