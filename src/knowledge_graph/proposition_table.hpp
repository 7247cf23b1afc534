// The atomic propositions of one body of knowledge, each named by a dense index, so that its
// graphs can hold literals as `LiteralId`s (knowledge_graph/literal_id.hpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "formula/atomic_proposition.hpp"
#include "formula/literal.hpp"
#include "knowledge_graph/literal_id.hpp"

namespace corvane {

class PropositionTable {
 public:
  // The index of `proposition`, which is added if new. Indices count from 0 in order of addition.
  std::uint32_t add(const AtomicProposition& proposition);
  std::optional<std::uint32_t> index_of(const AtomicProposition& proposition) const;

  // The id of `literal`: always for the constants, for a proposition when it is in the table.
  std::optional<LiteralId> id_of(const Literal& literal) const;
  // The literal an id stands for; `literal` must come from this table.
  Literal literal(LiteralId literal) const;
  const AtomicProposition& proposition(std::uint32_t index) const;

  std::size_t size() const noexcept { return propositions_.size(); }

 private:
  std::vector<AtomicProposition> propositions_;
  std::unordered_map<AtomicProposition, std::uint32_t> indices_;
};

}  // namespace corvane
