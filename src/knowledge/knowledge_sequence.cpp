#include "knowledge/knowledge_sequence.hpp"

#include <utility>
#include <vector>

#include "knowledge_graph/completion.hpp"
#include "knowledge_graph/condensation.hpp"
#include "sequence/normalized_sequence.hpp"

namespace corvane {

PlainSequence<KnowledgeGraph> build_knowledge_sequence(
    const std::unordered_map<TimeStep, StepKnowledge>& steps) {
  std::vector<std::pair<TimeStep, std::vector<KnowledgeFact>>> pairs;
  pairs.reserve(steps.size());
  for (const auto& [step, knowledge] : steps) pairs.emplace_back(step, knowledge_facts(knowledge));
  const auto facts = NormalizedSequence<std::vector<KnowledgeFact>>::from_pairs(pairs, {});

  PlainSequence<KnowledgeGraph> knowledge;
  for (const auto& [step, step_facts] : facts.entries()) {
    knowledge.insert_or_assign(step, KnowledgeGraph(step_facts));
  }
  return knowledge;
}

PlainSequence<KnowledgeGraph> prepare_knowledge(const PlainSequence<KnowledgeGraph>& knowledge) {
  PlainSequence<KnowledgeGraph> prepared;
  for (const auto& [step, graph] : knowledge.entries()) {
    KnowledgeGraph condensed = condense_graph(graph);
    complete_graph(condensed);
    prepared.insert_or_assign(step, std::move(condensed));
  }
  return prepared;
}

}  // namespace corvane
