#include "python/arguments.hpp"

#include "python/errors.hpp"
#include "support/interruption.hpp"

namespace corvane::python {

namespace {

std::string plural(std::size_t n, const char* word) {
  std::string out = std::to_string(n) + " " + word;
  if (n != 1) out += 's';
  return out;
}

std::string utf8_of(PyObject* text) {
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(text, &size);
  if (data == nullptr) {
    PyErr_Clear();
    return "?";
  }
  return std::string(data, static_cast<std::size_t>(size));
}

}  // namespace

Signature::Signature(std::string qualified_name, std::string_view text_signature)
    : qualified_name_(std::move(qualified_name)) {
  const auto open = text_signature.find('(');
  const auto close = text_signature.find(')', open);
  std::string_view list = text_signature.substr(open + 1, close - open - 1);
  while (!list.empty()) {
    const auto comma = list.find(',');
    std::string_view item = list.substr(0, comma);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    if (item.empty() || item.front() == '$') continue;
    const auto equals = item.find('=');
    parameters_.push_back(
        Parameter{std::string(item.substr(0, equals)), equals == std::string_view::npos});
  }
}

void Signature::fail(const std::string& message) const {
  set_error(PyExc_TypeError, qualified_name_ + "() " + message);
  throw_python_error();
}

void Signature::check_positional_count(Py_ssize_t nargs) const {
  const auto given = static_cast<std::size_t>(nargs);
  if (given <= parameters_.size()) return;
  std::size_t required = 0;
  for (const auto& p : parameters_) required += p.required ? 1 : 0;
  std::string takes = required == parameters_.size()
                          ? plural(parameters_.size(), "positional argument")
                          : "from " + std::to_string(required) + " to " +
                                plural(parameters_.size(), "positional argument");
  fail("takes " + takes + " but " + std::to_string(given) + (given == 1 ? " was" : " were") +
       " given");
}

std::size_t Signature::index_of(PyObject* keyword) const {
  for (std::size_t i = 0; i < parameters_.size(); ++i) {
    if (PyUnicode_Check(keyword) &&
        PyUnicode_CompareWithASCIIString(keyword, parameters_[i].name.c_str()) == 0) {
      return i;
    }
  }
  return parameters_.size();
}

void Signature::bind_keyword(std::vector<PyObject*>& bound, PyObject* keyword,
                             PyObject* value) const {
  const std::size_t i = index_of(keyword);
  if (i == parameters_.size()) {
    fail("got an unexpected keyword argument '" + utf8_of(keyword) + "'");
  }
  if (bound[i] != nullptr) fail("got multiple values for argument '" + parameters_[i].name + "'");
  bound[i] = value;
}

void Signature::check_complete(const std::vector<PyObject*>& bound) const {
  std::vector<const std::string*> missing;
  for (std::size_t i = 0; i < parameters_.size(); ++i) {
    if (parameters_[i].required && bound[i] == nullptr) missing.push_back(&parameters_[i].name);
  }
  if (missing.empty()) return;
  std::string names;
  for (std::size_t i = 0; i < missing.size(); ++i) {
    if (i > 0) names += missing.size() == 2 ? " and " : (i + 1 == missing.size() ? ", and " : ", ");
    names += "'" + *missing[i] + "'";
  }
  fail("missing " + plural(missing.size(), "required positional argument") + ": " + names);
}

std::vector<PyObject*> Signature::bind(PyObject* const* args, Py_ssize_t nargs,
                                       PyObject* kwnames) const {
  check_positional_count(nargs);
  std::vector<PyObject*> bound(parameters_.size(), nullptr);
  for (Py_ssize_t i = 0; i < nargs; ++i) bound[static_cast<std::size_t>(i)] = args[i];
  const Py_ssize_t nkw = kwnames == nullptr ? 0 : PyTuple_Size(kwnames);
  for (Py_ssize_t k = 0; k < nkw; ++k) {
    bind_keyword(bound, PyTuple_GetItem(kwnames, k), args[nargs + k]);
  }
  check_complete(bound);
  return bound;
}

std::vector<PyObject*> Signature::bind(PyObject* args, PyObject* kwargs) const {
  const Py_ssize_t nargs = PyTuple_Size(args);
  check_positional_count(nargs);
  std::vector<PyObject*> bound(parameters_.size(), nullptr);
  for (Py_ssize_t i = 0; i < nargs; ++i) {
    bound[static_cast<std::size_t>(i)] = PyTuple_GetItem(args, i);
  }
  if (kwargs != nullptr) {
    Py_ssize_t position = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(kwargs, &position, &key, &value)) bind_keyword(bound, key, value);
  }
  check_complete(bound);
  return bound;
}

void raise_wrong_type(PyObject* object, const char* target_name) {
  PyRef name = PyRef::steal_checked(PyType_GetName(Py_TYPE(object)));
  PyErr_Format(PyExc_TypeError, "'%U' object cannot be converted to '%s'", name.get(), target_name);
  throw_python_error();
}

void add_argument_prefix(const char* parameter) noexcept {
  if (!PyErr_ExceptionMatches(PyExc_TypeError)) return;
  PyObject* cause = PyErr_GetRaisedException();
  PyRef text = PyRef::steal(PyObject_Str(cause));
  if (!text) {
    Py_DECREF(cause);
    return;
  }
  PyRef message = PyRef::steal(PyUnicode_FromFormat("argument '%s': %U", parameter, text.get()));
  PyObject* error =
      message ? PyObject_CallFunctionObjArgs(PyExc_TypeError, message.get(), nullptr) : nullptr;
  if (error == nullptr) {
    Py_DECREF(cause);
    return;
  }
  Py_INCREF(cause);
  PyException_SetContext(error, cause);  // steals one reference
  PyException_SetCause(error, cause);    // steals the other
  PyErr_SetRaisedException(error);
}

std::string_view convert_str(PyObject* object) {
  if (!PyUnicode_Check(object)) raise_wrong_type(object, "PyString");
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(object, &size);
  if (data == nullptr) throw_python_error();
  return std::string_view(data, static_cast<std::size_t>(size));
}

std::string_view to_str(PyObject* object, const char* parameter) {
  return with_argument_prefix(parameter, [&] { return convert_str(object); });
}

TimeStep convert_u32(PyObject* object) {
  PyRef index = PyRef::steal_checked(PyNumber_Index(object));
  int overflow = 0;
  const long long value = PyLong_AsLongLongAndOverflow(index.get(), &overflow);
  if (value == -1 && PyErr_Occurred()) throw_python_error();
  if (overflow != 0 || value < 0 || value > static_cast<long long>(kMaxTime)) {
    set_error(PyExc_OverflowError, "out of range integral type conversion attempted");
    throw_python_error();
  }
  return static_cast<TimeStep>(value);
}

TimeStep to_u32(PyObject* object, const char* parameter) {
  return with_argument_prefix(parameter, [&] { return convert_u32(object); });
}

std::optional<TimeStep> to_optional_u32(PyObject* object, const char* parameter) {
  if (object == nullptr || object == Py_None) return std::nullopt;
  return to_u32(object, parameter);
}

TimeStep to_u32_or(PyObject* object, const char* parameter, TimeStep default_value) {
  return object == nullptr ? default_value : to_u32(object, parameter);
}

PyObject* to_instance(PyObject* object, PyTypeObject* type, const char* target_name,
                      const char* parameter) {
  if (!PyObject_TypeCheck(object, type)) {
    with_argument_prefix(parameter, [&] { raise_wrong_type(object, target_name); });
  }
  return object;
}

std::vector<PyRef> convert_sequence_items(PyObject* object) {
  if (PyUnicode_Check(object)) {
    set_error(PyExc_TypeError, "Can't extract `str` to `Vec`");
    throw_python_error();
  }
  if (!PySequence_Check(object)) raise_wrong_type(object, "Sequence");
  PyRef iterator = PyRef::steal_checked(PyObject_GetIter(object));
  std::vector<PyRef> items;
  while (PyObject* item = PyIter_Next(iterator.get())) {
    items.push_back(PyRef::steal(item));
    poll_interrupt_every(items.size());
  }
  if (PyErr_Occurred()) throw_python_error();
  return items;
}

std::vector<PyRef> to_sequence_items(PyObject* object, const char* parameter) {
  return with_argument_prefix(parameter, [&] { return convert_sequence_items(object); });
}

PyRef make_str(std::string_view text) {
  return PyRef::steal_checked(
      PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
}

}  // namespace corvane::python
