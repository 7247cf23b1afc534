// How good a literal is as the representative of its equivalence class: lower is better.
#pragma once

#include <concepts>
#include <cstdint>

#include "formula/literal.hpp"
#include "knowledge_graph/literal_id.hpp"

namespace corvane {

template <typename C, typename L = Literal>
concept ComplexityFunction = requires(const L& literal) {
  { C::complexity(literal) } -> std::same_as<std::uint32_t>;
};

// Constants beat propositions, so a class that holds `True` or `False` is represented by it.
struct DefaultComplexityFunction {
  static std::uint32_t complexity(const Literal& literal) noexcept {
    return literal.is_constant() ? 0 : 1;
  }
  static std::uint32_t complexity(LiteralId literal) noexcept {
    return literal.is_constant() ? 0 : 1;
  }
};

}  // namespace corvane
