// Module initialisation: creates `corvane` once per process and registers its classes.
#include <Python.h>

#include <cstdint>

#include "python/augmenter_class.hpp"
#include "python/errors.hpp"
#include "python/formula_class.hpp"
#include "python/knowledge_sequence_class.hpp"
#include "python/py_ref.hpp"
#include "python/signals.hpp"

namespace corvane::python {

namespace {

// The identifier of the interpreter that the process starts with.
constexpr std::int64_t kMainInterpreter = 0;

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

// Whether the current interpreter accepts a module that supports no subinterpreters. The main
// interpreter and subinterpreters that share its settings do; a subinterpreter with settings of its
// own refuses such a module, and raises ImportError here. The interpreter would refuse this module
// as well, but only after its initialisation ran: objects made there belong to that
// subinterpreter and die with it. So the interpreter's own check runs first, on a throwaway module
// whose definition declares what this module supports.
bool accepts_this_module() {
  static PyModuleDef_Slot slots[] = {
      {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
      {0, nullptr},
  };
  static PyModuleDef probe = {
      PyModuleDef_HEAD_INIT, "corvane", nullptr, 0, nullptr, slots, nullptr, nullptr, nullptr,
  };
  // PyModule_FromDefAndSpec reads only the `name` attribute of the module-spec object it is given.
  PyRef spec = PyRef::steal(PyModule_New("spec"));
  PyRef name = PyRef::steal(PyUnicode_FromString(probe.m_name));
  if (!spec || !name || PyObject_SetAttrString(spec.get(), "name", name.get()) < 0) return false;
  return PyRef::steal(PyModule_FromDefAndSpec(&probe, spec.get())).get() != nullptr;
}

PyObject* initialise() {
  static std::int64_t first_interpreter = -1;
  static PyObject* module = nullptr;

  const std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (interpreter < 0) return nullptr;
  if (first_interpreter >= 0 && interpreter != first_interpreter) {
    PyErr_SetString(PyExc_ImportError,
                    "corvane does not support subinterpreters: it can only be imported in the "
                    "interpreter that imported it first");
    return nullptr;
  }
  if (module != nullptr) return Py_NewRef(module);
  if (interpreter != kMainInterpreter && !accepts_this_module()) return nullptr;

  PyRef created = PyRef::steal(PyModule_Create(&module_definition));
  if (!created) return nullptr;
  if (!add_class(created.get(), knowledge_sequence_type()) ||
      !add_class(created.get(), formula_type()) || !add_class(created.get(), augmenter_type())) {
    return nullptr;
  }
  // Only a complete initialisation makes its interpreter the owner: an import that was refused or
  // failed on the way leaves every interpreter free to import the module.
  first_interpreter = interpreter;
  remember_main_thread();
  module = created.release();
  return Py_NewRef(module);
}

}  // namespace

}  // namespace corvane::python

PyMODINIT_FUNC PyInit_corvane(void) {
  return corvane::python::guarded([] { return corvane::python::initialise(); });
}
