// A truth constant, or an atomic proposition with a polarity.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>

#include "formula/atomic_proposition.hpp"

namespace corvane {

class Literal {
 public:
  // Declaration order is the sort order.
  enum class Kind : std::uint8_t { True, False, Positive, Negative };

  static Literal true_() { return Literal(Kind::True, empty_proposition()); }
  static Literal false_() { return Literal(Kind::False, empty_proposition()); }
  static Literal positive(AtomicProposition p) { return Literal(Kind::Positive, std::move(p)); }
  static Literal negative(AtomicProposition p) { return Literal(Kind::Negative, std::move(p)); }

  Kind kind() const noexcept { return kind_; }
  bool is_true() const noexcept { return kind_ == Kind::True; }
  bool is_false() const noexcept { return kind_ == Kind::False; }
  bool is_constant() const noexcept { return kind_ == Kind::True || kind_ == Kind::False; }
  // The proposition of a `Positive` or `Negative` literal; meaningless for the constants.
  const AtomicProposition& proposition() const noexcept { return proposition_; }

  // True <-> False, Positive(p) <-> Negative(p).
  Literal negation() const;

  friend bool operator==(const Literal& a, const Literal& b) noexcept {
    return a.kind_ == b.kind_ && (a.is_constant() || a.proposition_ == b.proposition_);
  }
  friend std::strong_ordering operator<=>(const Literal& a, const Literal& b) noexcept {
    if (auto c = a.kind_ <=> b.kind_; c != 0) return c;
    if (a.is_constant()) return std::strong_ordering::equal;
    return a.proposition_ <=> b.proposition_;
  }

  std::size_t hash() const noexcept;

  // "⊤", "⊥", `p`, or "¬p".
  std::string display() const;
  void append_display(std::string& out) const;
  // `True`, `False`, `Positive(AtomicProposition { ... })`, `Negative(...)`.
  void append_debug(std::string& out) const;

 private:
  Literal(Kind kind, AtomicProposition p) : kind_(kind), proposition_(std::move(p)) {}
  static const AtomicProposition& empty_proposition();

  Kind kind_;
  AtomicProposition proposition_;
};

}  // namespace corvane

template <>
struct std::hash<corvane::Literal> {
  std::size_t operator()(const corvane::Literal& l) const noexcept { return l.hash(); }
};
