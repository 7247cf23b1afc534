// Short builders for literals and literal formulas, shared by the formula and graph tests.
#pragma once

#include "formula/literal.hpp"
#include "formula/nnf_formula.hpp"

namespace corvane::test {

inline Literal pos(const char* name) {
  return Literal::positive(AtomicProposition::new_(name));
}
inline Literal neg(const char* name) {
  return Literal::negative(AtomicProposition::new_(name));
}
inline NNFFormula p(const char* name) {
  return NNFFormula(pos(name));
}
inline NNFFormula n(const char* name) {
  return NNFFormula(neg(name));
}

}  // namespace corvane::test
