"""Small timing helpers shared by the benchmark scripts."""
import time


def best_of(function, repeat=3):
    """The fastest of `repeat` runs of `function()`, in seconds, and its last result."""
    best = float("inf")
    result = None
    for _ in range(repeat):
        start = time.perf_counter()
        result = function()
        best = min(best, time.perf_counter() - start)
    return best, result


def row(*cells, widths=None):
    widths = widths or [28] + [14] * (len(cells) - 1)
    print("".join(str(c).ljust(w) for c, w in zip(cells, widths)))
