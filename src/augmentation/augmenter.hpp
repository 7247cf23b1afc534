// Rewrites formulas with what the knowledge about a scenario entails.
#pragma once

#include "formula/nnf_formula.hpp"
#include "knowledge/knowledge_sequence.hpp"
#include "knowledge/prepared_knowledge.hpp"
#include "monitoring/monitor.hpp"

namespace corvane {

class Augmenter {
 public:
  // Prepares every distinct graph of `knowledge` once (condensed and closed, shared by all the
  // change points that use it) and builds a monitor over the three-valued trace they yield; a
  // proposition the knowledge never mentions is `Unknown` at every step. Keeps no reference to
  // `knowledge`.
  explicit Augmenter(const KnowledgeSequence& knowledge);

  // The formula that says at step 0 what `formula` says there once the knowledge is taken into
  // account: subformulas the knowledge decides become constants, each proposition becomes the
  // disjunction of the literals that imply it, and temporal operators are split into pieces of
  // their windows on which their operands' augmented forms are constant.
  NNFFormula augment(const NNFFormula& formula) const;

  // The prepared graphs.
  const PreparedKnowledge& knowledge() const noexcept { return knowledge_; }

 private:
  PreparedKnowledge knowledge_;
  Monitor monitor_;
};

}  // namespace corvane
