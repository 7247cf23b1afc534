"""The overtaking example: its input checks, and its scenario files kept equal to its code."""
import importlib.util
import sys

import pytest
from support import EXAMPLES, run

from corvane_tools import load_knowledge_json, load_rules

FACTS = '[["a"], [], [], []]'
FORMULA = "G[0,5] (overtaking -> lane_free(left))"

# (knowledge file content, or None for a missing file; formula; message after "overtaking.py: ")
BAD = [
    (None, FORMULA, "k.json: cannot read the file: No such file or directory"),
    ('{"0": ', FORMULA, "k.json:1:7: invalid JSON: Expecting value"),
    (f"[{FACTS}]", FORMULA, "k.json: expected an object mapping time steps to facts, got a list"),
    ('{"0": [["a"], []]}', FORMULA,
     "k.json: step 0: expected a list of 4 items [holds, does_not_hold, implications, "
     "equivalences], got a list of 2 items"),
    ('{"0": [[], [], [["a", "b", "c"]], []]}', FORMULA,
     "k.json: step 0: implications[0]: expected a pair [lhs, rhs] of proposition texts, "
     "got a list of 3 items"),
    (f'{{"x": {FACTS}}}', FORMULA, "k.json: key 'x': expected a time step from 0 to 4294967295"),
    (f'{{"-1": {FACTS}}}', FORMULA, "k.json: key '-1': expected a time step from 0 to 4294967295"),
    (f'{{"4294967296": {FACTS}}}', FORMULA,
     "k.json: key '4294967296': expected a time step from 0 to 4294967295"),
    ('{"0": ["overtaking", [], [], []]}', FORMULA,
     "k.json: step 0: holds: expected a list of proposition texts, got a string ('overtaking')"),
    (FACTS.join(['{"0": ', "}"]), "a &",
     "formula 'a &': error at 1:4: expected one of \"!\", \"(\", \"F\", \"False\", \"G\", "
     "\"True\", \"X\", \"false\", \"true\", ['a'..='z' | 'A'..='Z' | '0'..='9']"),
]


@pytest.mark.parametrize("content, formula, message", BAD)
def test_bad_input_is_one_line_on_stderr_and_status_2(tmp_path, content, formula, message):
    if content is not None:
        (tmp_path / "k.json").write_text(content)
    done = run(sys.executable, EXAMPLES / "overtaking.py", formula, "k.json", cwd=tmp_path)
    assert (done.returncode, done.stdout, done.stderr) == (2, "", f"overtaking.py: {message}\n")


def test_scenario_files_hold_the_example_scenario():
    found = importlib.util.spec_from_file_location("overtaking", EXAMPLES / "overtaking.py")
    example = importlib.util.module_from_spec(found)
    found.loader.exec_module(example)
    assert load_knowledge_json(EXAMPLES / "overtaking.json") == example.scenario()
    assert {r.name: r.text for r in load_rules(EXAMPLES / "overtaking.rules")} == example.RULES
