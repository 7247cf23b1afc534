#include "formula/literal.hpp"

namespace corvane {

const AtomicProposition& Literal::empty_proposition() {
  static const AtomicProposition p = AtomicProposition::new_("");
  return p;
}

Literal Literal::negation() const {
  switch (kind_) {
    case Kind::True:
      return false_();
    case Kind::False:
      return true_();
    case Kind::Positive:
      return negative(proposition_);
    case Kind::Negative:
      return positive(proposition_);
  }
  return *this;
}

std::size_t Literal::hash() const noexcept {
  const std::size_t k = static_cast<std::size_t>(kind_) + 1;
  if (is_constant()) return k * 0x9E3779B97F4A7C15ull;
  return proposition_.hash() ^ (k * 0xC2B2AE3D27D4EB4Full);
}

void Literal::append_display(std::string& out) const {
  switch (kind_) {
    case Kind::True:
      out += "⊤";
      return;
    case Kind::False:
      out += "⊥";
      return;
    case Kind::Positive:
      proposition_.append_display(out);
      return;
    case Kind::Negative:
      out += "¬";
      proposition_.append_display(out);
      return;
  }
}

std::string Literal::display() const {
  std::string out;
  append_display(out);
  return out;
}

void Literal::append_debug(std::string& out) const {
  switch (kind_) {
    case Kind::True:
      out += "True";
      return;
    case Kind::False:
      out += "False";
      return;
    case Kind::Positive:
      out += "Positive(";
      break;
    case Kind::Negative:
      out += "Negative(";
      break;
  }
  proposition_.append_debug(out);
  out += ')';
}

}  // namespace corvane
