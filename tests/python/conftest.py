import pytest

import corvane
from corvane import Formula


@pytest.fixture
def a():
    return Formula.ap("a")


@pytest.fixture
def b():
    return Formula.ap("b")


def lit(name, parameter=""):
    """The debug form of a positive literal."""
    return f'Literal(Positive(AtomicProposition {{ name: "{name}", parameter: "{parameter}" }}))'


def neg(name, parameter=""):
    return f'Literal(Negative(AtomicProposition {{ name: "{name}", parameter: "{parameter}" }}))'


TRUE = "Literal(True)"
FALSE = "Literal(False)"

__all__ = ["corvane", "lit", "neg", "TRUE", "FALSE"]
