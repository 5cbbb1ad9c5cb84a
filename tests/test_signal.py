"""Convolution, min-max scaling, peaks, moving average and exponential smoothing."""

import math
import signal

import pytest

import vexari

NAN = float("nan")
INF = float("inf")


def same(actual, expected):
    """Element-wise equality that treats NaN as equal to NaN and tells -0.0 from 0.0."""
    return len(actual) == len(expected) and all(
        (math.isnan(a) and math.isnan(e)) or (a == e and math.copysign(1, a) == math.copysign(1, e))
        for a, e in zip(actual, expected)
    )


def test_registration_order():
    assert vexari.__all__[-5:] == ["moving_average", "exponential_smooth", "convolve", "normalize", "find_peaks"]


@pytest.mark.parametrize("signal, kernel, expected", [
    ([1.0, 2.0, 3.0], [0.0, 1.0, 0.5], [0.0, 1.0, 2.5, 4.0, 1.5]),
    ([2.0], [3.0], [6.0]),
    ([1.0, 1.0], [1.0, -1.0], [1.0, 0.0, -1.0]),
    # The output starts at +0.0, so a negative zero product does not survive.
    ([-0.0], [1.0], [0.0]),
])
def test_convolve(signal, kernel, expected):
    assert same(vexari.convolve(signal, kernel), expected)


@pytest.mark.parametrize("signal, kernel", [([], [1.0]), ([1.0], []), ([], [])])
def test_convolve_needs_both(signal, kernel):
    with pytest.raises(ValueError, match="^signal and kernel must be nonempty$"):
        vexari.convolve(signal, kernel)


@pytest.mark.parametrize("values, expected", [
    ([1.0, 2.0, 3.0], [0.0, 0.5, 1.0]),
    ([5.0], [0.0]),
    ([2.0, 2.0], [0.0, 0.0]),
    ([-0.0, 0.0], [0.0, 0.0]),
    # The flatness test is strict: a range of exactly epsilon is still scaled.
    ([0.5, 0.5 + 2**-53], [0.0, 0.0]),
    ([1.0, 1.0 + 2**-52], [0.0, 1.0]),
    ([NAN, 1.0, 3.0], [NAN, 0.0, 1.0]),
    ([NAN, NAN], [NAN, NAN]),
])
def test_normalize(values, expected):
    assert same(vexari.normalize(values), expected)


def test_normalize_empty():
    with pytest.raises(ValueError, match="^values must be nonempty$"):
        vexari.normalize([])


@pytest.mark.parametrize("values, threshold, indices", [
    ([0.0, 2.0, 1.0, 3.0, 0.0], 1.5, [1, 3]),
    ([0.0, 2.0, 1.0, 3.0, 0.0], 2.0, [1, 3]),
    ([0.0, 2.0, 1.0, 3.0, 0.0], 2.5, [3]),
    ([1.0, 2.0], 0.0, []),
    ([0.0, 1.0, 1.0, 0.0], 0.0, []),
    ([3.0, 1.0, 3.0], 0.0, []),
    ([0.0, NAN, 0.0, 1.0, NAN], 0.0, []),
    ([0.0, 1.0, 0.0], NAN, []),
])
def test_find_peaks(values, threshold, indices):
    peaks = vexari.find_peaks(values, threshold)
    assert [peak["index"] for peak in peaks] == indices
    assert all(list(peak) == ["index", "value"] and type(peak["index"]) is int for peak in peaks)
    assert [peak["value"] for peak in peaks] == [values[i] for i in indices]


@pytest.mark.parametrize("values, window, expected", [
    ([1.0, 2.0, 3.0, 4.0], 2, [1.0, 1.5, 2.5, 3.5]),
    ([1.0, 2.0, 3.0, 4.0], 10, [1.0, 1.5, 2.0, 2.5]),
    ([1.0, INF, 1.0, 1.0, 1.0], 2, [1.0, INF, INF, NAN, NAN]),
    # The sum is carried, not recomputed: 1e16 + 1 rounds away the 1 for good.
    ([1e16, 1.0, 1.0, 1.0], 1, [1e16, 0.0, 0.0, 0.0]),
    ([1.0, 2.0], 2**64 - 1, [1.0, 1.5]),
])
def test_moving_average(values, window, expected):
    assert same(vexari.moving_average(values, window), expected)


@pytest.mark.parametrize("values, window", [([], 2), ([1.0], 0), ([], 0)])
def test_moving_average_needs_window_and_values(values, window):
    with pytest.raises(ValueError, match="^window and values must be nonempty$"):
        vexari.moving_average(values, window)


def test_moving_average_window_is_a_count():
    with pytest.raises(OverflowError):
        vexari.moving_average([1.0], -1)
    with pytest.raises(TypeError, match="^argument 'window': "):
        vexari.moving_average([1.0], 2.0)


@pytest.mark.parametrize("values, alpha, expected", [
    ([1.0, 2.0, 3.0], 0.5, [1.0, 1.5, 2.25]),
    ([1.0, 2.0, 3.0], 0.0, [1.0, 1.0, 1.0]),
    ([1.0, 2.0, 3.0], 1.0, [1.0, 2.0, 3.0]),
    # Both products are always formed: 0 * inf poisons even alpha = 0.
    ([1.0, INF, 2.0], 0.0, [1.0, NAN, NAN]),
    ([4.0], 0.3, [4.0]),
])
def test_exponential_smooth(values, alpha, expected):
    assert same(vexari.exponential_smooth(values, alpha), expected)


@pytest.mark.parametrize("values, alpha", [([1.0], 1.5), ([1.0], -0.1), ([1.0], NAN), ([], 0.5)])
def test_exponential_smooth_rejects(values, alpha):
    with pytest.raises(ValueError, match=r"^values must be nonempty and alpha must be within \[0, 1\]$"):
        vexari.exponential_smooth(values, alpha)


class Alarm(Exception):
    pass


BIG = [float(i) for i in range(10**6)]


@pytest.mark.parametrize("call", [
    lambda: vexari.convolve(BIG, BIG),
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
