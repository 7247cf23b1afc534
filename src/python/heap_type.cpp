#include "python/heap_type.hpp"

#include <cstring>
#include <string_view>
#include <utility>

#include "python/py_ref.hpp"

namespace corvane::python {

namespace {

// "Name" of "Name(parameters)".
std::string_view name_of(std::string_view signature) {
  return signature.substr(0, signature.find('('));
}

}  // namespace

HeapType::HeapType(const char* qualified_name, const char* signature, int basic_size,
                   std::vector<PyType_Slot> slots)
    : doc_(std::string(signature) + "\n--\n\n"),
      slots_(std::move(slots)),
      spec_{qualified_name, basic_size, 0, Py_TPFLAGS_DEFAULT, nullptr},
      new_(std::string(name_of(signature)) + ".__new__", signature) {
  slots_.insert(slots_.begin(), PyType_Slot{Py_tp_doc, doc_.data()});
  slots_.push_back(PyType_Slot{0, nullptr});
  spec_.slots = slots_.data();
}

PyTypeObject* HeapType::get() {
  if (type_ != nullptr) return type_;
  PyRef type = PyRef::steal(PyType_FromSpec(&spec_));
  if (!type) return nullptr;
  const char* dot = std::strrchr(spec_.name, '.');
  PyRef bare_name = PyRef::steal(PyUnicode_FromString(dot == nullptr ? spec_.name : dot + 1));
  if (!bare_name || PyObject_SetAttrString(type.get(), "__name__", bare_name.get()) < 0) {
    return nullptr;
  }
  type_ = reinterpret_cast<PyTypeObject*>(type.release());
  return type_;
}

}  // namespace corvane::python
