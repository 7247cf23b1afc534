#include "knowledge_graph/knowledge_graph.hpp"

namespace corvane {

namespace {
constexpr const char* kMissingNegation =
    "internal error: entered unreachable code: The negation of a node must always exist if the "
    "node exists";
}  // namespace

KnowledgeGraph::KnowledgeGraph() {
  add_literal_if_not_exists(Literal::true_());
}

KnowledgeGraph::KnowledgeGraph(std::vector<KnowledgeFact> facts) : KnowledgeGraph() {
  for (const KnowledgeFact& fact : facts) add_fact(fact);
}

std::optional<NodeIndex> KnowledgeGraph::node_of(const Literal& literal) const {
  const auto it = literal_nodes_.find(literal);
  if (it == literal_nodes_.end()) return std::nullopt;
  return it->second;
}

NodeIndex KnowledgeGraph::lookup(const Literal& literal) const {
  const auto it = literal_nodes_.find(literal);
  check(it != literal_nodes_.end(), "no entry found for key");
  return it->second;
}

void KnowledgeGraph::move_into(NodeIndex node, const Literal& literal) {
  graph_.node(node).insert(literal);
  literal_nodes_.insert_or_assign(literal, node);
}

std::pair<NodeIndex, NodeIndex> KnowledgeGraph::add_literal_if_not_exists(const Literal& literal) {
  Literal negation = literal.negation();
  if (!literal_nodes_.empty()) {
    const auto positive = literal_nodes_.find(literal);
    const auto negative = literal_nodes_.find(negation);
    if (positive != literal_nodes_.end()) {
      check(negative != literal_nodes_.end(), kMissingNegation);
      return {positive->second, negative->second};
    }
    check(negative == literal_nodes_.end(), kMissingNegation);
  }
  const NodeIndex node = graph_.add_node(Class::from(literal));
  literal_nodes_.insert_or_assign(literal, node);
  const NodeIndex negated_node = graph_.add_node(Class::from(negation));
  literal_nodes_.insert_or_assign(std::move(negation), negated_node);
  return {node, negated_node};
}

void KnowledgeGraph::add_true_literal(const Literal& literal) {
  move_into(lookup(Literal::false_()), literal.negation());
  move_into(lookup(Literal::true_()), literal);
}

void KnowledgeGraph::add_equivalence(const Literal& a, const Literal& b) {
  const bool a_known = literal_nodes_.contains(a);
  const bool b_known = literal_nodes_.contains(b);
  if (a_known && b_known) {
    // Both classes exist: link them both ways; condensation merges the resulting cycle.
    const auto [ia, na] = add_literal_if_not_exists(a);
    const auto [ib, nb] = add_literal_if_not_exists(b);
    graph_.update_edge(ia, ib);
    graph_.update_edge(nb, na);
    graph_.update_edge(ib, ia);
    graph_.update_edge(na, nb);
  } else if (a_known) {
    move_into(lookup(a), b);
    move_into(lookup(a.negation()), b.negation());
  } else if (b_known) {
    add_equivalence(b, a);
  } else {
    const auto [ia, na] = add_literal_if_not_exists(a);
    move_into(ia, b);
    move_into(na, b.negation());
  }
}

void KnowledgeGraph::add_fact(const KnowledgeFact& fact) {
  switch (fact.kind()) {
    case KnowledgeFact::Kind::IsTrue:
      add_true_literal(fact.lhs());
      return;
    case KnowledgeFact::Kind::IsFalse:
      add_true_literal(fact.lhs().negation());
      return;
    case KnowledgeFact::Kind::Implication: {
      // A true premise makes the conclusion true; a false conclusion makes the premise false.
      if (fact.lhs().is_true() || fact.rhs().is_false()) {
        add_equivalence(fact.lhs(), fact.rhs());
        return;
      }
      const auto [il, nl] = add_literal_if_not_exists(fact.lhs());
      const auto [ir, nr] = add_literal_if_not_exists(fact.rhs());
      graph_.update_edge(il, ir);
      graph_.update_edge(nr, nl);
      return;
    }
    case KnowledgeFact::Kind::Equivalence:
      add_equivalence(fact.lhs(), fact.rhs());
      return;
  }
}

}  // namespace corvane
