// Rewrites formulas with what the knowledge about a scenario entails.
#pragma once

#include "formula/nnf_formula.hpp"
#include "knowledge_graph/knowledge_graph.hpp"
#include "monitoring/monitor.hpp"
#include "sequence/plain_sequence.hpp"

namespace corvane {

class Augmenter {
 public:
  // Takes its own copy of `knowledge` (one graph per step at which the knowledge changes),
  // condensed and completed, and a monitor over the three-valued trace the copy yields; a
  // proposition the knowledge never mentions is `Unknown` at every step.
  explicit Augmenter(const PlainSequence<KnowledgeGraph>& knowledge);

  // The formula that says at step 0 what `formula` says there once the knowledge is taken into
  // account: subformulas the knowledge decides become constants, each proposition becomes the
  // disjunction of the literals that imply it, and temporal operators are split into pieces of
  // their windows on which their operands' augmented forms are constant.
  NNFFormula augment(const NNFFormula& formula) const;

  // The condensed and completed graphs.
  const PlainSequence<KnowledgeGraph>& knowledge() const noexcept { return knowledge_; }

 private:
  PlainSequence<KnowledgeGraph> knowledge_;
  Monitor monitor_;
};

}  // namespace corvane
