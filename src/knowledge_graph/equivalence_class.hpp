// A set of literals known to be equivalent, with the least complex one standing for the set.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <utility>

#include "formula/literal.hpp"
#include "knowledge_graph/complexity_functions.hpp"
#include "knowledge_graph/literal_id.hpp"
#include "support/small_vector.hpp"

namespace corvane {

// The members of a class of interned literals, kept as a list: a literal entered twice is listed
// twice. Graphs only walk their classes' members (to remap them when classes merge), and
// repetitions do not change where a walk maps a literal, so no set is needed. Most classes have
// one or two members, which need no allocation.
class LiteralIdBag {
 public:
  using const_iterator = const LiteralId*;

  void insert(LiteralId literal) { members_.push_back(literal); }
  void merge(LiteralIdBag& other) {
    members_.append(other.members_.begin(), other.members_.end());
    other.members_.clear();
  }
  std::size_t size() const noexcept { return members_.size(); }
  const_iterator begin() const noexcept { return members_.begin(); }
  const_iterator end() const noexcept { return members_.end(); }

  friend bool operator==(const LiteralIdBag&, const LiteralIdBag&) = default;

 private:
  SmallVector<LiteralId, 4> members_;
};

// `L` is the literal type (`Literal`, or `LiteralId` for interned literals) and `Members` the
// container of the members.
template <typename C, typename L = Literal, typename Members = std::unordered_set<L>>
requires ComplexityFunction<C, L>
struct EquivalenceClass {
  // Always a member of `literals`. Among members of equal complexity the one that entered first
  // keeps the role.
  L representative;
  Members literals;
  // The least complexity of any literal ever inserted, i.e. `C::complexity(representative)`.
  std::uint32_t representative_complexity;

  static EquivalenceClass from(L literal) {
    const std::uint32_t complexity = C::complexity(literal);
    Members literals;
    literals.insert(literal);
    return EquivalenceClass{std::move(literal), std::move(literals), complexity};
  }

  void insert(const L& literal) {
    const std::uint32_t complexity = C::complexity(literal);
    if (complexity < representative_complexity) {
      representative = literal;
      representative_complexity = complexity;
    }
    literals.insert(literal);
  }

  // Absorbs all members of `other`; its representative takes over only if strictly better.
  void merge(EquivalenceClass&& other) {
    literals.merge(other.literals);
    if (other.representative_complexity < representative_complexity) {
      representative = std::move(other.representative);
      representative_complexity = other.representative_complexity;
    }
  }

  friend bool operator==(const EquivalenceClass&, const EquivalenceClass&) = default;
};

}  // namespace corvane
