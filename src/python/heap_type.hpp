// The module's classes: heap types made by `PyType_FromSpec`, once per process.
//
// A class is described by its qualified name ("corvane.Formula"), the signature text of its
// constructor ("Formula(formula_string)"), the size of its instances and its slots. The one
// signature text gives both the class docstring ("Formula(formula_string)\n--\n\n", which
// `inspect.signature` reads) and the parameters that `__new__` binds its arguments by, so the two
// cannot drift apart.
#pragma once

#include <Python.h>

#include <string>
#include <vector>

#include "python/arguments.hpp"

namespace corvane::python {

class HeapType {
 public:
  // `slots` without `Py_tp_doc` and without the terminating entry.
  HeapType(const char* qualified_name, const char* signature, int basic_size,
           std::vector<PyType_Slot> slots);
  HeapType(const HeapType&) = delete;
  HeapType& operator=(const HeapType&) = delete;

  // The class, created on the first successful call and kept for the life of the process. Null
  // with a Python exception set if creation failed. Its type name is the bare "Name" while
  // `__module__` stays "corvane"; creating it from a bare name directly would leave it without
  // `__module__` (and warn about that on import).
  PyTypeObject* get();

  // Binds the arguments of a call of the class ("Name.__new__" in errors) by its signature.
  Args bind_new(PyObject* args, PyObject* kwargs) const { return new_.bind(args, kwargs); }

 private:
  std::string doc_;
  std::vector<PyType_Slot> slots_;
  PyType_Spec spec_;
  Signature new_;
  PyTypeObject* type_ = nullptr;
};

}  // namespace corvane::python
