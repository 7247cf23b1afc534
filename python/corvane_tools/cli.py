"""The ``corvane`` command: check, augment, parse and plot from files.

Exit status: 0 when all went well (and, for ``check``, no rule is violated), 1 when ``check``
found a violated rule, 2 when the input could not be used; the reason is one line on standard
error. Results go to standard output.
"""

from __future__ import annotations

import argparse
import importlib
import os
import sys
from collections.abc import Callable, Sequence
from typing import NoReturn, TextIO

from corvane import Augmenter, Formula, KnowledgeSequence

from .check import augment, check_many, compile_rules
from .errors import InputError
from .output import OUTPUT_FORMATS, ResultWriter
from .rules import Rule, load_rules, operator_lookalikes, parse_formula
from .scenarios import FORMATS, load_knowledge, scenario_paths

PROGRAM = "corvane"


class _Parser(argparse.ArgumentParser):
    def error(self, message: str) -> NoReturn:
        # One line, like every other failure of the command, instead of the usage block.
        self.exit(2, f"{self.prog}: {message} (see '{self.prog} --help')\n")


def _warn(message: str) -> None:
    print(f"{PROGRAM}: warning: {message}", file=sys.stderr)


def _warn_lookalikes(rules: Sequence[Rule], source: str) -> None:
    for rule, formula in zip(rules, compile_rules(rules)):
        for warning in operator_lookalikes(formula):
            _warn(f"{source}:{rule.line}: rule {rule.name!r}: {warning}")


def _formula_argument(text: str) -> Formula:
    """Parse a formula given on the command line; a syntax error shows the text with a caret."""
    try:
        formula = parse_formula(text, source="formula")
    except InputError as error:
        if error.line is not None and error.column is not None:
            lines = text.split("\n")
            shown = lines[error.line - 1] if error.line <= len(lines) else ""
            # Tabs are kept so that the caret lines up under the character it points at.
            indent = "".join(c if c == "\t" else " " for c in shown[:error.column - 1])
            raise InputError(f"{error}\n  {shown}\n  {indent}^") from None
        raise
    for warning in operator_lookalikes(formula):
        _warn(warning)
    return formula


def _progress(total: int) -> TextIO | None:
    """Where to draw a progress bar: standard error when it is a terminal."""
    return sys.stderr if total > 1 and sys.stderr.isatty() else None


def command_check(arguments: argparse.Namespace) -> int:
    rules = load_rules(arguments.rules)
    _warn_lookalikes(rules, arguments.rules)
    paths = scenario_paths(arguments.scenarios, arguments.scenario_format)
    if not paths:
        raise InputError("no scenario files to check", source=" ".join(arguments.scenarios))
    jobs = arguments.jobs or os.cpu_count() or 1
    results = check_many(rules, paths, scenario_format=arguments.scenario_format,
                         show_augmented=arguments.show_augmented, jobs=jobs,
                         scheduler=arguments.scheduler)
    writer = ResultWriter(sys.stdout, arguments.format, scenarios=paths,
                          rules=[rule.name for rule in rules],
                          show_augmented=arguments.show_augmented)
    bar = None
    if (terminal := _progress(len(paths))) is not None:
        tqdm = importlib.import_module("tqdm").tqdm  # imported only for a terminal
        # Shown only once the batch has run for a second, and erased when it ends.
        bar = tqdm(total=len(paths), unit="scenario", file=terminal, delay=1.0, leave=False)
    violated = False
    try:
        for result in results:
            writer.write(result)
            violated = violated or result.violated
            if bar is not None:
                bar.update()
    finally:
        results.close()
        if bar is not None:
            bar.close()
    writer.close()
    return 1 if violated else 0


def command_augment(arguments: argparse.Namespace) -> int:
    formula = _formula_argument(arguments.formula)
    knowledge = load_knowledge(arguments.scenario, arguments.scenario_format)
    augmenter = Augmenter(KnowledgeSequence(knowledge))
    augmented = augment(augmenter, formula, scenario=arguments.scenario)
    if arguments.form == "tree":
        sys.stdout.write(str(augmented))
    else:
        print(augmented.format_as_string())
    return 0


def command_parse(arguments: argparse.Namespace) -> int:
    formula = _formula_argument(arguments.formula)
    sys.stdout.write(f"tree:\n{formula}")
    print(f"debug: {formula!r}")
    print(f"infix: {formula.format_as_string()}")
    return 0


def command_plot(arguments: argparse.Namespace) -> int:
    from .timeline import plot_timeline

    output: str = arguments.output
    extension = os.path.splitext(output)[1].lower()
    if extension not in (".png", ".svg"):
        raise InputError("the picture must be a .png or .svg file", source=output)
    rules = load_rules(arguments.rules)
    _warn_lookalikes(rules, arguments.rules)
    knowledge = load_knowledge(arguments.scenario, arguments.scenario_format)
    figure = plot_timeline(rules, knowledge, steps=arguments.steps, title=arguments.scenario)
    try:
        figure.savefig(output, dpi=100)
    except OSError as error:
        raise InputError(f"cannot write the picture: {error.strerror or error}",
                         source=output) from None
    return 0


def _count(minimum: int) -> Callable[[str], int]:
    def convert(text: str) -> int:
        value = int(text)
        if value < minimum:
            raise ValueError(text)
        return value

    convert.__name__ = f"integer of at least {minimum}"
    return convert


def build_parser() -> argparse.ArgumentParser:
    parser = _Parser(prog=PROGRAM, description="Check temporal-logic rules against scenarios.")
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND")

    def scenario_format_option(command: argparse.ArgumentParser) -> None:
        command.add_argument("--scenario-format", choices=sorted(FORMATS), default=None,
                             help="read scenario files in this format whatever their extension")

    check = commands.add_parser(
        "check", help="verdict of every rule on every scenario",
        description="Print the verdict at step 0 of every rule on every scenario: satisfied, "
        "violated or open. Exit status 1 if a rule is violated.")
    check.add_argument("rules", metavar="RULES", help="rules file: one 'name: formula' per line")
    check.add_argument("scenarios", metavar="SCENARIO", nargs="+",
                       help="knowledge (.json) or trace (.csv, .jsonl) file, or a folder of them")
    check.add_argument("--format", choices=OUTPUT_FORMATS, default="text",
                       help="output as an aligned table (default), JSON or CSV")
    check.add_argument("--show-augmented", action="store_true",
                       help="add the augmented formula of every rule in infix form")
    scenario_format_option(check)
    where = check.add_mutually_exclusive_group()
    where.add_argument("--jobs", type=_count(0), default=1, metavar="N",
                       help="check scenarios in N local processes (0: one per core)")
    where.add_argument("--scheduler", metavar="ADDRESS",
                       help="check scenarios on the Dask cluster of this scheduler")
    check.set_defaults(run=command_check)

    augment_command = commands.add_parser(
        "augment", help="a formula augmented with a scenario's knowledge",
        description="Print the formula augmented with the scenario's knowledge at step 0.")
    augment_command.add_argument("formula", metavar="FORMULA")
    augment_command.add_argument("scenario", metavar="SCENARIO")
    augment_command.add_argument("--form", choices=("infix", "tree"), default="infix")
    scenario_format_option(augment_command)
    augment_command.set_defaults(run=command_augment)

    parse = commands.add_parser(
        "parse", help="check a formula and print its forms",
        description="Parse a formula and print its tree, debug and infix forms.")
    parse.add_argument("formula", metavar="FORMULA")
    parse.set_defaults(run=command_parse)

    plot = commands.add_parser(
        "plot", help="timeline picture of a scenario and the rules' verdicts",
        description="Draw, per step, what is known of each proposition and the verdict of each "
        "rule evaluated from that step on.")
    plot.add_argument("rules", metavar="RULES")
    plot.add_argument("scenario", metavar="SCENARIO")
    plot.add_argument("-o", "--output", required=True, metavar="FILE",
                      help="picture to write (.png or .svg)")
    plot.add_argument("--steps", type=_count(1), default=None, metavar="N",
                      help="draw steps 0 to N-1 (default: up to the last step with knowledge)")
    scenario_format_option(plot)
    plot.set_defaults(run=command_plot)
    return parser


def main(argv: Sequence[str] | None = None) -> int:
    arguments = build_parser().parse_args(argv)
    try:
        status: int = arguments.run(arguments)
        return status
    except InputError as error:
        sys.stdout.flush()
        print(f"{PROGRAM}: {error}", file=sys.stderr)
        return 2
    except KeyboardInterrupt:
        return 130
    except BrokenPipeError:
        # The reader went away (`corvane check ... | head`): stop quietly, as a pipe would.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return 141


if __name__ == "__main__":
    sys.exit(main())
