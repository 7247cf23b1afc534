// Matching of positional and keyword arguments to a method's parameters, and conversion of the
// matched objects to C++ values.
//
// Each method's parameter list is read from its text signature, the same text that its docstring
// carries for `inspect.signature`, so names, order and defaults cannot drift apart.
#pragma once

#include <Python.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "python/py_ref.hpp"
#include "time/time_step.hpp"

namespace corvane::python {

// The bound arguments, one borrowed reference per parameter (null when not given).
using Args = std::vector<PyObject*>;

class Signature {
 public:
  // `qualified_name` as shown in errors ("Formula.until"); `text_signature` the docstring, e.g.
  // "until(lhs, rhs, start=0, end=None)\n--\n\n". A "$self" parameter is skipped; a parameter
  // with "=" is optional.
  Signature(std::string qualified_name, std::string_view text_signature);

  // Matches vectorcall-style arguments. Returns one borrowed reference per parameter, null where
  // an optional argument was not given. Raises `TypeError` as the interpreter words it.
  std::vector<PyObject*> bind(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) const;
  // The same for a tuple and an optional dict (used by `__new__`).
  std::vector<PyObject*> bind(PyObject* args, PyObject* kwargs) const;

 private:
  struct Parameter {
    std::string name;
    bool required;
  };
  [[noreturn]] void fail(const std::string& message) const;
  std::size_t index_of(PyObject* keyword) const;
  void bind_keyword(std::vector<PyObject*>& bound, PyObject* keyword, PyObject* value) const;
  void check_complete(const std::vector<PyObject*>& bound) const;
  void check_positional_count(Py_ssize_t nargs) const;

  std::string qualified_name_;
  std::vector<Parameter> parameters_;
};

// Conversions without the parameter prefix, for arguments converted as a whole.
std::string_view convert_str(PyObject* object);
// The items of a Python sequence (not a `str`), as new references, in order.
std::vector<PyRef> convert_sequence_items(PyObject* object);

// Conversions. Each raises the Python exception and throws `PythonErrorSet` on failure; a
// `TypeError` gets the "argument 'NAME': " prefix with the original error as its cause.
std::string_view to_str(PyObject* object, const char* parameter);
// An integer (any object with `__index__`) in 0 ... 4294967295; without the prefix.
TimeStep convert_u32(PyObject* object);
TimeStep to_u32(PyObject* object, const char* parameter);
std::optional<TimeStep> to_optional_u32(PyObject* object, const char* parameter);
// `default_value` for a missing argument; an explicit None is refused like any non-integer.
TimeStep to_u32_or(PyObject* object, const char* parameter, TimeStep default_value);
// An instance of `type`, or the wrong-type error naming `target_name`.
PyObject* to_instance(PyObject* object, PyTypeObject* type, const char* target_name,
                      const char* parameter);
// A Python sequence (not a `str`); the items are returned as new references, in order.
std::vector<PyRef> to_sequence_items(PyObject* object, const char* parameter);

// Raises TypeError "'T' object cannot be converted to 'TARGET'" (without prefix).
[[noreturn]] void raise_wrong_type(PyObject* object, const char* target_name);
// Runs `convert`; a TypeError it raises is re-raised with the parameter prefix.
void add_argument_prefix(const char* parameter) noexcept;

template <class Convert>
auto with_argument_prefix(const char* parameter, Convert&& convert) -> decltype(convert()) {
  try {
    return convert();
  } catch (const PythonErrorSet&) {
    add_argument_prefix(parameter);
    throw;
  }
}

// A new Python str from UTF-8 text.
PyRef make_str(std::string_view text);

}  // namespace corvane::python
