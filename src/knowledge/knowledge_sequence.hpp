// Knowledge about a scenario over time: one knowledge graph per step at which the knowledge
// changes, built from facts stated per time step as proposition texts.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "knowledge_graph/knowledge_graph.hpp"
#include "knowledge_graph/knowledge_fact.hpp"
#include "sequence/plain_sequence.hpp"
#include "time/time_step.hpp"

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

// Knowledge stated for step t applies at t alone; steps without a statement know nothing. The
// result has an entry at step 0 and one graph per change of the fact lists, so consecutive steps
// with equal statements share one graph.
PlainSequence<KnowledgeGraph> build_knowledge_sequence(
    const std::unordered_map<TimeStep, StepKnowledge>& steps);

// A copy of the knowledge with every graph condensed and then completed, under the same keys:
// the form the Kleene trace and augmentation read.
PlainSequence<KnowledgeGraph> prepare_knowledge(const PlainSequence<KnowledgeGraph>& knowledge);

}  // namespace corvane
