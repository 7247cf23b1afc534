"""Files and batches around corvane: rules files, scenario files, verdicts, pictures.

The functions behind the ``corvane`` command, for use from notebooks and scripts::

    from corvane_tools import load_rules, check_many

    rules = load_rules("rules.txt")
    for result in check_many(rules, ["run1.csv", "run2.jsonl"], jobs=2):
        print(result.scenario, [(r.rule, r.verdict) for r in result.results])

Every bad input raises `InputError`, whose text names the file, line or step, and field.
"""

from .check import (
    RuleResult,
    Scenario,
    ScenarioResult,
    Verdict,
    check_knowledge,
    check_many,
    check_scenario,
    verdict_of,
)
from .errors import InputError
from .knowledge import Facts, Knowledge, knowledge_from_json_text, load_knowledge_json
from .rules import Rule, load_rules, operator_lookalikes, parse_formula, parse_rules
from .scenarios import load_knowledge, scenario_paths
from .timeline import plot_timeline
from .trace import load_trace_csv, load_trace_jsonl, trace_to_knowledge

__all__ = [
    "Facts",
    "InputError",
    "Knowledge",
    "Rule",
    "RuleResult",
    "Scenario",
    "ScenarioResult",
    "Verdict",
    "check_knowledge",
    "check_many",
    "check_scenario",
    "knowledge_from_json_text",
    "load_knowledge",
    "load_knowledge_json",
    "load_rules",
    "load_trace_csv",
    "load_trace_jsonl",
    "operator_lookalikes",
    "parse_formula",
    "parse_rules",
    "plot_timeline",
    "scenario_paths",
    "trace_to_knowledge",
    "verdict_of",
]
