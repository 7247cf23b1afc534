// The three classes of the module and the conversions between their instances and core values.
#pragma once

#include <Python.h>

#include <string_view>

#include "formula/nnf_formula.hpp"

namespace corvane::python {

// Each class object is created on first use and kept for the life of the process. Null with a
// Python exception set if creation failed.
PyTypeObject* knowledge_sequence_type();
PyTypeObject* formula_type();
PyTypeObject* augmenter_type();

// Creates a class from `spec`, whose name is "corvane.Name". The class keeps `__module__` =
// "corvane" but its type name becomes the bare "Name"; creating it from a bare name directly
// would leave it without `__module__` (and warn about that on import).
PyTypeObject* create_class(PyType_Spec* spec);

// A new `Formula` instance owning `formula`.
PyObject* wrap_formula(NNFFormula formula);
// The formula of a `Formula` instance (the caller has checked the type).
const NNFFormula& formula_of(PyObject* object);
// `object` as a formula, or the argument error for `parameter`.
const NNFFormula& to_formula(PyObject* object, const char* parameter);

// Parses formula text; a syntax error raises ValueError with the parser's message.
NNFFormula parse_formula_argument(std::string_view text);

}  // namespace corvane::python
