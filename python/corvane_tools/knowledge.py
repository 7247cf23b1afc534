"""Knowledge in the dictionary shape `KnowledgeSequence` takes, read from JSON, faults named.

The JSON shape is one object whose keys are time steps (decimal texts) and whose values are lists
of four items::

    {"3": [["holds", ...], ["does_not_hold", ...], [["lhs", "rhs"], ...], [["lhs", "rhs"], ...]]}

the propositions that hold at that step, those that do not hold, implications (lhs implies rhs)
and equivalences. Every proposition text must be one a formula can mention: a name of ASCII
letters, digits and ``_`` (not starting with ``_``), optionally followed by a parameter in
parentheses made of those characters, spaces and commas.
"""

from __future__ import annotations

import json
import re
from pathlib import Path
from typing import Any, TypeAlias

from .errors import InputError, describe
from .files import read_text

Facts: TypeAlias = tuple[list[str], list[str], list[tuple[str, str]], list[tuple[str, str]]]
"""What is known at one step: holds, does not hold, implications, equivalences."""

Knowledge: TypeAlias = dict[int, Facts]
"""Knowledge per time step, the argument `KnowledgeSequence` takes."""

MAX_STEP = 4294967295
FIELDS = ("holds", "does_not_hold", "implications", "equivalences")

_PROPOSITION = re.compile(r"[A-Za-z0-9][A-Za-z0-9_]*(?:\([A-Za-z0-9_ ,]*\))?")
_CONSTANT_PREFIX = re.compile(r"(?:True|true|False|false)")
_DIGITS = re.compile(r"[0-9]+")


def proposition_problem(text: str) -> str | None:
    """Why `text` cannot be a proposition of a formula, or None when it can."""
    if _PROPOSITION.fullmatch(text) is None:
        return (
            f"{text!r} is not a proposition: expected a name of letters, digits and '_', "
            "optionally followed by a parameter in parentheses"
        )
    constant = _CONSTANT_PREFIX.match(text)
    if constant is not None:
        return (
            f"{text!r} is not a proposition: formulas read {constant.group(0)!r} at the start "
            "of a name as a constant"
        )
    return None


def parse_step(text: str) -> int | None:
    """The time step written as decimal `text`, or None when it is not one (sign, spaces, range)."""
    if _DIGITS.fullmatch(text) is None:
        return None
    step = int(text)
    return step if step <= MAX_STEP else None


STEP_EXPECTED = f"expected a time step from 0 to {MAX_STEP}"


class _Pairs(list[tuple[str, Any]]):
    """A JSON object kept as its key-value pairs, so that repeated keys can be reported."""


def _check_text(value: object, source: str | None, step: int, field: str) -> str:
    if not isinstance(value, str):
        raise InputError(f"expected a proposition text, got {_describe(value)}",
                         source=source, step=step, field=field)
    problem = proposition_problem(value)
    if problem is not None:
        raise InputError(problem, source=source, step=step, field=field)
    return value


def _check_list(value: object, source: str | None, step: int, field: str, what: str) -> list[Any]:
    if not isinstance(value, list) or isinstance(value, _Pairs):
        raise InputError(f"expected a list of {what}, got {_describe(value)}",
                         source=source, step=step, field=field)
    return value


def _items(count: int) -> str:
    return "1 item" if count == 1 else f"{count} items"


def _describe(value: object) -> str:
    return "an object" if isinstance(value, _Pairs) else describe(value)


def facts_from_json(value: object, *, source: str | None = None, step: int = 0) -> Facts:
    """Check one step's JSON value and convert it to the four-item tuple."""
    if not isinstance(value, list) or isinstance(value, _Pairs) or len(value) != 4:
        got = f"a list of {_items(len(value))}" if type(value) is list else _describe(value)
        raise InputError(
            "expected a list of 4 items [holds, does_not_hold, implications, equivalences], "
            f"got {got}",
            source=source,
            step=step,
        )
    texts: list[list[str]] = []
    for index in (0, 1):
        items = _check_list(value[index], source, step, FIELDS[index], "proposition texts")
        texts.append([
            _check_text(item, source, step, f"{FIELDS[index]}[{position}]")
            for position, item in enumerate(items)
        ])
    pairs: list[list[tuple[str, str]]] = []
    for index in (2, 3):
        items = _check_list(value[index], source, step, FIELDS[index], "[lhs, rhs] pairs")
        converted = []
        for position, pair in enumerate(items):
            field = f"{FIELDS[index]}[{position}]"
            if type(pair) is not list or len(pair) != 2:
                raise InputError(
                    f"expected a pair [lhs, rhs] of proposition texts, got {_describe(pair)}"
                    + (f" of {_items(len(pair))}" if type(pair) is list else ""),
                    source=source, step=step, field=field,
                )
            converted.append((
                _check_text(pair[0], source, step, f"{field}[0]"),
                _check_text(pair[1], source, step, f"{field}[1]"),
            ))
        pairs.append(converted)
    return (texts[0], texts[1], pairs[0], pairs[1])


def knowledge_from_json_text(text: str, *, source: str | None = None) -> Knowledge:
    """Parse and check a JSON knowledge document (see the module description for its shape)."""
    try:
        document = json.loads(text, object_pairs_hook=_Pairs)
    except json.JSONDecodeError as error:
        raise InputError(f"invalid JSON: {error.msg}", source=source, line=error.lineno,
                         column=error.colno) from None
    except RecursionError:
        raise InputError("invalid JSON: nested too deeply", source=source) from None
    if not isinstance(document, _Pairs):
        raise InputError(
            f"expected an object mapping time steps to facts, got {_describe(document)}",
            source=source,
        )
    knowledge: Knowledge = {}
    for key, value in document:
        step = parse_step(key)
        if step is None:
            raise InputError(STEP_EXPECTED, source=source, field=f"key {key!r}")
        if step in knowledge:
            raise InputError(f"step {step} is given twice", source=source, field=f"key {key!r}")
        knowledge[step] = facts_from_json(value, source=source, step=step)
    return knowledge


def load_knowledge_json(path: str | Path) -> Knowledge:
    """Read and check a JSON knowledge file."""
    return knowledge_from_json_text(read_text(path), source=str(path))
