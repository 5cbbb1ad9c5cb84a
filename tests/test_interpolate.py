"""Grids, sampling a callable, finite differences and interpolation."""

import math
import os
import re

import pytest

from conftest import FailOn, Recorder, refused_allocation
from vexari import finite_difference, lagrange_interpolate, linear_interpolate, linspace, sample_grid

NAN, INF = float("nan"), float("inf")


@pytest.mark.parametrize("start, end, count, expected", [
    (0.0, 1.0, 5, [0.0, 0.25, 0.5, 0.75, 1.0]), (1.0, 0.0, 3, [1.0, 0.5, 0.0]), (0.0, 1.0, 0, []),
    (0.0, 0.3, 4, [0.0, 0.09999999999999999, 0.19999999999999998, 0.3]),
    (-7.3, 6.9, 3, [-7.3, -0.20000000000000018, 6.8999999999999995]),  # end is not forced
    (3.0, INF, 1, [3.0]), (-0.0, 1.0, 1, [-0.0]),  # a one-point grid is start alone
])
def test_linspace(start, end, count, expected):
    assert repr(linspace(start, end, count)) == repr(expected)


# Beyond any address space, and a twentieth of the memory in points: the doubles alone would fit,
# but not with their Python objects.
@pytest.mark.parametrize("count", [2**62, 2**64 - 1, 2**45,
                                   os.sysconf("SC_PHYS_PAGES") * os.sysconf("SC_PAGE_SIZE") // 20])
def test_unstorable_counts_raise_memory_error_before_any_call(count):
    says_why = (rf"^{count} points were asked for: at about (\d+) bytes each they would take ([\d.]+) GiB, "
                r"more than the ([\d.]+) GiB \(half of this machine's memory\) that one call may use$")
    half = os.sysconf("SC_PHYS_PAGES") * os.sysconf("SC_PAGE_SIZE") / 2
    never = FailOn(float, 1, AssertionError("called"))
    # A point of linspace is a list slot and a float; one of sample_grid its sample, a slot and a
    # dict of two floats.
    for call, bytes_each in ((lambda: linspace(0.0, 1.0, count), 32),
                             (lambda: sample_grid(never, 0.0, 1.0, count), 256)):
        with pytest.raises(MemoryError, match=says_why) as raised:
            call()
        # The figures are the ones the refusal is about, to the printed digit.
        per_item, size, budget = re.match(says_why, str(raised.value)).groups()
        assert int(per_item) == bytes_each
        assert size == f"{count * int(per_item) / 2**30:.1f}"
        assert budget == f"{half / 2**30:.1f}"
    assert never.count == 0


# Within the budget, but more than the process may map: room for the result list (16 MiB) but not
# for the samples (32 MiB) taken after it. The refused allocation is a MemoryError before any call.
def test_a_refused_allocation_is_a_memory_error():
    never = "lambda x: os._exit(3)"  # a call would end the child with status 3
    assert refused_allocation(f"vexari.sample_grid({never}, 0.0, 1.0, 1 << 21)", 24 << 20) == "MemoryError()\n"


def test_sample_grid():
    recorder = Recorder(lambda x: x * x)
    result = sample_grid(recorder, 0.0, 2.0, 3)
    assert [list(item.items()) for item in result] == [
        [("x", 0.0), ("y", 0.0)], [("x", 1.0), ("y", 1.0)], [("x", 2.0), ("y", 4.0)]]
    assert recorder.calls == [(0.0,), (1.0,), (2.0,)]
    assert sample_grid(None, 0.0, 1.0, 0) == []


@pytest.mark.parametrize("call, expected", [
    (lambda: finite_difference([0.0, 1.0, 4.0, 9.0], 1.0), [1.0, 2.0, 4.0, 5.0]),
    (lambda: finite_difference([1.0, 3.0], 0.5), [4.0, 4.0]),
    (lambda: [math.isnan(v) for v in finite_difference([1.0, 2.0], NAN)], [True, True]),
] + [(lambda q=q: linear_interpolate([0.0, 1.0, 2.0], [0.0, 10.0, 20.0], q), e)
     for q, e in [(1.5, 15.0), (2.0, 20.0)]] + [
    (lambda: math.isnan(linear_interpolate([0.0, 1.0, 2.0], [0.0, 10.0, 20.0], NAN)), True),
    # At a knot the left interval wins (t = 1): 0 * 1 + 1 * inf, not 1 * inf + 0 * 3 = nan.
    (lambda: linear_interpolate([0.0, 1.0, 2.0], [1.0, INF, 3.0], 1.0), INF),
] + [(lambda q=q: lagrange_interpolate([0.0, 1.0, 2.0], [1.0, 3.0, 7.0], q), e)
     for q, e in [(3.0, 13.0), (0.5, 1.75)]])
def test_values(call, expected):
    assert call() == expected


ORDER = "x values must be strictly increasing"
LENGTH = "x and y must have matching length of at least two"
XY_CASES = [([0.0, 0.0, 1.0], [1.0, 2.0, 3.0], 0.5, ORDER), ([0.0, 1.0], [1.0], 0.5, LENGTH),
            ([0.0], [1.0], 5.0, LENGTH), ([1.0, 0.0], [1.0, 2.0], 5.0, ORDER),
            ([0.0, NAN, 2.0], [1.0, 2.0, 3.0], 1.0, ORDER), ([NAN, 1.0], [1.0, 2.0], NAN, ORDER)]


@pytest.mark.parametrize("call, message", [
    (lambda: finite_difference([1.0], 1.0), "need at least two values and nonzero spacing"),
    (lambda: finite_difference([1.0, 2.0], -0.0), "need at least two values and nonzero spacing"),
    (lambda: linear_interpolate([0.0, 1.0], [0.0, 1.0], 1.5), "query is outside interpolation range"),
] + [(lambda f=f, case=case: f(*case[:3]), case[3])
     for case in XY_CASES for f in (linear_interpolate, lagrange_interpolate)])
def test_failures_in_check_order(call, message):
    with pytest.raises(ValueError) as info:
        call()
    assert str(info.value) == message
