"""Batches: identical results in input order serially, on local processes and on a Dask cluster."""
import threading

import pytest
from support import RULES, random_trace, write_trace

from corvane_tools import InputError, check_many, load_trace_csv, parse_rules, trace_to_knowledge


@pytest.fixture(scope="module")
def scenarios(tmp_path_factory):
    folder = tmp_path_factory.mktemp("scenarios")
    suffixes = (".csv", ".jsonl", ".json")
    return [str(write_trace(folder / f"s{seed}{suffixes[seed % 3]}", random_trace(seed, steps=60)))
            for seed in range(200)]


def test_processes_and_a_cluster_give_the_serial_results(scenarios, corvane, tmp_path):
    distributed = pytest.importorskip("distributed")
    rules = parse_rules(RULES)
    serial = list(check_many(rules, scenarios))
    assert [result.scenario for result in serial] == scenarios
    assert {r.verdict for result in serial for r in result.results} == {
        "satisfied", "violated", "open"}
    assert list(check_many(rules, scenarios, jobs=2)) == serial
    # With another thread running, the workers come from a fork server instead of a fork.
    stop = threading.Event()
    waiting = threading.Thread(target=stop.wait)
    waiting.start()
    try:
        assert list(check_many(rules, scenarios[:40], jobs=2)) == serial[:40]
    finally:
        stop.set()
        waiting.join()
    (tmp_path / "rules.txt").write_text(RULES)
    command = ("check", tmp_path / "rules.txt", *scenarios[:20], "--format", "csv")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster:
        assert list(check_many(rules, scenarios, scheduler=cluster.scheduler_address)) == serial
        on_cluster = corvane(*command, "--scheduler", cluster.scheduler_address)
    assert on_cluster.stdout == corvane(*command).stdout
    assert on_cluster.returncode == 1 and on_cluster.stderr == ""


def test_a_bad_scenario_stops_the_batch_in_input_order(scenarios, tmp_path):
    bad = tmp_path / "bad.csv"
    bad.write_text("step,a\n0,yes\n")
    results = check_many(parse_rules(RULES), [*scenarios[:5], str(bad), *scenarios[5:]], jobs=2)
    assert [next(results).scenario for _ in range(5)] == scenarios[:5]
    with pytest.raises(InputError, match="bad.csv:2: column 'a'"):
        next(results)


def test_steps_in_the_same_state_share_one_value(tmp_path):
    trace = [(step, {"a": step % 3 == 0, "b": None}) for step in range(9)]
    knowledge = load_trace_csv(write_trace(tmp_path / "t.csv", trace))
    assert knowledge == trace_to_knowledge(trace)
    assert knowledge[0] is knowledge[3] and knowledge[1] is knowledge[2]
    assert knowledge[0] == (["a"], [], [], []) and knowledge[1] == ([], ["a"], [], [])
