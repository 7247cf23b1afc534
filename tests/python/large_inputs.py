"""Inputs that make corvane work long or build much, for the tests and the interpreters they start
(which import nothing but corvane and this module)."""
from corvane import Formula


def balanced_text(terms, operators="&|"):
    """A formula over `terms` as a balanced tree of binary operators that alternate by level, so
    that it nests about log2(len(terms)) deep (a chain would nest too deep) and no `And` or `Or`
    collects more than two members."""
    if len(terms) == 1:
        return terms[0]
    middle = len(terms) // 2
    inner = operators[1:] + operators[0]
    return (f"({balanced_text(terms[:middle], inner)}) {operators[0]} "
            f"({balanced_text(terms[middle:], inner)})")


def windowed_terms(count):
    return [f"G[{i % 97},{i % 97 + 3}] p{i}" for i in range(count)]


def even_steps(k):
    """a | X[2] a | X[4] (...) | ... | X[2^k] (...), shared: relevant at every even step below
    2^(k + 1), which a few dozen nodes pass on as 2^k windows."""
    f = Formula.ap("a")
    for i in range(1, k + 1):
        f = Formula.disjunction([f, Formula.next(f, 2**i)])
    return f


def nested_windows():
    """Untils and globallys over unbounded windows, three levels deep: with `a` known at one step
    s, each step before s gets a form of its own, and the outer until's gaps hold a term per step,
    about s^3 / 6 operand slots in all."""
    x = "((a) U (a)) | (G (a))"
    y = f"G[3, 3] ((({x}) U[5, inf] ({x})) | (G[5, inf] ({x})))"
    return f"(({y}) U (({x}) & ({y}))) | (G ({y}))"
