#include "formula/literal.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace corvane {
namespace {

TEST(Literal, DisplayAndNegation) {
  const auto p = AtomicProposition::with_parameter("p", "1");
  EXPECT_EQ(Literal::negative(AtomicProposition::new_("a")).display(), "¬a");
  EXPECT_EQ(Literal::positive(p).display(), "p(1)");
  EXPECT_EQ(Literal::true_().display(), "⊤");
  EXPECT_EQ(Literal::false_().display(), "⊥");
  EXPECT_EQ(Literal::positive(p).negation(), Literal::negative(p));
  EXPECT_EQ(Literal::true_().negation(), Literal::false_());
}

TEST(Literal, OrderIsKindThenProposition) {
  const auto a = AtomicProposition::new_("a");
  const auto b = AtomicProposition::new_("b");
  EXPECT_LT(Literal::true_(), Literal::false_());
  EXPECT_LT(Literal::false_(), Literal::positive(b));
  EXPECT_LT(Literal::positive(b), Literal::negative(a));
  EXPECT_LT(Literal::negative(a), Literal::negative(b));
}

std::string debug(const Literal& l) {
  std::string out;
  l.append_debug(out);
  return out;
}

TEST(Literal, DebugFormEscapesTexts) {
  EXPECT_EQ(debug(Literal::positive(AtomicProposition::new_("a"))),
            R"(Positive(AtomicProposition { name: "a", parameter: "" }))");
  EXPECT_EQ(debug(Literal::true_()), "True");
  EXPECT_EQ(debug(Literal::negative(AtomicProposition::with_parameter("q\"\\", "\t\r\n"))),
            R"(Negative(AtomicProposition { name: "q\"\\", parameter: "\t\r\n" }))");
  std::string nul("x\0y", 3);
  EXPECT_EQ(debug(Literal::positive(AtomicProposition::new_(nul))),
            R"(Positive(AtomicProposition { name: "x\0y", parameter: "" }))");
  // Control, non-breaking space and combining marks are escaped; letters and quotes are not.
  EXPECT_EQ(debug(Literal::positive(AtomicProposition::new_("\x01\u00a0e\u0301'é日"))),
            R"(Positive(AtomicProposition { name: "\u{1}\u{a0}e\u{301}'é日", parameter: "" }))");
}

}  // namespace
}  // namespace corvane
