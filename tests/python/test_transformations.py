import pytest
from hypothesis import given, settings

from corvane import Formula
from model import evaluate, formulas, read, traces

ap = Formula.ap
a, b = ap("a"), ap("b")


@pytest.mark.parametrize(
    "formula, delayed, timed",
    [
        (Formula.until(a, b, 3, 7), "(G[3, 3] ((a) U[0, 4] (b)))",
         "((F[3, 7] (b)) & (G[3, 3] ((a) U (b))))"),
        (Formula.until(a, b, 2), "(G[2, 2] ((a) U (b)))", "((F[2, inf] (b)) & (G[2, 2] ((a) U (b))))"),
        (Formula.until(a, b, 0, 7), "((a) U[0, 7] (b))", "((F[0, 7] (b)) & ((a) U (b)))"),
        (Formula.until(a, b, 0, 5), "((a) U[0, 5] (b))", "((F[0, 5] (b)) & ((a) U (b)))"),
        (Formula.until(a, b, 2, 5), "(G[2, 2] ((a) U[0, 3] (b)))",
         "((F[2, 5] (b)) & (G[2, 2] ((a) U (b))))"),
        (Formula.until(a, b), "((a) U (b))", "((a) U (b))"),
        (Formula.eventually(b, 3, 7), "(F[3, 7] (b))", "(F[3, 7] (b))"),
        (Formula.always(Formula.until(a, b, 1, 2), 4, 9), "(G[4, 9] (G[1, 1] ((a) U[0, 1] (b))))",
         "(G[4, 9] ((F[1, 2] (b)) & (G[1, 1] ((a) U (b)))))"),
    ],
)
def test_rewritings(formula, delayed, timed):
    before = repr(formula)
    assert formula.remove_delayed_until().format_as_string() == delayed
    assert formula.remove_timed_until().format_as_string() == timed
    assert repr(formula) == before


@settings(max_examples=300, deadline=None)
@given(formulas(), traces())
def test_rewritings_preserve_the_value_at_step_0(formula, trace):
    expected = evaluate(read(formula), trace)
    assert evaluate(read(formula.remove_delayed_until()), trace) == expected
    assert evaluate(read(formula.remove_timed_until()), trace) == expected


def as_sets(result):
    return {k: sorted(v) for k, v in result.items()}


@pytest.mark.parametrize(
    "formula, end, start, expected",
    [
        (a, 0, 0, {0: ["a"]}),
        (Formula.always(a, 2, 4), 3, 0, {2: ["a"], 3: ["a"]}),
        (Formula.always(a, 2, 4), 1, 0, {}),
        (Formula.always(a, 2, 4), 2, 5, {}),
        (Formula.until(a, b, 1, 3), 10, 0, {1: ["a", "b"], 2: ["a", "b"], 3: ["a", "b"]}),
        (Formula.conjunction([a, Formula.negation(a)]), 0, 0, {0: ["a"]}),
        (Formula.true_formula(), 100, 0, {}),
        (Formula.always(ap("p", "x y"), 1, 2), 9, 2, {2: ["p(x y)"]}),
        (Formula.always(a, 4294967290), 4294967295, 4294967293,
         {4294967293: ["a"], 4294967294: ["a"], 4294967295: ["a"]}),
        (Formula.always(Formula.always(a, 4294967295, 4294967295), 10, 20), 4294967295, 4294967290,
         {4294967295: ["a"]}),
    ],
)
def test_relevant_aps(formula, end, start, expected):
    assert as_sets(formula.relevant_aps(end, start)) == expected
    assert as_sets(formula.relevant_aps(start=start, end=end)) == expected


def test_relevant_aps_refuses_answers_too_large_to_list():
    f = Formula.always(Formula.conjunction([a, b]))
    with pytest.raises(MemoryError):
        f.relevant_aps(4294967295)
    assert len(f.relevant_aps(99_999)) == 100_000


def test_relevant_aps_argument_errors():
    with pytest.raises(TypeError, match=r"Formula.relevant_aps\(\) missing 1 required positional"):
        a.relevant_aps()
    with pytest.raises(OverflowError):
        a.relevant_aps(-1)
    with pytest.raises(TypeError, match="argument 'start': "):
        a.relevant_aps(3, None)
