#include "knowledge_graph/knowledge_fact.hpp"

#include <gtest/gtest.h>

#include "builders.hpp"

namespace corvane {
namespace {

using Fact = KnowledgeFact;
using test::pos;

TEST(KnowledgeFact, ComparesKindAndLiterals) {
  EXPECT_EQ(Fact::implication(pos("a"), pos("b")), Fact::implication(pos("a"), pos("b")));
  EXPECT_NE(Fact::implication(pos("a"), pos("b")), Fact::equivalence(pos("a"), pos("b")));
  EXPECT_NE(Fact::implication(pos("a"), pos("b")), Fact::implication(pos("b"), pos("a")));
  EXPECT_NE(Fact::is_true(pos("a")), Fact::is_false(pos("a")));
}

}  // namespace
}  // namespace corvane
