import gc
import inspect
import sys
import threading

import pytest

import corvane
from corvane import Augmenter, Formula, KnowledgeSequence
from conftest import FALSE, TRUE, lit, neg
from subinterpreters import run_in_subinterpreter

ap = Formula.ap


def test_module_registers_exactly_the_three_classes_in_order():
    import importlib

    assert importlib.import_module("corvane") is corvane
    assert corvane.__all__ == ["KnowledgeSequence", "Formula", "Augmenter"]
    public = {name for name in dir(corvane) if not name.startswith("__")}
    assert public == {"KnowledgeSequence", "Formula", "Augmenter"}
    assert corvane.__doc__ == ""


def test_import_warns_about_nothing():
    import subprocess

    result = subprocess.run(
        [sys.executable, "-W", "error", "-c", "import corvane; print(corvane.Formula.__module__)"],
        capture_output=True, text=True, check=False,
    )
    assert (result.returncode, result.stdout, result.stderr) == (0, "corvane\n", "")


@pytest.mark.parametrize("cls", [Formula, KnowledgeSequence, Augmenter])
def test_classes_are_sealed(cls):
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})
    assert cls.__name__ == cls.__qualname__
    assert "__dict__" not in dir(cls)
    assert cls.__weakrefoffset__ == 0


def test_instances_take_no_attributes_and_compare_by_identity():
    f, g = ap("a"), ap("a")
    with pytest.raises(AttributeError):
        f.x = 1
    assert f == f and f != g
    # Hashing is by identity too: two live objects never share an identity hash.
    assert hash(f) == object.__hash__(f) != object.__hash__(g) == hash(g)


@pytest.mark.parametrize(
    "obj, text",
    [
        (Formula, "(formula_string)"),
        (KnowledgeSequence, "(edges)"),
        (Augmenter, "(knowledge)"),
        (Formula.ap, "(name, parameter=None)"),
        (Formula.next, "(formula, time=1)"),
        (Formula.until, "(lhs, rhs, start=0, end=None)"),
        (Formula.true_formula, "()"),
        (Formula.relevant_aps, "(self, /, end, start=0)"),
        (Formula.format_as_string, "(self, /, format_literal=None)"),
    ],
)
def test_signatures_are_visible_to_inspect(obj, text):
    assert str(inspect.signature(obj)) == text


def test_method_table_order():
    names = [n for n, v in vars(Formula).items() if not n.startswith("__")]
    assert names == [
        "true_formula", "false_formula", "ap", "negation", "conjunction", "disjunction",
        "implication", "next", "always", "eventually", "until", "release", "is_true",
        "relevant_aps", "split_at_top_level_conjunction", "remove_delayed_until",
        "remove_timed_until", "format_as_string",
    ]


@pytest.mark.parametrize(
    "build, expected",
    [
        (lambda: Formula.conjunction([]), TRUE),
        (lambda: Formula.disjunction([]), FALSE),
        (lambda: Formula.conjunction([ap("a"), ap("a")]), lit("a")),
        (lambda: Formula.conjunction([Formula.true_formula(), ap("a")]), lit("a")),
        (lambda: Formula.conjunction([Formula.false_formula(), ap("a")]), FALSE),
        (lambda: Formula.disjunction([Formula.true_formula(), ap("a")]), TRUE),
        (lambda: Formula.conjunction((ap("b"), ap("a"))), f"And({{{lit('a')}, {lit('b')}}})"),
        (
            lambda: Formula.conjunction([ap("c"), Formula.conjunction([ap("a"), ap("b")])]),
            f"And({{{lit('a')}, {lit('b')}, {lit('c')}}})",
        ),
        (lambda: Formula.next(ap("a"), 0), lit("a")),
        (lambda: Formula.next(ap("a")), f"Globally(Bounded {{ lb: 1, ub: 1 }}, {lit('a')})"),
        (lambda: Formula.next(ap("a"), True), f"Globally(Bounded {{ lb: 1, ub: 1 }}, {lit('a')})"),
        (lambda: Formula.always(ap("a"), 5, 2), TRUE),
        (lambda: Formula.eventually(ap("a"), 5, 2), FALSE),
        (lambda: Formula.always(ap("a"), end=None), f"Globally(Unbounded {{ lb: 0 }}, {lit('a')})"),
        (lambda: Formula.always(ap("a"), 0, 0), lit("a")),
        (lambda: Formula.until(ap("a"), ap("b"), 3, 3),
         f"Globally(Bounded {{ lb: 3, ub: 3 }}, {lit('b')})"),
        (lambda: Formula.until(ap("a"), ap("b"), 0, 0), lit("b")),
        (lambda: Formula.until(Formula.false_formula(), ap("b"), 3),
         f"Globally(Bounded {{ lb: 3, ub: 3 }}, {lit('b')})"),
        (lambda: Formula.until(ap("a"), Formula.true_formula(), 1, 9), TRUE),
        (lambda: Formula.eventually(ap("b")), f"Until({TRUE}, Unbounded {{ lb: 0 }}, {lit('b')})"),
        (lambda: Formula.release(ap("a"), Formula.false_formula(), 5, 2), TRUE),
        (lambda: Formula.release(ap("a"), Formula.false_formula(), 2, 5), FALSE),
        (lambda: Formula.release(ap("a"), ap("b"), 5, 2), TRUE),
        (lambda: Formula.release(Formula.true_formula(), ap("b"), 2, 9),
         f"Globally(Bounded {{ lb: 2, ub: 2 }}, {lit('b')})"),
        (
            lambda: Formula.release(ap("a"), ap("b")),
            f"Or({{Until({lit('b')}, Unbounded {{ lb: 0 }}, And({{{lit('a')}, {lit('b')}}})), "
            f"Globally(Unbounded {{ lb: 0 }}, {lit('b')})}})",
        ),
        (
            lambda: Formula.negation(Formula.always(ap("a"), 1, 4)),
            f"Until({TRUE}, Bounded {{ lb: 1, ub: 4 }}, {neg('a')})",
        ),
        (
            lambda: Formula.negation(Formula.conjunction([ap("a"), Formula.negation(ap("b"))])),
            f"Or({{{lit('b')}, {neg('a')}}})",
        ),
        (lambda: Formula.implication(ap("a"), ap("b")), f"Or({{{lit('b')}, {neg('a')}}})"),
        (lambda: Formula.negation(Formula.negation(Formula.true_formula())), TRUE),
        (lambda: Formula.ap("x", ""), lit("x")),
        (lambda: Formula.ap("x", None), lit("x")),
        (lambda: Formula.ap("a b(", "c)"), lit("a b(", "c)")),
    ],
)
def test_constructors_simplify(build, expected):
    assert repr(build()) == expected


def test_sort_order_of_members():
    g = Formula.always(ap("z"), 1, 2)
    u = Formula.until(ap("a"), ap("b"), 1, 2)
    f = Formula.disjunction(
        [g, u, Formula.conjunction([ap("p"), ap("q")]), Formula.negation(ap("a")), ap("z")]
    )
    kinds = [repr(m).split("(")[0] for m in Formula.split_at_top_level_conjunction(f)]
    assert kinds == ["Or"]
    text = repr(f)
    # Positive literals, then negative ones, then And, Until, Globally.
    order = [text.index(x) for x in ['Positive(AtomicProposition { name: "z"', "Negative(", "And(", "Until(", "Globally("]]
    assert order == sorted(order)


def test_is_true_only_for_the_constant():
    assert Formula.true_formula().is_true()
    assert not Formula.false_formula().is_true()
    assert not Formula.disjunction([ap("a"), Formula.negation(ap("a"))]).is_true()


def test_split_at_top_level_conjunction():
    parts = Formula.conjunction([ap("b"), ap("a")]).split_at_top_level_conjunction()
    assert [repr(p) for p in parts] == [lit("a"), lit("b")]
    disj = Formula.disjunction([ap("a"), ap("b")])
    (only,) = disj.split_at_top_level_conjunction()
    assert repr(only) == repr(disj) and only is not disj


def test_arguments_are_never_changed(a, b):
    before = repr(a), repr(b)
    Formula.until(a, b, 1, 4)
    Formula.negation(a)
    Formula.conjunction([a, b])
    assert (repr(a), repr(b)) == before


# Argument errors ------------------------------------------------------------------------


@pytest.mark.parametrize(
    "call, exc, message",
    [
        (lambda: Formula.until(ap("a")), TypeError,
         "Formula.until() missing 1 required positional argument: 'rhs'"),
        (lambda: Formula.implication(), TypeError,
         "Formula.implication() missing 2 required positional arguments: 'lhs' and 'rhs'"),
        (lambda: Formula.until(ap("a"), ap("b"), 1, 2, 3), TypeError,
         "Formula.until() takes from 2 to 4 positional arguments but 5 were given"),
        (lambda: Formula.true_formula(1), TypeError,
         "Formula.true_formula() takes 0 positional arguments but 1 was given"),
        (lambda: Formula.negation(ap("a"), ap("b")), TypeError,
         "Formula.negation() takes 1 positional argument but 2 were given"),
        (lambda: Formula.until(ap("a"), ap("b"), lhs=ap("a")), TypeError,
         "Formula.until() got multiple values for argument 'lhs'"),
        (lambda: Formula.ap("a", nam="x"), TypeError,
         "Formula.ap() got an unexpected keyword argument 'nam'"),
        (lambda: Formula(), TypeError,
         "Formula.__new__() missing 1 required positional argument: 'formula_string'"),
        (lambda: Formula("a", "b"), TypeError,
         "Formula.__new__() takes 1 positional argument but 2 were given"),
        (lambda: Formula.ap(3), TypeError,
         "argument 'name': 'int' object cannot be converted to 'PyString'"),
        (lambda: Formula.ap("a", 3), TypeError,
         "argument 'parameter': 'int' object cannot be converted to 'PyString'"),
        (lambda: Formula.negation("a"), TypeError,
         "argument 'formula': 'str' object cannot be converted to 'Formula'"),
        (lambda: Formula.conjunction("ab"), TypeError,
         "argument 'formulas': Can't extract `str` to `Vec`"),
        (lambda: Formula.conjunction({ap("a")}), TypeError,
         "argument 'formulas': 'set' object cannot be converted to 'Sequence'"),
        (lambda: Formula.disjunction(x for x in []), TypeError,
         "argument 'formulas': 'generator' object cannot be converted to 'Sequence'"),
        (lambda: Formula.conjunction([ap("a"), 1]), TypeError,
         "argument 'formulas': 'int' object cannot be converted to 'Formula'"),
        (lambda: Formula.next(ap("a"), -1), OverflowError,
         "out of range integral type conversion attempted"),
        (lambda: Formula.next(ap("a"), 2**32), OverflowError,
         "out of range integral type conversion attempted"),
        (lambda: Formula.always(ap("a"), 0, 2**64), OverflowError,
         "out of range integral type conversion attempted"),
        (lambda: Formula.always(ap("a"), 1.5), TypeError,
         "argument 'start': 'float' object cannot be interpreted as an integer"),
        (lambda: Formula.always(ap("a"), None), TypeError,
         "argument 'start': 'NoneType' object cannot be interpreted as an integer"),
        (lambda: Formula.until(ap("a"), ap("b"), 0, "3"), TypeError,
         "argument 'end': 'str' object cannot be interpreted as an integer"),
        (lambda: Formula.ap("\ud800"), UnicodeEncodeError, None),
    ],
)
def test_argument_errors(call, exc, message):
    with pytest.raises(exc) as info:
        call()
    assert type(info.value) is exc
    if message is not None:
        assert str(info.value) == message
    if message and message.startswith("argument '"):
        cause = info.value.__cause__
        assert type(cause) is TypeError
        assert message.endswith(str(cause))


def test_bounds_accept_the_full_32_bit_range():
    f = Formula.always(ap("a"), 4294967295, 4294967295)
    assert repr(f) == f"Globally(Bounded {{ lb: 4294967295, ub: 4294967295 }}, {lit('a')})"
    assert str(Formula.always(ap("a"), 0, 4294967295)).startswith("G[0, 4294967295]\n")


def test_index_objects_are_accepted_as_integers():
    class Seven:
        def __index__(self):
            return 7

    assert repr(Formula.next(ap("a"), Seven())) == repr(Formula.next(ap("a"), 7))


# Printing --------------------------------------------------------------------------------


def test_tree_form():
    f = Formula.always(Formula.conjunction([ap("a"), Formula.negation(ap("b"))]), 0, 5)
    assert str(f) == "G[0, 5]\n└── ∧\n    ├── a\n    └── ¬b\n"
    assert str(Formula.true_formula()) == "⊤\n"
    nested = Formula.disjunction(
        [Formula.conjunction([ap("a"), ap("b")]), Formula.until(ap("c"), ap("d"), 1, 3)]
    )
    assert str(nested) == (
        "∨\n├── ∧\n│   ├── a\n│   └── b\n└── U[1, 3]\n    ├── c\n    └── d\n"
    )
    assert str(Formula.eventually(ap("a"))) == "F[0, inf]\n└── a\n"


@pytest.mark.parametrize(
    "build, text",
    [
        (lambda: ap("a"), "(a)"),
        (lambda: Formula.negation(ap("a")), "(!a)"),
        (lambda: Formula.conjunction([ap("a"), Formula.negation(ap("b"))]), "((a) & (!b))"),
        (lambda: Formula.disjunction([ap("a"), ap("b")]), "((a) | (b))"),
        (lambda: Formula.until(ap("a"), ap("b")), "((a) U (b))"),
        (lambda: Formula.until(ap("a"), ap("b"), 1, 3), "((a) U[1, 3] (b))"),
        (lambda: Formula.eventually(ap("a"), 2), "(F[2, inf] (a))"),
        (lambda: Formula.eventually(ap("a")), "(F (a))"),
        (lambda: Formula.always(ap("p", "x"), 0, 5), "(G[0, 5] (p(x)))"),
        (lambda: Formula.always(ap("p")), "(G (p))"),
        (lambda: Formula.true_formula(), "(true)"),
        (lambda: Formula.false_formula(), "(false)"),
    ],
)
def test_infix_form(build, text):
    f = build()
    assert f.format_as_string() == text
    assert f.format_as_string(None) == text
    assert f.format_as_string(format_literal=None) == text


def test_debug_form_escapes():
    f = ap('q"\\\t\r\n\x00\x01', "é\u0301\u00a0'")
    assert repr(f) == (
        'Literal(Positive(AtomicProposition { name: "q\\"\\\\\\t\\r\\n\\0\\u{1}", '
        "parameter: \"é\\u{301}\\u{a0}'\" }))"
    )


def test_formatter_receives_name_and_parameter():
    calls = []

    def fmt(name, parameter):
        calls.append((name, parameter))
        return f"<{name}:{parameter}>"

    f = Formula.conjunction([Formula.negation(ap("p", "x")), Formula.eventually(ap("q"))])
    assert f.format_as_string(fmt) == "((!<p:x>) & (F (<q:>)))"
    assert calls == [("p", "x"), ("q", "")]
    calls.clear()
    assert Formula.true_formula().format_as_string(fmt) == "(<true:None>)"
    assert calls == [("true", None)]


def test_formatter_errors_propagate_unchanged():
    seen = []

    def fails_on_second(name, parameter):
        seen.append(name)
        if len(seen) == 2:
            raise KeyError("boom")
        return name

    f = Formula.conjunction([ap("a"), ap("b"), ap("c")])
    with pytest.raises(KeyError):
        f.format_as_string(fails_on_second)
    assert seen == ["a", "b"]
    with pytest.raises(TypeError, match="'int' object cannot be converted to 'PyString'"):
        f.format_as_string(lambda n, p: 3)
    with pytest.raises(TypeError):
        f.format_as_string(42)  # not callable: fails when the first literal is formatted
    with pytest.raises(TypeError):
        f.format_as_string(lambda n: n)  # wrong arity


def test_formatter_may_return_str_subclass_and_non_ascii():
    class S(str):
        pass

    assert ap("a").format_as_string(lambda n, p: S("ä🙂")) == "(ä🙂)"


# Robustness ------------------------------------------------------------------------------


def nest(depth):
    f = ap("a")
    for _ in range(depth - 1):
        f = Formula.next(f, 1)
    return f


def test_depth_limit_is_enforced_and_formulas_at_the_limit_work():
    f = nest(1000)
    assert str(f).count("\n") == 1000
    assert len(repr(Formula.negation(f))) > 0
    assert f.format_as_string().count("(") == 1000
    with pytest.raises(RecursionError, match="1000"):
        Formula.next(f, 1)
    with pytest.raises(RecursionError):
        Formula.always(f, 0, 9)
    del f
    gc.collect()


# A chain of n releases is a graph of a few nodes per release, but every release holds its rhs
# three times, so written out as a tree it has about 3^n nodes: at 40 releases, anything that
# walked the tree would run for years.
def release_chain(n):
    return Formula(" R ".join(f"a{i}" for i in range(n)))


@pytest.mark.parametrize(
    "operation",
    [
        lambda f, g: Formula.disjunction([f, Formula.negation(g)]),
        lambda f, g: Formula.implication(f, g),
        lambda f, g: f.remove_delayed_until(),
        lambda f, g: f.remove_timed_until(),
        lambda f, g: f.relevant_aps(5),
        lambda f, g: Augmenter(KnowledgeSequence({})).augment(f),
    ],
    ids=["negation", "implication", "remove_delayed_until", "remove_timed_until", "relevant_aps",
         "augment"],
)
def test_release_chains_cost_their_nodes_not_their_tree(operation):
    operation(release_chain(40), release_chain(40))


def test_separately_parsed_release_chains_are_found_equal():
    # Equal members collapse into one, so the conjunction is the chain itself (a disjunction).
    both = Formula.conjunction([release_chain(40), release_chain(40)])
    assert len(both.split_at_top_level_conjunction()) == 1
    other = Formula.conjunction([release_chain(40), release_chain(39)])
    assert len(other.split_at_top_level_conjunction()) == 2


@pytest.mark.parametrize(
    "print_", [str, repr, Formula.format_as_string, lambda f: f.format_as_string(lambda n, p: n)],
    ids=["str", "repr", "format_as_string", "with formatter"],
)
def test_prints_longer_than_the_limit_are_refused_at_once(print_):
    assert len(print_(release_chain(8))) > 1000
    with pytest.raises(MemoryError, match="longer than the limit of 268435456 bytes"):
        print_(release_chain(40))


def test_a_print_of_exactly_the_limit_is_made():
    limit = 2**28
    assert len(ap("a" * (limit - 2)).format_as_string()) == limit  # "(" name ")"
    with pytest.raises(MemoryError):
        ap("a" * (limit - 1)).format_as_string()


def test_a_formatter_whose_texts_outgrow_the_limit_is_stopped():
    calls = []
    text = "x" * 2**20

    def formatter(name, parameter):
        calls.append(name)
        return text

    f = Formula.conjunction([ap(f"p{i}") for i in range(1000)])
    with pytest.raises(MemoryError):
        f.format_as_string(formatter)
    assert len(calls) == 256  # 256 texts of 1 MiB and their parentheses pass 256 MiB


def test_depth_limit_on_a_thread():
    results = []

    def work():
        try:
            f = nest(1000)
            results.append(len(str(f)))
            Formula.until(f, f, 1, 2)
        except RecursionError as e:
            results.append(type(e))

    t = threading.Thread(target=work)
    t.start()
    t.join()
    assert results[1] is RecursionError


def test_threads_share_formulas():
    f = Formula.always(Formula.conjunction([ap(f"p{i}") for i in range(50)]), 0, 10)
    expected = repr(f)
    errors = []

    def work():
        for _ in range(200):
            g = Formula.conjunction([f, Formula.negation(f)])
            if repr(Formula.split_at_top_level_conjunction(g)[0]) == "":
                errors.append("empty")
            if repr(f) != expected:
                errors.append("changed")

    threads = [threading.Thread(target=work) for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == []


def test_no_reference_leaks_on_arguments_and_formatter_results():
    a = ap("a")
    name = "leak_check_name"
    result = "formatted"
    fmt = lambda n, p: result  # noqa: E731
    before = sys.getrefcount(a), sys.getrefcount(name), sys.getrefcount(result), sys.getrefcount(fmt)
    for _ in range(1000):
        Formula.conjunction([a, a])
        Formula.ap(name)
        a.format_as_string(fmt)
        try:
            Formula.conjunction([a, 1])
        except TypeError:
            pass
        a.split_at_top_level_conjunction()
    after = sys.getrefcount(a), sys.getrefcount(name), sys.getrefcount(result), sys.getrefcount(fmt)
    assert before == after


@pytest.mark.parametrize("isolated", [True, False])
def test_subinterpreters_get_an_import_error(tmp_path, isolated):
    import os

    out = tmp_path / "result.txt"
    search = os.path.dirname(os.path.dirname(corvane.__file__))
    code = (
        "import sys\n"
        f"sys.path.insert(0, {os.path.dirname(corvane.__file__)!r})\n"
        f"sys.path.insert(0, {search!r})\n"
        "try:\n"
        "    import corvane\n"
        "    result = 'imported'\n"
        "except ImportError as e:\n"
        "    result = 'ImportError: ' + str(e)\n"
        f"open({str(out)!r}, 'w').write(result)\n"
    )
    if run_in_subinterpreter(code, isolated) is None:
        pytest.skip("no subinterpreter support in this Python")
    assert out.read_text().startswith("ImportError: ")
    assert "subinterpreter" in out.read_text()


def _python(version):
    """An interpreter of `version` ("3.12"): this one, one pyenv installed or one on the path."""
    import glob
    import os
    import shutil

    if f"{sys.version_info.major}.{sys.version_info.minor}" == version:
        return sys.executable
    installed = sorted(glob.glob(os.path.expanduser(f"~/.pyenv/versions/{version}.*/bin/python3")))
    found = installed[-1] if installed else shutil.which(f"python{version}")
    return found or pytest.skip(f"no Python {version} installed")


@pytest.mark.parametrize("version", ["3.12", "3.13"])
def test_a_refused_subinterpreter_import_leaves_the_main_interpreter_free(version):
    import os
    import subprocess

    # A fresh process, so that no interpreter has imported corvane yet. The module is built for
    # the stable ABI and loads into either version.
    folders = [os.path.dirname(corvane.__file__), os.path.dirname(__file__)]
    path = f"import sys; sys.path[:0] = {folders!r}\n"
    sub = path + "try:\n    import corvane\nexcept ImportError as e:\n    print(e)\n"
    code = path + (
        "from subinterpreters import run_in_subinterpreter\n"
        f"if run_in_subinterpreter({sub!r}, isolated=True) is None:\n"
        "    print('no subinterpreters')\n"
        "import corvane\n"
        "print(corvane.Formula('a & b').format_as_string())\n"
    )
    result = subprocess.run([_python(version), "-c", code], capture_output=True, text=True)
    if result.stdout.startswith("no subinterpreters"):
        pytest.skip("no subinterpreter support in this Python")
    assert result.returncode == 0, result.stderr
    refusal, main = result.stdout.splitlines()
    assert "subinterpreters" in refusal
    assert main == "((a) & (b))"


def test_memory_does_not_grow_over_100000_calls():
    import tracemalloc

    a, b = ap("a"), ap("b")

    def calls(rounds):
        for _ in range(rounds):  # five calls a round
            f = Formula.until(a, b, 1, 5)
            str(f)
            f.format_as_string(lambda name, parameter: name)
            f.split_at_top_level_conjunction()
            Formula("a & G[0,3] b")

    calls(500)
    gc.collect()
    tracemalloc.start()
    try:
        before = tracemalloc.get_traced_memory()[0]
        calls(20_000)
        gc.collect()
        growth = tracemalloc.get_traced_memory()[0] - before
    finally:
        tracemalloc.stop()
    assert growth < 64 * 1024


SMALL_STACK_SCRIPT = """
import threading, sys
threading.stack_size(int(sys.argv[1]) * 1024)
from corvane import Augmenter, Formula, KnowledgeSequence
texts = [" U ".join("a%d" % i for i in range(1000)), "(" * 999 + "a" + ")" * 999, "X " * 999 + "a"]
aug = Augmenter(KnowledgeSequence({0: (["a1"], [], [], [])}))
def deep(name):
    f = Formula.ap(name)
    for _ in range(998):
        f = Formula.next(f, 1)
    return f
def work():
    formulas = [deep("a"), deep("a"), deep("b")]
    for text in texts:
        try:
            formulas.append(Formula(text))
        except RecursionError:
            pass
    Formula.conjunction(formulas)
    for f in formulas:
        for op in (str, repr, Formula.format_as_string, Formula.remove_timed_until,
                   lambda f: f.relevant_aps(3), aug.augment, Formula.negation):
            try:
                op(f)
            except RecursionError:
                pass
    del formulas
    print("survived")
t = threading.Thread(target=work)
t.start()
t.join()
"""


@pytest.mark.parametrize("kilobytes", [32, 256])
def test_threads_with_small_stacks_get_recursion_errors_not_crashes(kilobytes):
    import subprocess

    result = subprocess.run([sys.executable, "-c", SMALL_STACK_SCRIPT, str(kilobytes)],
                            capture_output=True, text=True, check=False, timeout=300)
    assert (result.returncode, result.stdout) == (0, "survived\n"), result.stderr
