// The boundary between C++ and Python: every entry point runs its body through `guarded`, which
// turns C++ exceptions into Python exceptions so that none escapes into the interpreter, and lets
// pending signals interrupt the body while it runs (python/signals.hpp).
#pragma once

#include <Python.h>

#include <string_view>

#include "python/signals.hpp"

namespace corvane::python {

// `PanicException`, derived from `BaseException`; created once, on first use.
PyObject* panic_exception_type();

// Sets the Python exception for the C++ exception being handled (call only inside a catch).
void set_python_error_from_current_exception() noexcept;

// Sets `type` with `message` (UTF-8).
void set_error(PyObject* type, std::string_view message) noexcept;

// Runs `body`; returns its result, or null with a Python exception set if it threw.
template <class Result, class Body>
Result guarded(Body&& body, Result failure) noexcept {
  try {
    const SignalCheck signals;
    return body();
  } catch (...) {
    set_python_error_from_current_exception();
    return failure;
  }
}

template <class Body>
PyObject* guarded(Body&& body) noexcept {
  return guarded<PyObject*>(static_cast<Body&&>(body), nullptr);
}

}  // namespace corvane::python
