"""Writes the Python examples of a Markdown file as one script, so that mypy can check them.

The examples are the ones doctest runs, in their order. An example that shows an exception is
left out: a wrongly typed call is often the very point of it.

    python scripts/readme_snippets.py README.md > snippets.py
"""
import doctest
import sys


def main(argv: list[str]) -> int:
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as file:
        text = file.read()
    for example in doctest.DocTestParser().get_examples(text, argv[1]):
        if example.exc_msg is None:
            sys.stdout.write(example.source)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
