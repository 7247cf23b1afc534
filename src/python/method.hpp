// Method table entries whose argument handling is driven by their text signature.
//
// `CORVANE_METHOD(Class, name, "(a, b=0)", flags)` makes a `PyMethodDef` whose docstring is
// "name(a, b=0)\n--\n\n" (what `inspect.signature` reads) and whose implementation binds the
// call's arguments by that same text before calling the C++ function `name(self, args)`.
#pragma once

#include <Python.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "python/arguments.hpp"
#include "python/errors.hpp"

namespace corvane::python {

using MethodBody = PyObject* (*)(PyObject* self, const Args& args);

// A string literal usable as a template argument.
template <std::size_t N>
struct FixedString {
  char text[N];
  constexpr FixedString(const char (&literal)[N]) { std::copy_n(literal, N, text); }
};

template <FixedString QualifiedName, FixedString Doc, MethodBody Body>
PyObject* fastcall_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
  return guarded([&] {
    static const Signature signature(QualifiedName.text, Doc.text);
    return Body(self, signature.bind(args, nargs, kwnames));
  });
}

template <auto Function>
PyCFunction as_cfunction() {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(Function));
}

#define CORVANE_METHOD(Class, name, parameters, flags)                                            \
  PyMethodDef {                                                                                   \
#name,                                                                                        \
        ::corvane::python::as_cfunction < &::corvane::python::fastcall_method < #Class "." #name, \
        #name parameters "\n--\n\n", &name>>(), METH_FASTCALL | METH_KEYWORDS | (flags),          \
        #name parameters "\n--\n\n"                                                               \
  }

}  // namespace corvane::python
