// The literal-level knowledge pipeline that the interned, prepared one is checked against: one
// `KnowledgeGraph` per change point, condensed and then completed with an edge for every reachable
// pair, and the three-valued trace read graph by graph. Written to be obviously right, not fast.
#pragma once

#include <unordered_map>

#include "knowledge/kleene_trace.hpp"
#include "knowledge/knowledge_sequence.hpp"
#include "knowledge/step_knowledge.hpp"
#include "knowledge_graph/directed_graph.hpp"
#include "knowledge_graph/knowledge_graph.hpp"
#include "knowledge_graph/reachability.hpp"
#include "knowledge_graph/strongly_connected_components.hpp"
#include "sequence/plain_sequence.hpp"
#include "time/time_step.hpp"

namespace corvane::testing {

// Adds an edge u -> v for every pair where v is reachable from u, u -> u included. Existing edges
// keep their places; the new ones follow ordered by u, then v.
template <typename N>
void close_reflexive_transitively(DirectedGraph<N>& graph) {
  const StronglyConnectedComponents components = strongly_connected_components(graph);
  const ComponentRows rows(graph, components, ComponentRows::Direction::Forward);
  for (NodeIndex from = 0; from < graph.node_count(); ++from) {
    rows.for_each_in(rows.row(components.component_of[from]),
                     [&](NodeIndex to) { graph.update_edge(from, to); });
  }
}

// After completion there is an edge u -> v exactly when v is reachable from u, so the classes with
// an edge into a class are exactly those that imply it, itself included. Classes and the literal
// mapping are unchanged.
void complete_graph(KnowledgeGraph& graph);

// Knowledge stated for step t applies at t alone; steps without a statement know nothing. The
// result has an entry at step 0 and one graph per change of the fact lists, so consecutive steps
// with equal statements share one graph.
PlainSequence<KnowledgeGraph> build_knowledge_sequence(
    const std::unordered_map<TimeStep, StepKnowledge>& steps);

// A copy of `knowledge` with every graph condensed and then completed, under the same keys.
PlainSequence<KnowledgeGraph> prepare_knowledge(const PlainSequence<KnowledgeGraph>& knowledge);

// The same knowledge with its literals interned: one graph per entry, each kept as it is (none
// shared, nothing condensed).
KnowledgeSequence interned_knowledge(const PlainSequence<KnowledgeGraph>& knowledge);

// For every proposition with a positive literal in some class, `get_kleene_evaluation` of each
// graph, normalised.
KleeneTrace kleene_trace_step_by_step(const PlainSequence<KnowledgeGraph>& knowledge);

}  // namespace corvane::testing
