#include "formula/parser/parser.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "formula/printing.hpp"
#include "support/nesting_too_deep.hpp"
#include "support/random_formula.hpp"

namespace corvane {

namespace ltl {
// Readable trees in test failure messages.
void PrintTo(const Formula& f, std::ostream* out) {
  using K = Formula::Kind;
  static const char* const names[] = {"Atom",    "True",  "False",   "Not",      "And",     "Or",
                                      "Implies", "Until", "Release", "Globally", "Finally", "Next"};
  *out << names[static_cast<int>(f.kind())] << '(';
  if (f.kind() == K::Atom) *out << f.proposition().display();
  if (f.kind() == K::Next) *out << f.delay() << ", ";
  if (f.kind() == K::Globally || f.kind() == K::Finally) *out << f.interval() << ", ";
  for (std::size_t i = 0; i < f.subformulas().size(); ++i) {
    if (i > 0) *out << ", ";
    if (i == 1 && (f.kind() == K::Until || f.kind() == K::Release)) *out << f.interval() << ", ";
    PrintTo(f.subformulas()[i], out);
  }
  *out << ')';
}
}  // namespace ltl

namespace {

using ltl::Formula;

Formula atom(const char* name) {
  return Formula::atom(AtomicProposition::new_(name));
}
Formula atom(const char* name, const char* parameter) {
  return Formula::atom(AtomicProposition::with_parameter(name, parameter));
}

Formula parse_tree(std::string_view text) {
  auto result = parse_ltl(text);
  if (auto* error = std::get_if<ParseError>(&result)) {
    ADD_FAILURE() << "`" << text << "` does not parse: " << error->display();
    return Formula::false_();
  }
  return std::get<Formula>(std::move(result));
}

std::string error_of(std::string_view text) {
  auto result = parse_ltl(text);
  if (auto* error = std::get_if<ParseError>(&result)) return error->display();
  return "<parsed>";
}

TEST(Parser, BuildsTheTreeOfEachConstruct) {
  const Formula a = atom("a"), b = atom("b"), c = atom("c");
  const Interval all = Interval::unbounded(0);
  struct Case {
    const char* text;
    Formula tree;
  };
  const Case cases[] = {
      {"a & b & c", Formula::and_(Formula::and_(a, b), c)},
      {"a | b | c", Formula::or_(Formula::or_(a, b), c)},
      {"a -> b -> c", Formula::implies(a, Formula::implies(b, c))},
      {"a U b U c", Formula::until(a, all, Formula::until(b, all, c))},
      {"a U b R c", Formula::until(a, all, Formula::release(b, all, c))},
      {"a | b & c", Formula::or_(a, Formula::and_(b, c))},
      {"a -> b | c", Formula::implies(a, Formula::or_(b, c))},
      {"a U b -> c", Formula::until(a, all, Formula::implies(b, c))},
      {"a -> b U c", Formula::until(Formula::implies(a, b), all, c)},
      {"!a & b", Formula::and_(Formula::not_(a), b)},
      {"!a U b", Formula::until(Formula::not_(a), all, b)},
      {"!!a", Formula::not_(Formula::not_(a))},
      {"F a & b", Formula::finally_(all, Formula::and_(a, b))},
      {"F a -> b", Formula::finally_(all, Formula::implies(a, b))},
      {"F a U b", Formula::until(Formula::finally_(all, a), all, b)},
      {"a & F b | c", Formula::and_(a, Formula::finally_(all, Formula::or_(b, c)))},
      {"!F a & b", Formula::not_(Formula::finally_(all, Formula::and_(a, b)))},
      {"F a", Formula::finally_(all, a)},
      {"F[2,*] a", Formula::finally_(Interval::unbounded(2), a)},
      {"F[2, inf] a", Formula::finally_(Interval::unbounded(2), a)},
      {"F[1,4] a", Formula::finally_(Interval::bounded(1, 4), a)},
      {"F[3] a", Formula::next(3, a)},
      {"F[3,3] a", Formula::next(3, a)},
      {"G[3 ,\t3] a", Formula::next(3, a)},
      {"G[0,4294967295] a", Formula::globally(Interval::bounded(0, kMaxTime), a)},
      {"G[007,8] a", Formula::globally(Interval::bounded(7, 8), a)},
      {"X a", Formula::next(1, a)},
      {"X[0] a", Formula::next(0, a)},
      {"X[5] a", Formula::next(5, a)},
      {"a U[0,5] b", Formula::until(a, Interval::bounded(0, 5), b)},
      {"a U[3] b", Formula::until(a, Interval::singleton(3), b)},
      {"a R[1,*] b", Formula::release(a, Interval::unbounded(1), b)},
      {"p(x)", atom("p", "x")},
      {"p(a b, c)", atom("p", "a b, c")},
      {"p()", atom("p")},
      {"1a_b", atom("1a_b")},
      {"Fa", atom("Fa")},
      {"aUb", atom("aUb")},
      {"F", atom("F")},
      {"F(a)", atom("F", "a")},
      {"TRUE", atom("TRUE")},
      {"True | true", Formula::true_()},
      {"False & false", Formula::false_()},
      {"(a)", a},
      {"( a | b ) & c", Formula::and_(Formula::or_(a, b), c)},
      {"a->b", Formula::implies(a, b)},
      {" \t\na\n&\tb \n", Formula::and_(a, b)},
      {"a\nU\tb", Formula::until(a, all, b)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parse_tree(c.text), c.tree) << c.text;
  }
}

TEST(Parser, ReportsFurthestFailureWithEveryExpectedToken) {
  const std::string prefix_tokens =
      R"m(one of "!", "(", "F", "False", "G", "True", "X", "false", "true", )m"
      R"m(['a'..='z' | 'A'..='Z' | '0'..='9'])m";
  const std::pair<std::string, std::string> cases[] = {
      {"a &", "error at 1:4: expected " + prefix_tokens},
      {"", "error at 1:1: expected " + prefix_tokens},
      {"a b", R"m(error at 1:3: expected one of "&", "->", "R", "U", "|", EOF)m"},
      {"Trueish", R"m(error at 1:5: expected one of "&", "->", "|", EOF)m"},
      {"a U", R"m(error at 1:4: expected one of "[", Bounded, unbounded, or singleton interval)m"},
      {"F[5,3] a",
       "error at 1:7: expected Invalid bounded interval: Upper bound is smaller than lower bound"},
      {"G[0,5]a", "error at 1:6: expected ['0'..='9']"},
      {"p(a+b)",
       R"m(error at 1:4: expected one of ")", ['a'..='z' | 'A'..='Z' | '0'..='9' | '_' | ' ' | ','])m"},
      {"X[4294967296] a", "error at 1:13: expected one of ['0'..='9'], u32"},
      // A line feed starts line 2; the column restarts there.
      {"a &\nb b", R"m(error at 2:3: expected one of "&", "->", "R", "U", "|", EOF)m"},
      {"a &\n\u00e9\u4e2d b", "error at 2:1: expected " + prefix_tokens},
      {"(\u00e9) & b", "error at 1:2: expected " + prefix_tokens},
      // Carriage return is not whitespace.
      {"a\r", R"m(error at 1:2: expected one of "&", "(", "->", "|", EOF, )m"
              R"m(['a'..='z' | 'A'..='Z' | '0'..='9' | '_'])m"},
      // The interval must follow the letter directly: "[" cannot start an operand.
      {"F [0,5] a", R"m(error at 1:3: expected one of "!", "&", "(", "->", "F", "False", "G", )m"
                    R"m("R", "True", "U", "X", "false", "true", "|", EOF, )m"
                    R"m(['a'..='z' | 'A'..='Z' | '0'..='9'])m"},
      // Unclosed parenthesis: no "U" or "R", since their leading whitespace failed quietly.
      {"(a", R"m(error at 1:3: expected one of "&", "(", ")", "->", "|", )m"
             R"m(['a'..='z' | 'A'..='Z' | '0'..='9' | '_'])m"},
  };
  for (const auto& [text, message] : cases) {
    EXPECT_EQ(error_of(text), message) << text;
  }
}

// The parser only ever advances over ASCII, so characters wider than a byte can only lie before
// an error position that is computed directly.
TEST(ParseError, LocationCountsLinesAndCharacters) {
  const std::string text = "ab\n\u00e9\u4e2d x\n\ty";
  const std::pair<std::size_t, LineCol> cases[] = {
      {0, {1, 1, 0}},   {2, {1, 3, 2}},   {3, {2, 1, 3}},   {5, {2, 2, 5}},   {8, {2, 3, 8}},
      {10, {2, 5, 10}}, {11, {3, 1, 11}}, {12, {3, 2, 12}}, {13, {3, 3, 13}},
  };
  for (const auto& [offset, expected] : cases) {
    EXPECT_EQ(LineCol::of(text, offset), expected) << offset;
  }
}

TEST(ParseError, ExpectedSetDisplay) {
  ExpectedSet expected;
  EXPECT_EQ(expected.display(), "<unreported>");
  expected.insert("u32");
  EXPECT_EQ(expected.display(), "u32");
  expected.insert("\"&\"");
  expected.insert("u32");
  EXPECT_EQ(expected.display(), "one of \"&\", u32");
  EXPECT_EQ((ParseError{{3, 7, 20}, expected}.display()),
            "error at 3:7: expected one of \"&\", u32");
}

// Texts that nest `levels` operands inside each other.
std::vector<std::string> nested_texts(int levels) {
  auto repeat = [](const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
  };
  const int n = levels - 1;
  return {
      repeat("(", n) + "a" + repeat(")", n),
      repeat("!", n) + "a",
      repeat("F ", n) + "a",
      repeat("X ", n) + "a",
      repeat("a U ", n) + "a",
      repeat("a -> ", n) + "a",
      // Two levels per parenthesis: the operand of "&" and the formula inside the parentheses.
      repeat("(a & ", n / 2) + "a" + repeat(")", n / 2),
  };
}

TEST(Parser, NestingUpToTheLimitParsesAndBeyondThrows) {
  for (const auto& text : nested_texts(static_cast<int>(kMaxNestingDepth))) {
    EXPECT_NO_THROW(EXPECT_TRUE(std::holds_alternative<Formula>(parse_ltl(text))))
        << text.substr(0, 20);
  }
  for (int levels : {static_cast<int>(kMaxNestingDepth) + 1, 50000}) {
    for (const auto& text : nested_texts(levels)) {
      EXPECT_THROW(parse_ltl(text), NestingTooDeep) << text.substr(0, 20);
    }
  }
}

TEST(Parser, LongChainsParseAndConvertFlat) {
  constexpr int kOperands = 100000;
  for (const char* op : {" & ", " | ", "&", "\n|\t"}) {
    std::string text = "p0";
    for (int i = 1; i < kOperands; ++i) text += op + ("p" + std::to_string(i));
    auto result = parse_formula(text);
    ASSERT_TRUE(std::holds_alternative<NNFFormula>(result)) << op;
    EXPECT_EQ(std::get<NNFFormula>(result).members().size(), static_cast<std::size_t>(kOperands));
  }
}

// A one-megabyte conjunction parses in time proportional to its length: a generous bound that
// exponential or quadratic backtracking would exceed by far.
TEST(Parser, MegabyteFormulaParsesQuickly) {
  std::string text = "(aaaa_0 & Fbb)";
  for (int i = 1; text.size() < 1000000; ++i) {
    text += " & (aaaa_" + std::to_string(i) + " | !b_c)";
  }
  const auto start = std::chrono::steady_clock::now();
  auto result = parse_formula(text);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_TRUE(std::holds_alternative<NNFFormula>(result));
  EXPECT_LT(elapsed, std::chrono::seconds(10));
}

// In `x | a & (...` the operand after "&" fails (the parenthesis is never closed), and the
// enclosing level-0 loop tries the same "&" again after the disjunction ended. Without
// memoisation every nesting level would double the work.
TEST(Parser, BacktrackingDoesNotCompound) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "x | a & (";
  text += "b";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(error_of(text), "error at 1:" + std::to_string(text.size() + 1) +
                                R"m(: expected one of "&", "(", ")", "->", "|", )m"
                                R"m(['a'..='z' | 'A'..='Z' | '0'..='9' | '_'])m");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// Random formulas over names and parameters that the grammar accepts, with bounds up to the last
// step: the infix form parses back to the same formula.
TEST(Parser, InfixFormParsesBackToTheSameFormula) {
  std::vector<AtomicProposition> propositions;
  for (const char* name : {"a", "b", "F", "U", "X1", "x_y", "9z", "TRUE"}) {
    for (const char* parameter : {"", "", "p", "a b, c", " ", "_1,"}) {
      propositions.push_back(AtomicProposition::with_parameter(name, parameter));
    }
  }
  std::mt19937 rng(7);
  testing::RandomFormulas<NNFFormula> random_formula(
      rng, {.propositions = std::move(propositions),
            .min_depth = 5,
            .max_depth = 5,
            .leaf = 0.25,
            .max_members = 3,
            .windows = {.max_lb = 17, .max_width = 3, .unbounded = 0.3, .far = 0.25}});
  for (int i = 0; i < 2000; ++i) {
    const NNFFormula formula = random_formula();
    const std::string text = *format_as_string(formula);
    auto parsed = parse_formula(text);
    ASSERT_TRUE(std::holds_alternative<NNFFormula>(parsed))
        << text << "\n"
        << std::get<ParseError>(parsed).display();
    ASSERT_EQ(to_debug_string(std::get<NNFFormula>(parsed)), to_debug_string(formula)) << text;
  }
  for (const NNFFormula& constant : {NNFFormula::true_(), NNFFormula::false_()}) {
    auto parsed = parse_formula(*format_as_string(constant));
    ASSERT_TRUE(std::holds_alternative<NNFFormula>(parsed));
    EXPECT_EQ(std::get<NNFFormula>(parsed), constant);
  }
}

}  // namespace
}  // namespace corvane
