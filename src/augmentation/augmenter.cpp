#include "augmentation/augmenter.hpp"

#include <optional>

#include "augmentation/augmentation_context.hpp"
#include "knowledge/kleene_trace.hpp"
#include "sets/interval_set.hpp"
#include "support/internal_error.hpp"

namespace corvane {

Augmenter::Augmenter(const KnowledgeSequence& knowledge)
    : knowledge_(knowledge), monitor_(kleene_trace(knowledge_), Kleene::Unknown) {}

NNFFormula Augmenter::augment(const NNFFormula& formula) const {
  const MonitorTable monitor_table = monitor_.evaluate(formula);
  AugmentationTable table;
  AugmentationContext context(knowledge_, monitor_table, table);
  context.augment_rec(formula, IntervalSet(Interval::singleton(0)));

  auto root = table.extract(formula);
  if (root.empty()) throw InternalError("Formula should have been inserted before");
  const std::optional<NNFFormula>& result = root.mapped().value_at(0);
  if (!result) throw InternalError("Augmentation at time 0 should have been computed");
  return *result;
}

}  // namespace corvane
