"""Opening input files with errors that name the file, and streaming their lines."""

from __future__ import annotations

from collections.abc import Iterator
from contextlib import contextmanager
from pathlib import Path
from typing import TextIO

from .errors import InputError


def _cannot_read(path: str | Path, error: OSError) -> InputError:
    reason = error.strerror or str(error)
    return InputError(f"cannot read the file: {reason}", source=str(path))


@contextmanager
def open_text(path: str | Path, *, newline: str | None = None) -> Iterator[TextIO]:
    """Open a UTF-8 text file for reading; failures to open or decode become `InputError`s.

    A decoding failure while the caller reads is reported without a line number: the reader
    knows the line and adds it when it catches the error (see `decode_error`).
    """
    try:
        file = open(path, encoding="utf-8-sig", newline=newline)
    except OSError as error:
        raise _cannot_read(path, error) from None
    with file:
        try:
            yield file
        except OSError as error:
            raise _cannot_read(path, error) from None


def decode_error(path: str | Path, line: int | None) -> InputError:
    return InputError("the file is not UTF-8 text", source=str(path), line=line)


def read_text(path: str | Path) -> str:
    """The whole text of a small UTF-8 file (rules, a knowledge object), newlines as line feeds."""
    try:
        data = Path(path).read_bytes()
    except OSError as error:
        raise _cannot_read(path, error) from None
    try:
        text = data.decode("utf-8-sig")
    except UnicodeDecodeError as error:
        raise decode_error(path, data.count(b"\n", 0, error.start) + 1) from None
    return text.replace("\r\n", "\n").replace("\r", "\n")
