"""The corvane command, driven as a subprocess: commands, output formats, exit codes, bad input."""
import csv
import io
import json
import os
import struct
from types import MappingProxyType

import pytest
from support import CORVANE, EXAMPLES, RULES, random_trace, run, write_trace

from corvane import Augmenter, Formula, KnowledgeSequence
from corvane_tools import (check_knowledge, load_knowledge_json, load_rules, parse_rules,
                           plot_timeline, trace_to_knowledge)
from corvane_tools.timeline import timeline_rows

OVERTAKING = ("check", "overtaking.rules", "overtaking.json")
TABLE = """\
scenario         rule                                             verdict
overtaking.json  overtake only into a free lane                   open
overtaking.json  a slow truck ahead is overtaken within 12 steps  open
overtaking.json  no oncoming car until the lane is free           violated
overtaking.json  the truck stays ahead for the first 3 steps      satisfied
"""


def test_check_prints_the_table_and_exits_1_on_a_violation(corvane):
    done = corvane(*OVERTAKING, cwd=EXAMPLES)
    assert (done.returncode, done.stdout, done.stderr) == (1, TABLE, "")
    assert corvane("check", "overtaking.rules", "knowledge.json", cwd=EXAMPLES).returncode == 0


def _text_rows(table):
    """The cells of an aligned table, cut at the columns where the header's words start."""
    header, *lines = table.splitlines()
    starts = [header.index(word) for word in header.split()] + [None]
    return [[line[a:b].strip() for a, b in zip(starts, starts[1:])] for line in lines]


@pytest.mark.parametrize("output_format", ["json", "csv"])
def test_machine_readable_output_holds_the_rows_of_the_table(corvane, output_format):
    arguments = (*OVERTAKING, "knowledge.json", "--show-augmented")
    table = corvane(*arguments, cwd=EXAMPLES)
    other = corvane(*arguments, "--format", output_format, cwd=EXAMPLES)
    if output_format == "json":
        rows = [list(row.values()) for row in json.loads(other.stdout)]
    else:
        rows = list(csv.reader(io.StringIO(other.stdout)))[1:]
    assert rows == _text_rows(table.stdout)
    assert len(rows) == 8 and rows[2][2:] == ["violated", "(false)"]
    assert table.returncode == other.returncode == 1


@pytest.mark.parametrize("rule, verdict", [
    ("a & X !a", "satisfied"),   # 1 and false, any case, spaces around
    ("X[2] a", "open"),          # an empty cell is unknown
    ("X[3] a", "open"),          # a step the trace leaves out is unknown
    ("G[0,1] a", "violated"),
    ("b", "satisfied"),          # the step column need not come first
])
def test_trace_cells_become_facts_at_their_step(corvane, tmp_path, rule, verdict):
    trace = tmp_path / "t.csv"
    trace.write_text("a,step,b\n 1 ,0,TRUE\nFalse,1,\n,2,0\n\n")
    (tmp_path / "r.txt").write_text(f"r: {rule}\n")
    done = corvane("check", "r.txt", "t.csv", "--format", "csv", cwd=tmp_path)
    assert done.stdout.splitlines()[1] == f"t.csv,r,{verdict}"


def test_trace_formats_jobs_and_folders_give_the_same_verdicts(corvane, tmp_path):
    (tmp_path / "rules.txt").write_text(RULES)
    folder = tmp_path / "runs"
    folder.mkdir()
    expected = []
    for seed in range(4):
        trace = random_trace(seed)
        result = check_knowledge(parse_rules(RULES), trace_to_knowledge(trace))
        expected += [[r.rule, r.verdict] for r in result.results]
        # Any mapping will do, not only a dict.
        proxy = check_knowledge(parse_rules(RULES), MappingProxyType(trace_to_knowledge(trace)))
        assert proxy.results == result.results
        for suffix in (".csv", ".jsonl", ".json"):
            write_trace(folder / f"{suffix[1:]}-{seed}{suffix}", trace)
    (folder / "notes.txt").write_text("not a scenario\n")
    runs = {jobs: corvane("check", "rules.txt", "runs", "--format", "csv", "--jobs", jobs,
                          cwd=tmp_path) for jobs in (1, 2)}
    assert runs[1].stdout == runs[2].stdout
    rows = list(csv.reader(io.StringIO(runs[1].stdout)))[1:]
    for prefix in ("csv", "json", "jsonl"):
        assert [row[1:] for row in rows if row[0].startswith(f"runs/{prefix}-")] == expected
    # The format can be named when the extension does not tell it.
    (tmp_path / "trace.txt").write_text((folder / "csv-0.csv").read_text())
    named = corvane("check", "rules.txt", "trace.txt", "--scenario-format", "csv",
                    "--format", "csv", cwd=tmp_path)
    assert [row[1:] for row in csv.reader(io.StringIO(named.stdout))][1:] == expected[:4]


@pytest.mark.parametrize("form", ["infix", "tree"])
def test_augment_prints_the_augmented_formula(corvane, form):
    text = "G[0,5] (overtaking -> lane_free(left))"
    done = corvane("augment", text, "knowledge.json", "--form", form, cwd=EXAMPLES)
    knowledge = KnowledgeSequence(load_knowledge_json(EXAMPLES / "knowledge.json"))
    augmented = Augmenter(knowledge).augment(Formula(text))
    expected = str(augmented) if form == "tree" else augmented.format_as_string() + "\n"
    assert (done.returncode, done.stdout) == (0, expected)


def test_parse_prints_three_forms_and_warns_about_operator_lookalikes(corvane):
    done = corvane("parse", "G(a) & F[0,5] b")
    formula = Formula("G(a) & F[0,5] b")
    assert done.stdout == (f"tree:\n{formula}debug: {formula!r}\n"
                           f"infix: {formula.format_as_string()}\n")
    assert done.stderr == ("corvane: warning: 'G(a)' is the proposition G with parameter 'a'; "
                           "for always write 'G (a)'\n")


def test_parse_error_points_at_the_character(corvane):
    done = corvane("parse", "a &\t(b c")
    assert done.returncode == 2 and done.stdout == ""
    assert done.stderr == ('corvane: formula:1:8: expected one of "&", ")", "->", "R", "U", "|"\n'
                           "  a &\t(b c\n"
                           "     \t   ^\n")


JSON_FACTS = '[["a"], [], [], []]'

# (file name, content, arguments after the rules file, the message after "corvane: ")
BAD_INPUTS = [
    ("trace.csv", "step,a,b\n0,1,0\n1,1,maybe\n", [],
     "trace.csv:3: column 'b': expected 1, 0, true, false or empty, got 'maybe'"),
    ("trace.csv", "step,a,b\n0,1\n", [], "trace.csv:2: expected 3 cells as in the header, got 2"),
    ("trace.csv", "step,a\n0,1\n0,0\n", [], "trace.csv:3: column 'step': step 0 is given twice"),
    ("trace.csv", "step,a\n1.5,1\n", [],
     "trace.csv:2: column 'step': expected a time step from 0 to 4294967295, got '1.5'"),
    ("trace.csv", "time,a\n0,1\n", [], "trace.csv:1: the header has no 'step' column"),
    ("trace.csv", "step,lane free\n0,1\n", [],
     "trace.csv:1: column 2: 'lane free' is not a proposition: expected a name of letters, "
     "digits and '_', optionally followed by a parameter in parentheses"),
    ("trace.jsonl", '{"step": 0, "a": true}\n{"step": 1, "a": 1}\n', [],
     "trace.jsonl:2: key 'a': expected true, false or null, got a number (1)"),
    ("trace.jsonl", '{"step": "3", "a": true}\n', [],
     "trace.jsonl:1: key 'step': expected a time step from 0 to 4294967295, got a string ('3')"),
    ("trace.jsonl", '{"step": 3, "a": true, "a": false}\n', [],
     "trace.jsonl:1: key 'a' appears twice"),
    ("k.json", '{"0": ["ab", [], [], []]}', [],
     "k.json: step 0: holds: expected a list of proposition texts, got a string ('ab')"),
    ("k.json", f"[{JSON_FACTS}]", [],
     "k.json: expected an object mapping time steps to facts, got a list"),
    ("k.json", '{"0": [[], [], []]}', [],
     "k.json: step 0: expected a list of 4 items [holds, does_not_hold, implications, "
     "equivalences], got a list of 3 items"),
    ("k.json", '{"0": [[], [], [["a", "b", "c"]], []]}', [],
     "k.json: step 0: implications[0]: expected a pair [lhs, rhs] of proposition texts, "
     "got a list of 3 items"),
    ("k.json", f'{{"-1": {JSON_FACTS}}}', [],
     "k.json: key '-1': expected a time step from 0 to 4294967295"),
    ("k.json", f'{{"4294967296": {JSON_FACTS}}}', [],
     "k.json: key '4294967296': expected a time step from 0 to 4294967295"),
    ("k.json", f'{{"1": {JSON_FACTS},\n"01": {JSON_FACTS}}}', [],
     "k.json: key '01': step 1 is given twice"),
    ("k.json", '{"0": [[], [], [], []],}', [],
     "k.json:1:23: invalid JSON: Illegal trailing comma before end of object"),
    ("k.txt", "", [], "k.txt: cannot tell the scenario format from the extension; name the file "
     ".json, .csv or .jsonl, or give the format"),
    (None, None, ["missing.csv"], "missing.csv: cannot read the file: No such file or directory"),
    (None, None, ["rules.txt"],
     "rules.txt:2:11: rule 'bad': expected one of \"!\", \"(\", \"F\", \"False\", \"G\", "
     "\"True\", \"X\", \"false\", \"true\", ['a'..='z' | 'A'..='Z' | '0'..='9']"),
]


@pytest.mark.parametrize("name, content, arguments, message", BAD_INPUTS)
def test_bad_input_is_one_line_on_stderr_and_status_2(corvane, tmp_path, name, content,
                                                      arguments, message):
    (tmp_path / "rules.txt").write_text("ok: a\nbad: a -> \n" if "rules" in message else "a\n")
    if name is not None:
        (tmp_path / name).write_text(content)
    done = corvane("check", "rules.txt", *(arguments or [name]), cwd=tmp_path)
    assert (done.returncode, done.stdout, done.stderr) == (2, "", f"corvane: {message}\n")


def test_plot_draws_one_row_per_proposition_and_rule(corvane, tmp_path):
    done = corvane("plot", "overtaking.rules", "overtaking.json", "-o", tmp_path / "t.png",
                   cwd=EXAMPLES)
    assert done.returncode == 0, done.stderr
    png = (tmp_path / "t.png").read_bytes()
    assert png[:8] == b"\x89PNG\r\n\x1a\n" and png[12:16] == b"IHDR"
    rules = load_rules(EXAMPLES / "overtaking.rules")
    knowledge = load_knowledge_json(EXAMPLES / "overtaking.json")
    figure = plot_timeline(rules, knowledge)
    width, height = figure.get_size_inches() * 100
    assert struct.unpack(">II", png[16:24]) == (round(width), round(height))
    labels = [label.get_text() for label in figure.axes[0].get_yticklabels()]
    propositions = ["clear_view(left)", "indicator(left)", "lane_free(left)", "oncoming(car7)",
                    "overtaking", "slower(truck1)", "vehicle_ahead(truck1)"]
    assert labels == propositions + [rule.name for rule in rules]
    rows = dict(timeline_rows(rules, knowledge, 21))
    assert rows["lane_free(left)"] == ["known false"] * 6 + ["known true"] * 6 + ["unknown"] * 9
    assert rows["no oncoming car until the lane is free"] == (
        ["violated"] * 6 + ["satisfied"] * 6 + ["open"] * 9)


def test_plot_without_matplotlib_says_how_to_get_it(tmp_path):
    blocker = tmp_path / "matplotlib"
    blocker.mkdir()
    (blocker / "__init__.py").write_text("raise ImportError('no matplotlib here')\n")
    done = run(CORVANE, "plot", "overtaking.rules",
               "overtaking.json", "-o", tmp_path / "t.png", cwd=EXAMPLES,
               env={**os.environ, "PYTHONPATH": str(tmp_path)})
    assert (done.returncode, done.stderr) == (
        2, "corvane: plotting needs matplotlib: pip install 'corvane[plot]'\n")
