#include "knowledge_graph/kleene_evaluation.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "knowledge_graph/condensation.hpp"
#include "support/reference_knowledge.hpp"

namespace corvane {
namespace {

using Fact = KnowledgeFact;

Literal pos(const char* name) {
  return Literal::positive(AtomicProposition::new_(name));
}

TEST(KleeneEvaluation, ReadsTheRepresentativeOfTheLiteralsClass) {
  struct Case {
    const char* name;
    std::vector<Fact> facts;
    std::map<std::string, Kleene> expected;
  };
  const Literal t = Literal::true_(), f = Literal::false_();
  const std::vector<Case> cases = {
      {"no facts", {}, {{"p", Kleene::Unknown}}},
      {"mutual implication",
       {Fact::implication(pos("p"), pos("q")), Fact::implication(pos("q"), pos("p"))},
       {{"p", Kleene::Unknown}, {"q", Kleene::Unknown}}},
      {"truth after equivalence stays with the stated literal",
       {Fact::equivalence(pos("p"), pos("q")), Fact::is_true(pos("q"))},
       {{"p", Kleene::Unknown}, {"q", Kleene::True}}},
      {"equivalent to true", {Fact::equivalence(t, pos("p"))}, {{"p", Kleene::True}}},
      {"implies false", {Fact::implication(pos("p"), f)}, {{"p", Kleene::False}}},
      {"implications are not followed",
       {Fact::implication(pos("p"), pos("q")), Fact::is_true(pos("p"))},
       {{"p", Kleene::True}, {"q", Kleene::Unknown}}},
      {"does not hold", {Fact::is_false(pos("p"))}, {{"p", Kleene::False}}},
      {"constants on a cycle",
       {Fact::is_false(pos("p")), Fact::equivalence(t, f)},
       {{"p", Kleene::True}}},
      // p is a member of both constant classes; condensation maps it to the one found last,
      // which for the isolated constant classes is the class of True.
      {"contradiction", {Fact::is_true(pos("p")), Fact::is_false(pos("p"))}, {{"p", Kleene::True}}},
  };
  for (const Case& c : cases) {
    KnowledgeGraph graph = condense_graph(KnowledgeGraph(c.facts));
    testing::complete_graph(graph);
    for (const auto& [name, value] : c.expected) {
      EXPECT_EQ(get_kleene_evaluation(graph, AtomicProposition::new_(name)), value)
          << c.name << ": " << name;
    }
  }
}

TEST(KleeneEvaluation, PropositionsAreMatchedByNameAndParameter) {
  const KnowledgeGraph graph(
      {Fact::is_true(Literal::positive(AtomicProposition::with_parameter("p", "x")))});
  EXPECT_EQ(get_kleene_evaluation(graph, AtomicProposition::with_parameter("p", "x")),
            Kleene::True);
  EXPECT_EQ(get_kleene_evaluation(graph, AtomicProposition::new_("p")), Kleene::Unknown);
  EXPECT_EQ(get_kleene_evaluation(graph, AtomicProposition::with_parameter("p", " x")),
            Kleene::Unknown);
}

}  // namespace
}  // namespace corvane
