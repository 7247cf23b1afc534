#include "knowledge/knowledge_sequence.hpp"

#include <utility>
#include <vector>

#include "knowledge_graph/completion.hpp"
#include "knowledge_graph/condensation.hpp"
#include "sequence/normalized_sequence.hpp"
#include "support/internal_error.hpp"

namespace corvane {

namespace {

// `graph` with every literal replaced by its id in `table` (added as needed), keeping its nodes,
// edges and mapping as they are.
InternedKnowledgeGraph interned(const KnowledgeGraph& graph, PropositionTable& table) {
  const auto id_of = [&table](const Literal& literal) {
    if (literal.is_constant()) return *table.id_of(literal);
    table.add(literal.proposition());
    return *table.id_of(literal);
  };
  InternedKnowledgeGraph::Graph nodes;
  for (const auto& equivalence_class : graph.graph().nodes()) {
    InternedKnowledgeGraph::Class copy{
        id_of(equivalence_class.representative), {}, equivalence_class.representative_complexity};
    for (const Literal& member : equivalence_class.literals) copy.literals.insert(id_of(member));
    nodes.add_node(std::move(copy));
  }
  for (const GraphEdge& edge : graph.graph().edges()) nodes.update_edge(edge.source, edge.target);
  InternedKnowledgeGraph::LiteralNodes literal_nodes;
  for (const auto& [literal, node] : graph.literal_nodes()) {
    literal_nodes.insert_or_assign(id_of(literal), node);
  }
  return InternedKnowledgeGraph::from_parts(std::move(nodes), std::move(literal_nodes));
}

}  // namespace

KnowledgeSequence::KnowledgeSequence(std::shared_ptr<const PropositionTable> propositions,
                                     std::vector<InternedKnowledgeGraph> graphs,
                                     PlainSequence<GraphIndex> change_points)
    : propositions_(std::move(propositions)),
      graphs_(std::move(graphs)),
      change_points_(std::move(change_points)) {
  for (const auto& [step, index] : change_points_.entries()) {
    check(index < graphs_.size(), "graph index out of range");
  }
}

KnowledgeSequence KnowledgeSequence::from_graphs(const PlainSequence<KnowledgeGraph>& knowledge) {
  auto table = std::make_shared<PropositionTable>();
  std::vector<InternedKnowledgeGraph> graphs;
  PlainSequence<GraphIndex>::Map change_points;
  for (const auto& [step, graph] : knowledge.entries()) {
    change_points.emplace_hint(change_points.end(), step, static_cast<GraphIndex>(graphs.size()));
    graphs.push_back(interned(graph, *table));
  }
  return KnowledgeSequence(std::move(table), std::move(graphs),
                           PlainSequence<GraphIndex>(std::move(change_points)));
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
