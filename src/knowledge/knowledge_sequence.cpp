#include "knowledge/knowledge_sequence.hpp"

#include <utility>
#include <vector>

#include "support/internal_error.hpp"

namespace corvane {

KnowledgeSequence::KnowledgeSequence(std::shared_ptr<const PropositionTable> propositions,
                                     std::vector<InternedKnowledgeGraph> graphs,
                                     PlainSequence<GraphIndex> change_points)
    : propositions_(std::move(propositions)),
      graphs_(std::move(graphs)),
      change_points_(std::move(change_points)) {
  for (const auto& [step, index] : change_points_.entries()) {
    check(index < graphs_.size(), "graph index out of range");
  }
}

}  // namespace corvane
