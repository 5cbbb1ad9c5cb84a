"""Convolution, min-max scaling, peaks and smoothing."""

import math

import pytest

import vexari
from conftest import alarm_after, refused_allocation
from vexari import convolve, exponential_smooth, find_peaks, moving_average, normalize

NAN, INF = float("nan"), float("inf")

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
    # A non-finite sample spoils only the windows that hold it.
    (lambda: moving_average([1.0, INF, 1.0, 1.0, 1.0], 2), [1.0, INF, INF, 1.0, 1.0]),
    (lambda: moving_average([2.0, -INF, INF, NAN, 4.0, 6.0, 8.0], 2), [2.0, -INF, NAN, NAN, NAN, 5.0, 7.0]),
    (lambda: moving_average([-INF, 1.0, 1.0], 5), [-INF, -INF, -INF]),
    # The sum is carried, never recomputed: 1e16 + 1 loses the 1 for good.
    (lambda: moving_average([1e16, 1.0, 1.0, 1.0], 1), [1e16, 0.0, 0.0, 0.0]),
    (lambda: exponential_smooth([1.0, 2.0, 3.0], 0.5), [1.0, 1.5, 2.25]),
    (lambda: exponential_smooth([1.0, 2.0, 3.0], 0.0), [1.0, 1.0, 1.0]),
    (lambda: exponential_smooth([1.0, INF, 2.0], 0.0), [1.0, NAN, NAN]),  # 0 * inf is still formed
])
def test_values(call, expected):
    assert same(call(), expected)


def test_long_convolution_goes_on_past_its_signal_checks():
    # 300 x 100 products pass the point where the run looks for pending signals; every product is
    # still added in order, i outer, from +0.0.
    signal, kernel = [math.sin(i) for i in range(300)], [1.0 / (j + 3) for j in range(100)]
    expected = [0.0] * 399
    for i, s in enumerate(signal):
        for j, k in enumerate(kernel):
            expected[i + j] = expected[i + j] + s * k
    assert same(convolve(signal, kernel), expected)


@pytest.mark.parametrize("values, threshold, indices", [
    ([0.0, 2.0, 1.0, 3.0, 0.0], 2.0, [1, 3]),
    ([0.0, 2.0, 1.0, 3.0, 0.0], 2.5, [3]),
    ([0.0, 1.0, 1.0, 0.0], 0.0, []),
    ([3.0, 1.0, 3.0], 0.0, []),
    ([0.0, NAN, 0.0, 1.0, NAN], 0.0, []),
    ([0.0, 1.0, 0.0], NAN, []),
])
def test_find_peaks(values, threshold, indices):
    peaks = find_peaks(values, threshold)
    assert [list(peak.items()) for peak in peaks] == [[("index", i), ("value", values[i])] for i in indices]


def test_peaks_beyond_the_memory_left_are_a_memory_error():
    # 2**21 peaks take 32 MiB as they are found; the process may map 24 MiB more than its 32 MiB input.
    assert refused_allocation("vexari.find_peaks(values, 0.5)", 24 << 20,
                              "values = array.array('d', [0.0, 1.0]) * (1 << 21)") == "MemoryError()\n"


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


BIG = [float(i) for i in range(10**6)]


@pytest.mark.parametrize("call", [
    lambda: convolve(BIG, BIG),
    lambda: vexari.lagrange_interpolate(BIG, BIG, 0.5),
    lambda: vexari.polynomial_regression(BIG, BIG, 999),
], ids=["convolve", "lagrange_interpolate", "polynomial_regression"])
def test_long_loops_without_callbacks_stay_interruptible(call):
    with alarm_after(0.05):  # each call would run for many minutes
        call()
