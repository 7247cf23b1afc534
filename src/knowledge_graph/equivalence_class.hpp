// A set of literals known to be equivalent, with the least complex one standing for the set.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <utility>

#include "formula/literal.hpp"
#include "knowledge_graph/complexity_functions.hpp"

namespace corvane {

template <ComplexityFunction C>
struct EquivalenceClass {
  // Always a member of `literals`. Among members of equal complexity the one that entered first
  // keeps the role.
  Literal representative;
  std::unordered_set<Literal> literals;
  // The least complexity of any literal ever inserted, i.e. `C::complexity(representative)`.
  std::uint32_t representative_complexity;

  static EquivalenceClass from(Literal literal) {
    const std::uint32_t complexity = C::complexity(literal);
    std::unordered_set<Literal> literals{literal};
    return EquivalenceClass{std::move(literal), std::move(literals), complexity};
  }

  void insert(const Literal& literal) {
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
