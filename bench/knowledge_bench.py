"""KnowledgeSequence construction plus the graph preparation an Augmenter does
(copy, condense, complete, Kleene trace).

Run: .venv/bin/python bench/knowledge_bench.py
"""
import random

from _timing import best_of, row

from corvane import Augmenter, KnowledgeSequence


def random_facts(steps, propositions, seed=1):
    rng = random.Random(seed)
    names = [f"p{i}" for i in range(propositions)]
    edges = {}
    for t in range(steps):
        holds = rng.sample(names, 5)
        not_holds = rng.sample(names, 5)
        implications = [tuple(rng.sample(names, 2)) for _ in range(5)]
        equivalences = [tuple(rng.sample(names, 2)) for _ in range(2)]
        edges[t] = (holds, not_holds, implications, equivalences)
    return edges


def implication_chain(propositions):
    names = [f"q{i}" for i in range(propositions)]
    return {0: ([names[0]], [], list(zip(names, names[1:])), [])}


def measure(label, edges):
    build, knowledge = best_of(lambda: KnowledgeSequence(edges), repeat=1)
    prepare, _ = best_of(lambda: Augmenter(knowledge), repeat=1)
    row(label, f"{build:.3f}", f"{prepare:.3f}")


def main():
    row("case", "Knowledge s", "Augmenter s")
    for steps in [10_000, 20_000]:
        measure(f"{steps} steps, 100 props", random_facts(steps, 100))
    for props in [5_000, 10_000]:
        measure(f"1 step, {props}-chain", implication_chain(props))


if __name__ == "__main__":
    main()
