// Random lists of facts, for comparing constructions that must agree. Literals are drawn from a
// given number of propositions, in both polarities, and now and then a constant; facts of every
// kind appear, contradictions and cycles included.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "knowledge_graph/knowledge_fact.hpp"
#include "knowledge_graph/proposition_table.hpp"

namespace corvane::test {

class RandomFacts {
 public:
  explicit RandomFacts(unsigned seed) : rng_(seed) {}

  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  Literal literal(int propositions) {
    if (pick(0, 19) == 0) return pick(0, 1) == 0 ? Literal::true_() : Literal::false_();
    const auto p = AtomicProposition::new_("p" + std::to_string(pick(0, propositions - 1)));
    return pick(0, 1) == 0 ? Literal::positive(p) : Literal::negative(p);
  }

  std::vector<KnowledgeFact> facts(int count, int propositions) {
    std::vector<KnowledgeFact> result;
    for (int i = 0; i < count; ++i) {
      const Literal a = literal(propositions);
      const Literal b = literal(propositions);
      switch (pick(0, 3)) {
        case 0:
          result.push_back(KnowledgeFact::is_true(a));
          break;
        case 1:
          result.push_back(KnowledgeFact::is_false(a));
          break;
        case 2:
          result.push_back(KnowledgeFact::implication(a, b));
          break;
        default:
          result.push_back(KnowledgeFact::equivalence(a, b));
          break;
      }
    }
    return result;
  }

 private:
  std::mt19937 rng_;
};

// `facts` over the ids of `table`, which gets every proposition they mention.
inline std::vector<LiteralIdFact> interned(const std::vector<KnowledgeFact>& facts,
                                           PropositionTable& table) {
  const auto id = [&table](const Literal& literal) {
    if (!literal.is_constant()) table.add(literal.proposition());
    return *table.id_of(literal);
  };
  std::vector<LiteralIdFact> result;
  for (const KnowledgeFact& fact : facts) {
    result.emplace_back(fact.kind(), id(fact.lhs()), id(fact.rhs()));
  }
  return result;
}

}  // namespace corvane::test
