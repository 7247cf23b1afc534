// Knowledge about a scenario over time: one knowledge graph per step at which the knowledge
// changes, built from facts stated per time step.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "knowledge_graph/knowledge_graph.hpp"
#include "knowledge_graph/proposition_table.hpp"
#include "sequence/plain_sequence.hpp"
#include "time/time_step.hpp"

namespace corvane {

// The graph in effect from each change point on, over interned literals. Steps whose stated
// facts are equal share one graph: each distinct graph is held once, and the sequence maps every
// change point to the index of its graph. Immutable once built; built by
// `KnowledgeSequenceBuilder` (knowledge/knowledge_sequence_builder.hpp).
class KnowledgeSequence {
 public:
  using GraphIndex = std::uint32_t;

  // `change_points` must have an entry at step 0 for the knowledge to be usable; every index must
  // name one of `graphs`.
  KnowledgeSequence(std::shared_ptr<const PropositionTable> propositions,
                    std::vector<InternedKnowledgeGraph> graphs,
                    PlainSequence<GraphIndex> change_points);

  const PropositionTable& propositions() const noexcept { return *propositions_; }
  const std::shared_ptr<const PropositionTable>& shared_propositions() const noexcept {
    return propositions_;
  }
  // The distinct graphs.
  const std::vector<InternedKnowledgeGraph>& graphs() const noexcept { return graphs_; }
  // The index of the graph in effect from each change point on.
  const PlainSequence<GraphIndex>& change_points() const noexcept { return change_points_; }
  const InternedKnowledgeGraph& value_at(TimeStep t) const {
    return graphs_[change_points_.value_at(t)];
  }

 private:
  std::shared_ptr<const PropositionTable> propositions_;
  std::vector<InternedKnowledgeGraph> graphs_;
  PlainSequence<GraphIndex> change_points_;
};

}  // namespace corvane
