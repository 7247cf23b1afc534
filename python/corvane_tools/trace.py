"""Recorded boolean traces turned into knowledge: each known cell is a fact at its step.

CSV: a header row with a ``step`` column and one column per proposition, then one row per step.
Cells are ``1``, ``0``, ``true`` or ``false`` (any case, surrounding spaces ignored); an empty
cell means the value is unknown at that step. Blank lines are skipped.

JSON Lines: one object per line, ``{"step": 3, "a": true, "b": null}``: the step as a JSON integer
and one key per proposition with ``true``, ``false`` or ``null`` (unknown); a proposition left out
of a line is unknown at that step. Blank lines are skipped.

In both, steps may come in any order but each at most once; steps a trace leaves out have no
knowledge. Files are read line by line, and steps whose cells are identical share one value tuple,
so a long trace with few distinct states costs little beyond the dictionary itself.
"""

from __future__ import annotations

import csv
import json
from collections.abc import Iterable, Mapping, Sequence
from pathlib import Path
from typing import Any

from .errors import InputError, describe
from .files import decode_error, open_text
from .knowledge import (
    MAX_STEP,
    STEP_EXPECTED,
    Facts,
    Knowledge,
    parse_step,
    proposition_problem,
)

_TRUE = frozenset({"1", "true"})
_FALSE = frozenset({"0", "false"})
_NOTHING_KNOWN: Facts = ([], [], [], [])


def _facts(holds: list[str], does_not_hold: list[str]) -> Facts:
    return (holds, does_not_hold, [], []) if holds or does_not_hold else _NOTHING_KNOWN


def trace_to_knowledge(
    states: Iterable[tuple[int, Mapping[str, bool | None]]], *, source: str | None = None
) -> Knowledge:
    """Knowledge from (step, {proposition: True, False or None}) pairs, as a notebook has them.

    True and False become holds and does-not-hold facts at that step; None and absent
    propositions are unknown. Steps must be distinct integers from 0 to 4294967295.
    """
    knowledge: Knowledge = {}
    shared: dict[tuple[tuple[str, bool | None], ...], Facts] = {}
    checked: set[str] = set()
    for step, state in states:
        if type(step) is not int or not 0 <= step <= 4294967295:
            raise InputError(f"{STEP_EXPECTED}, got {step!r}", source=source, field="step")
        if step in knowledge:
            raise InputError("the step is given twice", source=source, step=step)
        key = tuple(state.items())
        facts = shared.get(key)
        if facts is None:
            holds, does_not_hold = [], []
            for name, value in key:
                _check_name(name, checked, source, None, step)
                if value is True:
                    holds.append(name)
                elif value is False:
                    does_not_hold.append(name)
                elif value is not None:
                    raise InputError(f"expected true, false or None, got {value!r}",
                                     source=source, step=step, field=repr(name))
            facts = shared[key] = _facts(holds, does_not_hold)
        knowledge[step] = facts
    return knowledge


def _check_name(name: object, checked: set[str], source: str | None, line: int | None,
                step: int | None) -> None:
    if name in checked:
        return
    if not isinstance(name, str):
        raise InputError(f"expected a proposition text, got {name!r}", source=source,
                         line=line, step=step)
    problem = proposition_problem(name)
    if problem is not None:
        raise InputError(problem, source=source, line=line, step=step)
    checked.add(name)


def load_trace_csv(path: str | Path) -> Knowledge:
    """Read a CSV trace (see the module description) into knowledge."""
    source = str(path)
    line = 1
    knowledge: Knowledge = {}
    with open_text(path, newline="") as file:
        try:
            names = [cell.strip() for cell in _csv_cells(file.readline(), source, 1)]
            step_column, columns = _csv_columns(names, source, 1)
            # Rows that start with the step and hold no quotes are split by hand, and the text
            # after the step is the key of the shared facts, so that a step whose cells were
            # seen before costs a dictionary lookup. Other rows go through the csv module.
            plain = step_column == 0
            shared: dict[str | tuple[str, ...], Facts] = {}
            for line, text in enumerate(file, start=2):
                cells: list[str] | None = None
                if plain and '"' not in text:
                    step_text, comma, rest = text.partition(",")
                    key: str | tuple[str, ...] = rest
                else:
                    cells = _csv_cells(text, source, line)
                    if not cells:
                        continue
                    _check_width(len(cells), len(names), source, line)
                    step_text = cells.pop(step_column)
                    key = tuple(cells)
                if step_text.isdecimal() and step_text.isascii() and len(step_text) <= 10:
                    step = int(step_text)
                elif text.isspace():
                    continue
                else:
                    step = _csv_step(step_text, source, line)
                if step > MAX_STEP:
                    step = _csv_step(step_text, source, line)
                if step in knowledge:
                    raise InputError(f"step {step} is given twice", source=source, line=line,
                                     field="column 'step'")
                facts = shared.get(key)
                if facts is None:
                    if cells is None:
                        cells = rest.rstrip("\r\n").split(",") if comma else []
                        _check_width(len(cells) + 1, len(names), source, line)
                    facts = shared[key] = _csv_facts(cells, columns, source, line)
                knowledge[step] = facts
        except UnicodeDecodeError:
            raise decode_error(path, line + 1) from None
    return knowledge


def _csv_cells(text: str, source: str, line: int) -> list[str]:
    try:
        return next(csv.reader([text], strict=True), [])
    except csv.Error as error:
        raise InputError(f"malformed CSV: {error}", source=source, line=line) from None


def _check_width(cells: int, width: int, source: str, line: int) -> None:
    if cells != width:
        raise InputError(f"expected {width} cells as in the header, got {cells}", source=source,
                         line=line)


def _csv_step(text: str, source: str, line: int) -> int:
    step = parse_step(text.strip())
    if step is None:
        raise InputError(f"{STEP_EXPECTED}, got {text.strip()!r}", source=source, line=line,
                         field="column 'step'")
    return step


def _csv_columns(names: list[str], source: str, line: int) -> tuple[int, list[str]]:
    """The index of the step column and the propositions of the other columns, in order."""
    seen: set[str] = set()
    for position, name in enumerate(names, start=1):
        if name in seen:
            raise InputError(f"column {name!r} appears twice", source=source, line=line)
        seen.add(name)
        if name != "step":
            problem = proposition_problem(name)
            if problem is not None:
                raise InputError(problem, source=source, line=line, field=f"column {position}")
    if "step" not in seen:
        raise InputError("the header has no 'step' column", source=source, line=line)
    step_column = names.index("step")
    return step_column, names[:step_column] + names[step_column + 1:]


def _csv_facts(cells: Sequence[str], columns: list[str], source: str, line: int) -> Facts:
    holds, does_not_hold = [], []
    for name, cell in zip(columns, cells):
        value = cell.strip().lower()
        if value in _TRUE:
            holds.append(name)
        elif value in _FALSE:
            does_not_hold.append(name)
        elif value:
            raise InputError(f"expected 1, 0, true, false or empty, got {cell!r}",
                             source=source, line=line, field=f"column {name!r}")
    return _facts(holds, does_not_hold)


def _unique_keys(pairs: list[tuple[str, Any]]) -> dict[str, Any]:
    result = dict(pairs)
    if len(result) != len(pairs):
        seen: set[str] = set()
        for key, _ in pairs:
            if key in seen:
                raise _RepeatedKey(key)
            seen.add(key)
    return result


class _RepeatedKey(Exception):
    pass


_MISSING = object()


def load_trace_jsonl(path: str | Path) -> Knowledge:
    """Read a JSON Lines trace (see the module description) into knowledge."""
    source = str(path)
    knowledge: Knowledge = {}
    shared: dict[tuple[tuple[str, Any], ...], Facts] = {}
    checked: set[str] = set()
    line = 0
    with open_text(path) as file:
        try:
            for line, text in enumerate(file, start=1):
                if text.isspace():
                    continue
                try:
                    state = json.loads(text, object_pairs_hook=_unique_keys)
                except json.JSONDecodeError as error:
                    raise InputError(f"invalid JSON: {error.msg}", source=source, line=line,
                                     column=error.pos + 1) from None
                except _RepeatedKey as error:
                    raise InputError(f"key {error.args[0]!r} appears twice", source=source,
                                     line=line) from None
                except RecursionError:
                    raise InputError("invalid JSON: nested too deeply", source=source,
                                     line=line) from None
                if type(state) is not dict:
                    raise InputError(f"expected an object, got {describe(state)}",
                                     source=source, line=line)
                step = state.pop("step", _MISSING)
                if step is _MISSING:
                    raise InputError("the object has no 'step'", source=source, line=line)
                if type(step) is not int or not 0 <= step <= 4294967295:
                    raise InputError(f"{STEP_EXPECTED}, got {describe(step)}", source=source,
                                     line=line, field="key 'step'")
                if step in knowledge:
                    raise InputError(f"step {step} is given twice", source=source, line=line,
                                     field="key 'step'")
                for name, value in state.items():
                    if value is not True and value is not False and value is not None:
                        raise InputError(f"expected true, false or null, got {describe(value)}",
                                         source=source, line=line, field=f"key {name!r}")
                key = tuple(state.items())
                facts = shared.get(key)
                if facts is None:
                    for name, _ in key:
                        _check_name(name, checked, source, line, None)
                    facts = shared[key] = _facts(
                        [name for name, value in key if value is True],
                        [name for name, value in key if value is False],
                    )
                knowledge[step] = facts
        except UnicodeDecodeError:
            raise decode_error(path, line + 1) from None
    return knowledge
