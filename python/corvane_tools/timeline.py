"""A timeline picture of a scenario: what is known of each proposition and each rule's verdict.

One row per proposition (known true, known false or unknown at each step, as the knowledge
entails it, implications and equivalences included) and one row per rule: the verdict of the rule
evaluated from that step on, that is of ``Formula.next(rule, t)`` augmented at step 0.

Each plotted step costs one augmentation per row, so the picture covers the steps the knowledge
mentions unless told otherwise.
"""

from __future__ import annotations

from collections.abc import Sequence
from typing import TYPE_CHECKING, Any

from corvane import Augmenter, Formula, KnowledgeSequence

from .check import compile_rules, verdict_of
from .errors import InputError
from .knowledge import Knowledge
from .rules import Rule, proposition_text, propositions

if TYPE_CHECKING:
    from matplotlib.figure import Figure

# Row states and their colours; the legend lists them in this order.
_STATES = {
    "known true": "#2e7d32",
    "known false": "#c62828",
    "unknown": "#d9d9d9",
    "satisfied": "#81c784",
    "violated": "#e57373",
    "open": "#ffd54f",
}
_PROPOSITION_STATE = {"satisfied": "known true", "violated": "known false", "open": "unknown"}

ROW_HEIGHT = 0.4
"""Inches per row; the figure is 10 inches wide and grows by this much per row."""


def _runs(states: Sequence[str]) -> list[tuple[int, int, str]]:
    """Runs of equal states as (first step, length, state)."""
    runs: list[tuple[int, int, str]] = []
    for step, state in enumerate(states):
        if runs and runs[-1][2] == state:
            first, length, _ = runs[-1]
            runs[-1] = (first, length + 1, state)
        else:
            runs.append((step, 1, state))
    return runs


def timeline_rows(rules: Sequence[Rule], knowledge: Knowledge,
                  steps: int) -> list[tuple[str, list[str]]]:
    """The rows of the picture over steps 0 to `steps` - 1: (label, state per step).

    Propositions come first, sorted, those of the knowledge and of the rules alike; then the
    rules in their order.
    """
    augmenter = Augmenter(KnowledgeSequence(knowledge))
    formulas = compile_rules(rules)
    mentioned: set[tuple[str, str]] = set()
    for formula in formulas:
        mentioned.update(propositions(formula))
    for facts in knowledge.values():
        texts = [*facts[0], *facts[1], *(text for pair in facts[2] + facts[3] for text in pair)]
        for text in texts:
            name, _, parameter = text.partition("(")
            mentioned.add((name, parameter.rstrip(")")))
    rows: list[tuple[str, list[str]]] = []
    for name, parameter in sorted(mentioned, key=lambda p: proposition_text(*p)):
        atom = Formula.ap(name, parameter or None)
        states = [_PROPOSITION_STATE[verdict_of(augmenter.augment(Formula.next(atom, t)))]
                  for t in range(steps)]
        rows.append((proposition_text(name, parameter), states))
    for rule, formula in zip(rules, formulas):
        rows.append((rule.name, [verdict_of(augmenter.augment(Formula.next(formula, t)))
                                 for t in range(steps)]))
    return rows


def plot_timeline(rules: Sequence[Rule], knowledge: Knowledge, *, steps: int | None = None,
                  title: str | None = None) -> Figure:
    """Draw the timeline (see the module description) and return the matplotlib figure.

    `steps` is the number of steps drawn, from 0; by default up to the last step the knowledge
    mentions. Needs matplotlib (``pip install 'corvane[plot]'``); uses the non-interactive Agg
    backend, so it works without a display.
    """
    try:
        from matplotlib.backends.backend_agg import FigureCanvasAgg
        from matplotlib.figure import Figure
        from matplotlib.patches import Patch
    except ImportError:
        raise InputError("plotting needs matplotlib: pip install 'corvane[plot]'") from None
    if steps is None:
        steps = max(knowledge, default=0) + 1
    if steps < 1:
        raise InputError(f"the number of steps to draw must be at least 1, got {steps}")
    rows = timeline_rows(rules, knowledge, steps)
    figure = Figure(figsize=(10, 1.6 + ROW_HEIGHT * len(rows)), layout="constrained")
    FigureCanvasAgg(figure)
    axes: Any = figure.add_subplot()
    for index, (_, states) in enumerate(rows):
        for first, length, state in _runs(states):
            axes.broken_barh([(first, length)], (index - 0.4, 0.8), color=_STATES[state],
                             edgecolor="white", linewidth=0.5)
    if rules and len(rows) > len(rules):
        axes.axhline(len(rows) - len(rules) - 0.5, color="black", linewidth=0.8)
    axes.set_yticks(range(len(rows)), [label for label, _ in rows])
    axes.set_ylim(len(rows) - 0.5, -0.5)
    axes.set_xlim(0, steps)
    axes.set_xlabel("step")
    axes.xaxis.get_major_locator().set_params(integer=True)
    if title:
        axes.set_title(title)
    figure.legend(handles=[Patch(color=colour, label=state) for state, colour in _STATES.items()],
                  loc="outside lower center", ncols=len(_STATES), frameon=False)
    return figure
