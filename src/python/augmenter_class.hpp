// The `Augmenter` class: prepared knowledge plus its monitor, applied to formulas.
#pragma once

#include <Python.h>

namespace corvane::python {

// The class object, created on first use. Null with a Python exception set if creation failed.
PyTypeObject* augmenter_type();

}  // namespace corvane::python
