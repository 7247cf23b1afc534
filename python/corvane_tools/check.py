"""Verdicts of rules on scenarios, one scenario at a time or in batches on processes or a cluster.

The verdict of a rule on a scenario is read from the rule augmented with the scenario's knowledge
at step 0: ``satisfied`` when the augmented formula is true, ``violated`` when it is false and
``open`` when it still depends on what is unknown.

Batches return results in input order whatever runs them. Module objects do not travel between
processes, so a task carries the rules as texts and the scenario as a path (or a knowledge
dictionary); each process parses a rule set once and keeps it for the tasks that follow.
"""

from __future__ import annotations

import importlib
import os
import threading
from collections import deque
from collections.abc import Callable, Generator, Iterable, Iterator, Mapping, Sequence, Sized
from concurrent.futures import ProcessPoolExecutor
from dataclasses import dataclass
from multiprocessing import get_all_start_methods, get_context
from typing import Any, Literal, Protocol, TypeAlias

from corvane import Augmenter, Formula, KnowledgeSequence

from .errors import InputError
from .knowledge import Knowledge
from .rules import Rule, parse_formula
from .scenarios import load_knowledge

Verdict: TypeAlias = Literal["satisfied", "violated", "open"]
VERDICTS: tuple[Verdict, ...] = ("satisfied", "violated", "open")

Scenario: TypeAlias = "str | os.PathLike[str] | tuple[str, Knowledge]"
"""A scenario file, or a name and its knowledge already in memory."""


@dataclass(frozen=True)
class RuleResult:
    """The verdict of one rule on one scenario, and the augmented formula when it was asked for."""

    rule: str
    verdict: Verdict
    augmented: str | None = None


@dataclass(frozen=True)
class ScenarioResult:
    """The verdicts of every rule, in rule order, on one scenario."""

    scenario: str
    results: tuple[RuleResult, ...]

    @property
    def violated(self) -> bool:
        return any(result.verdict == "violated" for result in self.results)


def verdict_of(augmented: Formula) -> Verdict:
    """The verdict an augmented formula expresses (constant true, constant false, or neither)."""
    if augmented.is_true():
        return "satisfied"
    # Negating the constant false gives the constant true; nothing else does. This avoids printing
    # a possibly large formula just to compare it with "(false)".
    if Formula.negation(augmented).is_true():
        return "violated"
    return "open"


_compiled: dict[tuple[Rule, ...], list[Formula]] = {}


def compile_rules(rules: Sequence[Rule]) -> list[Formula]:
    """The formulas of `rules`, parsed once per process and rule set."""
    key = tuple(rules)
    formulas = _compiled.get(key)
    if formulas is None:
        formulas = [parse_formula(rule.text, field=f"rule {rule.name!r}") for rule in key]
        if len(_compiled) >= 16:  # a long-lived notebook or worker may see many rule sets
            _compiled.clear()
        _compiled[key] = formulas
    return formulas


def augment(augmenter: Augmenter, formula: Formula, *, scenario: str | None = None,
            rule: str | None = None) -> Formula:
    """`augmenter.augment(formula)`, with a too-large result reported as bad input."""
    try:
        return augmenter.augment(formula)
    except MemoryError as error:
        field = None if rule is None else f"rule {rule!r}"
        raise InputError(f"the augmented formula is too large to build ({error})",
                         source=scenario, field=field) from None


def check_knowledge(rules: Sequence[Rule], knowledge: Mapping[int, Any], *, name: str = "",
                    show_augmented: bool = False) -> ScenarioResult:
    """Verdicts of `rules` on a scenario whose knowledge is given in `KnowledgeSequence` shape."""
    # The module reads a dict only; any other mapping is copied into one.
    edges = knowledge if isinstance(knowledge, dict) else dict(knowledge)
    augmenter = Augmenter(KnowledgeSequence(edges))
    results = []
    for rule, formula in zip(rules, compile_rules(rules)):
        augmented = augment(augmenter, formula, scenario=name, rule=rule.name)
        infix = augmented.format_as_string() if show_augmented else None
        results.append(RuleResult(rule.name, verdict_of(augmented), infix))
    return ScenarioResult(name, tuple(results))


def check_scenario(rules: Sequence[Rule], scenario: Scenario, *,
                   scenario_format: str | None = None,
                   show_augmented: bool = False) -> ScenarioResult:
    """Verdicts of `rules` on one scenario file (format by extension unless given) or
    ``(name, knowledge)`` pair."""
    if isinstance(scenario, tuple):
        name, knowledge = scenario
    else:
        name = os.fspath(scenario)
        knowledge = load_knowledge(name, scenario_format)
    return check_knowledge(rules, knowledge, name=name, show_augmented=show_augmented)


@dataclass(frozen=True)
class _Task:
    """A few consecutive scenarios of a batch, checked by one worker in one go."""

    rules: tuple[Rule, ...]
    scenarios: tuple[str | tuple[str, Knowledge], ...]
    scenario_format: str | None
    show_augmented: bool


def run_task(task: _Task) -> tuple[list[ScenarioResult], InputError | None]:
    """The work of a worker process (module-level so that workers import it): the results of the
    task's scenarios up to the first bad one, and that one's error."""
    results = []
    try:
        for scenario in task.scenarios:
            results.append(check_scenario(task.rules, scenario,
                                          scenario_format=task.scenario_format,
                                          show_augmented=task.show_augmented))
    except InputError as error:
        return results, error
    return results, None


class _Future(Protocol):
    def result(self) -> Any: ...
    def cancel(self) -> Any: ...


def _in_order(submit: Callable[[_Task], _Future], tasks: Iterable[_Task],
              in_flight: int) -> Iterator[ScenarioResult]:
    """Submit tasks keeping at most `in_flight` unfinished, and yield results in task order; a
    task's error is raised after the results it got before it."""
    pending: deque[_Future] = deque()
    try:
        for task in tasks:
            pending.append(submit(task))
            if len(pending) >= in_flight:
                yield from _results(pending.popleft())
        while pending:
            yield from _results(pending.popleft())
    finally:
        for future in pending:
            future.cancel()


def _results(future: _Future) -> Iterator[ScenarioResult]:
    results: list[ScenarioResult]
    error: InputError | None
    results, error = future.result()
    yield from results
    if error is not None:
        raise error


def _chunked(rules: tuple[Rule, ...], scenarios: Iterable[Scenario], size: int,
             scenario_format: str | None, show_augmented: bool) -> Iterator[_Task]:
    chunk: list[str | tuple[str, Knowledge]] = []
    for scenario in scenarios:
        chunk.append(scenario if isinstance(scenario, tuple) else os.fspath(scenario))
        if len(chunk) == size:
            yield _Task(rules, tuple(chunk), scenario_format, show_augmented)
            chunk = []
    if chunk:
        yield _Task(rules, tuple(chunk), scenario_format, show_augmented)


def _chunk_size(scenarios: Iterable[Scenario], workers: int) -> int:
    """Scenarios per task: few enough that every worker gets several tasks, many enough that the
    cost of a task's trip to the worker and back stays small beside the work."""
    if not isinstance(scenarios, Sized):
        return 4
    return max(1, min(16, len(scenarios) // (8 * max(workers, 1))))


def check_many(
    rules: Sequence[Rule],
    scenarios: Iterable[Scenario],
    *,
    scenario_format: str | None = None,
    show_augmented: bool = False,
    jobs: int = 1,
    scheduler: str | None = None,
) -> Generator[ScenarioResult, None, None]:
    """Verdicts of `rules` on every scenario, yielded in input order.

    With `jobs` above 1 the scenarios are checked in that many local worker processes; with
    `scheduler` (a Dask distributed scheduler address, e.g. ``tcp://host:8786``) on that cluster,
    whose workers must have corvane installed and read the scenario paths. Either way only a few
    scenarios per worker are in flight at a time, so memory does not grow with the batch. The
    first bad scenario (in input order) raises `InputError` once the results before it are out.

    Worker processes start fresh and import the calling script, so a script that asks for jobs
    calls this under ``if __name__ == "__main__":``.
    """
    if jobs < 1:
        raise InputError(f"the number of jobs must be at least 1, got {jobs}")
    rule_set = tuple(rules)
    if scheduler is not None:
        yield from _on_cluster(scheduler, rule_set, scenarios, scenario_format, show_augmented)
    elif jobs == 1:
        for scenario in scenarios:
            yield check_scenario(rule_set, scenario, scenario_format=scenario_format,
                                 show_augmented=show_augmented)
    else:
        tasks = _chunked(rule_set, scenarios, _chunk_size(scenarios, jobs), scenario_format,
                         show_augmented)
        with ProcessPoolExecutor(jobs, mp_context=_worker_context()) as pool:
            yield from _in_order(lambda task: pool.submit(run_task, task), tasks, 2 * jobs)


def _worker_context() -> Any:
    """How worker processes start. A caller that runs no other thread forks them directly, which
    starts them at once with everything loaded. A fork copies other threads' locks in whatever
    state they are in (a notebook's, a progress bar's), so with threads running the workers come
    from a fork server instead, which imports this package once and forks them from itself."""
    if threading.active_count() == 1 and "fork" in get_all_start_methods():
        return get_context("fork")
    context = get_context("forkserver")
    context.set_forkserver_preload(["corvane_tools"])
    return context


def _on_cluster(address: str, rules: tuple[Rule, ...], scenarios: Iterable[Scenario],
                scenario_format: str | None, show_augmented: bool) -> Iterator[ScenarioResult]:
    try:
        # Imported by name: an optional dependency, loaded only when a cluster is asked for.
        distributed = importlib.import_module("distributed")
    except ImportError:
        raise InputError(
            "running on a cluster needs Dask: pip install 'corvane[cluster]'"
        ) from None
    try:
        client = distributed.Client(address, timeout="10s", set_as_default=False)
    except (OSError, TimeoutError, ValueError) as error:
        raise InputError(f"cannot connect to the scheduler: {error}", source=address) from None
    with client:
        workers = sum(client.nthreads().values())
        tasks = _chunked(rules, scenarios, _chunk_size(scenarios, workers), scenario_format,
                         show_augmented)
        yield from _in_order(lambda task: client.submit(run_task, task, pure=False), tasks,
                             max(4, 2 * workers))
