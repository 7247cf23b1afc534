#include "knowledge/step_knowledge.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "builders.hpp"

namespace corvane {
namespace {

using Fact = KnowledgeFact;
using test::pos;

TEST(KnowledgeFacts, ListsFactsByKindInStatementOrder) {
  const StepKnowledge knowledge{{"b", "a"}, {"c"}, {{"p(x)", "q"}}, {{"r", "s(a(b))"}}};
  const std::vector<Fact> expected = {
      Fact::is_true(pos("b")),
      Fact::is_true(pos("a")),
      Fact::is_false(pos("c")),
      Fact::implication(Literal::positive(AtomicProposition::with_parameter("p", "x")), pos("q")),
      Fact::equivalence(pos("r"), Literal::positive(AtomicProposition::with_parameter("s", "a"))),
  };
  EXPECT_EQ(knowledge_facts(knowledge), expected);
}

}  // namespace
}  // namespace corvane
