"""Parser throughput: large formula texts must parse in time linear in their length.

Run: .venv/bin/python bench/parser_bench.py
"""
from _timing import best_of, row

from corvane import Formula


def conjunction_text(n):
    return " & ".join(f"p{i}" for i in range(n))


def until_chain_text(n):
    return " U ".join(f"p{i}" for i in range(n))


def mixed_text(n):
    parts = [f"(G[0,{i % 50}] (req{i}(car {i % 7}) -> F[1, {i % 9 + 1}] grant{i}))" for i in range(n)]
    return " & ".join(parts)


def main():
    row("text", "bytes", "seconds", "MB/s")
    for name, make, sizes in [
        ("conjunction of n", conjunction_text, [50_000, 100_000, 200_000]),
        ("mixed rules", mixed_text, [5_000, 10_000, 20_000]),
        ("right-nested U chain", until_chain_text, [250, 500, 1000]),
    ]:
        for n in sizes:
            text = make(n)
            seconds, _ = best_of(lambda: Formula(text))
            row(f"{name} n={n}", len(text), f"{seconds:.4f}", f"{len(text) / seconds / 1e6:.1f}")


if __name__ == "__main__":
    main()
