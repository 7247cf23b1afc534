// The `KnowledgeSequence` class. The whole argument is converted before anything is built.
#include "python/knowledge_sequence_class.hpp"

#include <unordered_map>
#include <utility>

#include "knowledge/knowledge_sequence_builder.hpp"
#include "python/arguments.hpp"
#include "python/errors.hpp"
#include "python/heap_type.hpp"
#include "python/instance.hpp"
#include "python/without_gil.hpp"
#include "support/interruption.hpp"

namespace corvane::python {

namespace {

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

// Calls `visit(item)` for every item of a sequence argument, in order, with the errors of
// `convert_sequence_items`. Lists and tuples are read in place: visiting an item runs no Python
// code. Only the interrupt check between two items may (a signal handler), so a list's length
// and item are read after it, as iterating over the list in Python would. Other sequences are
// iterated into a list of references first, as their iteration may run Python code.
template <class Visit>
void for_each_item(PyObject* sequence, Visit&& visit) {
  if (PyList_CheckExact(sequence)) {
    for (Py_ssize_t i = 0;; ++i) {
      poll_interrupt_every(static_cast<std::uint64_t>(i));
      if (i >= PyList_Size(sequence)) break;
      visit(PyList_GetItem(sequence, i));
    }
  } else if (PyTuple_CheckExact(sequence)) {
    for (Py_ssize_t i = 0; i < PyTuple_Size(sequence); ++i) {
      poll_interrupt_every(static_cast<std::uint64_t>(i));
      visit(PyTuple_GetItem(sequence, i));
    }
  } else {
    for (const PyRef& item : convert_sequence_items(sequence)) {
      poll_interrupt();
      visit(item.get());
    }
  }
}

// The caller changed the dictionary while it was read.
[[noreturn]] void changed_during_iteration(const char* message) {
  set_error(PyExc_RuntimeError, message);
  throw_python_error();
}

// Reads the dictionary into a builder, proposition texts interned once per string object: the
// same name repeated in every step's lists is one object, read and parsed once. Each cached
// string is held by a reference until the conversion ends.
class EdgesReader {
 public:
  using Kind = LiteralIdFact::Kind;

  EdgesReader() = default;
  EdgesReader(const EdgesReader&) = delete;
  EdgesReader& operator=(const EdgesReader&) = delete;
  ~EdgesReader() {
    for (const auto& [text, literal] : texts_) Py_DECREF(text);
  }

  // Converts the dictionary. Converting a key may run Python code (`__index__`) that changes the
  // dictionary; every key and value is held by a strong reference while it is used, and a change
  // raises RuntimeError with the interpreter's own words for it, as iterating over the dictionary
  // in Python would, instead of reading freed entries.
  void read(PyObject* edges) {
    if (!PyDict_Check(edges)) raise_wrong_type(edges, "PyDict");
    const Py_ssize_t size = PyDict_Size(edges);
    Py_ssize_t position = 0;
    Py_ssize_t visited = 0;
    PyObject* borrowed_key = nullptr;
    PyObject* borrowed_value = nullptr;
    while (PyDict_Next(edges, &position, &borrowed_key, &borrowed_value)) {
      if (++visited > size) changed_during_iteration("dictionary keys changed during iteration");
      PyRef key = PyRef::borrow(borrowed_key);
      PyRef value = PyRef::borrow(borrowed_value);
      poll_interrupt();
      const TimeStep step = convert_u32(key.get());
      if (PyDict_Size(edges) != size) {
        changed_during_iteration("dictionary changed size during iteration");
      }
      builder_.begin_step(step);
      read_step(value.get());
    }
    if (PyDict_Size(edges) != size) {
      changed_during_iteration("dictionary changed size during iteration");
    }
    if (visited != size) changed_during_iteration("dictionary keys changed during iteration");
  }

  KnowledgeSequenceBuilder& builder() noexcept { return builder_; }

 private:
  // The facts of one step: the texts that hold, those that do not, implications, equivalences.
  void read_step(PyObject* value) {
    PyObject* tuple = to_tuple(value, 4);
    for_each_item(PyTuple_GetItem(tuple, 0), [&](PyObject* text) {
      const LiteralId literal = proposition(text);
      builder_.add_fact({Kind::IsTrue, literal, literal});
    });
    for_each_item(PyTuple_GetItem(tuple, 1), [&](PyObject* text) {
      const LiteralId literal = proposition(text);
      builder_.add_fact({Kind::IsFalse, literal, literal});
    });
    read_pairs(PyTuple_GetItem(tuple, 2), Kind::Implication);
    read_pairs(PyTuple_GetItem(tuple, 3), Kind::Equivalence);
  }

  void read_pairs(PyObject* sequence, Kind kind) {
    for_each_item(sequence, [&](PyObject* item) {
      PyObject* pair = to_tuple(item, 2);
      const LiteralId lhs = proposition(PyTuple_GetItem(pair, 0));
      builder_.add_fact({kind, lhs, proposition(PyTuple_GetItem(pair, 1))});
    });
  }

  LiteralId proposition(PyObject* text) {
    if (!PyUnicode_Check(text)) raise_wrong_type(text, "PyString");
    if (const auto it = texts_.find(text); it != texts_.end()) return it->second;
    const LiteralId literal = builder_.proposition(convert_str(text));
    texts_.emplace(text, literal);
    Py_INCREF(text);
    return literal;
  }

  KnowledgeSequenceBuilder builder_;
  std::unordered_map<PyObject*, LiteralId> texts_;
};

PyObject* knowledge_sequence_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guarded([&] {
    const Args a = knowledge_sequence_class().bind_new(args, kwargs);
    EdgesReader reader;
    with_argument_prefix("edges", [&] { reader.read(a[0]); });
    KnowledgeSequenceBuilder& builder = reader.builder();
    return new_instance(type, without_gil([&] { return std::move(builder).build(); }));
  });
}

HeapType& knowledge_sequence_class() {
  static HeapType type(
      "corvane.KnowledgeSequence", "KnowledgeSequence(edges)",
      static_cast<int>(sizeof(Instance<KnowledgeSequence>)),
      {
          {Py_tp_new, reinterpret_cast<void*>(knowledge_sequence_new)},
          {Py_tp_dealloc, reinterpret_cast<void*>(&dealloc_instance<KnowledgeSequence>)},
      });
  return type;
}

}  // namespace

PyTypeObject* knowledge_sequence_type() {
  return knowledge_sequence_class().get();
}

const KnowledgeSequence& knowledge_of(PyObject* object) {
  return value_of<KnowledgeSequence>(object);
}

}  // namespace corvane::python
