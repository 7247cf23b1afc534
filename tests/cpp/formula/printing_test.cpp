#include "formula/printing.hpp"

#include <gtest/gtest.h>

#include <array>

#include "builders.hpp"

namespace corvane {
namespace {

using F = NNFFormula;

using test::n;
using test::p;

TEST(Printing, TreeForm) {
  EXPECT_EQ(to_tree_string(F::globally(Interval::bounded(0, 5), F::and_({p("a"), n("b")}))),
            "G[0, 5]\n└── ∧\n    ├── a\n    └── ¬b\n");
  EXPECT_EQ(to_tree_string(F::true_()), "⊤\n");
  EXPECT_EQ(to_tree_string(F::eventually(Interval::unbounded(0), p("a"))), "F[0, inf]\n└── a\n");
  const F f = F::or_({F::and_({p("a"), F::globally(Interval::unbounded(0), p("b"))}),
                      F::until(p("c"), Interval::bounded(1, 3), p("d"))});
  EXPECT_EQ(to_tree_string(f),
            "∨\n"
            "├── ∧\n"
            "│   ├── a\n"
            "│   └── G[0, inf]\n"
            "│       └── b\n"
            "└── U[1, 3]\n"
            "    ├── c\n"
            "    └── d\n");
  // A release holds its rhs three times; the tree draws it at each place.
  EXPECT_EQ(to_tree_string(F::release(p("a"), Interval::bounded(1, 3), p("b"))),
            "∨\n"
            "├── U[1, 3]\n"
            "│   ├── b\n"
            "│   └── ∧\n"
            "│       ├── a\n"
            "│       └── b\n"
            "└── G[1, 3]\n"
            "    └── b\n");
}

TEST(Printing, LabelsAreVerbatim) {
  using Node = TermTree::Node;
  TermTree tree;
  const Node a = tree.add("a", {});
  const Node bc = tree.add("b\nc", std::array<Node, 1>{tree.add("d", {})});
  tree.add("x\ny", std::array<Node, 2>{a, bc});
  EXPECT_EQ(render_termtree(tree), "x\ny\n├── a\n└── b\nc\n    └── d\n");
}

TEST(Printing, DebugForm) {
  EXPECT_EQ(to_debug_string(p("a")),
            R"(Literal(Positive(AtomicProposition { name: "a", parameter: "" })))");
  EXPECT_EQ(to_debug_string(F::until(p("a"), Interval::unbounded(2), F::or_({p("b"), n("c")}))),
            R"(Until(Literal(Positive(AtomicProposition { name: "a", parameter: "" })), )"
            R"(Unbounded { lb: 2 }, Or({Literal(Positive(AtomicProposition { name: "b", )"
            R"(parameter: "" })), Literal(Negative(AtomicProposition { name: "c", )"
            R"(parameter: "" }))})))");
}

TEST(Printing, InfixForm) {
  const F px = F::positive(AtomicProposition::with_parameter("p", "x"));
  const std::vector<std::pair<F, std::string>> cases = {
      {p("a"), "(a)"},
      {n("a"), "(!a)"},
      {F::and_({p("a"), n("b")}), "((a) & (!b))"},
      {F::until(p("a"), Interval::unbounded(0), p("b")), "((a) U (b))"},
      {F::until(p("a"), Interval::bounded(1, 3), p("b")), "((a) U[1, 3] (b))"},
      {F::eventually(Interval::unbounded(2), p("a")), "(F[2, inf] (a))"},
      {F::globally(Interval::bounded(0, 5), px), "(G[0, 5] (p(x)))"},
      {F::true_(), "(true)"},
      {F::false_(), "(false)"},
  };
  for (const auto& [formula, text] : cases) EXPECT_EQ(format_as_string(formula), text);
}

TEST(Printing, FormatterSeesLiteralsInOrderAndCanStop) {
  std::vector<std::string> seen;
  LiteralFormatter upper = [&](const Literal& l, std::string& out) {
    seen.push_back(l.display());
    if (l.proposition().name() == "stop") return false;
    out += "<" + l.display() + ">";
    return true;
  };
  const F f = F::and_({F::eventually(Interval::bounded(1, 2), p("b")), n("a")});
  EXPECT_EQ(format_as_string(f, &upper), "((!<¬a>) & (F[1, 2] (<b>)))");
  EXPECT_EQ(seen, (std::vector<std::string>{"¬a", "b"}));  // the True lhs is never formatted
  seen.clear();
  EXPECT_EQ(format_as_string(F::or_({p("a"), p("stop"), p("z")}), &upper), std::nullopt);
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "stop"}));
}

}  // namespace
}  // namespace corvane
