// Builds a knowledge sequence from the facts stated per time step.
//
// Each distinct proposition text is read once; facts are kept as interned literals, and each
// distinct list of facts once, so building costs one lookup per text and one per step, plus one
// graph per distinct list of facts: a trace of a million steps that cycles through a few states
// builds a few graphs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "knowledge/knowledge_sequence.hpp"
#include "knowledge/step_knowledge.hpp"
#include "knowledge_graph/knowledge_fact.hpp"
#include "knowledge_graph/literal_id.hpp"
#include "knowledge_graph/proposition_table.hpp"
#include "time/time_step.hpp"

namespace corvane {

class KnowledgeSequenceBuilder {
 public:
  KnowledgeSequenceBuilder();

  // The positive literal of the proposition a text names (read by `parse_proposition`).
  LiteralId proposition(std::string_view text);

  // Starts the statement of step `t`; the facts added next belong to it. When a step is stated
  // more than once, the last statement counts.
  void begin_step(TimeStep t);
  // Adds a fact to the statement begun last.
  void add_fact(LiteralIdFact fact) { pending_.push_back(fact); }
  // States step `t` with the facts of `knowledge`, in the order of `knowledge_facts`.
  void add_step(TimeStep t, const StepKnowledge& knowledge);

  // Knowledge stated for step t applies at t alone; steps without a statement know nothing.
  // The result has an entry at step 0 and one per change of the fact lists, so consecutive steps
  // with equal statements share an entry, and all steps with equal statements share one graph.
  KnowledgeSequence build() &&;

 private:
  using FactList = std::uint32_t;  // index of a distinct list of facts
  static constexpr FactList kNoList = ~FactList{0};

  // Closes the statement begun last, if any.
  void finish_step();
  // The index of the list `facts`, added if new.
  FactList intern(const std::vector<LiteralIdFact>& facts);
  std::span<const LiteralIdFact> facts_of(FactList list) const {
    return std::span<const LiteralIdFact>(facts_).subspan(offsets_[list],
                                                          offsets_[list + 1] - offsets_[list]);
  }

  // Hashes texts and views alike, so that looking a text up needs no string of its own.
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
      return std::hash<std::string_view>{}(text);
    }
  };

  std::shared_ptr<PropositionTable> table_;
  std::unordered_map<std::string, LiteralId, TextHash, std::equal_to<>> texts_;
  // The distinct lists, one after the other: list i is facts_[offsets_[i] .. offsets_[i + 1]).
  std::vector<LiteralIdFact> facts_;
  std::vector<std::size_t> offsets_;
  // Distinct lists by hash; lists with equal hashes are chained through `same_hash_`.
  std::unordered_map<std::size_t, FactList> by_hash_;
  std::vector<FactList> same_hash_;
  // The statements in the order given.
  std::vector<std::pair<TimeStep, FactList>> steps_;
  std::vector<LiteralIdFact> pending_;
  bool stating_ = false;
  TimeStep pending_step_ = 0;
};

}  // namespace corvane
