#include "python/augmenter_class.hpp"

#include "augmentation/augmenter.hpp"
#include "python/arguments.hpp"
#include "python/errors.hpp"
#include "python/formula_class.hpp"
#include "python/heap_type.hpp"
#include "python/instance.hpp"
#include "python/knowledge_sequence_class.hpp"
#include "python/method.hpp"
#include "python/without_gil.hpp"

namespace corvane::python {

namespace {

HeapType& augmenter_class();

PyObject* augment(PyObject* self, const Args& a) {
  const NNFFormula& formula = to_formula(a[0], "formula");
  const Augmenter& augmenter = value_of<Augmenter>(self);
  return wrap_formula(without_gil([&] { return augmenter.augment(formula); }));
}

PyObject* augmenter_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guarded([&] {
    const Args a = augmenter_class().bind_new(args, kwargs);
    PyObject* knowledge =
        to_instance(a[0], knowledge_sequence_type(), "KnowledgeSequence", "knowledge");
    const KnowledgeSequence& source = knowledge_of(knowledge);
    return new_instance(type, without_gil([&] { return Augmenter(source); }));
  });
}

PyMethodDef augmenter_methods[] = {
    CORVANE_METHOD(Augmenter, augment, "($self, formula)", 0),
    {nullptr, nullptr, 0, nullptr},
};

HeapType& augmenter_class() {
  static HeapType type("corvane.Augmenter", "Augmenter(knowledge)",
                       static_cast<int>(sizeof(Instance<Augmenter>)),
                       {
                           {Py_tp_new, reinterpret_cast<void*>(augmenter_new)},
                           {Py_tp_dealloc, reinterpret_cast<void*>(&dealloc_instance<Augmenter>)},
                           {Py_tp_methods, augmenter_methods},
                       });
  return type;
}

}  // namespace

PyTypeObject* augmenter_type() {
  return augmenter_class().get();
}

}  // namespace corvane::python
