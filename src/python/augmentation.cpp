// The `Augmenter` class: prepared knowledge plus its monitor, applied to formulas.
#include <Python.h>

#include <new>

#include "augmentation/augmenter.hpp"
#include "python/arguments.hpp"
#include "python/errors.hpp"
#include "python/knowledge.hpp"
#include "python/method.hpp"
#include "python/types.hpp"

namespace corvane::python {

namespace {

struct AugmenterObject {
  PyObject_HEAD Augmenter augmenter;
};

PyObject* augment(PyObject* self, const Args& a) {
  const NNFFormula& formula = to_formula(a[0], "formula");
  return wrap_formula(reinterpret_cast<AugmenterObject*>(self)->augmenter.augment(formula));
}

PyObject* augmenter_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guarded([&] {
    static const Signature signature("Augmenter.__new__", "Augmenter(knowledge)");
    const Args a = signature.bind(args, kwargs);
    PyObject* knowledge =
        to_instance(a[0], knowledge_sequence_type(), "KnowledgeSequence", "knowledge");
    Augmenter augmenter(knowledge_of(knowledge));
    auto allocate = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
    PyObject* object = allocate(type, 0);
    if (object == nullptr) throw_python_error();
    new (&reinterpret_cast<AugmenterObject*>(object)->augmenter) Augmenter(std::move(augmenter));
    return object;
  });
}

void augmenter_dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  reinterpret_cast<AugmenterObject*>(self)->augmenter.~Augmenter();
  auto free_object = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
  free_object(self);
  Py_DECREF(type);
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
      {Py_tp_dealloc, reinterpret_cast<void*>(augmenter_dealloc)},
      {Py_tp_methods, augmenter_methods},
      {0, nullptr},
  };
  static PyType_Spec spec = {"corvane.Augmenter", static_cast<int>(sizeof(AugmenterObject)), 0,
                             Py_TPFLAGS_DEFAULT, slots};
  type = create_class(&spec);
  return type;
}

}  // namespace corvane::python
