#include "knowledge_graph/proposition_table.hpp"

#include "support/internal_error.hpp"

namespace corvane {

std::uint32_t PropositionTable::add(const AtomicProposition& proposition) {
  const auto [it, added] =
      indices_.try_emplace(proposition, static_cast<std::uint32_t>(propositions_.size()));
  if (added) {
    if (propositions_.size() > LiteralId::kMaxProposition) {
      indices_.erase(it);
      throw InternalError("too many distinct propositions for literal ids");
    }
    propositions_.push_back(proposition);
  }
  return it->second;
}

std::optional<std::uint32_t> PropositionTable::index_of(
    const AtomicProposition& proposition) const {
  const auto it = indices_.find(proposition);
  if (it == indices_.end()) return std::nullopt;
  return it->second;
}

std::optional<LiteralId> PropositionTable::id_of(const Literal& literal) const {
  switch (literal.kind()) {
    case Literal::Kind::True:
      return LiteralId::true_();
    case Literal::Kind::False:
      return LiteralId::false_();
    case Literal::Kind::Positive:
    case Literal::Kind::Negative:
      break;
  }
  const std::optional<std::uint32_t> index = index_of(literal.proposition());
  if (!index) return std::nullopt;
  return literal.kind() == Literal::Kind::Positive ? LiteralId::positive(*index)
                                                   : LiteralId::negative(*index);
}

Literal PropositionTable::literal(LiteralId literal) const {
  if (literal.is_true()) return Literal::true_();
  if (literal.is_false()) return Literal::false_();
  const AtomicProposition& p = proposition(literal.proposition());
  return literal.is_positive() ? Literal::positive(p) : Literal::negative(p);
}

const AtomicProposition& PropositionTable::proposition(std::uint32_t index) const {
  check(index < propositions_.size(), "proposition index out of range");
  return propositions_[index];
}

}  // namespace corvane
