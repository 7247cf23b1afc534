// The `KnowledgeSequence` class: facts per time step, turned into one knowledge graph per change
// point. The whole argument is converted before anything is built.
#include <Python.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "python/arguments.hpp"
#include "python/errors.hpp"
#include "python/instance.hpp"
#include "python/knowledge.hpp"
#include "python/types.hpp"
#include "support/internal_error.hpp"

namespace corvane::python {

namespace {

using Knowledge = PlainSequence<KnowledgeGraph>;

// A tuple of exactly `length` items, or the error for a wrong type or length.
PyObject* to_tuple(PyObject* object, Py_ssize_t length) {
  if (!PyTuple_Check(object)) raise_wrong_type(object, "PyTuple");
  const Py_ssize_t actual = PyTuple_Size(object);
  if (actual != length) {
    PyErr_Format(PyExc_ValueError, "expected tuple of length %zd, but got tuple of length %zd",
                 length, actual);
    throw_python_error();
  }
  return object;
}

std::string text_of(PyObject* object) {
  return std::string(convert_str(object));
}

std::vector<std::string> texts_of(PyObject* sequence) {
  std::vector<std::string> texts;
  for (const auto& item : convert_sequence_items(sequence)) texts.push_back(text_of(item.get()));
  return texts;
}

std::vector<std::pair<std::string, std::string>> pairs_of(PyObject* sequence) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const auto& item : convert_sequence_items(sequence)) {
    PyObject* pair = to_tuple(item.get(), 2);
    std::string lhs = text_of(PyTuple_GetItem(pair, 0));
    pairs.emplace_back(std::move(lhs), text_of(PyTuple_GetItem(pair, 1)));
  }
  return pairs;
}

StepKnowledge step_facts_of(PyObject* value) {
  PyObject* tuple = to_tuple(value, 4);
  StepKnowledge facts;
  facts.holds = texts_of(PyTuple_GetItem(tuple, 0));
  facts.does_not_hold = texts_of(PyTuple_GetItem(tuple, 1));
  facts.implications = pairs_of(PyTuple_GetItem(tuple, 2));
  facts.equivalences = pairs_of(PyTuple_GetItem(tuple, 3));
  return facts;
}

// Converts the dictionary. Converting a key may run Python code (`__index__`) that changes the
// dictionary; every key and value is held by a strong reference while it is used, and a change
// is detected and reported instead of iterating over freed entries.
std::unordered_map<TimeStep, StepKnowledge> convert_edges(PyObject* edges) {
  if (!PyDict_Check(edges)) raise_wrong_type(edges, "PyDict");
  const Py_ssize_t size = PyDict_Size(edges);
  std::unordered_map<TimeStep, StepKnowledge> steps;
  Py_ssize_t position = 0;
  Py_ssize_t visited = 0;
  PyObject* borrowed_key = nullptr;
  PyObject* borrowed_value = nullptr;
  while (PyDict_Next(edges, &position, &borrowed_key, &borrowed_value)) {
    if (++visited > size) throw InternalError("dictionary keys changed during iteration");
    PyRef key = PyRef::borrow(borrowed_key);
    PyRef value = PyRef::borrow(borrowed_value);
    const TimeStep step = convert_u32(key.get());
    if (PyDict_Size(edges) != size) {
      throw InternalError("dictionary changed size during iteration");
    }
    steps.insert_or_assign(step, step_facts_of(value.get()));
  }
  if (PyDict_Size(edges) != size) throw InternalError("dictionary changed size during iteration");
  if (visited != size) throw InternalError("dictionary keys changed during iteration");
  return steps;
}

PyObject* knowledge_sequence_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guarded([&] {
    static const Signature signature("KnowledgeSequence.__new__", "KnowledgeSequence(edges)");
    const Args a = signature.bind(args, kwargs);
    auto steps = with_argument_prefix("edges", [&] { return convert_edges(a[0]); });
    return new_instance(type, build_knowledge_sequence(steps));
  });
}

}  // namespace

const PlainSequence<KnowledgeGraph>& knowledge_of(PyObject* object) {
  return value_of<Knowledge>(object);
}

PyTypeObject* knowledge_sequence_type() {
  static PyTypeObject* type = nullptr;
  if (type != nullptr) return type;
  static PyType_Slot slots[] = {
      {Py_tp_doc, const_cast<char*>("KnowledgeSequence(edges)\n--\n\n")},
      {Py_tp_new, reinterpret_cast<void*>(knowledge_sequence_new)},
      {Py_tp_dealloc, reinterpret_cast<void*>(&dealloc_instance<Knowledge>)},
      {0, nullptr},
  };
  static PyType_Spec spec = {"corvane.KnowledgeSequence",
                             static_cast<int>(sizeof(Instance<Knowledge>)), 0, Py_TPFLAGS_DEFAULT,
                             slots};
  type = create_class(&spec);
  return type;
}

}  // namespace corvane::python
