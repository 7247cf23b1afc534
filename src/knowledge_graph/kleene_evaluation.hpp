// The three-valued truth value a knowledge graph gives an atomic proposition.
#pragma once

#include "formula/atomic_proposition.hpp"
#include "knowledge_graph/knowledge_graph.hpp"
#include "truth_values/kleene.hpp"

namespace corvane {

// What a class says about its members: `True` or `False` when represented by that constant,
// otherwise `Unknown`.
Kleene kleene_value_of(const KnowledgeGraph::Class& equivalence_class);

// `True` when the proposition's positive literal is mapped to a class represented by `True`,
// `False` when represented by `False`, otherwise (also when the proposition is not in the graph)
// `Unknown`. Only class membership counts; edges are not consulted.
Kleene get_kleene_evaluation(const KnowledgeGraph& graph, const AtomicProposition& proposition);

}  // namespace corvane
