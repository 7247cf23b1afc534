#include "knowledge/knowledge_sequence.hpp"

#include "knowledge_graph/completion.hpp"
#include "knowledge_graph/condensation.hpp"
#include "knowledge_graph/parse_proposition.hpp"
#include "sequence/normalized_sequence.hpp"

namespace corvane {

std::vector<KnowledgeFact> knowledge_facts(const StepKnowledge& knowledge) {
  std::vector<KnowledgeFact> facts;
  facts.reserve(knowledge.holds.size() + knowledge.does_not_hold.size() +
                knowledge.implications.size() + knowledge.equivalences.size());
  for (const std::string& text : knowledge.holds) {
    facts.push_back(KnowledgeFact::is_true(parse_proposition(text)));
  }
  for (const std::string& text : knowledge.does_not_hold) {
    facts.push_back(KnowledgeFact::is_false(parse_proposition(text)));
  }
  for (const auto& [lhs, rhs] : knowledge.implications) {
    Literal premise = parse_proposition(lhs);
    facts.push_back(KnowledgeFact::implication(std::move(premise), parse_proposition(rhs)));
  }
  for (const auto& [lhs, rhs] : knowledge.equivalences) {
    Literal left = parse_proposition(lhs);
    facts.push_back(KnowledgeFact::equivalence(std::move(left), parse_proposition(rhs)));
  }
  return facts;
}

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
