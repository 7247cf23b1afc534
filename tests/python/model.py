"""A brute-force reference model for property tests.

Formulas are read back from their infix form (`format_as_string()`) into small tuples and
evaluated step by step over boolean traces that are constant after a horizon. Until follows this
library's meaning: Until(φ, I, ψ) holds at t when ψ holds at some t' in t + I and φ holds at
every s with t + lb(I) <= s < t'.

The generators make random formulas and traces (hypothesis strategies) and random knowledge that
is true in a hidden world, together with other traces that agree with it.
"""
import re
from functools import lru_cache

from hypothesis import strategies as st

from corvane import Formula

INF = None  # the upper bound of an unbounded interval

# --- reading the infix form --------------------------------------------------------------


class _Reader:
    def __init__(self, text):
        self.text = text
        self.pos = 0

    def expect(self, token):
        assert self.text.startswith(token, self.pos), (self.text[self.pos:], token)
        self.pos += len(token)

    def peek(self, token):
        return self.text.startswith(token, self.pos)

    def interval(self):
        if not self.peek("["):
            return (0, INF)
        m = re.compile(r"\[(\d+), (\d+|inf)\]").match(self.text, self.pos)
        self.pos = m.end()
        return (int(m.group(1)), INF if m.group(2) == "inf" else int(m.group(2)))

    def formula(self):
        self.expect("(")
        if self.peek("("):
            first = self.formula()
            if self.peek(" U"):
                self.expect(" U")
                interval = self.interval()
                self.expect(" ")
                node = ("U", first, interval, self.formula())
            else:
                op = "&" if self.peek(" & ") else "|"
                members = [first]
                while self.peek(f" {op} "):
                    self.expect(f" {op} ")
                    members.append(self.formula())
                node = (op, tuple(members))
        elif self.peek("F ") or self.peek("F["):
            self.expect("F")
            interval = self.interval()
            self.expect(" ")
            node = ("U", ("true",), interval, self.formula())
        elif self.peek("G ") or self.peek("G["):
            self.expect("G")
            interval = self.interval()
            self.expect(" ")
            node = ("G", interval, self.formula())
        else:
            m = re.compile(r"(!?)([A-Za-z0-9_]+(?:\([A-Za-z0-9_]*\))?)").match(self.text, self.pos)
            self.pos = m.end()
            name = m.group(2)
            if name in ("true", "false"):
                node = (name,)
            else:
                node = ("lit", name, m.group(1) != "!")
        self.expect(")")
        return node


def read(formula):
    """The tuple tree of a Formula, from its infix form."""
    reader = _Reader(formula.format_as_string())
    tree = reader.formula()
    assert reader.pos == len(reader.text)
    return tree


# --- evaluation ----------------------------------------------------------------------------


def _bound_sum(tree):
    kind = tree[0]
    if kind == "U":
        lb, ub = tree[2]
        return lb + (ub or lb) + _bound_sum(tree[1]) + _bound_sum(tree[3])
    if kind == "G":
        lb, ub = tree[1]
        return lb + (ub or lb) + _bound_sum(tree[2])
    if kind in ("&", "|"):
        return sum(_bound_sum(m) for m in tree[1])
    return 0


def evaluate(tree, trace, t=0):
    """Value of `tree` at step t. `trace` maps proposition texts to lists of booleans; a list's
    last value holds for ever after, and a missing proposition is false everywhere."""
    horizon = max((len(v) for v in trace.values()), default=1)
    settle = horizon + _bound_sum(tree) + 1  # every subformula is constant from here on

    def value(name, s):
        values = trace.get(name)
        if not values:
            return False
        return values[min(s, len(values) - 1)]

    @lru_cache(maxsize=None)
    def ev(node, s):
        kind = node[0]
        if kind == "true":
            return True
        if kind == "false":
            return False
        if kind == "lit":
            return value(node[1], s) == node[2]
        if kind == "&":
            return all(ev(m, s) for m in node[1])
        if kind == "|":
            return any(ev(m, s) for m in node[1])
        if kind == "G":
            lb, ub = node[1]
            last = s + ub if ub is not None else max(s + lb, settle)
            return all(ev(node[2], k) for k in range(s + lb, last + 1))
        if kind == "U":
            lhs, (lb, ub), rhs = node[1], node[2], node[3]
            last = s + ub if ub is not None else max(s + lb, settle)
            for k in range(s + lb, last + 1):
                if ev(rhs, k):
                    return True
                if not ev(lhs, k):
                    return False
            return False
        raise AssertionError(node)

    return ev(tree, t)


# --- random formulas -----------------------------------------------------------------------

NAMES = ["a", "b", "c"]
PROPOSITIONS = ["a", "b", "c", "p(x)", "p(y)"]


def _ap(text):
    if "(" in text:
        name, parameter = text[:-1].split("(")
        return Formula.ap(name, parameter)
    return Formula.ap(text)


@st.composite
def bounds(draw):
    """(start, end) of a window: unbounded, bounded, or empty (end just below start)."""
    start = draw(st.integers(0, 4))
    if draw(st.booleans()):
        return start, None
    return start, draw(st.integers(max(0, start - 1), start + 4))


def formulas(max_leaves=8, propositions=PROPOSITIONS):
    leaves = st.one_of(
        st.sampled_from(propositions).map(_ap),
        st.sampled_from([Formula.true_formula, Formula.false_formula]).map(lambda f: f()),
    )

    def extend(children):
        pairs = st.tuples(children, children)
        return st.one_of(
            children.map(Formula.negation),
            st.lists(children, min_size=0, max_size=3).map(Formula.conjunction),
            st.lists(children, min_size=0, max_size=3).map(Formula.disjunction),
            pairs.map(lambda p: Formula.implication(*p)),
            st.tuples(children, st.integers(0, 3)).map(lambda p: Formula.next(*p)),
            st.tuples(children, bounds()).map(lambda p: Formula.always(p[0], *p[1])),
            st.tuples(children, bounds()).map(lambda p: Formula.eventually(p[0], *p[1])),
            st.tuples(pairs, bounds()).map(lambda p: Formula.until(*p[0], *p[1])),
            st.tuples(pairs, bounds()).map(lambda p: Formula.release(*p[0], *p[1])),
        )

    return st.recursive(leaves, extend, max_leaves=max_leaves)


def traces(propositions=PROPOSITIONS, horizon=8):
    return st.fixed_dictionaries(
        {p: st.lists(st.booleans(), min_size=horizon, max_size=horizon) for p in propositions}
    )


# --- random knowledge ----------------------------------------------------------------------

FACT_KINDS = ("holds", "not", "implies", "equiv")


def fact_holds(kind, fact, trace, t):
    """Whether a fact of the given kind holds at step t of `trace`."""
    if kind == "holds":
        return trace[fact][t]
    if kind == "not":
        return not trace[fact][t]
    lhs, rhs = trace[fact[0]][t], trace[fact[1]][t]
    return (not lhs or rhs) if kind == "implies" else lhs == rhs


def random_knowledge(rng, horizon, propositions=PROPOSITIONS):
    """A hidden world (a trace over steps 0..horizon-1) and, for most of its steps, a few facts
    that are true in it: ({proposition: [bool]}, {step: {kind: [fact]}})."""
    world = {p: [rng.random() < 0.5 for _ in range(horizon)] for p in propositions}
    steps = {}
    for t in range(horizon):
        if rng.random() < 0.3:
            continue
        facts = {kind: [] for kind in FACT_KINDS}
        for _ in range(rng.randint(0, 4)):
            kind = rng.choice(FACT_KINDS)
            if kind in ("holds", "not"):
                fact = rng.choice(propositions)
            else:
                fact = tuple(rng.sample(propositions, 2))
            if fact_holds(kind, fact, world, t):
                facts[kind].append(fact)
        steps[t] = facts
    return world, steps


def knowledge_edges(steps):
    """The argument of `KnowledgeSequence` for the facts of `random_knowledge`."""
    return {t: tuple(facts[kind] for kind in FACT_KINDS) for t, facts in steps.items()}


def agreeing_trace(rng, world, steps):
    """A trace in which every fact of `steps` holds: each step's values are drawn at random until
    they satisfy that step's facts (the world's values after 30 failed draws)."""
    horizon = len(next(iter(world.values())))
    trace = {p: [False] * horizon for p in world}
    for t in range(horizon):
        facts = steps.get(t, {})
        for _ in range(30):
            candidate = {p: rng.random() < 0.5 for p in world}
            probe = {p: [candidate[p]] * (t + 1) for p in world}
            if all(fact_holds(k, f, probe, t) for k, fs in facts.items() for f in fs):
                break
        else:
            candidate = {p: world[p][t] for p in world}
        for p in world:
            trace[p][t] = candidate[p]
    return trace
