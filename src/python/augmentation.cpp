// The `Augmenter` class: prepared knowledge plus its monitor, applied to formulas.
#include <Python.h>

#include "augmentation/augmenter.hpp"
#include "python/arguments.hpp"
#include "python/errors.hpp"
#include "python/instance.hpp"
#include "python/knowledge.hpp"
#include "python/method.hpp"
#include "python/types.hpp"

namespace corvane::python {

namespace {

PyObject* augment(PyObject* self, const Args& a) {
  const NNFFormula& formula = to_formula(a[0], "formula");
  return wrap_formula(value_of<Augmenter>(self).augment(formula));
}

PyObject* augmenter_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guarded([&] {
    static const Signature signature("Augmenter.__new__", "Augmenter(knowledge)");
    const Args a = signature.bind(args, kwargs);
    PyObject* knowledge =
        to_instance(a[0], knowledge_sequence_type(), "KnowledgeSequence", "knowledge");
    return new_instance(type, Augmenter(knowledge_of(knowledge)));
  });
}

PyMethodDef augmenter_methods[] = {
    CORVANE_METHOD(Augmenter, augment, "($self, formula)", 0),
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

PyTypeObject* augmenter_type() {
  static PyTypeObject* type = nullptr;
  if (type != nullptr) return type;
  static PyType_Slot slots[] = {
      {Py_tp_doc, const_cast<char*>("Augmenter(knowledge)\n--\n\n")},
      {Py_tp_new, reinterpret_cast<void*>(augmenter_new)},
      {Py_tp_dealloc, reinterpret_cast<void*>(&dealloc_instance<Augmenter>)},
      {Py_tp_methods, augmenter_methods},
      {0, nullptr},
  };
  static PyType_Spec spec = {"corvane.Augmenter", static_cast<int>(sizeof(Instance<Augmenter>)), 0,
                             Py_TPFLAGS_DEFAULT, slots};
  type = create_class(&spec);
  return type;
}

}  // namespace corvane::python
