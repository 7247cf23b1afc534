#include "support/reference_knowledge.hpp"

#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "knowledge_graph/condensation.hpp"
#include "knowledge_graph/kleene_evaluation.hpp"
#include "knowledge_graph/proposition_table.hpp"
#include "sequence/normalized_sequence.hpp"

namespace corvane::testing {

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

void complete_graph(KnowledgeGraph& graph) {
  KnowledgeGraph::Graph completed = graph.graph();
  close_reflexive_transitively(completed);
  graph = KnowledgeGraph::from_parts(std::move(completed), graph.literal_nodes());
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

KnowledgeSequence interned_knowledge(const PlainSequence<KnowledgeGraph>& knowledge) {
  auto table = std::make_shared<PropositionTable>();
  std::vector<InternedKnowledgeGraph> graphs;
  PlainSequence<KnowledgeSequence::GraphIndex>::Map change_points;
  for (const auto& [step, graph] : knowledge.entries()) {
    change_points.emplace_hint(change_points.end(), step,
                               static_cast<KnowledgeSequence::GraphIndex>(graphs.size()));
    graphs.push_back(interned(graph, *table));
  }
  return KnowledgeSequence(std::move(table), std::move(graphs),
                           PlainSequence<KnowledgeSequence::GraphIndex>(std::move(change_points)));
}

KleeneTrace kleene_trace_step_by_step(const PlainSequence<KnowledgeGraph>& knowledge) {
  std::unordered_set<AtomicProposition> propositions;
  for (const auto& [step, graph] : knowledge.entries()) {
    for (const auto& c : graph.graph().nodes()) {
      for (const Literal& l : c.literals) {
        if (l.kind() == Literal::Kind::Positive) propositions.insert(l.proposition());
      }
    }
  }
  KleeneTrace trace;
  for (const AtomicProposition& p : propositions) {
    PlainSequence<Kleene>::Map values;
    for (const auto& [step, graph] : knowledge.entries()) {
      values.emplace(step, get_kleene_evaluation(graph, p));
    }
    trace.emplace(p, NormalizedSequence<Kleene>::normalize(PlainSequence<Kleene>(values)));
  }
  return trace;
}

}  // namespace corvane::testing
