"""Convolution, min-max scaling, peaks and smoothing; registration of the data areas."""

import math
import signal

import pytest

import vexari
from vexari import convolve, exponential_smooth, find_peaks, moving_average, normalize

NAN, INF = float("nan"), float("inf")

SIGNATURES = [  # per area, in registration order
    ["mean(values)", "variance(values, sample=False)", "summary(values)", "covariance(left, right, sample=False)",
     "correlation(left, right)", "linear_regression(x, y)", "polynomial_regression(x, y, degree)"],
    ["linspace(start, end, count)", "sample_grid(function, start, end, count)", "linear_interpolate(x, y, query)",
     "lagrange_interpolate(x, y, query)", "finite_difference(values, spacing)"],
    ["moving_average(values, window)", "exponential_smooth(values, alpha)", "convolve(signal, kernel)",
     "normalize(values)", "find_peaks(values, threshold)"],
]


@pytest.mark.parametrize("area", SIGNATURES)
def test_registration_order_and_signatures(area):
    names = [text.split("(")[0] for text in area]
    start = vexari.__all__.index(names[0])
    assert vexari.__all__[start:start + len(names)] == names
    assert [name + getattr(vexari, name).__text_signature__ for name in names] == area


def same(actual, expected):
    """Equality that matches NaN with NaN and tells -0.0 from 0.0."""
    return len(actual) == len(expected) and all(
        (math.isnan(a) and math.isnan(e)) or (a == e and math.copysign(1, a) == math.copysign(1, e))
        for a, e in zip(actual, expected))


@pytest.mark.parametrize("call, expected", [
    (lambda: convolve([1.0, 2.0, 3.0], [0.0, 1.0, 0.5]), [0.0, 1.0, 2.5, 4.0, 1.5]),
    (lambda: convolve([-0.0], [1.0]), [0.0]),  # the output starts at +0.0
    (lambda: normalize([1.0, 2.0, 3.0]), [0.0, 0.5, 1.0]),
    (lambda: normalize([-0.0, 0.0]), [0.0, 0.0]),
    (lambda: normalize([0.5, 0.5 + 2**-53]), [0.0, 0.0]),
    (lambda: normalize([1.0, 1.0 + 2**-52]), [0.0, 1.0]),  # the flatness test is strict
    (lambda: normalize([NAN, 1.0, 3.0]), [NAN, 0.0, 1.0]),
    (lambda: moving_average([1.0, 2.0, 3.0, 4.0], 2), [1.0, 1.5, 2.5, 3.5]),
    (lambda: moving_average([1.0, 2.0, 3.0, 4.0], 10), [1.0, 1.5, 2.0, 2.5]),
    (lambda: moving_average([1.0, INF, 1.0, 1.0, 1.0], 2), [1.0, INF, INF, NAN, NAN]),
    # The sum is carried, never recomputed: 1e16 + 1 loses the 1 for good.
    (lambda: moving_average([1e16, 1.0, 1.0, 1.0], 1), [1e16, 0.0, 0.0, 0.0]),
    (lambda: exponential_smooth([1.0, 2.0, 3.0], 0.5), [1.0, 1.5, 2.25]),
    (lambda: exponential_smooth([1.0, 2.0, 3.0], 0.0), [1.0, 1.0, 1.0]),
    (lambda: exponential_smooth([1.0, INF, 2.0], 0.0), [1.0, NAN, NAN]),  # 0 * inf is still formed
])
def test_values(call, expected):
    assert same(call(), expected)


@pytest.mark.parametrize("values, threshold, indices", [
    ([0.0, 2.0, 1.0, 3.0, 0.0], 2.0, [1, 3]),
    ([0.0, 2.0, 1.0, 3.0, 0.0], 2.5, [3]),
    ([0.0, 1.0, 1.0, 0.0], 0.0, []),
    ([3.0, 1.0, 3.0], 0.0, []),
    ([0.0, NAN, 0.0, 1.0, NAN], 0.0, []),
    ([0.0, 1.0, 0.0], NAN, []),
])
def test_find_peaks(values, threshold, indices):
    expected = [[("index", i), ("value", values[i])] for i in indices]
    peaks = find_peaks(values, threshold)
    assert [list(peak.items()) for peak in peaks] == expected
    assert all(type(peak["index"]) is int for peak in peaks)


@pytest.mark.parametrize("call, message", [
    (lambda: convolve([], [1.0]), "signal and kernel must be nonempty"),
    (lambda: normalize([]), "values must be nonempty"),
    (lambda: moving_average([1.0], 0), "window and values must be nonempty"),
] + [(lambda alpha=alpha, values=values: exponential_smooth(values, alpha),
      "values must be nonempty and alpha must be within [0, 1]")
     for values, alpha in [([1.0], 1.5), ([1.0], -0.1), ([1.0], NAN), ([], 0.5)]])
def test_failures(call, message):
    with pytest.raises(ValueError) as info:
        call()
    assert str(info.value) == message


class Alarm(Exception):
    pass


BIG = [float(i) for i in range(10**6)]


@pytest.mark.parametrize("call", [
    lambda: convolve(BIG, BIG),
    lambda: vexari.lagrange_interpolate(BIG, BIG, 0.5),
    lambda: vexari.polynomial_regression(BIG, BIG, 999),
], ids=["convolve", "lagrange_interpolate", "polynomial_regression"])
def test_long_loops_without_callbacks_stay_interruptible(call):
    # Each call would run for many minutes; a signal handler's exception ends it.
    def ring(signum, frame):
        raise Alarm

    previous = signal.signal(signal.SIGALRM, ring)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.05)
        with pytest.raises(Alarm):
            call()
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
