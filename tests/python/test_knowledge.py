import gc
import random
from collections import UserList
from concurrent.futures import ThreadPoolExecutor

import pytest

from corvane import Augmenter, Formula, KnowledgeSequence

ap = Formula.ap


def augmented_at(edges, formula):
    return repr(Augmenter(KnowledgeSequence(edges)).augment(formula))


def holds_only_at(edges, name, step, horizon=12):
    """The steps in [0, horizon) at which `name` is known to hold, read through augmentation."""
    aug = Augmenter(KnowledgeSequence(edges))
    return [t for t in range(horizon) if aug.augment(Formula.next(ap(name), t)).is_true()]


@pytest.mark.parametrize(
    "edges, exc, message",
    [
        ([], TypeError, "argument 'edges': 'list' object cannot be converted to 'PyDict'"),
        ({"0": ([], [], [], [])}, TypeError,
         "argument 'edges': 'str' object cannot be interpreted as an integer"),
        ({1.0: ([], [], [], [])}, TypeError,
         "argument 'edges': 'float' object cannot be interpreted as an integer"),
        ({-1: ([], [], [], [])}, OverflowError, "out of range integral type conversion attempted"),
        ({2**32: ([], [], [], [])}, OverflowError,
         "out of range integral type conversion attempted"),
        ({0: [[], [], [], []]}, TypeError,
         "argument 'edges': 'list' object cannot be converted to 'PyTuple'"),
        ({0: ([], [], [])}, ValueError, "expected tuple of length 4, but got tuple of length 3"),
        ({0: ("a", [], [], [])}, TypeError, "argument 'edges': Can't extract `str` to `Vec`"),
        ({0: ([], 3, [], [])}, TypeError,
         "argument 'edges': 'int' object cannot be converted to 'Sequence'"),
        ({0: ({"a"}, [], [], [])}, TypeError,
         "argument 'edges': 'set' object cannot be converted to 'Sequence'"),
        ({0: ([1], [], [], [])}, TypeError,
         "argument 'edges': 'int' object cannot be converted to 'PyString'"),
        ({0: ([], [], [["a", "b"]], [])}, TypeError,
         "argument 'edges': 'list' object cannot be converted to 'PyTuple'"),
        ({0: ([], [], [], [("a", "b", "c")])}, ValueError,
         "expected tuple of length 2, but got tuple of length 3"),
        ({0: ([], [], [("a", 2)], [])}, TypeError,
         "argument 'edges': 'int' object cannot be converted to 'PyString'"),
    ],
)
def test_conversion_errors(edges, exc, message):
    with pytest.raises(exc) as info:
        KnowledgeSequence(edges)
    assert type(info.value) is exc
    assert str(info.value) == message
    if message.startswith("argument"):
        assert type(info.value.__cause__) is TypeError


def test_argument_binding_errors():
    with pytest.raises(TypeError, match=r"KnowledgeSequence.__new__\(\) missing 1 required"):
        KnowledgeSequence()
    assert KnowledgeSequence(edges={}) is not None
    with pytest.raises(TypeError, match="argument 'knowledge': 'dict' object cannot be converted "
                                        "to 'KnowledgeSequence'"):
        Augmenter({})
    aug = Augmenter(knowledge=KnowledgeSequence({}))
    with pytest.raises(TypeError, match="argument 'formula': 'str' object cannot be converted to "
                                        "'Formula'"):
        aug.augment("a")
    with pytest.raises(TypeError, match=r"Augmenter.augment\(\) missing 1 required"):
        aug.augment()


def test_dict_subclasses_and_tuples_of_sequences_are_accepted():
    class D(dict):
        pass

    edges = D({0: (("a",), [], (("a", "b"),), [])})
    assert augmented_at(edges, ap("b")) == repr(Formula.true_formula())


def test_knowledge_applies_at_its_own_step_only():
    edges = {5: (["a"], [], [], [])}
    assert holds_only_at(edges, "a", 5) == [5]
    assert holds_only_at({3: (["a"], [], [], []), 4: (["a"], [], [], [])}, "a", 3) == [3, 4]


def test_knowledge_at_the_last_time_step_does_not_wrap():
    aug = Augmenter(KnowledgeSequence({4294967295: (["a"], [], [], [])}))
    assert aug.augment(Formula.next(ap("a"), 4294967295)).is_true()
    assert repr(aug.augment(ap("a"))) == repr(ap("a"))
    assert repr(aug.augment(Formula.next(ap("a"), 4294967294))) == repr(
        Formula.next(ap("a"), 4294967294))


def test_contradictory_knowledge_is_accepted():
    aug = Augmenter(KnowledgeSequence({0: (["p"], ["p"], [], [("q", "p")])}))
    assert aug.augment(ap("p")) is not None


def test_proposition_texts_with_parameters():
    aug = Augmenter(KnowledgeSequence({0: (["p(x)", "q( x )"], [], [], [])}))
    assert aug.augment(ap("p", "x")).is_true()
    assert aug.augment(Formula("p(x)")).is_true()
    assert not aug.augment(ap("q", "x")).is_true()
    assert aug.augment(ap("q", " x ")).is_true()


def test_empty_knowledge_leaves_formulas_unknown():
    aug = Augmenter(KnowledgeSequence({}))
    f = Formula("G[0,10] (a -> F[0,3] b)")
    assert repr(aug.augment(f)) == repr(f)


@pytest.mark.parametrize("mutation", ["grow", "replace"])
def test_dict_changed_during_conversion_raises_runtime_error(mutation):
    edges = {}
    mutated = []

    class Key:
        def __init__(self, value):
            self.value = value

        def __index__(self):
            if self.value == 0 and not mutated:
                mutated.append(True)
                if mutation == "grow":
                    edges[100] = ([], [], [], [])
                else:  # same size, other keys
                    del edges[self]
                    edges[Key(7)] = ([], [], [], [])
            return self.value

        def __hash__(self):
            return self.value

    edges[Key(0)] = ([], [], [], [])
    edges[Key(1)] = ([], [], [], [])
    # What iterating over the dictionary in Python raises.
    message = {"grow": "dictionary changed size during iteration",
               "replace": "dictionary keys changed during iteration"}[mutation]
    with pytest.raises(RuntimeError) as info:
        KnowledgeSequence(edges)
    assert info.value.args == (message,)
    gc.collect()


def test_augmenter_is_independent_of_its_knowledge_object():
    knowledge = KnowledgeSequence({0: (["a"], [], [], [])})
    first = Augmenter(knowledge)
    second = Augmenter(knowledge)
    del knowledge
    gc.collect()
    f = Formula("a & b")
    assert repr(first.augment(f)) == repr(second.augment(f)) == repr(ap("b"))


def test_no_reference_leaks_in_conversion_and_augmentation():
    import sys

    holds, pair = "leak_p(x)", ("leak_q", "leak_r")
    edges = {0: ([holds], [], [pair], [pair]), 3: ([], [holds], [], [])}
    bad = {0: ([holds], [], [pair], [("a", 1)])}
    formula = Formula("G[0,5] (leak_p(x) -> F[0,2] leak_q)")
    watched = [holds, pair, edges[0], bad[0], formula]
    before = [sys.getrefcount(x) for x in watched]
    for _ in range(200):
        aug = Augmenter(KnowledgeSequence(edges))
        aug.augment(formula)
        formula.relevant_aps(10)
        try:
            KnowledgeSequence(bad)
        except TypeError:
            pass
    del aug
    gc.collect()
    assert [sys.getrefcount(x) for x in watched] == before


def test_an_augmenter_can_be_shared_between_threads():
    import threading

    aug = Augmenter(KnowledgeSequence({t: ([], [], [("p", "q")], []) for t in range(0, 20, 2)}))
    formula = Formula("G[0,19] (q | F[1,3] p)")
    expected = repr(aug.augment(formula))
    results = []

    def work():
        results.extend(repr(aug.augment(formula)) for _ in range(50))

    threads = [threading.Thread(target=work) for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert results == [expected] * 200


class Text(str):
    pass


@pytest.mark.parametrize(
    "wrap",
    [
        pytest.param(lambda items: items, id="lists"),
        pytest.param(UserList, id="other sequences"),
        pytest.param(lambda items: [Text(x) if isinstance(x, str) else x for x in items],
                     id="str subclasses"),
        # Equal texts in distinct string objects, as a JSON reader makes them.
        pytest.param(lambda items: ["".join(list(x)) if isinstance(x, str) else x for x in items],
                     id="fresh strings"),
    ],
)
def test_every_kind_of_sequence_and_string_gives_the_same_knowledge(wrap):
    steps = {0: (["a", "p(x)"], ["b"], [("c", "a")], [("d", "p(x)")]), 2: ([], ["c"], [], [])}
    formula = Formula("G[0,3] (a | b | c | d | p(x))")
    expected = augmented_at(steps, formula)
    edges = {t: tuple(wrap(list(item)) for item in value) for t, value in steps.items()}
    assert augmented_at(edges, formula) == expected


def test_threads_sharing_one_augmenter_get_the_single_threaded_results():
    rng = random.Random(4)
    names = ["a", "b", "c", "p(x)"]
    edges = {t: (rng.sample(names, 1), rng.sample(names, 1), [tuple(rng.sample(names, 2))], [])
             for t in range(0, 3000, 3)}
    knowledge = KnowledgeSequence(edges)
    augmenter = Augmenter(knowledge)
    formulas = [Formula(text) for text in ["G[0,500] (a -> F[0,10] b)",
                                           "(a U[0,300] (b | c)) R[0,900] p(x)",
                                           "F[10,1500] (c & X[2] a)",
                                           "G[0,2999] (b | c)"]]
    expected = [repr(augmenter.augment(f)) for f in formulas]
    with ThreadPoolExecutor(max_workers=4) as pool:
        results = list(pool.map(lambda f: repr(augmenter.augment(f)), formulas * 6))
        built = list(pool.map(lambda _: Augmenter(KnowledgeSequence(edges)), range(4)))
    assert results == expected * 6
    assert [repr(a.augment(formulas[1])) for a in built] == [expected[1]] * 4
