// The `Formula` class, and the conversions between its instances and `NNFFormula` that the other
// classes use.
#pragma once

#include <Python.h>

#include "formula/nnf_formula.hpp"

namespace corvane::python {

// The class object, created on first use. Null with a Python exception set if creation failed.
PyTypeObject* formula_type();

// A new `Formula` instance owning `formula`.
PyObject* wrap_formula(NNFFormula formula);
// `object` as a formula, or the argument error for `parameter`.
const NNFFormula& to_formula(PyObject* object, const char* parameter);

}  // namespace corvane::python
