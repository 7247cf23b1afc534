"""Rules as text: a rules file with one formula per line, and formula texts checked with a location.

A rules file holds one rule per line, written ``formula`` or ``name: formula``. ``#`` starts a
comment that runs to the end of the line, and blank lines are ignored. A formula text never
contains ``:`` or ``#``, so both splits are unambiguous. A rule without a name is named by its
formula text as written (surrounding whitespace removed).
"""

from __future__ import annotations

import re
from dataclasses import dataclass
from pathlib import Path

from corvane import Formula

from .errors import InputError
from .files import read_text

_PARSE_ERROR = re.compile(r"error at (\d+):(\d+): (.*)", re.DOTALL)

# Propositions named like the prefix operators, with a parameter: "G(a)" reads as the proposition
# G with parameter a, never as "always a".
_OPERATOR_LETTERS = {"F": "eventually", "G": "always", "X": "next"}


@dataclass(frozen=True)
class Rule:
    """One rule: its name, its formula text and the line of the rules file it came from."""

    name: str
    text: str
    line: int | None = None


def parse_formula(
    text: str,
    *,
    source: str | None = None,
    line: int = 1,
    column: int = 1,
    field: str | None = None,
) -> Formula:
    """Parse `text` into a `Formula`, raising `InputError` located in the enclosing file.

    `line` and `column` give where the text starts in `source`, so a syntax error points at the
    character of the file (columns count characters, as the parser's do).
    """
    try:
        return Formula(text)
    except ValueError as error:
        match = _PARSE_ERROR.fullmatch(str(error))
        if match is None:
            raise InputError(str(error), source=source, line=line, field=field) from None
        error_line, error_column = int(match.group(1)), int(match.group(2))
        if error_line == 1:
            error_column += column - 1
        raise InputError(
            match.group(3),
            source=source,
            line=line + error_line - 1,
            column=error_column,
            field=field,
        ) from None
    except RecursionError:
        raise InputError(
            "the formula nests more than 1000 levels deep", source=source, line=line, field=field
        ) from None


def parse_rules(text: str, *, source: str | None = None) -> tuple[Rule, ...]:
    """Read the rules of a rules file's text; every formula is parsed, so errors surface here."""
    rules: list[Rule] = []
    lines_of: dict[str, int] = {}
    for number, raw in enumerate(text.split("\n"), start=1):
        content = raw.split("#", 1)[0]
        if not content.strip():
            continue
        name, colon, formula_text = content.partition(":")
        if not colon:
            name, formula_text = content.strip(), content
        name = name.strip()
        if not name:
            raise InputError("the rule has an empty name before ':'", source=source, line=number)
        if not formula_text.strip():
            raise InputError(
                f"rule {name!r} has no formula after ':'", source=source, line=number
            )
        if name in lines_of:
            raise InputError(
                f"rule name {name!r} is already used on line {lines_of[name]}",
                source=source,
                line=number,
            )
        lines_of[name] = number
        start = len(content) - len(formula_text) + 1
        parse_formula(formula_text, source=source, line=number, column=start,
                      field=f"rule {name!r}")
        rules.append(Rule(name, formula_text.strip(), number))
    if not rules:
        raise InputError("no rules found (one formula per line, optionally 'name: formula')",
                         source=source)
    return tuple(rules)


def load_rules(path: str | Path) -> tuple[Rule, ...]:
    """Read and check a rules file."""
    return parse_rules(read_text(path), source=str(path))


def propositions(formula: Formula) -> list[tuple[str, str]]:
    """The (name, parameter) pairs of the propositions in `formula`, each once, in print order."""
    found: dict[tuple[str, str], None] = {}

    def collect(name: str, parameter: str | None) -> str:
        if parameter is not None:  # the constants pass None
            found[(name, parameter)] = None
        return ""

    formula.format_as_string(collect)
    return list(found)


def proposition_text(name: str, parameter: str) -> str:
    """How a proposition is written: ``name`` or ``name(parameter)``."""
    return f"{name}({parameter})" if parameter else name


def operator_lookalikes(formula: Formula) -> list[str]:
    """Warnings for propositions such as ``G(a)`` that were probably meant as operators."""
    warnings = []
    for name, parameter in propositions(formula):
        if name in _OPERATOR_LETTERS and parameter:
            warnings.append(
                f"'{name}({parameter})' is the proposition {name} with parameter "
                f"'{parameter}'; for {_OPERATOR_LETTERS[name]} write '{name} ({parameter})'"
            )
    return warnings
