// Merges every cycle of a knowledge graph into one class.
#pragma once

#include "knowledge_graph/knowledge_graph.hpp"

namespace corvane {

// One node per strongly connected component, numbered in the order of
// `strongly_connected_components`. A component's class unites its members' classes, taken in
// ascending node index: the first class's representative stays unless a later one is strictly
// less complex. Edges between components are kept in their first-occurrence order, edges inside a
// component are dropped. Every literal is remapped to its new node; a literal that is a member of
// classes in several components ends up mapped to the last of them.
template <class L>
BasicKnowledgeGraph<L> condense_graph(BasicKnowledgeGraph<L> graph);
// The same, leaving `graph` as it is: only the classes are copied.
template <class L>
BasicKnowledgeGraph<L> condensation_of(const BasicKnowledgeGraph<L>& graph);

extern template KnowledgeGraph condense_graph(KnowledgeGraph graph);
extern template InternedKnowledgeGraph condense_graph(InternedKnowledgeGraph graph);
extern template InternedKnowledgeGraph condensation_of(const InternedKnowledgeGraph& graph);

}  // namespace corvane
