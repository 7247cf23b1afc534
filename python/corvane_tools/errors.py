"""The one exception type of the tools: bad input, located as precisely as the input allows."""

from __future__ import annotations


class InputError(Exception):
    """An input file, formula or option that cannot be used as given.

    `str(error)` is one line a person can act on, built from the parts that apply:
    ``source:line:column: step N: field: message``. The command prints it after ``corvane:`` and
    exits with status 2.
    """

    def __init__(
        self,
        message: str,
        *,
        source: str | None = None,
        line: int | None = None,
        column: int | None = None,
        step: int | None = None,
        field: str | None = None,
    ) -> None:
        super().__init__(message)
        self.message = message
        self.source = source
        self.line = line
        self.column = column
        self.step = step
        self.field = field

    def __str__(self) -> str:
        parts = []
        if self.source is not None:
            location = self.source
            if self.line is not None:
                location += f":{self.line}"
                if self.column is not None:
                    location += f":{self.column}"
            parts.append(location)
        if self.step is not None:
            parts.append(f"step {self.step}")
        if self.field is not None:
            parts.append(self.field)
        parts.append(self.message)
        return ": ".join(parts)

    def __reduce__(self) -> tuple[object, ...]:
        # Errors raised in worker processes travel back to the parent by pickling; keyword-only
        # arguments need this to survive the trip.
        fields = (self.message, self.source, self.line, self.column, self.step, self.field)
        return (_rebuild, fields)

    def located(self, source: str) -> InputError:
        """This error with `source` filled in when it names no file yet."""
        if self.source is None:
            self.source = source
        return self


def _rebuild(
    message: str,
    source: str | None,
    line: int | None,
    column: int | None,
    step: int | None,
    field: str | None,
) -> InputError:
    return InputError(message, source=source, line=line, column=column, step=step, field=field)


def describe(value: object) -> str:
    """A short description of a JSON value for messages: its JSON type and, if small, the value."""
    names = {bool: "a boolean", int: "a number", float: "a number", str: "a string",
             list: "a list", dict: "an object", type(None): "null"}
    kind = names.get(type(value), type(value).__name__)
    if isinstance(value, (bool, int, float, str)) and len(repr(value)) <= 40:
        shown = "true" if value is True else "false" if value is False else repr(value)
        return f"{kind} ({shown})"
    return kind
