// Knowledge in the form that augmentation reads: every distinct graph of a knowledge sequence
// condensed and closed (knowledge_graph/prepared_graph.hpp), each once, and per change point the
// index of its graph.
#pragma once

#include <memory>
#include <vector>

#include "knowledge/knowledge_sequence.hpp"
#include "knowledge_graph/prepared_graph.hpp"
#include "knowledge_graph/proposition_table.hpp"
#include "sequence/plain_sequence.hpp"
#include "time/interval.hpp"

namespace corvane {

class PreparedKnowledge {
 public:
  using GraphIndex = KnowledgeSequence::GraphIndex;

  // Prepares each graph of `knowledge` once, however many change points share it.
  explicit PreparedKnowledge(const KnowledgeSequence& knowledge);

  const PropositionTable& propositions() const noexcept { return *propositions_; }
  // The distinct prepared graphs.
  const std::vector<PreparedGraph>& graphs() const noexcept { return graphs_; }
  // The index of the graph in effect from each change point on.
  const PlainSequence<GraphIndex>& change_points() const noexcept { return change_points_; }

  const PreparedGraph& value_at(TimeStep t) const { return graphs_[change_points_.value_at(t)]; }
  // The ordered partition of `interval` at the change points: one graph holds on each piece.
  std::vector<Interval> interval_covering(const Interval& interval) const {
    return change_points_.interval_covering(interval);
  }

 private:
  std::shared_ptr<const PropositionTable> propositions_;
  std::vector<PreparedGraph> graphs_;
  PlainSequence<GraphIndex> change_points_;
};

}  // namespace corvane
