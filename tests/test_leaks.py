"""Repeated calls over success and failure paths leave nothing behind: the
inputs' reference counts, the traced Python memory and the resident size stay
flat."""

import gc
import sys
import tracemalloc

import pytest

import vexari
from conftest import FailOn
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


@pytest.mark.parametrize("name", sorted(KINDS))
def test_refcounts_and_traced_memory_stay_flat(name):
    function = getattr(vexari, name)
    for args, kwargs in CALLS[name]:
        for _ in range(3):
            replay(function, args, kwargs)
        gc.collect()
        before = [sys.getrefcount(v) for v in inputs(args, kwargs)]
        tracemalloc.start()
        try:
            start = tracemalloc.get_traced_memory()[0]
            for _ in range(5):
                replay(function, args, kwargs)
            gc.collect()
            grown = tracemalloc.get_traced_memory()[0] - start
        finally:
            tracemalloc.stop()
        assert [sys.getrefcount(v) for v in inputs(args, kwargs)] == before, (args, kwargs)
        assert grown < 4096, (grown, args, kwargs)


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
