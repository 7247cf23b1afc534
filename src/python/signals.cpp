#include "python/signals.hpp"

#include <Python.h>

#include <atomic>

#include "python/py_ref.hpp"
#include "python/without_gil.hpp"

namespace corvane::python {

namespace {

// The identifier of the main thread; 0 while it is not known (then every thread counts as it).
std::atomic<unsigned long> main_thread{0};

bool on_main_thread() noexcept {
  const unsigned long main = main_thread.load(std::memory_order_relaxed);
  return main == 0 || main == PyThread_get_thread_ident();
}

void raise_pending_signals() {
  if (PyErr_CheckSignals() < 0) throw_python_error();
}

void check_signals(void*) {
  if (WithoutGil* released = WithoutGil::innermost()) {
    if (on_main_thread()) released->with_gil(raise_pending_signals);
    return;
  }
  // The call holds the lock: other threads get it for a moment, as the interpreter's own loop
  // lets them between bytecodes. What they signal meanwhile (a timer thread interrupting the main
  // thread, say) is then handled at once.
  { const WithoutGil others_run; }
  raise_pending_signals();
}

// The result of calling `attribute` of `object` without arguments; null (with an exception set)
// when that fails.
PyRef call_method(PyObject* object, const char* attribute) {
  PyRef method = PyRef::steal(PyObject_GetAttrString(object, attribute));
  return method ? PyRef::steal(PyObject_CallNoArgs(method.get())) : PyRef();
}

}  // namespace

SignalCheck::SignalCheck() noexcept : check_(&check_signals, nullptr) {}

void remember_main_thread() noexcept {
  // Python 3.13 names the main thread in `_thread`; 3.12 through `threading`.
  PyRef ident;
  if (PyRef thread = PyRef::steal(PyImport_ImportModule("_thread"))) {
    ident = call_method(thread.get(), "_get_main_thread_ident");
  }
  if (!ident) {
    PyErr_Clear();
    if (PyRef threading = PyRef::steal(PyImport_ImportModule("threading"))) {
      if (PyRef main = call_method(threading.get(), "main_thread")) {
        ident = PyRef::steal(PyObject_GetAttrString(main.get(), "ident"));
      }
    }
  }
  const unsigned long value = ident ? PyLong_AsUnsignedLong(ident.get()) : 0;
  if (PyErr_Occurred() != nullptr) {
    PyErr_Clear();
    return;
  }
  main_thread.store(value == static_cast<unsigned long>(-1) ? 0 : value, std::memory_order_relaxed);
}

}  // namespace corvane::python
