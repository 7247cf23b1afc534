// The `Formula` class: an immutable wrapper around one `NNFFormula`.
#include "python/formula_class.hpp"

#include <string>
#include <variant>
#include <vector>

#include "formula/parser/parser.hpp"
#include "formula/printing.hpp"
#include "formula/until_rewriting.hpp"
#include "monitoring/relevance.hpp"
#include "python/arguments.hpp"
#include "python/errors.hpp"
#include "python/heap_type.hpp"
#include "python/instance.hpp"
#include "python/method.hpp"
#include "support/interruption.hpp"

namespace corvane::python {

namespace {

HeapType& formula_class();

const NNFFormula& formula_of(PyObject* object) {
  return value_of<NNFFormula>(object);
}

// Parses formula text; a syntax error raises ValueError with the parser's message.
NNFFormula parse_formula_argument(std::string_view text) {
  auto parsed = parse_formula(text);
  if (auto* error = std::get_if<ParseError>(&parsed)) {
    set_error(PyExc_ValueError, error->display());
    throw_python_error();
  }
  return std::get<NNFFormula>(std::move(parsed));
}

Interval interval_arg(const Args& a, std::size_t start, std::size_t end) {
  const TimeStep lb = to_u32_or(a[start], "start", 0);
  return Interval::from_bounds(lb, to_optional_u32(a[end], "end"));
}

// Static constructors.

PyObject* true_formula(PyObject*, const Args&) {
  return wrap_formula(NNFFormula::true_());
}

PyObject* false_formula(PyObject*, const Args&) {
  return wrap_formula(NNFFormula::false_());
}

PyObject* ap(PyObject*, const Args& a) {
  const std::string_view name = to_str(a[0], "name");
  if (a[1] == nullptr || a[1] == Py_None) {
    return wrap_formula(NNFFormula::positive(AtomicProposition::new_(name)));
  }
  const std::string_view parameter = to_str(a[1], "parameter");
  return wrap_formula(NNFFormula::positive(AtomicProposition::with_parameter(name, parameter)));
}

PyObject* negation(PyObject*, const Args& a) {
  return wrap_formula(NNFFormula::negated(to_formula(a[0], "formula")));
}

std::vector<NNFFormula> formulas_arg(PyObject* object, const char* parameter) {
  std::vector<PyRef> items = to_sequence_items(object, parameter);
  std::vector<NNFFormula> formulas;
  formulas.reserve(items.size());
  for (const auto& item : items) {
    poll_interrupt_every(formulas.size());
    formulas.push_back(to_formula(item.get(), parameter));
  }
  return formulas;
}

PyObject* conjunction(PyObject*, const Args& a) {
  return wrap_formula(NNFFormula::and_(formulas_arg(a[0], "formulas")));
}

PyObject* disjunction(PyObject*, const Args& a) {
  return wrap_formula(NNFFormula::or_(formulas_arg(a[0], "formulas")));
}

PyObject* implication(PyObject*, const Args& a) {
  NNFFormula lhs = to_formula(a[0], "lhs");
  NNFFormula rhs = to_formula(a[1], "rhs");
  return wrap_formula(NNFFormula::implication(lhs, std::move(rhs)));
}

PyObject* next(PyObject*, const Args& a) {
  NNFFormula formula = to_formula(a[0], "formula");
  const TimeStep time = to_u32_or(a[1], "time", 1);
  return wrap_formula(NNFFormula::next(time, std::move(formula)));
}

PyObject* always(PyObject*, const Args& a) {
  NNFFormula formula = to_formula(a[0], "formula");
  const Interval interval = interval_arg(a, 1, 2);
  return wrap_formula(NNFFormula::globally(interval, std::move(formula)));
}

PyObject* eventually(PyObject*, const Args& a) {
  NNFFormula formula = to_formula(a[0], "formula");
  const Interval interval = interval_arg(a, 1, 2);
  return wrap_formula(NNFFormula::eventually(interval, std::move(formula)));
}

PyObject* until(PyObject*, const Args& a) {
  NNFFormula lhs = to_formula(a[0], "lhs");
  NNFFormula rhs = to_formula(a[1], "rhs");
  const Interval interval = interval_arg(a, 2, 3);
  return wrap_formula(NNFFormula::until(std::move(lhs), interval, std::move(rhs)));
}

PyObject* release(PyObject*, const Args& a) {
  NNFFormula lhs = to_formula(a[0], "lhs");
  NNFFormula rhs = to_formula(a[1], "rhs");
  const Interval interval = interval_arg(a, 2, 3);
  return wrap_formula(NNFFormula::release(std::move(lhs), interval, std::move(rhs)));
}

// Queries.

PyObject* is_true(PyObject* self, const Args&) {
  return Py_NewRef(formula_of(self).is_true() ? Py_True : Py_False);
}

PyObject* split_at_top_level_conjunction(PyObject* self, const Args&) {
  const NNFFormula& formula = formula_of(self);
  PyRef list = PyRef::steal_checked(PyList_New(0));
  auto append = [&](const NNFFormula& f) {
    poll_interrupt();
    PyRef item = PyRef::steal_checked(wrap_formula(f));
    if (PyList_Append(list.get(), item.get()) < 0) throw_python_error();
  };
  if (formula.kind() == NNFFormula::Kind::And) {
    for (const auto& member : formula.members()) append(member);
  } else {
    append(formula);
  }
  return list.release();
}

// Time windows.

// What the answer of `relevant_aps` takes as Python objects (CPython 3.12 and 3.13, 64-bit), and
// the most it may take: per step an int key (32 bytes), a list (64) and its share of the dict
// (up to about 64 while the dict grows); per (step, proposition) entry one slot of a list (8); per
// text one str object (about 64 bytes and the text), shared by all the steps that list it.
constexpr ListingCost kRelevantApsCost{160, 8, 64, std::uint64_t{1} << 30};

PyObject* relevant_aps(PyObject* self, const Args& a) {
  const TimeStep end = to_u32(a[0], "end");
  const TimeStep start = to_u32_or(a[1], "start", 0);
  const RelevantAps answer = corvane::relevant_aps(formula_of(self), start, end, kRelevantApsCost);
  std::vector<PyRef> texts;
  texts.reserve(answer.texts.size());
  for (const std::string& text : answer.texts) texts.push_back(make_str(text));
  PyRef result = PyRef::steal_checked(PyDict_New());
  for (const RelevantAps::Span& span : answer.spans) {
    const auto size = static_cast<Py_ssize_t>(span.members_end - span.members_begin);
    for (std::uint64_t step = span.first; step <= span.last; ++step) {
      poll_interrupt();
      PyRef list = PyRef::steal_checked(PyList_New(size));
      for (Py_ssize_t i = 0; i < size; ++i) {
        PyObject* text =
            texts[answer.members[span.members_begin + static_cast<std::size_t>(i)]].get();
        PyList_SetItem(list.get(), i, Py_NewRef(text));  // steals the new reference
      }
      PyRef key = PyRef::steal_checked(PyLong_FromUnsignedLongLong(step));
      if (PyDict_SetItem(result.get(), key.get(), list.get()) < 0) throw_python_error();
    }
  }
  return result.release();
}

PyObject* remove_delayed_until(PyObject* self, const Args&) {
  return wrap_formula(corvane::remove_delayed_until(formula_of(self)));
}

PyObject* remove_timed_until(PyObject* self, const Args&) {
  return wrap_formula(corvane::remove_timed_until(formula_of(self)));
}

// Printing.

PyObject* format_as_string(PyObject* self, const Args& a) {
  PyObject* callable = a[0] == Py_None ? nullptr : a[0];
  std::optional<std::string> text;
  if (callable == nullptr) {
    text = corvane::format_as_string(formula_of(self));
  } else {
    const LiteralFormatter formatter = [callable](const Literal& literal, std::string& out) {
      PyRef first;
      PyRef second;
      if (literal.is_constant()) {
        first = PyRef::steal(PyUnicode_FromString(literal.is_true() ? "true" : "false"));
        second = PyRef::borrow(Py_None);
      } else {
        const auto& p = literal.proposition();
        first = PyRef::steal(
            PyUnicode_FromStringAndSize(p.name().data(), static_cast<Py_ssize_t>(p.name().size())));
        second = PyRef::steal(PyUnicode_FromStringAndSize(
            p.parameter().data(), static_cast<Py_ssize_t>(p.parameter().size())));
      }
      if (!first || !second) return false;
      PyRef result =
          PyRef::steal(PyObject_CallFunctionObjArgs(callable, first.get(), second.get(), nullptr));
      if (!result) return false;
      if (!PyUnicode_Check(result.get())) raise_wrong_type(result.get(), "PyString");
      Py_ssize_t size = 0;
      const char* data = PyUnicode_AsUTF8AndSize(result.get(), &size);
      if (data == nullptr) return false;
      out.append(data, static_cast<std::size_t>(size));
      return true;
    };
    text = corvane::format_as_string(formula_of(self), &formatter);
  }
  if (!text) throw_python_error();
  return make_str(*text).release();
}

PyObject* formula_str(PyObject* self) {
  return guarded([&] { return make_str(to_tree_string(formula_of(self))).release(); });
}

PyObject* formula_repr(PyObject* self) {
  return guarded([&] { return make_str(to_debug_string(formula_of(self))).release(); });
}

PyObject* formula_new(PyTypeObject*, PyObject* args, PyObject* kwargs) {
  return guarded([&] {
    const Args a = formula_class().bind_new(args, kwargs);
    return wrap_formula(parse_formula_argument(to_str(a[0], "formula_string")));
  });
}

#define CORVANE_STATIC(name, parameters) CORVANE_METHOD(Formula, name, parameters, METH_STATIC)
#define CORVANE_INSTANCE(name, parameters) CORVANE_METHOD(Formula, name, parameters, 0)

PyMethodDef formula_methods[] = {
    CORVANE_STATIC(true_formula, "()"),
    CORVANE_STATIC(false_formula, "()"),
    CORVANE_STATIC(ap, "(name, parameter=None)"),
    CORVANE_STATIC(negation, "(formula)"),
    CORVANE_STATIC(conjunction, "(formulas)"),
    CORVANE_STATIC(disjunction, "(formulas)"),
    CORVANE_STATIC(implication, "(lhs, rhs)"),
    CORVANE_STATIC(next, "(formula, time=1)"),
    CORVANE_STATIC(always, "(formula, start=0, end=None)"),
    CORVANE_STATIC(eventually, "(formula, start=0, end=None)"),
    CORVANE_STATIC(until, "(lhs, rhs, start=0, end=None)"),
    CORVANE_STATIC(release, "(lhs, rhs, start=0, end=None)"),
    CORVANE_INSTANCE(is_true, "($self)"),
    CORVANE_INSTANCE(relevant_aps, "($self, end, start=0)"),
    CORVANE_INSTANCE(split_at_top_level_conjunction, "($self)"),
    CORVANE_INSTANCE(remove_delayed_until, "($self)"),
    CORVANE_INSTANCE(remove_timed_until, "($self)"),
    CORVANE_INSTANCE(format_as_string, "($self, format_literal=None)"),
    {nullptr, nullptr, 0, nullptr},
};

HeapType& formula_class() {
  static HeapType type("corvane.Formula", "Formula(formula_string)",
                       static_cast<int>(sizeof(Instance<NNFFormula>)),
                       {
                           {Py_tp_new, reinterpret_cast<void*>(formula_new)},
                           {Py_tp_dealloc, reinterpret_cast<void*>(&dealloc_instance<NNFFormula>)},
                           {Py_tp_str, reinterpret_cast<void*>(formula_str)},
                           {Py_tp_repr, reinterpret_cast<void*>(formula_repr)},
                           {Py_tp_methods, formula_methods},
                       });
  return type;
}

}  // namespace

PyTypeObject* formula_type() {
  return formula_class().get();
}

const NNFFormula& to_formula(PyObject* object, const char* parameter) {
  return formula_of(to_instance(object, formula_type(), "Formula", parameter));
}

PyObject* wrap_formula(NNFFormula formula) {
  PyTypeObject* type = formula_type();
  if (type == nullptr) throw_python_error();
  return new_instance(type, std::move(formula));
}

}  // namespace corvane::python
