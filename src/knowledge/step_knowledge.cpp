#include "knowledge/step_knowledge.hpp"

#include "knowledge_graph/parse_proposition.hpp"

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

}  // namespace corvane
