// One fact about the literals of a time step: a literal holds, does not hold, implies another, or
// is equivalent to another.
#pragma once

#include <cstdint>
#include <utility>

#include "formula/literal.hpp"
#include "knowledge_graph/literal_id.hpp"

namespace corvane {

class KnowledgeFact {
 public:
  enum class Kind : std::uint8_t { IsTrue, IsFalse, Implication, Equivalence };

  static KnowledgeFact is_true(Literal literal) {
    Literal copy = literal;
    return KnowledgeFact(Kind::IsTrue, std::move(literal), std::move(copy));
  }
  static KnowledgeFact is_false(Literal literal) {
    Literal copy = literal;
    return KnowledgeFact(Kind::IsFalse, std::move(literal), std::move(copy));
  }
  static KnowledgeFact implication(Literal lhs, Literal rhs) {
    return KnowledgeFact(Kind::Implication, std::move(lhs), std::move(rhs));
  }
  static KnowledgeFact equivalence(Literal lhs, Literal rhs) {
    return KnowledgeFact(Kind::Equivalence, std::move(lhs), std::move(rhs));
  }

  Kind kind() const noexcept { return kind_; }
  // The literal of `IsTrue` / `IsFalse`, the left-hand side of the two binary kinds.
  const Literal& lhs() const noexcept { return lhs_; }
  // The right-hand side of `Implication` / `Equivalence`; the literal itself for the unary kinds.
  const Literal& rhs() const noexcept { return rhs_; }

  friend bool operator==(const KnowledgeFact&, const KnowledgeFact&) = default;

 private:
  KnowledgeFact(Kind kind, Literal lhs, Literal rhs)
      : kind_(kind), lhs_(std::move(lhs)), rhs_(std::move(rhs)) {}

  Kind kind_;
  Literal lhs_;
  // The unary kinds hold their literal twice rather than an empty optional: equality stays the
  // same (same kind and literal), and GCC 12 warns falsely about moving an optional literal
  // (-Wmaybe-uninitialized) in sanitizer builds.
  Literal rhs_;
};

// A fact about interned literals (knowledge_graph/literal_id.hpp), with the accessors of
// `KnowledgeFact`.
class LiteralIdFact {
 public:
  using Kind = KnowledgeFact::Kind;

  // `rhs` is ignored for the unary kinds.
  constexpr LiteralIdFact(Kind kind, LiteralId lhs, LiteralId rhs) noexcept
      : kind_(kind), lhs_(lhs), rhs_(kind == Kind::IsTrue || kind == Kind::IsFalse ? lhs : rhs) {}

  constexpr Kind kind() const noexcept { return kind_; }
  constexpr LiteralId lhs() const noexcept { return lhs_; }
  // The right-hand side of `Implication` / `Equivalence`; the literal itself for the unary kinds.
  constexpr LiteralId rhs() const noexcept { return rhs_; }

  friend constexpr bool operator==(const LiteralIdFact&, const LiteralIdFact&) noexcept = default;

 private:
  Kind kind_;
  LiteralId lhs_;
  LiteralId rhs_;
};

}  // namespace corvane
