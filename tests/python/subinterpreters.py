"""Running code in a subinterpreter through the private modules of Python 3.12 and 3.13.

Imported by the tests and by the interpreters they start, which have nothing else installed.
"""


def run_in_subinterpreter(code, isolated):
    """Runs `code` in a new subinterpreter; None if this Python offers no way to do so."""
    try:
        import _xxsubinterpreters as interpreters  # Python 3.12

        interp = interpreters.create(isolated=isolated)
        try:
            interpreters.run_string(interp, code)
        finally:
            interpreters.destroy(interp)
        return True
    except ImportError:
        pass
    try:
        import _interpreters  # Python 3.13

        interp = _interpreters.create("isolated" if isolated else "legacy")
        try:
            _interpreters.exec(interp, code)
        finally:
            _interpreters.destroy(interp)
        return True
    except (ImportError, TypeError, ValueError, AttributeError):
        return None
