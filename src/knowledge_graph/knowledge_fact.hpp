// One fact about the literals of a time step: a literal holds, does not hold, implies another, or
// is equivalent to another.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>

#include "formula/literal.hpp"
#include "knowledge_graph/literal_id.hpp"

namespace corvane {

class KnowledgeFact {
 public:
  enum class Kind : std::uint8_t { IsTrue, IsFalse, Implication, Equivalence };

  static KnowledgeFact is_true(Literal literal) {
    return KnowledgeFact(Kind::IsTrue, std::move(literal), std::nullopt);
  }
  static KnowledgeFact is_false(Literal literal) {
    return KnowledgeFact(Kind::IsFalse, std::move(literal), std::nullopt);
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
  const Literal& rhs() const noexcept { return rhs_ ? *rhs_ : lhs_; }

  friend bool operator==(const KnowledgeFact&, const KnowledgeFact&) = default;

 private:
  KnowledgeFact(Kind kind, Literal lhs, std::optional<Literal> rhs)
      : kind_(kind), lhs_(std::move(lhs)), rhs_(std::move(rhs)) {}

  Kind kind_;
  Literal lhs_;
  std::optional<Literal> rhs_;
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
