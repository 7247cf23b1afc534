#include "knowledge_graph/knowledge_graph.hpp"

#include "support/interruption.hpp"

namespace corvane {

namespace {
constexpr const char* kMissingNegation =
    "internal error: entered unreachable code: The negation of a node must always exist if the "
    "node exists";
}  // namespace

template <class L>
BasicKnowledgeGraph<L>::BasicKnowledgeGraph() {
  add_literal_if_not_exists(L::true_());
}

template <class L>
BasicKnowledgeGraph<L>::BasicKnowledgeGraph(std::vector<Fact> facts)
    : BasicKnowledgeGraph(std::span<const Fact>(facts)) {}

template <class L>
BasicKnowledgeGraph<L>::BasicKnowledgeGraph(std::span<const Fact> facts) : BasicKnowledgeGraph() {
  // A fact maps one or two literals and their negations; most lists state one literal per fact.
  literal_nodes_.reserve(literal_nodes_.size() + 2 * facts.size());
  for (std::size_t i = 0; i < facts.size(); ++i) {
    poll_interrupt_every(i);
    add_fact(facts[i]);
  }
}

template <class L>
std::optional<NodeIndex> BasicKnowledgeGraph<L>::node_of(const L& literal) const {
  const auto it = literal_nodes_.find(literal);
  if (it == literal_nodes_.end()) return std::nullopt;
  return it->second;
}

template <class L>
NodeIndex BasicKnowledgeGraph<L>::lookup(const L& literal) const {
  const auto it = literal_nodes_.find(literal);
  check(it != literal_nodes_.end(), "no entry found for key");
  return it->second;
}

template <class L>
void BasicKnowledgeGraph<L>::move_into(NodeIndex node, const L& literal) {
  graph_.node(node).insert(literal);
  literal_nodes_.insert_or_assign(literal, node);
}

template <class L>
std::pair<NodeIndex, NodeIndex> BasicKnowledgeGraph<L>::add_literal_if_not_exists(
    const L& literal) {
  L negation = literal.negation();
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

template <class L>
void BasicKnowledgeGraph<L>::add_true_literal(const L& literal) {
  move_into(lookup(L::false_()), literal.negation());
  move_into(lookup(L::true_()), literal);
}

template <class L>
void BasicKnowledgeGraph<L>::add_equivalence(const L& a, const L& b) {
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

template <class L>
void BasicKnowledgeGraph<L>::add_fact(const Fact& fact) {
  switch (fact.kind()) {
    case Fact::Kind::IsTrue:
      add_true_literal(fact.lhs());
      return;
    case Fact::Kind::IsFalse:
      add_true_literal(fact.lhs().negation());
      return;
    case Fact::Kind::Implication: {
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
    case Fact::Kind::Equivalence:
      add_equivalence(fact.lhs(), fact.rhs());
      return;
  }
}

template class BasicKnowledgeGraph<Literal>;
template class BasicKnowledgeGraph<LiteralId>;

}  // namespace corvane
