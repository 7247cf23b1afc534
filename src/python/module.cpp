// Module initialisation: creates `corvane` once per process and registers its classes.
#include <Python.h>

#include <cstdint>

#include "python/augmenter_class.hpp"
#include "python/errors.hpp"
#include "python/formula_class.hpp"
#include "python/knowledge_sequence_class.hpp"
#include "python/py_ref.hpp"

namespace corvane::python {

namespace {

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT,
    "corvane",  // m_name
    "",         // m_doc
    0,          // m_size: no per-module state
    nullptr,    // m_methods: no module-level functions
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

// Appends `name` to the module's `__all__` (creating the list) and binds the class to it.
bool add_class(PyObject* module, PyTypeObject* type) {
  if (type == nullptr) return false;
  PyRef name = PyRef::steal(PyType_GetName(type));
  if (!name) return false;
  PyRef all = PyRef::steal(PyObject_GetAttrString(module, "__all__"));
  if (!all) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return false;
    PyErr_Clear();
    all = PyRef::steal(PyList_New(0));
    if (!all || PyObject_SetAttrString(module, "__all__", all.get()) < 0) return false;
  }
  if (PyList_Append(all.get(), name.get()) < 0) return false;
  return PyObject_SetAttr(module, name.get(), reinterpret_cast<PyObject*>(type)) == 0;
}

PyObject* initialise() {
  static std::int64_t first_interpreter = -1;
  static PyObject* module = nullptr;

  const std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (interpreter < 0) return nullptr;
  if (first_interpreter < 0) {
    first_interpreter = interpreter;
  } else if (interpreter != first_interpreter) {
    PyErr_SetString(PyExc_ImportError,
                    "corvane does not support subinterpreters: it can only be imported in the "
                    "interpreter that imported it first");
    return nullptr;
  }
  if (module != nullptr) return Py_NewRef(module);

  PyRef created = PyRef::steal(PyModule_Create(&module_definition));
  if (!created) return nullptr;
  if (!add_class(created.get(), knowledge_sequence_type()) ||
      !add_class(created.get(), formula_type()) || !add_class(created.get(), augmenter_type())) {
    return nullptr;
  }
  module = created.release();
  return Py_NewRef(module);
}

}  // namespace

}  // namespace corvane::python

PyMODINIT_FUNC PyInit_corvane(void) {
  return corvane::python::guarded([] { return corvane::python::initialise(); });
}
