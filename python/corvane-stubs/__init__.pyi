"""Temporal-logic formulas with time windows, knowledge about a scenario, and augmentation.

Time steps are integers from 0 to 4294967295; every window [start, end] includes both ends.
All objects are immutable, compare equal only to themselves and cannot be pickled.
"""

from collections.abc import Callable, Sequence
from typing import Self, SupportsIndex, TypeVar, final


__all__ = ["KnowledgeSequence", "Formula", "Augmenter"]

# What is known at one time step: propositions that hold, propositions that do not hold,
# implications (lhs, rhs) and equivalences (lhs, rhs).
_KnowledgeEntry = TypeVar(
    "_KnowledgeEntry",
    bound=tuple[
        Sequence[str], Sequence[str], Sequence[tuple[str, str]], Sequence[tuple[str, str]]
    ],
)
_TimeStep = TypeVar("_TimeStep", bound=SupportsIndex)

@final
class KnowledgeSequence:
    """What is known about a scenario, per time step.

    Built from a dict that maps a time step to a tuple of four sequences: the propositions that
    hold, the propositions that do not hold, the implications (lhs, rhs) and the equivalences
    (lhs, rhs). A proposition is written `name` or `name(parameter)`. Knowledge given for a step
    applies at that step only. Its only use is as the argument of `Augmenter`.
    """

    def __new__(cls, edges: dict[_TimeStep, _KnowledgeEntry]) -> Self:
        """Read the knowledge of each time step.

        Raises TypeError for a value of the wrong type (the message names the argument `edges`),
        ValueError for a tuple of the wrong length, OverflowError for a time step outside
        0 ... 4294967295 and RuntimeError when the dict changes while it is read.
        """

@final
class Formula:
    """A temporal-logic formula, immutable, kept simplified and in negation normal form.

    Build one from text, `Formula("G[0,10] (request -> F[0,3] grant)")`, or with the static
    constructors. `str()` draws it as a tree, `repr()` shows its structure and
    `format_as_string()` writes it as one line of text that parses back to the same formula.
    """

    def __new__(cls, formula_string: str) -> Self:
        """Parse formula text; raises ValueError with the position and the expected tokens."""

    @staticmethod
    def true_formula() -> Formula:
        """The constant true."""

    @staticmethod
    def false_formula() -> Formula:
        """The constant false."""

    @staticmethod
    def ap(name: str, parameter: str | None = None) -> Formula:
        """The atomic proposition `name`, or `name(parameter)`, taken verbatim (any text)."""

    @staticmethod
    def negation(formula: Formula) -> Formula:
        """The negation, pushed down to the propositions."""

    @staticmethod
    def conjunction(formulas: Sequence[Formula]) -> Formula:
        """All of the formulas hold (a list or tuple; the empty one gives true)."""

    @staticmethod
    def disjunction(formulas: Sequence[Formula]) -> Formula:
        """At least one of the formulas holds (a list or tuple; the empty one gives false)."""

    @staticmethod
    def implication(lhs: Formula, rhs: Formula) -> Formula:
        """lhs implies rhs, written as (not lhs) or rhs."""

    @staticmethod
    def next(formula: Formula, time: SupportsIndex = 1) -> Formula:
        """The formula holds at step `time` (0 gives the formula itself)."""

    @staticmethod
    def always(
        formula: Formula, start: SupportsIndex = 0, end: SupportsIndex | None = None
    ) -> Formula:
        """The formula holds at every step from start to end (None: without end).

        An empty window (end below start) gives true.
        """

    @staticmethod
    def eventually(
        formula: Formula, start: SupportsIndex = 0, end: SupportsIndex | None = None
    ) -> Formula:
        """The formula holds at some step from start to end (None: without end).

        An empty window (end below start) gives false.
        """

    @staticmethod
    def until(
        lhs: Formula, rhs: Formula, start: SupportsIndex = 0, end: SupportsIndex | None = None
    ) -> Formula:
        """rhs holds at some step t from start to end, and lhs at every step from start to t-1."""

    @staticmethod
    def release(
        lhs: Formula, rhs: Formula, start: SupportsIndex = 0, end: SupportsIndex | None = None
    ) -> Formula:
        """rhs holds from start to end, or until a step at which lhs and rhs hold together."""

    def is_true(self) -> bool:
        """Whether the formula is the constant true itself (not merely valid)."""

    def relevant_aps(self, end: SupportsIndex, start: SupportsIndex = 0) -> dict[int, list[str]]:
        """The propositions whose value matters, per time step from start to end.

        Steps without any are left out; the order of keys and of names is not defined. Raises
        MemoryError, before building anything, when the dict would take more than about 1 GiB.
        """

    def split_at_top_level_conjunction(self) -> list[Formula]:
        """The members of a top-level conjunction, or a one-element list of the formula."""

    def remove_delayed_until(self) -> Formula:
        """An equivalent formula in which every until window starts at step 0."""

    def remove_timed_until(self) -> Formula:
        """An equivalent formula whose untils have no window; the timing moves to eventually."""

    def format_as_string(
        self, format_literal: Callable[[str, str | None], str] | None = None
    ) -> str:
        """The formula as one line of fully parenthesised text.

        `format_literal(name, parameter)` may supply the text of each literal: it receives
        ("true", None), ("false", None) or a proposition's name and parameter ("" when it has
        none); a negation's "!" is added around its result. Its exceptions propagate.
        """

    def __str__(self) -> str:
        """The formula drawn as a tree, one operator or literal per line."""

    def __repr__(self) -> str:
        """The structure of the formula, with the names of its parts."""

@final
class Augmenter:
    """Knowledge prepared once, to augment any number of formulas with it."""

    def __new__(cls, knowledge: KnowledgeSequence) -> Self:
        """Prepare the knowledge: what it decides for every proposition at every step."""

    def augment(self, formula: Formula) -> Formula:
        """The formula rewritten with the knowledge, as seen from step 0.

        Subformulas the knowledge decides become true or false, each proposition becomes the
        disjunction of the literals that imply it, and temporal operators split over the
        windows on which their operands are constant. Raises MemoryError when the result would be
        too large to build (see the README's limits).
        """
