"""Result tables written as they come: aligned text, JSON or CSV, all holding the same rows.

One row per scenario and rule: ``scenario``, ``rule``, ``verdict`` and, when asked for,
``augmented`` (the augmented formula in infix form).
"""

from __future__ import annotations

import csv
import json
from collections.abc import Sequence
from typing import TextIO

from .check import ScenarioResult

OUTPUT_FORMATS = ("text", "json", "csv")


class ResultWriter:
    """Writes result rows to `out` in one of `OUTPUT_FORMATS`, streaming row by row.

    The text table is aligned without holding rows back: column widths come from the scenario
    names and rule names, which are known before any result is.
    """

    def __init__(self, out: TextIO, output_format: str, *, scenarios: Sequence[str],
                 rules: Sequence[str], show_augmented: bool) -> None:
        self.out = out
        self.format = output_format
        self.columns = ["scenario", "rule", "verdict"] + (["augmented"] if show_augmented else [])
        self.rows = 0
        self.started = False
        if output_format == "text":
            self.widths = [
                max(map(len, [self.columns[0], *scenarios])),
                max(map(len, [self.columns[1], *rules])),
                len("satisfied"),
            ]
        elif output_format == "csv":
            self.csv = csv.writer(out, lineterminator="\n")
        elif output_format != "json":
            raise ValueError(f"unknown output format {output_format!r}")

    def _start(self) -> None:
        # The header is written with the first row, so that a batch failing on its first
        # scenario leaves standard output empty.
        self.started = True
        if self.format == "text":
            self._write_text(self.columns)
        elif self.format == "csv":
            self.csv.writerow(self.columns)
        else:
            self.out.write("[")

    def _write_text(self, cells: Sequence[str]) -> None:
        padded = [cell.ljust(width) for cell, width in zip(cells, self.widths)]
        self.out.write("  ".join(padded + list(cells[len(padded):])).rstrip() + "\n")

    def write(self, result: ScenarioResult) -> None:
        if not self.started:
            self._start()
        for rule in result.results:
            cells = [result.scenario, rule.rule, rule.verdict]
            if len(self.columns) == 4:
                cells.append(rule.augmented or "")
            if self.format == "text":
                self._write_text(cells)
            elif self.format == "csv":
                self.csv.writerow(cells)
            else:
                separator = "," if self.rows else ""
                row = json.dumps(dict(zip(self.columns, cells)), ensure_ascii=False)
                self.out.write(f"{separator}\n  {row}")
            self.rows += 1

    def close(self) -> None:
        if not self.started:
            self._start()
        if self.format == "json":
            self.out.write("\n]\n" if self.rows else "]\n")
        self.out.flush()
