// A literal named by a number instead of by its proposition's texts.
//
// The constants are 0 (`True`) and 1 (`False`); the proposition with index i of a
// `PropositionTable` is 2i + 2 when positive and 2i + 3 when negative, so negation flips the
// lowest bit for every literal. Knowledge graphs built over these ids compare, hash and copy
// literals as plain integers. The order of ids is not the order of `Literal`s.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace corvane {

class LiteralId {
 public:
  // The largest proposition index an id can carry.
  static constexpr std::uint32_t kMaxProposition = (std::uint32_t{1} << 31) - 3;

  static constexpr LiteralId true_() noexcept { return LiteralId(0); }
  static constexpr LiteralId false_() noexcept { return LiteralId(1); }
  static constexpr LiteralId positive(std::uint32_t proposition) noexcept {
    return LiteralId(2 * proposition + 2);
  }
  static constexpr LiteralId negative(std::uint32_t proposition) noexcept {
    return LiteralId(2 * proposition + 3);
  }
  // The id whose `code()` is `code`.
  static constexpr LiteralId from_code(std::uint32_t code) noexcept { return LiteralId(code); }

  constexpr LiteralId negation() const noexcept { return LiteralId(code_ ^ 1); }
  constexpr bool is_true() const noexcept { return code_ == 0; }
  constexpr bool is_false() const noexcept { return code_ == 1; }
  constexpr bool is_constant() const noexcept { return code_ < 2; }
  constexpr bool is_positive() const noexcept { return code_ >= 2 && (code_ & 1) == 0; }
  // The proposition index of a positive or negative literal.
  constexpr std::uint32_t proposition() const noexcept { return (code_ - 2) / 2; }
  constexpr std::uint32_t code() const noexcept { return code_; }

  friend constexpr bool operator==(LiteralId, LiteralId) noexcept = default;
  friend constexpr std::strong_ordering operator<=>(LiteralId, LiteralId) noexcept = default;

 private:
  constexpr explicit LiteralId(std::uint32_t code) noexcept : code_(code) {}
  std::uint32_t code_;
};

}  // namespace corvane

template <>
struct std::hash<corvane::LiteralId> {
  std::size_t operator()(corvane::LiteralId id) const noexcept { return id.code(); }
};
