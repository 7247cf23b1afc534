"""Knowledge at scale: long fully known traces, many facts, long implication chains, threads.

Every case builds its input first and times only what corvane does with it. Times are the min and
median of several runs in seconds; memory is the peak resident set a case adds, measured in a
fresh subprocess. The same script runs under any interpreter that imports corvane, so an older
build can be timed in the same session:

Run: .venv/bin/python bench/scale_bench.py [--sizes 1000,10000] [--repeat 5] [--skip memory,...]

Cases (names for --skip): trace, memory, facts, chain, cycle, threads, sparse.
"""
import argparse
import gc
import hashlib
import os
import random
import statistics
import subprocess
import sys
import threading
import time

from corvane import Augmenter, Formula, KnowledgeSequence

HORIZON = 10  # the window of the eventually in the trace property


def timed(function, repeat):
    """The min and median wall-clock seconds over `repeat` runs of `function()`, the least
    processor time of this process over them (other programs on the machine do not count there),
    and the last result."""
    times = []
    cpu = []
    result = None
    for _ in range(repeat):
        gc.collect()
        start, start_cpu = time.perf_counter(), time.process_time()
        result = function()
        times.append(time.perf_counter() - start)
        cpu.append(time.process_time() - start_cpu)
    return min(times), statistics.median(times), min(cpu), result


def row(*cells, widths=(40, 12, 12, 12, 12, 12, 12, 12)):
    print("".join(str(c).ljust(w) for c, w in zip(cells, widths)), flush=True)


def seconds(value):
    return f"{value:.4f}"


# --- a fully known trace ------------------------------------------------------------------------


def trace_values(steps, seed=3):
    """Random values of a and b over `steps` steps such that G (a -> F[0,HORIZON] b) holds at every
    step before the last HORIZON ones."""
    rng = random.Random(seed)
    a = [rng.random() < 0.5 for _ in range(steps)]
    b = [rng.random() < 0.5 for _ in range(steps)]
    last_b = None
    for t in range(steps - 1, -1, -1):
        if b[t]:
            last_b = t
        if a[t] and t + HORIZON < steps and (last_b is None or last_b - t > HORIZON):
            b[t + HORIZON] = True
            last_b = t + HORIZON if last_b is None else min(last_b, t + HORIZON)
    return a, b


def trace_edges(steps):
    """The knowledge dictionary of a fully known trace, with fresh lists at every step."""
    a, b = trace_values(steps)
    edges = {}
    for t in range(steps):
        holds, fails = [], []
        (holds if a[t] else fails).append("a")
        (holds if b[t] else fails).append("b")
        edges[t] = (holds, fails, [], [])
    return edges


def trace_formula(T):
    return Formula(f"G[0,{T}] (a -> F[0,{HORIZON}] b)")


def corvane_verdict(edges, formula):
    result = Augmenter(KnowledgeSequence(edges)).augment(formula)
    return result.format_as_string()


def python_verdict(edges, T):
    """The same property decided by a plain loop over the same lists."""
    last_b = None
    for t in range(T + HORIZON, -1, -1):
        holds = edges[t][0]
        if "b" in holds:
            last_b = t
        if t <= T and "a" in holds and (last_b is None or last_b - t > HORIZON):
            return "(false)"
    return "(true)"


def trace_case(sizes, repeat):
    print("== G[0,T] (a -> F[0,10] b), fully known, from a ready dictionary to the verdict")
    row("T", "corvane min", "median", "cpu min", "python min", "median", "cpu min", "ratio")
    for T in sizes:
        edges = trace_edges(T + HORIZON + 1)
        formula = trace_formula(T)
        c_min, c_med, c_cpu, verdict = timed(lambda: corvane_verdict(edges, formula), repeat)
        p_min, p_med, p_cpu, expected = timed(lambda: python_verdict(edges, T), repeat)
        assert verdict == expected, (verdict, expected)
        row(T, seconds(c_min), seconds(c_med), seconds(c_cpu), seconds(p_min), seconds(p_med),
            seconds(p_cpu), f"{c_min / p_min:.1f}x")
        del edges


# --- peak memory, each in a fresh interpreter ---------------------------------------------------


def status(field):
    """A field of /proc/self/status in MB."""
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1]) / 1024
    raise RuntimeError(field)


def peak_added(setup, work):
    """Runs `setup()` and then `work(input)` in this process, and returns the peak resident memory
    that `work` adds on top of what `setup` left, in MB. The kernel's peak counter is reset after
    the setup (Linux: /proc/self/clear_refs), so the setup's own peak does not count."""
    data = setup()
    gc.collect()
    with open("/proc/self/clear_refs", "w") as f:
        f.write("5")  # resets VmHWM to the current resident size
    before = status("VmRSS")
    work(data)
    return status("VmHWM") - before


def in_subprocess(case, *args):
    """Runs `case` of this script in a fresh interpreter and returns its one line of output."""
    out = subprocess.run([sys.executable, __file__, "--child", case, *map(str, args)],
                         capture_output=True, text=True, check=True)
    return out.stdout.strip()


def child(case, *args):
    if case == "trace-memory":
        T = int(args[0])
        formula = trace_formula(T)
        mb = peak_added(lambda: trace_edges(T + HORIZON + 1),
                        lambda edges: corvane_verdict(edges, formula))
        print(f"{mb:.0f}")
    elif case == "facts-memory":
        make = fully_known_facts if args[0] == "full" else mixed_facts
        mb = peak_added(lambda: make(10_000, 100), lambda edges: Augmenter(KnowledgeSequence(edges)))
        print(f"{mb:.0f}")
    elif case == "chain":
        knowledge = KnowledgeSequence(chain_edges(int(args[0])))
        start = time.perf_counter()
        mb = peak_added(lambda: knowledge, Augmenter)
        print(f"{time.perf_counter() - start:.3f} {mb:.0f} {status('VmHWM'):.0f}")
    else:
        raise SystemExit(f"unknown child case {case}")


def memory_case(sizes):
    print("== peak memory added by KnowledgeSequence + Augmenter + augment over the dictionary")
    row("T", "MB")
    for T in sizes:
        row(T, in_subprocess("trace-memory", T))


# --- many facts, a long chain, repeating states -------------------------------------------------


def fully_known_facts(steps, propositions, seed=5):
    """Every proposition stated to hold or not at every step."""
    rng = random.Random(seed)
    names = [f"p{i}" for i in range(propositions)]
    edges = {}
    for t in range(steps):
        holds, fails = [], []
        for name in names:
            (holds if rng.random() < 0.5 else fails).append(name)
        edges[t] = (holds, fails, [], [])
    return edges


def mixed_facts(steps, propositions, seed=1):
    """A few facts of every kind about random propositions at every step."""
    rng = random.Random(seed)
    names = [f"p{i}" for i in range(propositions)]
    edges = {}
    for t in range(steps):
        edges[t] = (rng.sample(names, 5), rng.sample(names, 5),
                    [tuple(rng.sample(names, 2)) for _ in range(5)],
                    [tuple(rng.sample(names, 2)) for _ in range(2)])
    return edges


def facts_case(repeat):
    print("== 10,000 steps, 100 propositions: KnowledgeSequence + Augmenter")
    row("facts per step", "min", "median", "cpu min", "peak MB")
    for label, kind, make in [("100 (each stated true or false)", "full", fully_known_facts),
                              ("17 (holds, fails, implies, equiv.)", "mixed", mixed_facts)]:
        edges = make(10_000, 100)
        low, mid, cpu, _ = timed(lambda: Augmenter(KnowledgeSequence(edges)), repeat)
        row(label, seconds(low), seconds(mid), seconds(cpu), in_subprocess("facts-memory", kind))


def chain_edges(n):
    names = [f"q{i}" for i in range(n)]
    return {0: ([names[0]], [], list(zip(names, names[1:])), [])}


def chain_case(sizes):
    print("== one step with an implication chain: Augmenter (fresh interpreter per size)")
    row("propositions", "seconds", "added MB", "process MB")
    for n in sizes:
        row(n, *in_subprocess("chain", n).split())


def cycle_case(repeat):
    print("== 100,000 steps cycling through 4 knowledge states")
    states = [(["a"], ["b"], [], []), (["b"], [], [("c", "d")], []), ([], ["a"], [], [("c", "e")]),
              (["d"], [], [("a", "b")], [])]
    edges = {t: tuple(list(item) for item in states[t % 4]) for t in range(100_000)}
    row("", "min", "median", "cpu min")
    low, mid, cpu, knowledge = timed(lambda: KnowledgeSequence(edges), repeat)
    row("KnowledgeSequence", seconds(low), seconds(mid), seconds(cpu))
    low, mid, cpu, _ = timed(lambda: Augmenter(knowledge), repeat)
    row("Augmenter", seconds(low), seconds(mid), seconds(cpu))


# --- threads ------------------------------------------------------------------------------------


def threads_case(repeat):
    print("== 2 threads augmenting different formulas on one Augmenter")
    rng = random.Random(11)
    names = [f"p{i}" for i in range(18)] + ["a", "b"]
    edges = {}
    for t in range(30_000):
        edges[t] = (rng.sample(names, 2), rng.sample(names, 1),
                    [tuple(rng.sample(names, 2)) for _ in range(3)], [])
    augmenter = Augmenter(KnowledgeSequence(edges))
    formulas = [Formula("(p1 U[0,12000] (p2 U[0,10] (p3 U[2,5] b))) R[0,24000] a"),
                Formula("(p4 U[0,12000] (p5 U[0,10] (p6 U[2,5] a))) R[0,24000] b")]
    data = b"x" * (32 << 20)

    def in_threads(work, arguments):
        threads = [threading.Thread(target=work, args=(a,)) for a in arguments]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()

    def hash_twice(_):
        for _ in range(8):
            hashlib.sha256(data).digest()

    # A workload that is known to run in parallel (hashing releases the interpreter lock) shows
    # what speed-up the machine allows at the moment.
    cases = [
        ("augment", lambda: [augmenter.augment(f) for f in formulas],
         lambda: in_threads(augmenter.augment, formulas)),
        ("control: sha256 of 256 MB", lambda: [hash_twice(None), hash_twice(None)],
         lambda: in_threads(hash_twice, [None, None])),
    ]
    row("", "one min", "median", "two min", "median", "speed-up")
    for label, one, two in cases:
        s_min, s_med, _, _ = timed(one, repeat)
        p_min, p_med, _, _ = timed(two, repeat)
        row(label, seconds(s_min), seconds(s_med), seconds(p_min), seconds(p_med),
            f"{s_min / p_min:.2f}x")


def sparse_case(repeat):
    print("== sparse knowledge: 100 change points over T = 10^9")
    T = 10**9
    rng = random.Random(2)
    steps = sorted(rng.sample(range(T), 100))
    edges = {t: ([rng.choice("ab")], [], [("a", "b")], []) for t in steps}
    formula = trace_formula(T)
    low, mid, cpu, _ = timed(lambda: corvane_verdict(edges, formula), repeat)
    row("", "min", "median", "cpu min")
    row("dictionary to augmented formula", seconds(low), seconds(mid), seconds(cpu))


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "--child":
        child(*sys.argv[2:])
        return
    parser = argparse.ArgumentParser()
    parser.add_argument("--sizes", default="1000,10000,100000,1000000")
    parser.add_argument("--memory-sizes", default="1000000")
    parser.add_argument("--chain-sizes", default="10000,20000")
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--skip", default="")
    args = parser.parse_args()
    skip = set(filter(None, args.skip.split(",")))
    sizes = [int(s) for s in args.sizes.split(",")]
    print(f"python {sys.version.split()[0]}, {os.cpu_count()} cores, "
          f"load average {os.getloadavg()[0]:.2f}")
    if "trace" not in skip:
        trace_case(sizes, args.repeat)
    if "memory" not in skip:
        memory_case([int(s) for s in args.memory_sizes.split(",")])
    if "facts" not in skip:
        facts_case(args.repeat)
    if "chain" not in skip:
        chain_case([int(s) for s in args.chain_sizes.split(",")])
    if "cycle" not in skip:
        cycle_case(args.repeat)
    if "threads" not in skip:
        threads_case(args.repeat)
    if "sparse" not in skip:
        sparse_case(args.repeat)


if __name__ == "__main__":
    main()
