"""Formula construction, copying and printing.

Copies share the formula's nodes, so the cost of a copy must not depend on the formula's size.

Run: .venv/bin/python bench/formula_bench.py
"""
from _timing import best_of, row

from corvane import Formula


def rules(n):
    return [
        Formula.always(
            Formula.implication(Formula.ap("req", str(i)), Formula.eventually(Formula.ap("ack", str(i)), 0, i % 9 + 1)),
            0, i % 50 + 1)
        for i in range(n)
    ]


def main():
    row("case", "n", "seconds", widths=[52, 12, 12])
    for n in [10_000, 20_000]:
        parts = rules(n)
        seconds, big = best_of(lambda: Formula.conjunction(parts))
        row("conjunction of n rules", n, f"{seconds:.4f}", widths=[52, 12, 12])
    # A copy of the whole formula: a single-member conjunction returns its member.
    small = Formula.ap("a")
    for name, f in [("copies of a literal", small), ("copies of a 120,000-node formula", big)]:
        seconds, _ = best_of(lambda: [Formula.conjunction([f]) for _ in range(1_000_000)], repeat=1)
        row(name, 1_000_000, f"{seconds:.4f}", widths=[52, 12, 12])
    nested = Formula.conjunction([Formula.disjunction([Formula.ap(f"p{i}"), Formula.negation(Formula.ap(f"q{i}"))]) for i in range(33_333)])
    for name, method in [("str (tree form)", str), ("repr (debug form)", repr),
                         ("format_as_string", lambda f: f.format_as_string()),
                         ("format_as_string with formatter",
                          lambda f: f.format_as_string(lambda n, p: n))]:
        seconds, text = best_of(lambda: method(nested))
        row(f"{name}, 100,000 nodes", len(text), f"{seconds:.4f}", widths=[52, 12, 12])


if __name__ == "__main__":
    main()
