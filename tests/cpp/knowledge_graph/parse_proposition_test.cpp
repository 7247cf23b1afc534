#include "knowledge_graph/parse_proposition.hpp"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace corvane {
namespace {

TEST(ParseProposition, SplitsNameAndParameterWithoutEverFailing) {
  struct Case {
    std::string_view text;
    std::string_view name;
    std::string_view parameter;
  };
  const std::vector<Case> cases = {
      {"p", "p", ""},
      {"p(x)", "p", "x"},
      {"p(a, b))", "p", "a, b"},
      {"p(a(b))", "p", "a"},
      {"p()", "p", ""},
      {"p(x", "p", "x"},
      {"p( x )", "p", " x "},
      {"p(x)y)", "p", "x)y"},
      {"(x)", "", "x"},
      {"", "", ""},
      {"!p", "!p", ""},
      {"True", "True", ""},
      {" speed (car 1) ", " speed ", "car 1) "},
  };
  for (const Case& c : cases) {
    const Literal literal = parse_proposition(c.text);
    ASSERT_EQ(literal.kind(), Literal::Kind::Positive) << c.text;
    EXPECT_EQ(literal.proposition(), AtomicProposition::with_parameter(c.name, c.parameter))
        << c.text;
  }
}

}  // namespace
}  // namespace corvane
