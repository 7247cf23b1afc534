// Instances of the module's classes: a Python object header followed by one C++ value, which is
// constructed when the object is created and destroyed when the interpreter frees it.
#pragma once

#include <Python.h>

#include <new>
#include <utility>

#include "python/py_ref.hpp"

namespace corvane::python {

template <class T>
struct Instance {
  PyObject ob_base;  // the object header (what PyObject_HEAD declares)
  T value;
};

// The value of an instance whose type holds a `T` (the caller has checked the type).
template <class T>
const T& value_of(PyObject* object) {
  return reinterpret_cast<Instance<T>*>(object)->value;
}

// A new instance of `type` holding `value`.
template <class T>
PyObject* new_instance(PyTypeObject* type, T value) {
  auto allocate = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
  PyObject* object = allocate(type, 0);
  if (object == nullptr) throw_python_error();
  new (&reinterpret_cast<Instance<T>*>(object)->value) T(std::move(value));
  return object;
}

// The `tp_dealloc` slot of a type whose instances hold a `T`.
template <class T>
void dealloc_instance(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  reinterpret_cast<Instance<T>*>(self)->value.~T();
  auto free_object = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
  free_object(self);
  Py_DECREF(type);
}

}  // namespace corvane::python
