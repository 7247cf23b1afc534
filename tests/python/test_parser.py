import threading

import pytest
from hypothesis import given, settings

from corvane import Formula
from model import formulas

ap = Formula.ap
a, b, c = ap("a"), ap("b"), ap("c")
F, G, U, R = Formula.eventually, Formula.always, Formula.until, Formula.release
And, Or, Not, Imp = Formula.conjunction, Formula.disjunction, Formula.negation, Formula.implication


@pytest.mark.parametrize(
    "text, built",
    [
        ("G[0,10] (request -> F[0,3] grant)",
         G(Imp(ap("request"), F(ap("grant"), 0, 3)), 0, 10)),
        ("a & b & c", And([a, b, c])),
        ("a -> b -> c", Imp(a, Imp(b, c))),
        ("a | b & c", Or([a, And([b, c])])),
        ("a -> b | c", Imp(a, Or([b, c]))),
        ("a U b -> c", U(a, Imp(b, c))),
        ("a -> b U c", U(Imp(a, b), c)),
        ("a U b U c", U(a, U(b, c))),
        ("a U b R c", U(a, R(b, c))),
        ("!a & b", And([Not(a), b])),
        ("!a U b", U(Not(a), b)),
        ("F a & b", F(And([a, b]))),
        ("F a -> b", F(Imp(a, b))),
        ("F a U b", U(F(a), b)),
        ("a & F b | c", And([a, F(Or([b, c]))])),
        ("!F a & b", Not(F(And([a, b])))),
        ("F a", F(a)),
        ("F[2,*] a", F(a, 2)),
        ("F[2, inf] a", F(a, 2)),
        ("F[1,4] a", F(a, 1, 4)),
        ("F[3] a", Formula.next(a, 3)),
        ("F[3,3] a", Formula.next(a, 3)),
        ("G[3] a", Formula.next(a, 3)),
        ("X a", Formula.next(a)),
        ("X[0] a", a),
        ("X[5] a", Formula.next(a, 5)),
        ("a U[0,5] b", U(a, b, 0, 5)),
        ("a U[3] b", U(a, b, 3, 3)),
        ("a R[1, 4] b", R(a, b, 1, 4)),
        ("p(x)", ap("p", "x")),
        ("p(a b, c)", ap("p", "a b, c")),
        ("p()", ap("p")),
        ("1a_b", ap("1a_b")),
        ("Fa", ap("Fa")),
        ("aUb", ap("aUb")),
        ("Xa", ap("Xa")),
        ("F", ap("F")),
        ("F(a)", ap("F", "a")),
        ("TRUE", ap("TRUE")),
        ("true | a", Formula.true_formula()),
        ("False & a", Formula.false_formula()),
        (" \t\na\n&\tb ", And([a, b])),
        ("G[0,10] (F[0, 2] a)", G(F(a, 0, 2), 0, 10)),
        ("!(a -> b)", And([a, Not(b)])),
        ("!!a", a),
        ("!G[2,4] a", F(Not(a), 2, 4)),
        ("!X[3] a", Formula.next(Not(a), 3)),
        ("F[0,0] a", a),
    ],
)
def test_parses_to_the_same_formula_as_the_constructors(text, built):
    assert repr(Formula(text)) == repr(built)
    assert repr(Formula(formula_string=text)) == repr(built)


PREFIX_SET = ('"!", "(", "F", "False", "G", "True", "X", "false", "true", '
              "['a'..='z' | 'A'..='Z' | '0'..='9']")


@pytest.mark.parametrize(
    "text, message",
    [
        ("a &", f"error at 1:4: expected one of {PREFIX_SET}"),
        ("", f"error at 1:1: expected one of {PREFIX_SET}"),
        ("a b", 'error at 1:3: expected one of "&", "->", "R", "U", "|", EOF'),
        ("Trueish", 'error at 1:5: expected one of "&", "->", "|", EOF'),
        ("a U", 'error at 1:4: expected one of "[", Bounded, unbounded, or singleton interval'),
        ("F[5,3] a",
         "error at 1:7: expected Invalid bounded interval: Upper bound is smaller than lower bound"),
        ("G[0,5]a", "error at 1:6: expected ['0'..='9']"),
        ("p(a+b)",
         "error at 1:4: expected one of \")\", ['a'..='z' | 'A'..='Z' | '0'..='9' | '_' | ' ' | ',']"),
        ("X[4294967296] a", "error at 1:13: expected one of ['0'..='9'], u32"),
        ("a &\n  b &", f"error at 2:6: expected one of {PREFIX_SET}"),
        ("éé & (", f"error at 1:1: expected one of {PREFIX_SET}"),
        ("a & é", f"error at 1:5: expected one of {PREFIX_SET}"),
        ("(é) & b", f"error at 1:2: expected one of {PREFIX_SET}"),
        ("a\r", 'error at 1:2: expected one of "&", "(", "->", "|", EOF, '
                 "['a'..='z' | 'A'..='Z' | '0'..='9' | '_']"),
        # The interval must follow F directly; "F" then reads as a proposition.
        ("F [0,5] a", 'error at 1:3: expected one of "!", "&", "(", "->", "F", "False", "G", "R", '
                      '"True", "U", "X", "false", "true", "|", EOF, '
                      "['a'..='z' | 'A'..='Z' | '0'..='9']"),
    ],
)
def test_error_messages(text, message):
    with pytest.raises(ValueError) as info:
        Formula(text)
    assert str(info.value) == message


def test_non_string_text_is_a_type_error():
    with pytest.raises(TypeError, match="argument 'formula_string': 'bytes' object cannot be "
                                        "converted to 'PyString'"):
        Formula(b"a")


@pytest.mark.parametrize(
    "make",
    [
        lambda n: "(" * n + "a" + ")" * n,
        lambda n: "!" * n + "a",
        lambda n: "F " * n + "a",
        lambda n: "X " * n + "a",
        lambda n: " U ".join(["a"] * n),
        lambda n: " -> ".join(["a"] * n),
    ],
)
def test_deep_nesting_raises_recursion_error(make):
    with pytest.raises(RecursionError):
        Formula(make(5000))
    with pytest.raises(RecursionError):
        Formula(make(100_000))
    Formula(make(300))


def test_deep_nesting_on_a_thread():
    outcome = []

    def work():
        try:
            Formula("(" * 50_000 + "a" + ")" * 50_000)
        except RecursionError:
            outcome.append("RecursionError")

    t = threading.Thread(target=work)
    t.start()
    t.join()
    assert outcome == ["RecursionError"]


def test_long_flat_chains_parse():
    n = 100_000
    f = Formula(" & ".join(f"p{i}" for i in range(n)))
    assert len(f.split_at_top_level_conjunction()) == n
    g = Formula(" | ".join(f"p{i}" for i in range(n)))
    assert len(g.split_at_top_level_conjunction()) == 1


@settings(max_examples=400, deadline=None)
@given(formulas(max_leaves=10))
def test_infix_form_parses_back_to_the_same_formula(formula):
    assert repr(Formula(formula.format_as_string())) == repr(formula)
