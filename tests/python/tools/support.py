"""Helpers of the tests of the command and the tools package: paths, runs, generated traces."""
import json
import random
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
EXAMPLES = ROOT / "examples"
CORVANE = Path(sys.executable).with_name("corvane")

# Rules over the propositions of `random_trace`, with windows that reach past its end.
RULES = """\
response: G[0,10] (a -> F[0,3] b)
reach: F[0,20] c
hold: a U[0,15] b
# a comment line
X[2] !c
"""


def run(program, *args, cwd=None, env=None):
    """Run a program of the installed package with text arguments; returns the finished process."""
    return subprocess.run([str(program), *map(str, args)], capture_output=True, text=True,
                          cwd=cwd, env=env, timeout=300)


def random_trace(seed, steps=30, names=("a", "b", "c")):
    """(step, {name: True/False/None}) pairs; values persist for a few steps, as recorded."""
    rng = random.Random(seed)
    state = dict.fromkeys(names)
    trace = []
    for step in range(steps):
        for name in names:
            if rng.random() < 0.3:
                state[name] = rng.choice([True, False, None])
        trace.append((step, dict(state)))
    return trace


def write_trace(path, trace):
    """Write a trace as CSV, JSON Lines or JSON knowledge, by the extension of `path`."""
    names = list(trace[0][1])
    if path.suffix == ".csv":
        cell = {True: "1", False: "false", None: ""}
        lines = [",".join(["step", *names])]
        lines += [",".join([str(step), *(cell[s[n]] for n in names)]) for step, s in trace]
    elif path.suffix == ".jsonl":
        lines = [json.dumps({"step": step, **state}) for step, state in trace]
    else:
        knowledge = {str(step): [[n for n in names if s[n] is True],
                                 [n for n in names if s[n] is False], [], []]
                     for step, s in trace}
        lines = [json.dumps(knowledge)]
    path.write_text("\n".join(lines) + "\n")
    return path
