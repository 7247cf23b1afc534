#include "formula/printing.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "builders.hpp"
#include "support/random_formula.hpp"
#include "support/result_too_large.hpp"

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

// Each print of `formula` with a length limit: as a function, so that every form is checked alike.
struct Print {
  const char* name;
  std::function<std::string(const F&, std::size_t limit)> print;
};

// Appends each literal's display text in angle brackets.
const LiteralFormatter kBrackets = [](const Literal& l, std::string& out) {
  out += "<" + l.display() + ">";
  return true;
};

const Print kPrints[] = {
    {"tree", [](const F& f, std::size_t limit) { return to_tree_string(f, limit); }},
    {"debug", [](const F& f, std::size_t limit) { return to_debug_string(f, limit); }},
    {"infix", [](const F& f, std::size_t limit) { return *format_as_string(f, nullptr, limit); }},
    {"formatted",
     [](const F& f, std::size_t limit) { return *format_as_string(f, &kBrackets, limit); }},
};

// The lengths computed on the nodes are the lengths of the texts, and a limit of exactly that
// length lets the print through while one byte less refuses it.
TEST(Printing, LengthsAreExactAndLimitsAreKept) {
  std::mt19937 rng(3);
  testing::RandomFormulas<F> random_formula(
      rng,
      {.propositions = {AtomicProposition::new_("a"), AtomicProposition::with_parameter("p", "x y"),
                        AtomicProposition::new_("\"q\u00e4\"")},
       .max_depth = 4,
       .constant = 0.1,
       .max_members = 3,
       .windows = {.max_lb = 12, .unbounded = 0.3, .far = 0.1}});
  for (int i = 0; i < 300; ++i) {
    const F f = random_formula();
    const std::string tree = to_tree_string(f);
    const std::string infix = *format_as_string(f);
    EXPECT_EQ(rendered_size(to_termtree(f)), tree.size()) << tree;
    EXPECT_EQ(debug_string_size(f), to_debug_string(f).size()) << infix;
    EXPECT_EQ(infix_size(f), infix.size()) << infix;
    const LiteralFormatter nothing = [](const Literal&, std::string&) { return true; };
    EXPECT_EQ(infix_size(f, false), format_as_string(f, &nothing)->size()) << infix;
    for (const Print& print : kPrints) {
      const std::string text = print.print(f, kMaxTextSize);
      EXPECT_EQ(print.print(f, text.size()), text) << print.name;
      EXPECT_THROW(print.print(f, text.size() - 1), ResultTooLarge) << print.name << ": " << text;
    }
  }
}

// Releases nested `levels` deep: a handful of nodes per level, but each level holds the previous
// one three times.
F nested_releases(int levels) {
  F f = p("a");
  for (int i = 0; i < levels; ++i) {
    f = F::release(p(("a" + std::to_string(i)).c_str()), Interval::unbounded(0), f);
  }
  return f;
}

TEST(Printing, TextsLongerThanTheLimitAreRefusedBeforeTheyAreBuilt) {
  const F small = nested_releases(8);
  const F huge = nested_releases(60);  // its texts have more than 3^60 bytes
  for (const Print& print : kPrints) {
    EXPECT_GT(print.print(small, kMaxTextSize).size(), 1000u) << print.name;
    EXPECT_THROW(print.print(huge, kMaxTextSize), ResultTooLarge) << print.name;
  }
  EXPECT_EQ(infix_size(huge), UINT64_MAX);  // the lengths saturate
}

}  // namespace
}  // namespace corvane
