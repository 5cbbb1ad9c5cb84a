"""Shared helpers for the test suite."""

import vexari


class Recorder:
    """A callable that logs every call's arguments and answers with `function`.

    Arguments are logged as given (lists are copied), so tests can check call
    order and count exactly.
    """

    def __init__(self, function):
        self.function = function
        self.calls = []

    def __call__(self, *args):
        self.calls.append(tuple(list(a) if isinstance(a, list) else a for a in args))
        return self.function(*args)

    @property
    def count(self):
        return len(self.calls)


class FailOn:
    """A callable that raises `error` on its `failing`-th call (1-based)."""

    def __init__(self, function, failing, error):
        self.function = function
        self.failing = failing
        self.error = error
        self.count = 0

    def __call__(self, *args):
        self.count += 1
        if self.count == self.failing:
            raise self.error
        return self.function(*args)


PanicException = vexari.PanicException
