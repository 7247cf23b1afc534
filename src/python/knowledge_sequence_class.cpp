// The `KnowledgeSequence` class. The whole argument is converted before anything is built.
#include "python/knowledge_sequence_class.hpp"

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "python/arguments.hpp"
#include "python/errors.hpp"
#include "python/heap_type.hpp"
#include "python/instance.hpp"
#include "support/internal_error.hpp"

namespace corvane::python {

namespace {

using Knowledge = PlainSequence<KnowledgeGraph>;

HeapType& knowledge_sequence_class();

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
    const Args a = knowledge_sequence_class().bind_new(args, kwargs);
    auto steps = with_argument_prefix("edges", [&] { return convert_edges(a[0]); });
    return new_instance(type, build_knowledge_sequence(steps));
  });
}

HeapType& knowledge_sequence_class() {
  static HeapType type("corvane.KnowledgeSequence", "KnowledgeSequence(edges)",
                       static_cast<int>(sizeof(Instance<Knowledge>)),
                       {
                           {Py_tp_new, reinterpret_cast<void*>(knowledge_sequence_new)},
                           {Py_tp_dealloc, reinterpret_cast<void*>(&dealloc_instance<Knowledge>)},
                       });
  return type;
}

}  // namespace

PyTypeObject* knowledge_sequence_type() {
  return knowledge_sequence_class().get();
}

const PlainSequence<KnowledgeGraph>& knowledge_of(PyObject* object) {
  return value_of<Knowledge>(object);
}

}  // namespace corvane::python
