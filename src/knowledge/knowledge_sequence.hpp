// Knowledge about a scenario over time: one knowledge graph per step at which the knowledge
// changes, built from facts stated per time step as proposition texts.
#pragma once

#include <unordered_map>

#include "knowledge/step_knowledge.hpp"
#include "knowledge_graph/knowledge_graph.hpp"
#include "sequence/plain_sequence.hpp"
#include "time/time_step.hpp"

namespace corvane {

// Knowledge stated for step t applies at t alone; steps without a statement know nothing. The
// result has an entry at step 0 and one graph per change of the fact lists, so consecutive steps
// with equal statements share one graph.
PlainSequence<KnowledgeGraph> build_knowledge_sequence(
    const std::unordered_map<TimeStep, StepKnowledge>& steps);

// A copy of the knowledge with every graph condensed and then completed, under the same keys:
// the form the Kleene trace and augmentation read.
PlainSequence<KnowledgeGraph> prepare_knowledge(const PlainSequence<KnowledgeGraph>& knowledge);

}  // namespace corvane
