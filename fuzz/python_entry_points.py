#!/usr/bin/env python3
"""Fuzzes corvane's Python entry points with atheris.

Each input is decoded into a short program of calls: parsing text, the static constructors with
arbitrary arguments, KnowledgeSequence with arbitrary nested values, Augmenter and augment,
format_as_string with hostile formatters, relevant_aps over bounded windows, and the other
methods. A call may fail only with a documented exception (TypeError, ValueError, OverflowError,
RecursionError, MemoryError) or with the exception this program's own callables raise, which
corvane must pass through unchanged. Anything else escapes and is a finding: PanicException (it
derives from BaseException, so nothing here catches it), any other exception, a failed check of
the results, a crash or a sanitizer report.

scripts/fuzz.sh builds the instrumented module, preloads the sanitizer runtime and runs this; any
libFuzzer option can be passed on the command line.
"""

import sys

import atheris

from corvane import Augmenter, Formula, KnowledgeSequence

DOCUMENTED = (TypeError, ValueError, OverflowError, RecursionError, MemoryError)


class Hostile(Exception):
    """Raised by this program's own objects and formatters; must reach the caller unchanged."""


ALLOWED = DOCUMENTED + (Hostile,)

TOKENS = ["a", "b", "c", "p(x)", "q(a b, c)", "!", "&", "|", "->", " U ", " R ", "F ", "G ",
          "X ", "(", ")", "True", "false", "[0,5]", "[2, inf]", "[3]", "[4294967296]", " ",
          "\n", "\r", " U[1,4] ", " R[0,*] ", "F[2,6] ", "G[1,3] ", "X[2] ", "1a_b"]
NAMES = ["a", "b", "p", "", "F", "True", "a b", "p(x)", "ä🙂", "\x00", "x\ud800", "(", "a\nb"]
U32_EDGES = [0, 1, 2, 5, 4294967295, 4294967296, -1, 2**64, -(2**63)]
STATIC = ["true_formula", "false_formula", "ap", "negation", "conjunction", "disjunction",
          "implication", "next", "always", "eventually", "until", "release"]
INSTANCE = ["is_true", "relevant_aps", "split_at_top_level_conjunction", "remove_delayed_until",
            "remove_timed_until", "format_as_string", "__str__", "__repr__"]
KEYWORDS = ["formula", "formulas", "lhs", "rhs", "time", "start", "end", "name", "parameter",
            "format_literal", "edges", "knowledge", "bogus"]


class Index:
    """An object usable as an integer, or one whose conversion misbehaves."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        if isinstance(self.value, BaseException):
            raise self.value
        return self.value


class Sequence:
    """Passes the sequence check; its items can run out early or raise."""

    def __init__(self, items, length, failure):
        self.items, self.length, self.failure = items, length, failure

    def __len__(self):
        return self.length

    def __getitem__(self, i):
        if i == len(self.items) and self.failure is not None:
            raise self.failure
        return self.items[i]


class StrSubclass(str):
    pass


# The longest printed text that is parsed again.
ROUND_TRIP_LIMIT = 1 << 17
# Printing takes time in proportion to the text, and shared operands are written out at each
# place: a formula of a few tokens can print hundreds of megabytes, up to the library's limit.
# Only formulas that write at most this many literals are printed and kept for later calls, so
# that an input's time stays short; the others still go through the call that made them.
PRINTED_LITERALS = 256


class TooManyLiterals(Exception):
    pass


def printable(formula):
    """Whether `formula` writes at most PRINTED_LITERALS literals, found without printing more."""
    count = 0

    def counting(name, parameter):
        nonlocal count
        count += 1
        if count > PRINTED_LITERALS:
            raise TooManyLiterals
        return name

    try:
        formula.format_as_string(counting)
    except (TooManyLiterals, MemoryError):
        return False
    return True

class Program:
    def __init__(self, data):
        self.fdp = atheris.FuzzedDataProvider(data)
        self.formulas = [Formula.ap("a")]
        self.parsed = []  # formulas that came from text, with that text's reparse check pending
        self.knowledge = []
        self.augmenters = []

    # Choices ---------------------------------------------------------------------------------

    def pick(self, options):
        return options[self.fdp.ConsumeIntInRange(0, len(options) - 1)]

    def small(self, high=8):
        return self.fdp.ConsumeIntInRange(0, high)

    def text(self):
        if self.fdp.ConsumeBool():
            return self.fdp.ConsumeUnicode(self.small(24))
        return "".join(self.pick(TOKENS) for _ in range(self.small(24)))

    def name(self):
        return self.pick(NAMES) if self.fdp.ConsumeBool() else self.fdp.ConsumeUnicode(4)

    def formula(self):
        return self.pick(self.formulas)

    def u32(self):
        choice = self.small(3)
        if choice == 0:
            return self.pick(U32_EDGES)
        if choice == 1:
            return self.pick([True, Index(3), Index(-1), Index(Hostile()), Index("3"), 2.0])
        return self.small(12)

    def value(self, depth=0):
        """Any argument a caller could pass, biased towards the types corvane expects."""
        choice = self.small(15 if depth < 2 else 8)
        if choice == 0:
            return None
        if choice == 1:
            return self.u32()
        if choice == 2:
            return self.name()
        if choice == 3:
            return self.text()
        if choice in (4, 5, 6):
            return self.formula()
        if choice == 7:
            return self.pick([b"a", 1.5, object(), StrSubclass("a"), Formula, len])
        if choice == 8:
            return self.pick(self.knowledge) if self.knowledge else {}
        items = [self.value(depth + 1) for _ in range(self.small(4))]
        if choice == 9:
            return items
        if choice == 10:
            return tuple(items)
        if choice == 11:
            return set(f for f in items if isinstance(f, Formula))
        if choice == 12:
            return iter(items)
        if choice == 13:
            failure = self.pick([None, Hostile(), IndexError()])
            return Sequence(items, self.small(6), failure)
        if choice == 14:
            return {self.u32(): self.value(depth + 1) for _ in range(self.small(3))}
        return self.knowledge_dict()

    def names(self):
        return [self.name() for _ in range(self.small(4))]

    def pairs(self):
        return [(self.name(), self.name()) for _ in range(self.small(3))]

    def knowledge_dict(self):
        """Mostly the documented shape, with a corrupted part now and then."""
        edges = {}
        for _ in range(self.small(4)):
            entry = (self.names(), self.names(), self.pairs(), self.pairs())
            if self.small(6) == 0:
                entry = self.corrupt(entry)
            # Steps up to 30: nested operators over unbounded windows take a distinct form at
            # every step up to the last change, whose size grows with the step. Knowledge at step
            # 80 makes 21 nested `F` build a result of millions of nodes (0.1 s, many times that
            # instrumented), and at step 700 a small formula builds some 57 million operand slots
            # in two seconds, within the limits. The edges of the time range are reached through
            # u32().
            edges[self.pick([self.small(6), self.small(30), self.u32()])] = entry
        return edges

    def corrupt(self, entry):
        choice = self.small(5)
        if choice == 0:
            return list(entry)
        if choice == 1:
            return entry[: self.small(3)]
        if choice == 2:
            return entry[:2] + ([tuple(self.names())], entry[3])
        if choice == 3:
            return entry[:3] + (self.value(1),)
        return (entry[0], self.value(1), entry[2], entry[3])

    # Calls -----------------------------------------------------------------------------------

    def keep(self, result):
        if isinstance(result, Formula) and len(self.formulas) < 12 and printable(result):
            self.formulas.append(result)
        return result

    def parse(self):
        text = self.text()
        formula = self.keep(Formula(text))
        if not printable(formula):
            return
        infix = formula.format_as_string()
        # Long names make long texts, whose parse under the sanitizers takes longer than an input
        # may: those are printed, not parsed again.
        if len(infix) <= ROUND_TRIP_LIMIT:
            again = Formula(infix)
            assert repr(again) == repr(formula), (text, infix)

    def call_static(self):
        method = getattr(Formula, self.pick(STATIC))
        args = [self.value() for _ in range(self.small(3))]
        kwargs = {self.pick(KEYWORDS): self.value() for _ in range(self.small(2) // 2)}
        self.keep(method(*args, **kwargs))

    def build(self):
        """A well-formed constructor call, so that the pool grows structured formulas."""
        method = self.pick(STATIC)
        start = self.small(6)
        end = self.pick([None, start + self.small(6), self.small(3)])
        f, g = self.formula(), self.formula()
        if method in ("until", "release"):
            result = getattr(Formula, method)(f, g, start, end)
        elif method in ("always", "eventually"):
            result = getattr(Formula, method)(f, start, end)
        elif method == "next":
            result = Formula.next(f, self.small(4))
        elif method in ("conjunction", "disjunction"):
            result = getattr(Formula, method)([self.formula() for _ in range(self.small(4))])
        elif method == "implication":
            result = Formula.implication(f, g)
        elif method == "negation":
            result = Formula.negation(f)
        elif method == "ap":
            result = Formula.ap(self.pick(["a", "b", "c"]), self.pick([None, "x"]))
        else:
            result = getattr(Formula, method)()
        self.keep(result)

    def make_knowledge(self):
        edges = self.knowledge_dict() if self.fdp.ConsumeBool() else self.value()
        knowledge = KnowledgeSequence(edges)
        if len(self.knowledge) < 4:
            self.knowledge.append(knowledge)
        augmenter = Augmenter(knowledge)
        if len(self.augmenters) < 4:
            self.augmenters.append(augmenter)

    def augment(self):
        if not self.augmenters or self.small(8) == 0:
            Augmenter(self.value())
            return
        augmenter = self.pick(self.augmenters)
        result = augmenter.augment(self.formula() if self.small(6) else self.value())
        if printable(result):
            str(result)
            result.format_as_string()

    def format(self):
        formula = self.formula()
        choice = self.small(8)
        if choice == 0:
            # The formatter that gives every literal its default text.
            same = formula.format_as_string(lambda name, p: name if not p else f"{name}({p})")
            assert same == formula.format_as_string(None) == formula.format_as_string()
            return
        if choice == 1:
            failure, calls = Hostile(), [self.small(3)]

            def raising(name, parameter):
                calls[0] -= 1
                if calls[0] < 0:
                    raise failure
                return name

            try:
                formula.format_as_string(raising)
            except Hostile as raised:
                assert raised is failure
            return
        if choice == 2:
            wrong = self.pick([1, None, b"x", ["x"], StrSubclass("s")])
            formula.format_as_string(lambda name, parameter: wrong)
            return
        if choice == 3:
            size = self.pick([0, 1, 1000, 10_000])
            text = self.pick(["x", "ä", "🙂", "\x00", "\n", "\ud800", ")"]) * size
            formula.format_as_string(lambda name, parameter: text)
            return
        if choice == 4:
            # Re-entrant: builds and prints other formulas while formatting this one.
            def reentrant(name, parameter):
                other = self.formula()
                # A negation can write many more literals than the formula it negates (an until
                # turns into a release, which writes its rhs three times).
                negation = Formula.negation(other)
                return other.format_as_string() + (str(negation) if printable(negation) else "")

            formula.format_as_string(reentrant)
            return
        if choice == 5:
            formula.format_as_string(self.value())
            return
        formula.format_as_string(format_literal=self.pick([None, lambda: "x", lambda *a: a[0]]))

    def relevant_aps(self):
        formula = self.formula()
        if self.small(4) == 0:
            formula.relevant_aps(self.value(), self.value())
            return
        start = self.small(50)
        result = formula.relevant_aps(start + self.small(200), start)
        assert all(isinstance(k, int) and isinstance(v, list) for k, v in result.items())

    def query(self):
        formula = self.formula()
        method = getattr(Formula, self.pick(INSTANCE))
        receiver = formula if self.small(6) else self.value()
        self.keep(method(receiver))
        parts = formula.split_at_top_level_conjunction()
        assert repr(Formula.conjunction(parts)) == repr(formula)
        assert isinstance(str(formula), str) and isinstance(repr(formula), str)

    def run(self):
        calls = [self.parse, self.call_static, self.build, self.build, self.make_knowledge,
                 self.augment, self.format, self.relevant_aps, self.query]
        for _ in range(self.small(12)):
            call = self.pick(calls)
            try:
                call()
            except ALLOWED:
                pass


def test_one_input(data):
    Program(data).run()


def main():
    atheris.Setup(sys.argv, test_one_input)
    atheris.Fuzz()


if __name__ == "__main__":
    main()
