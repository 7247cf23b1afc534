import sys

import pytest
from support import CORVANE, run


@pytest.fixture
def corvane():
    """Runs the installed console script."""
    assert CORVANE.exists(), f"the console script is not installed next to {sys.executable}"
    return lambda *args, **kwargs: run(CORVANE, *args, **kwargs)
