"""An ego vehicle on a two-lane road decides whether it may overtake a slow truck.

Perception reports, per time step, what holds, what does not, and which propositions imply or
are equivalent to which. The traffic rules are temporal formulas. Augmenting a rule with the
knowledge shows what the rule still demands once the perception is taken into account, and
whether the knowledge already decides it.

Run without arguments for the built-in scenario, or give a formula text and a JSON file of
knowledge in the shape {"step": [holds, does_not_hold, [[lhs, rhs], ...], [[lhs, rhs], ...]]}:

    python examples/overtaking.py "G[0,5] (overtaking -> lane_free(left))" knowledge.json
"""
import sys

from corvane import Augmenter, Formula, KnowledgeSequence
from corvane_tools import InputError, Knowledge, load_knowledge_json

RULES = {
    "overtake only into a free lane": "G[0,20] (overtaking -> lane_free(left))",
    "a slow truck ahead is overtaken within 12 steps":
        "vehicle_ahead(truck1) & slower(truck1) -> F[0,12] overtaking",
    "no oncoming car until the lane is free": "!oncoming(car7) U[0,10] lane_free(left)",
    "the truck stays ahead for the first 3 steps": "G[0,3] vehicle_ahead(truck1)",
}


def scenario() -> Knowledge:
    """Twenty steps of perception: an oncoming car blocks the left lane until step 5, the lane is
    seen free from step 6 to 11, and afterwards only a clear view implies that it is free."""
    edges: Knowledge = {}
    for t in range(21):
        holds: list[str] = []
        not_holds: list[str] = []
        implications: list[tuple[str, str]] = []
        equivalences: list[tuple[str, str]] = []
        if t <= 9:
            holds += ["vehicle_ahead(truck1)", "slower(truck1)"]
        if t <= 5:
            holds.append("oncoming(car7)")
            not_holds.append("lane_free(left)")
        elif t <= 11:
            not_holds.append("oncoming(car7)")
            holds.append("lane_free(left)")
        else:
            implications.append(("clear_view(left)", "lane_free(left)"))
        # The blinker is on exactly when the vehicle overtakes.
        equivalences.append(("overtaking", "indicator(left)"))
        edges[t] = (holds, not_holds, implications, equivalences)
    return edges


def report(name: str, formula: Formula, augmenter: Augmenter) -> str:
    augmented = augmenter.augment(formula)
    infix = augmented.format_as_string()
    if infix == "(true)":
        verdict = "decided: satisfied by the knowledge"
    elif infix == "(false)":
        verdict = "decided: violated by the knowledge"
    else:
        verdict = "open: depends on what is not known yet"
    print(f"== {name}")
    print(f"rule:       {formula.format_as_string()}")
    print(f"verdict:    {verdict}")
    print(f"augmented:  {infix}")
    print(str(augmented), end="")
    print()
    return verdict


def main(argv: list[str]) -> int:
    if len(argv) not in (1, 3):
        print(__doc__)
        return 2
    if len(argv) == 3:
        rules = {"your formula": argv[1]}
        try:
            # Checks the file's shape and names the step and field of the first fault.
            edges = load_knowledge_json(argv[2])
        except InputError as error:
            print(f"overtaking.py: {error}", file=sys.stderr)
            return 2
    else:
        rules = RULES
        edges = scenario()
    formulas = {}
    for name, text in rules.items():
        try:
            formulas[name] = Formula(text)
        except ValueError as error:
            print(f"overtaking.py: formula {text!r}: {error}", file=sys.stderr)
            return 2
    augmenter = Augmenter(KnowledgeSequence(edges))
    verdicts = {name: report(name, formula, augmenter) for name, formula in formulas.items()}
    print("== summary")
    for name, verdict in verdicts.items():
        print(f"{verdict.split(':')[0]:8} {name}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
