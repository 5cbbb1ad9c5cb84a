"""Repeated calls over success and failure paths leave nothing behind: the
inputs' reference counts stay put, the traced Python memory stops growing, and
the resident size stays flat."""

import array
import gc
import sys
import tracemalloc
import warnings

import pytest

import vexari
from conftest import SANITIZED, FailOn
from hostile import drawn_calls, parameter_kinds, run_checked

KINDS = parameter_kinds()


CALLS = {name: drawn_calls(name, 10) for name in sorted(KINDS)}


def replay(function, args, kwargs):
    for value in [*args, *kwargs.values()]:
        if isinstance(value, FailOn):
            # A re-raised exception object keeps growing its traceback.
            value.count = 0
            value.error.__traceback__ = None
    outcome = run_checked(function, args, kwargs)
    if isinstance(outcome, BaseException):
        outcome.__traceback__ = None


def inputs(args, kwargs):
    values = [*args, *kwargs.values()]
    return values + [v.function for v in values if isinstance(v, FailOn)]


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * 4096


def traced_growth(batch, batches=3):
    """Traced bytes that each of `batches` runs of `batch` adds, after a first
    run under tracing. The first pays for what tracing itself sets off (a
    free-threaded build allocates about 8 KiB at its first collection under
    tracing), and a later one may still pay for some one-off; a leak pays in
    every run. Collections are few: on a free-threaded build each one walks
    the whole heap."""
    marks = array.array("q", [0] * (batches + 1))  # stores the marks without allocating between them
    tracemalloc.start()
    # A warning a call sets off (an older NumPy's DeprecationWarning for a NumPy bool read as an index)
    # would be kept by pytest in every run: pytest's memory, not a leak.
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        try:
            for i in range(len(marks)):
                batch()
                gc.collect()
                marks[i] = tracemalloc.get_traced_memory()[0]
        finally:
            tracemalloc.stop()
    return [after - before for before, after in zip(marks, marks[1:])]


@pytest.mark.parametrize("name", sorted(KINDS))
def test_refcounts_and_traced_memory_stay_flat(name):
    function = getattr(vexari, name)

    def every_call():
        for args, kwargs in CALLS[name]:
            replay(function, args, kwargs)

    for _ in range(3):
        every_call()
    gc.collect()
    before = [[sys.getrefcount(v) for v in inputs(args, kwargs)] for args, kwargs in CALLS[name]]
    growth = traced_growth(every_call)
    after = [[sys.getrefcount(v) for v in inputs(args, kwargs)] for args, kwargs in CALLS[name]]
    assert [call for call, b, a in zip(CALLS[name], before, after) if a != b] == []
    assert min(growth) <= 0, growth


@pytest.mark.skipif(SANITIZED, reason="AddressSanitizer keeps freed memory in quarantine, so resident size grows"
                    " (the reference-count checks above still run)")
def test_resident_size_stays_flat():
    every = [(getattr(vexari, name), call) for name in sorted(KINDS) for call in CALLS[name]]

    def one_pass():
        for function, (args, kwargs) in every:
            replay(function, args, kwargs)

    for _ in range(2):
        one_pass()
    gc.collect()
    start = resident_bytes()
    for _ in range(12):
        one_pass()
    gc.collect()
    assert resident_bytes() - start < 4 * 2**20
