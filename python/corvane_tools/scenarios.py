"""Scenario files: knowledge as JSON, or a recorded trace as CSV or JSON Lines, by extension."""

from __future__ import annotations

import os
from collections.abc import Callable, Iterable
from pathlib import Path
from typing import Literal, TypeAlias

from .errors import InputError
from .knowledge import Knowledge, load_knowledge_json
from .trace import load_trace_csv, load_trace_jsonl

ScenarioFormat: TypeAlias = Literal["json", "csv", "jsonl"]
FORMATS: dict[str, Callable[[str | Path], Knowledge]] = {
    "json": load_knowledge_json,
    "csv": load_trace_csv,
    "jsonl": load_trace_jsonl,
}


def scenario_format(path: str | Path, override: str | None = None) -> str:
    """The format of a scenario file: `override` if given, else its extension."""
    if override is not None:
        if override not in FORMATS:
            raise InputError(f"unknown scenario format {override!r}; use json, csv or jsonl")
        return override
    suffix = os.path.splitext(path)[1].lower().lstrip(".")
    if suffix not in FORMATS:
        raise InputError(
            "cannot tell the scenario format from the extension; name the file .json, .csv or "
            ".jsonl, or give the format",
            source=str(path),
        )
    return suffix


def load_knowledge(path: str | Path, scenario_format_name: str | None = None) -> Knowledge:
    """Knowledge from a scenario file: JSON knowledge, or a CSV or JSON Lines trace."""
    return FORMATS[scenario_format(path, scenario_format_name)](path)


def scenario_paths(arguments: Iterable[str | Path], override: str | None = None) -> list[str]:
    """The scenario files named by `arguments`; a directory stands for its scenario files.

    A directory contributes the files directly in it, sorted by name, leaving out hidden files
    and, unless `override` gives the format, files without a scenario extension.
    """
    paths: list[str] = []
    for argument in arguments:
        argument = str(argument)
        if not os.path.isdir(argument):
            paths.append(argument)
            continue
        try:
            entries = sorted(os.scandir(argument), key=lambda entry: entry.name)
        except OSError as error:
            raise InputError(f"cannot list the folder: {error.strerror}", source=argument) from None
        for entry in entries:
            extension = os.path.splitext(entry.name)[1].lower().lstrip(".")
            wanted = override is not None or extension in FORMATS
            if wanted and not entry.name.startswith(".") and entry.is_file():
                paths.append(os.path.join(argument, entry.name))
    return paths
