// Fuzzes knowledge graphs: builds a graph from a list of facts decoded from the input, condenses
// and completes it, evaluates every proposition, and compares the results with plain
// breadth-first reachability; then checks that the prepared graph built from the same facts
// agrees with them.
//
// Input: the first byte picks how many propositions the facts talk about (1 to 48, so graphs
// range from a handful of nodes to more than one 64-bit word of completion rows); then every
// three bytes are one fact: its kind, and a left and a right literal (True, False, or a
// proposition of either polarity; the unary kinds ignore the right one).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "knowledge_graph/condensation.hpp"
#include "knowledge_graph/kleene_evaluation.hpp"
#include "knowledge_graph/knowledge_graph.hpp"
#include "knowledge_graph/prepared_graph.hpp"
#include "knowledge_graph/proposition_table.hpp"
#include "knowledge_graph/random_facts.hpp"
#include "support/reference_knowledge.hpp"

namespace {

using corvane::AtomicProposition;
using corvane::KnowledgeFact;
using corvane::KnowledgeGraph;
using corvane::Literal;
using corvane::NodeIndex;

constexpr std::size_t kMaxPropositions = 48;
constexpr std::size_t kMaxFacts = 200;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "knowledge graph fuzz: %s\n", what);
  std::abort();
}

Literal decode_literal(std::uint8_t byte, std::size_t propositions) {
  const std::size_t code = byte % (2 + 2 * propositions);
  if (code == 0) return Literal::true_();
  if (code == 1) return Literal::false_();
  auto proposition = AtomicProposition::new_("p" + std::to_string((code - 2) / 2));
  return code % 2 == 0 ? Literal::positive(std::move(proposition))
                       : Literal::negative(std::move(proposition));
}

std::vector<KnowledgeFact> decode_facts(const std::uint8_t* data, std::size_t size,
                                        std::size_t propositions) {
  std::vector<KnowledgeFact> facts;
  for (std::size_t i = 0; i + 3 <= size && facts.size() < kMaxFacts; i += 3) {
    Literal lhs = decode_literal(data[i + 1], propositions);
    Literal rhs = decode_literal(data[i + 2], propositions);
    switch (data[i] % 4) {
      case 0:
        facts.push_back(KnowledgeFact::is_true(std::move(lhs)));
        break;
      case 1:
        facts.push_back(KnowledgeFact::is_false(std::move(lhs)));
        break;
      case 2:
        facts.push_back(KnowledgeFact::implication(std::move(lhs), std::move(rhs)));
        break;
      default:
        facts.push_back(KnowledgeFact::equivalence(std::move(lhs), std::move(rhs)));
        break;
    }
  }
  return facts;
}

// reach[u][v]: v can be reached from u along zero or more edges.
using Reachability = std::vector<std::vector<bool>>;

Reachability reachability(const KnowledgeGraph::Graph& graph) {
  const std::size_t n = graph.node_count();
  Reachability reach(n, std::vector<bool>(n, false));
  for (NodeIndex start = 0; start < n; ++start) {
    std::vector<NodeIndex> queue{start};
    reach[start][start] = true;
    for (std::size_t next = 0; next < queue.size(); ++next) {
      for (NodeIndex target : graph.outgoing(queue[next])) {
        if (!reach[start][target]) {
          reach[start][target] = true;
          queue.push_back(target);
        }
      }
    }
  }
  return reach;
}

// Every mapped literal's negation is mapped too, every literal sits in the class it is mapped
// to, and every representative is a member of its class.
void check_invariants(const KnowledgeGraph& graph) {
  for (const auto& [literal, node] : graph.literal_nodes()) {
    if (node >= graph.graph().node_count()) fail("literal mapped past the last node");
    if (!graph.literal_nodes().contains(literal.negation())) fail("negation not mapped");
    if (!graph.class_of(node).literals.contains(literal)) fail("literal not in its class");
  }
  for (const auto& equivalence_class : graph.graph().nodes()) {
    if (!equivalence_class.literals.contains(equivalence_class.representative)) {
      fail("representative not a member");
    }
  }
}

// Which literals imply which, read off class membership and reachability: a -> b when some
// class holding a reaches some class holding b. Condensation must keep this relation exactly.
// Rows and columns follow the order of the literals, which are the keys of the result.
std::map<Literal, std::vector<bool>> literal_implications(const KnowledgeGraph& graph,
                                                          const Reachability& reach) {
  std::map<Literal, std::vector<NodeIndex>> holders;
  const auto& classes = graph.graph().nodes();
  for (NodeIndex node = 0; node < classes.size(); ++node) {
    for (const Literal& literal : classes[node].literals) holders[literal].push_back(node);
  }
  std::map<Literal, std::vector<bool>> implications;
  for (const auto& [a, a_nodes] : holders) {
    std::vector<bool> reached(classes.size(), false);
    for (NodeIndex from : a_nodes) {
      for (NodeIndex to = 0; to < classes.size(); ++to) {
        if (reach[from][to]) reached[to] = true;
      }
    }
    std::vector<bool>& row = implications[a];
    for (const auto& [b, b_nodes] : holders) {
      bool implied = false;
      for (NodeIndex node : b_nodes) implied = implied || reached[node];
      row.push_back(implied);
    }
  }
  return implications;
}

std::vector<corvane::Kleene> evaluate(const KnowledgeGraph& graph, std::size_t propositions) {
  std::vector<corvane::Kleene> values;
  // One more than the facts mention, which must come out unknown.
  for (std::size_t i = 0; i <= propositions; ++i) {
    values.push_back(
        corvane::get_kleene_evaluation(graph, AtomicProposition::new_("p" + std::to_string(i))));
  }
  if (values.back() != corvane::Kleene::Unknown) fail("unmentioned proposition not unknown");
  return values;
}

// The prepared graph of `facts` must have the classes of the condensed `graph`, map every literal
// to the same class, and have as implying classes exactly those that reach a class.
void check_prepared(const std::vector<KnowledgeFact>& facts, const KnowledgeGraph& graph,
                    const Reachability& reach) {
  corvane::PropositionTable table;
  const corvane::PreparedGraph prepared{
      corvane::InternedKnowledgeGraph(corvane::test::interned(facts, table))};
  const std::size_t n = graph.graph().node_count();
  if (prepared.node_count() != n) fail("prepared graph has other classes than condensation");
  if (prepared.literal_nodes().size() != graph.literal_nodes().size()) {
    fail("prepared graph maps other literals");
  }
  for (const auto& [literal, node] : graph.literal_nodes()) {
    const auto id = table.id_of(literal);
    if (!id || prepared.node_of(*id) != node) fail("prepared graph maps a literal elsewhere");
  }
  std::vector<NodeIndex> implying;
  for (NodeIndex to = 0; to < n; ++to) {
    const auto& expected = graph.class_of(to);
    if (table.literal(prepared.representative(to)) != expected.representative) {
      fail("prepared graph has another representative");
    }
    if (prepared.value_of(to) != corvane::kleene_value_of(expected)) {
      fail("prepared graph gives another value");
    }
    implying.clear();
    prepared.for_each_implying(to, [&](NodeIndex from) { implying.push_back(from); });
    std::size_t next = 0;
    for (NodeIndex from = 0; from < n; ++from) {
      if (!reach[from][to]) continue;
      if (next == implying.size() || implying[next] != from) fail("implying classes differ");
      ++next;
    }
    if (next != implying.size()) fail("implying classes differ");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t propositions = 1 + data[0] % kMaxPropositions;
  const std::vector<KnowledgeFact> facts = decode_facts(data + 1, size - 1, propositions);
  const KnowledgeGraph built(facts);
  check_invariants(built);
  evaluate(built, propositions);

  const Reachability built_reach = reachability(built.graph());
  KnowledgeGraph graph = corvane::condense_graph(built);
  check_invariants(graph);
  const Reachability reach = reachability(graph.graph());
  const std::size_t n = graph.graph().node_count();
  for (NodeIndex u = 0; u < n; ++u) {
    if (graph.graph().contains_edge(u, u)) fail("self-loop after condensation");
    for (NodeIndex v = u + 1; v < n; ++v) {
      if (reach[u][v] && reach[v][u]) fail("cycle left after condensation");
    }
  }
  std::map<Literal, NodeIndex> built_keys(built.literal_nodes().begin(),
                                          built.literal_nodes().end());
  for (auto& [literal, node] : built_keys) node = 0;
  std::map<Literal, NodeIndex> keys(graph.literal_nodes().begin(), graph.literal_nodes().end());
  for (auto& [literal, node] : keys) node = 0;
  if (keys != built_keys) fail("condensation changed the mapped literals");
  if (literal_implications(graph, reach) != literal_implications(built, built_reach)) {
    fail("condensation changed which literals imply which");
  }

  const std::vector<corvane::Kleene> before = evaluate(graph, propositions);
  check_prepared(facts, graph, reach);
  corvane::testing::complete_graph(graph);
  check_invariants(graph);
  std::size_t reachable_pairs = 0;
  for (NodeIndex u = 0; u < n; ++u) {
    for (NodeIndex v = 0; v < n; ++v) {
      reachable_pairs += reach[u][v];
      if (graph.graph().contains_edge(u, v) != reach[u][v]) {
        fail("completion edge differs from reachability");
      }
    }
  }
  if (graph.graph().edge_count() != reachable_pairs) fail("completion added parallel edges");
  if (evaluate(graph, propositions) != before) fail("completion changed an evaluation");
  return 0;
}
