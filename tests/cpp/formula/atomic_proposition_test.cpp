#include "formula/atomic_proposition.hpp"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(AtomicProposition, EmptyParameterIsNoParameter) {
  const auto a = AtomicProposition::new_("a");
  const auto a_empty = AtomicProposition::with_parameter("a", "");
  EXPECT_EQ(a, a_empty);
  EXPECT_EQ(a.hash(), a_empty.hash());
  EXPECT_EQ(a_empty.display(), "a");
}

TEST(AtomicProposition, OrderIsBytewiseNameThenParameter) {
  EXPECT_LT(AtomicProposition::new_("a"), AtomicProposition::with_parameter("a", "x"));
  EXPECT_LT(AtomicProposition::with_parameter("a", "z"), AtomicProposition::new_("ab"));
  // Bytewise UTF-8: 'é' (0xC3 0xA9) sorts after every ASCII letter.
  EXPECT_LT(AtomicProposition::new_("z"), AtomicProposition::new_("é"));
}

TEST(AtomicProposition, CopiesShareTheirTexts) {
  const auto a = AtomicProposition::with_parameter("speed", "car1");
  const auto b = a;
  EXPECT_EQ(a.name().data(), b.name().data());
  EXPECT_EQ(a.parameter().data(), b.parameter().data());
  EXPECT_EQ(b.display(), "speed(car1)");
}

}  // namespace
}  // namespace corvane
