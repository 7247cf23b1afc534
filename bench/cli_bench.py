"""The corvane command on generated batches: local processes and a Dask cluster against one
process, peak memory of a large batch against a small one, and trace reading with shared values
against fresh lists per step.

Run: .venv/bin/python bench/cli_bench.py [--scenarios 1000] [--steps 1000] [--runs 3]
Timings are ratios against a baseline measured in the same run; the machine may be busy.
"""
import argparse
import contextlib
import csv
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from _timing import best_of, row

from corvane_tools import load_trace_csv

CORVANE = str(Path(sys.executable).with_name("corvane"))
PROPOSITIONS = [f"p{i}" for i in range(8)]
RULES = """\
r0: G[0,999] (p0 -> F[0,20] p1)
r1: F[0,999] (p2 & p3)
r2: p4 U[0,500] p5
r3: G[0,999] (p6 | p7 | !p0)
r4: G[100,900] F[0,50] p1
r5: (p2 -> X p3) & G[0,300] !p4
r6: F[0,999] G[0,30] p5
r7: G[0,999] (p6 -> (p7 U[0,10] p0))
r8: p1 R[0,800] p2
r9: G[0,999] (p3 -> F[0,100] p4)
"""


def write_trace(path, steps, seed):
    """A recorded run: each proposition keeps its value (1, 0 or unknown) for stretches of about
    a hundred steps."""
    rng = random.Random(seed)
    state = [rng.choice("10") for _ in PROPOSITIONS]
    with open(path, "w", newline="") as file:
        out = csv.writer(file, lineterminator="\n")
        out.writerow(["step", *PROPOSITIONS])
        for step in range(steps):
            for i in range(len(state)):
                if rng.random() < 0.01:
                    state[i] = rng.choice(["1", "0", "1", "0", ""])
            out.writerow([step, *state])


def timed(commands, runs):
    """Wall times of `runs` rounds of the commands, run one after the other in every round, so
    that a change in the machine's load touches all of them alike (output discarded)."""
    times = {label: [] for label in commands}
    for _ in range(runs):
        for label, command in commands.items():
            start = time.perf_counter()
            done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            times[label].append(time.perf_counter() - start)
            assert done.returncode in (0, 1), done.stderr.decode()
    return times


def _process_table():
    """{pid: (parent pid, CPU seconds so far)} of every process that can be read."""
    table = {}
    tick = os.sysconf("SC_CLK_TCK")
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as file:
                    fields = file.read().rsplit(")", 1)[1].split()
            except OSError:
                continue
            table[int(entry)] = (int(fields[1]), (int(fields[11]) + int(fields[12])) / tick)
    return table


def cpu_seconds(command):
    """CPU seconds used by a command and every process it starts, workers forked directly or
    by a fork server, each counted once from its own share in /proc, sampled every 20 ms: a
    measure of the work done that the load of the machine does not change."""
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    last = {}
    while process.poll() is None:
        table = _process_table()
        tree = {process.pid}
        for pid in sorted(table):  # parents have lower ids unless ids wrapped around
            if table[pid][0] in tree:
                tree.add(pid)
        for pid in tree:
            if pid in table:
                last[pid] = table[pid][1]
        time.sleep(0.02)
    return sum(last.values())


PEAK = ("import resource, subprocess, sys; subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL);"
        "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)")


def peak_kib(command):
    """The largest resident set of any process of a command run (KiB)."""
    return int(subprocess.run([sys.executable, "-c", PEAK, *command], capture_output=True,
                              text=True, check=True).stdout)


def naive_csv(path):
    """The baseline reader: fresh lists for every step."""
    knowledge = {}
    with open(path, newline="") as file:
        reader = csv.reader(file)
        names = next(reader)[1:]
        for row_cells in reader:
            holds = [n for n, c in zip(names, row_cells[1:]) if c.strip().lower() in ("1", "true")]
            nots = [n for n, c in zip(names, row_cells[1:]) if c.strip().lower() in ("0", "false")]
            knowledge[int(row_cells[0])] = (holds, nots, [], [])
    return knowledge


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scenarios", type=int, default=1000)
    parser.add_argument("--steps", type=int, default=1000)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--no-dask", action="store_true")
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as directory:
        root = Path(directory)
        (root / "rules.txt").write_text(RULES)
        small = root / "small"
        small.mkdir()
        for seed in range(options.scenarios):
            write_trace(small / f"s{seed:05}.csv", options.steps, seed)
        check = [CORVANE, "check", str(root / "rules.txt"), str(small), "--format", "csv"]

        print(f"== {options.scenarios} scenarios x 10 rules x {options.steps} steps, "
              f"{options.runs} runs (seconds)")
        row("run", "min", "median", "x (min)", "x (median)")
        commands = {"--jobs 1": [*check, "--jobs", "1"], "--jobs 2": [*check, "--jobs", "2"]}
        with contextlib.ExitStack() as stack:
            if not options.no_dask:
                from distributed import LocalCluster

                cluster = stack.enter_context(LocalCluster(
                    n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None))
                commands["Dask, 2 worker processes"] = [
                    *check, "--scheduler", cluster.scheduler_address]
            times = timed(commands, options.runs)
        base = times["--jobs 1"]
        for label, values in times.items():
            row(label, f"{min(values):.2f}", f"{statistics.median(values):.2f}",
                f"{min(base) / min(values):.2f}",
                f"{statistics.median(base) / statistics.median(values):.2f}")

        print("\n== CPU seconds of all processes of one run (the work, whatever the load)")
        row("run", "CPU s")
        for jobs in ("1", "2"):
            row(f"--jobs {jobs}", f"{cpu_seconds([*check, '--jobs', jobs]):.2f}")

        # A ten times larger folder: hard links to the same files, so only the batch grows.
        large = root / "large"
        large.mkdir()
        for copy in range(10):
            for path in small.iterdir():
                os.link(path, large / f"{copy}-{path.name}")
        print("\n== peak resident memory of the largest process (MiB)")
        row("batch", "--jobs 1", "--jobs 2")
        peaks = {}
        for label, folder in (("small", small), ("large", large)):
            peaks[label] = [peak_kib([*check[:3], str(folder), "--jobs", jobs]) / 1024
                            for jobs in ("1", "2")]
            count = len(os.listdir(folder))
            row(f"{count} scenarios", *(f"{peak:.1f}" for peak in peaks[label]))
        row("ratio large / small",
            *(f"{large / small:.2f}" for large, small in zip(peaks["large"], peaks["small"])))

        long_trace = root / "long.csv"
        write_trace(long_trace, 100_000, 1)
        print("\n== reading a 100,000-step CSV trace (seconds, best of 5)")
        row("reader", "time", "ratio")
        fresh, expected = best_of(lambda: naive_csv(long_trace), repeat=5)
        shared, knowledge = best_of(lambda: load_trace_csv(long_trace), repeat=5)
        assert knowledge == expected
        row("fresh lists per step", f"{fresh:.3f}", "1.00")
        row("shared per state", f"{shared:.3f}", f"{fresh / shared:.2f}")


if __name__ == "__main__":
    main()
