// What is stated about one time step of a scenario, and the facts it amounts to.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "knowledge_graph/knowledge_fact.hpp"

namespace corvane {

// What is stated for one time step. Every text is read by `parse_proposition`, so all facts are
// about positive literals.
struct StepKnowledge {
  std::vector<std::string> holds;
  std::vector<std::string> does_not_hold;
  // (lhs, rhs): lhs implies rhs.
  std::vector<std::pair<std::string, std::string>> implications;
  // (lhs, rhs): lhs holds exactly when rhs holds.
  std::vector<std::pair<std::string, std::string>> equivalences;
};

// The facts of one step, in this order: `IsTrue` per held text, `IsFalse` per text that does not
// hold, then the implications, then the equivalences, each list in its own order.
std::vector<KnowledgeFact> knowledge_facts(const StepKnowledge& knowledge);

}  // namespace corvane
