// Owned references to Python objects, and the C++ exception that unwinds to the binding boundary
// while a Python exception is set.
#pragma once

#include <Python.h>

#include <utility>

namespace corvane::python {

// Thrown after a Python exception has been set; `guarded` turns it back into a null return.
struct PythonErrorSet {};

[[noreturn]] inline void throw_python_error() {
  throw PythonErrorSet{};
}

// Owns one strong reference (or none).
class PyRef {
 public:
  PyRef() noexcept = default;
  // Takes over a new reference; a null one means a Python call failed and is turned into
  // `PythonErrorSet` by `steal_checked`.
  static PyRef steal(PyObject* object) noexcept { return PyRef(object); }
  static PyRef steal_checked(PyObject* object) {
    if (object == nullptr) throw_python_error();
    return PyRef(object);
  }
  static PyRef borrow(PyObject* object) noexcept {
    Py_XINCREF(object);
    return PyRef(object);
  }

  PyRef(const PyRef&) = delete;
  PyRef& operator=(const PyRef&) = delete;
  PyRef(PyRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  PyRef& operator=(PyRef&& other) noexcept {
    if (this != &other) {
      Py_XDECREF(object_);
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  ~PyRef() { Py_XDECREF(object_); }

  PyObject* get() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }
  // Hands the reference to the caller.
  PyObject* release() noexcept { return std::exchange(object_, nullptr); }

 private:
  explicit PyRef(PyObject* object) noexcept : object_(object) {}
  PyObject* object_ = nullptr;
};

}  // namespace corvane::python
