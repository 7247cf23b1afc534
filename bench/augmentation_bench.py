"""End to end: KnowledgeSequence, Augmenter and augment over scenarios of growing length.

Scenarios have 20 propositions with facts at every step (holds, does not hold, implications,
equivalences drawn from a fixed-seed generator). Each size is run once; times in seconds.

Run: .venv/bin/python bench/augmentation_bench.py
"""
import random

from _timing import best_of, row

from corvane import Augmenter, Formula, KnowledgeSequence

NAMES = [f"p{i}" for i in range(18)] + ["a", "b"]


def scenario(steps, decided=False, seed=7):
    rng = random.Random(seed)
    edges = {}
    for t in range(steps):
        if decided:
            true = [n for n in NAMES if rng.random() < 0.5]
            edges[t] = (true, [n for n in NAMES if n not in true], [], [])
            continue
        holds = rng.sample(NAMES, 2)
        not_holds = [n for n in rng.sample(NAMES, 2) if n not in holds]
        implications = [tuple(rng.sample(NAMES, 2)) for _ in range(3)]
        equivalences = [tuple(rng.sample(NAMES, 2))]
        edges[t] = (holds, not_holds, implications, equivalences)
    return edges


FORMULAS = {
    "G[0,T] (a -> F[0,10] b)": lambda T: f"G[0,{T}] (a -> F[0,10] b)",
    "nest of untils": lambda T: f"(p1 U[0,{T // 2}] (p2 U[0,10] (p3 U[2,5] b))) R[0,{T}] a",
}


def main():
    row("case", "T", "Knowledge", "Augmenter", "augment", "result bytes",
        widths=[34, 10, 12, 12, 12, 14])
    for name, make in FORMULAS.items():
        for steps in [1_000, 10_000, 100_000]:
            edges = scenario(steps)
            build, knowledge = best_of(lambda: KnowledgeSequence(edges), repeat=1)
            prepare, augmenter = best_of(lambda: Augmenter(knowledge), repeat=1)
            formula = Formula(make(steps - 1))
            seconds, result = best_of(lambda: augmenter.augment(formula), repeat=1)
            row(name, steps, f"{build:.3f}", f"{prepare:.3f}", f"{seconds:.3f}",
                len(result.format_as_string()), widths=[34, 10, 12, 12, 12, 14])
    for steps in [1_000, 10_000, 100_000]:
        # Knowledge reaches past T by the eventually's window, so that every step is decided.
        edges = scenario(steps + 11, decided=True)
        knowledge = KnowledgeSequence(edges)
        augmenter = Augmenter(knowledge)
        formula = Formula(FORMULAS["G[0,T] (a -> F[0,10] b)"](steps - 1))
        seconds, result = best_of(lambda: augmenter.augment(formula), repeat=1)
        assert result.format_as_string() in ("(true)", "(false)"), "expected a constant"
        row("all decided -> constant", steps, "", "", f"{seconds:.3f}",
            len(result.format_as_string()), widths=[34, 10, 12, 12, 12, 14])


if __name__ == "__main__":
    main()
