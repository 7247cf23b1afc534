import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from corvane import Augmenter, Formula, KnowledgeSequence
from model import agreeing_trace, evaluate, formulas, knowledge_edges, random_knowledge, read

ap = Formula.ap
NO_FACTS = ([], [], [], [])


def augment(edges, formula):
    return Augmenter(KnowledgeSequence(edges)).augment(formula)


def infix(edges, formula):
    return augment(edges, formula).format_as_string()


def test_constants_stay_constants():
    aug = Augmenter(KnowledgeSequence({0: (["a"], [], [], [])}))
    assert aug.augment(Formula.true_formula()).is_true()
    assert repr(aug.augment(Formula.false_formula())) == repr(Formula.false_formula())


def test_literal_rule_uses_the_literals_that_imply_it():
    edges = {0: ([], [], [("p", "q")], [])}
    assert infix(edges, ap("q")) == "((p) | (q))"
    assert infix(edges, ap("p")) == "(p)"
    assert infix(edges, Formula.negation(ap("p"))) == "((!p) | (!q))"
    assert infix(edges, ap("unmentioned")) == "(unmentioned)"
    assert infix({0: (["p"], [], [], [])}, ap("p")) == "(true)"
    assert infix({0: ([], ["p"], [], [])}, ap("p")) == "(false)"


def test_knowledge_changing_at_step_4_splits_the_window():
    edges = {t: ([], [], [("p", "q")], []) for t in range(4)}
    edges.update({t: ([], [], [("r", "q")], []) for t in range(4, 10)})
    assert infix(edges, Formula.always(ap("q"), 0, 9)) == (
        "((G[0, 3] ((p) | (q))) & (G[4, 9] ((q) | (r))))"
    )


def test_globally_merges_equal_pieces():
    edges = {2: ([], [], [("p", "q")], [])}
    f = Formula.always(ap("q"), 0, 3)
    assert infix(edges, f) == "((G[0, 1] (q)) & (G[2, 2] ((p) | (q))) & (G[3, 3] (q)))"
    assert infix({}, f) == "(G[0, 3] (q))"


def test_until_splits_at_the_change_of_its_right_operand():
    # b is implied by p from step 1 on: pieces [0, 0] and [1, 2].
    edges = {t: ([], [], [("p", "b")], []) for t in range(1, 3)}
    f = Formula.until(ap("a"), ap("b"), 0, 2)
    assert infix(edges, f) == "((b) | ((a) & ((a) U[1, 2] ((b) | (p)))))"


def test_decided_formulas_become_constants():
    edges = {0: (["a"], [], [], []), 3: ([], ["b"], [], [])}
    assert augment(edges, Formula("a | G[0, 9] z")).is_true()
    assert repr(augment(edges, Formula("X[3] b & G[0, 9] z"))) == repr(Formula.false_formula())
    assert infix(edges, Formula("G[0, 5] b")) == "(false)"
    assert infix(edges, Formula("F[0, 2] c")) == "(F[0, 2] (c))"


def test_augment_never_changes_its_argument_and_repeats_identically():
    aug = Augmenter(KnowledgeSequence({1: (["a"], [], [("a", "b")], [])}))
    f = Formula("G[0,5] (a -> F[0,3] b) & c U[1,4] (b | d)")
    before = repr(f)
    first = repr(aug.augment(f))
    assert repr(f) == before
    assert repr(aug.augment(f)) == first


def test_huge_windows_cost_change_points_not_steps():
    edges = {5: (["a"], [], [], []), 4000000000: ([], ["a"], [], [])}
    aug = Augmenter(KnowledgeSequence(edges))
    assert infix(edges, Formula.always(ap("a"), 0, 4294967295)) == "(false)"
    # Here the eventually differs at every one of four billion steps: the answer cannot be
    # written down, and the call says so at once instead of hanging.
    with pytest.raises(MemoryError):
        aug.augment(Formula.always(Formula.eventually(ap("a"), 0, 4294967295), 0, 4294967295))
    assert aug.augment(Formula.next(ap("a"), 5)).is_true()


# Property: augmentation keeps the value at step 0 on every trace that agrees with the knowledge.


@settings(max_examples=300, deadline=None)
@given(formulas(max_leaves=7), st.randoms(use_true_random=False))
def test_augmentation_preserves_the_value_at_step_0(formula, rng):
    world, steps = random_knowledge(rng, horizon=6)
    edges = knowledge_edges(steps)
    augmented = Augmenter(KnowledgeSequence(edges)).augment(formula)
    original_tree, augmented_tree = read(formula), read(augmented)
    for trace in [world] + [agreeing_trace(rng, world, steps) for _ in range(4)]:
        assert evaluate(augmented_tree, trace) == evaluate(original_tree, trace), (
            edges, formula.format_as_string(), augmented.format_as_string(), trace)
