#include "python/errors.hpp"

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "python/py_ref.hpp"
#include "support/internal_error.hpp"
#include "support/nesting_too_deep.hpp"
#include "support/result_too_large.hpp"

namespace corvane::python {

namespace {

void raise_panic(std::string_view message) noexcept {
  PyObject* type = panic_exception_type();
  if (type == nullptr) return;  // creating the type failed and left its own exception
  PyRef text = PyRef::steal(
      PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size())));
  if (!text) return;
  PyErr_SetObject(type, text.get());
}

}  // namespace

PyObject* panic_exception_type() {
  static PyObject* type = nullptr;
  if (type == nullptr) {
    type = PyErr_NewExceptionWithDoc(
        "corvane.PanicException",
        "Raised when an internal check of corvane fails.\n\n"
        "It derives from BaseException, not Exception, so that `except Exception` does not\n"
        "swallow it: it signals a defect in corvane, not a problem with the arguments.",
        PyExc_BaseException, nullptr);
  }
  return type;
}

void set_error(PyObject* type, std::string_view message) noexcept {
  PyRef text = PyRef::steal(
      PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size())));
  if (text) PyErr_SetObject(type, text.get());
}

void set_python_error_from_current_exception() noexcept {
  try {
    throw;
  } catch (const PythonErrorSet&) {
    // The Python exception is already set.
  } catch (const InternalError& e) {
    const auto& where = e.location();
    std::fprintf(stderr, "corvane: internal error at %s:%u in %s: %s\n", where.file_name(),
                 static_cast<unsigned>(where.line()), where.function_name(), e.what());
    std::fflush(stderr);
    raise_panic(e.message());
  } catch (const NestingTooDeep& e) {
    set_error(PyExc_RecursionError, e.what());
  } catch (const ResultTooLarge& e) {
    set_error(PyExc_MemoryError, e.what());
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvane: internal error: unexpected C++ exception: %s\n", e.what());
    std::fflush(stderr);
    raise_panic(e.what());
  } catch (...) {
    std::fprintf(stderr, "corvane: internal error: unknown C++ exception\n");
    std::fflush(stderr);
    raise_panic("unknown C++ exception");
  }
}

}  // namespace corvane::python
