"""Grids, sampling a callable, finite differences and interpolation."""

import math

import pytest

import vexari
from conftest import FailOn, Recorder

NAN = float("nan")
INF = float("inf")


def test_registration_order():
    start = vexari.__all__.index("linspace")
    assert vexari.__all__[start:start + 5] == [
        "linspace", "sample_grid", "linear_interpolate", "lagrange_interpolate", "finite_difference",
    ]
    assert vexari.sample_grid.__text_signature__ == "(function, start, end, count)"


@pytest.mark.parametrize("start, end, count, expected", [
    (0.0, 1.0, 5, [0.0, 0.25, 0.5, 0.75, 1.0]),
    (1.0, 0.0, 3, [1.0, 0.5, 0.0]),
    (0.0, 1.0, 1, [0.0]),
    (0.0, 1.0, 0, []),
    (2.0, 2.0, 3, [2.0, 2.0, 2.0]),
    (0.0, 0.3, 4, [0.0, 0.09999999999999999, 0.19999999999999998, 0.3]),
    # The last point is computed like the others, not replaced by end.
    (-7.3, 6.9, 3, [-7.3, -0.20000000000000018, 6.8999999999999995]),
    # A one-point grid is start alone, even when end would spoil the formula.
    (3.0, INF, 1, [3.0]),
])
def test_linspace(start, end, count, expected):
    assert vexari.linspace(start, end, count) == expected


def test_one_point_grid_keeps_negative_zero():
    assert math.copysign(1.0, vexari.linspace(-0.0, 1.0, 1)[0]) < 0


@pytest.mark.parametrize("count", [2**45, 2**59, 2**62, 2**64 - 1])
def test_unstorable_counts_raise_memory_error_before_any_call(count):
    with pytest.raises(MemoryError):
        vexari.linspace(0.0, 1.0, count)
    recorder = Recorder(lambda x: x)
    with pytest.raises(MemoryError):
        vexari.sample_grid(recorder, 0.0, 1.0, count)
    assert recorder.count == 0


def test_sample_grid_calls_in_grid_order():
    recorder = Recorder(lambda x: x * x)
    result = vexari.sample_grid(recorder, 0.0, 2.0, 3)
    assert result == [{"x": 0.0, "y": 0.0}, {"x": 1.0, "y": 1.0}, {"x": 2.0, "y": 4.0}]
    assert all(list(item) == ["x", "y"] for item in result)
    assert recorder.calls == [(0.0,), (1.0,), (2.0,)]
    assert all(type(arg) is float for (arg,) in recorder.calls)


def test_sample_grid_of_no_points_never_calls():
    assert vexari.sample_grid(None, 0.0, 1.0, 0) == []


def test_sample_grid_raises_the_callables_exception_after_its_last_call():
    error = KeyError("second")
    failing = FailOn(lambda x: x, 2, error)
    with pytest.raises(KeyError) as info:
        vexari.sample_grid(failing, 0.0, 1.0, 5)
    assert info.value is error
    assert failing.count == 2


def test_sample_grid_result_conversion_failure_has_no_prefix():
    with pytest.raises(TypeError) as info:
        vexari.sample_grid(lambda x: "y", 0.0, 1.0, 2)
    assert not str(info.value).startswith("argument")
    assert vexari.sample_grid(lambda x: True, 0.0, 1.0, 1) == [{"x": 0.0, "y": 1.0}]


@pytest.mark.parametrize("values, spacing, expected", [
    ([0.0, 1.0, 4.0, 9.0], 1.0, [1.0, 2.0, 4.0, 5.0]),
    ([1.0, 3.0], 0.5, [4.0, 4.0]),
    ([0.0, 1.0, 4.0], -1.0, [-1.0, -2.0, -3.0]),
])
def test_finite_difference(values, spacing, expected):
    assert vexari.finite_difference(values, spacing) == expected


def test_finite_difference_nan_spacing_passes():
    assert all(math.isnan(v) for v in vexari.finite_difference([1.0, 2.0, 3.0], NAN))


@pytest.mark.parametrize("values, spacing", [([1.0], 1.0), ([], 1.0), ([1.0, 2.0], 0.0), ([1.0, 2.0], -0.0)])
def test_finite_difference_rejects(values, spacing):
    with pytest.raises(ValueError, match="^need at least two values and nonzero spacing$"):
        vexari.finite_difference(values, spacing)


@pytest.mark.parametrize("query, expected", [
    (1.5, 15.0), (2.0, 20.0), (0.0, 0.0), (1.0, 10.0), (0.25, 2.5), (NAN, 20.0),
])
def test_linear_interpolate(query, expected):
    assert vexari.linear_interpolate([0.0, 1.0, 2.0], [0.0, 10.0, 20.0], query) == expected


def test_linear_interpolate_at_a_knot_uses_the_left_interval():
    # t = 1 on the left interval gives 0 * 1 + 1 * inf = inf; the right one would give nan.
    assert vexari.linear_interpolate([0.0, 1.0, 2.0], [1.0, INF, 3.0], 1.0) == INF


CHECKED_FIRST = [
    ([0.0, 0.0, 1.0], [1.0, 2.0, 3.0], 0.5, "x values must be strictly increasing"),
    ([0.0, 1.0], [1.0], 0.5, "x and y must have matching length of at least two"),
    ([0.0], [1.0], 5.0, "x and y must have matching length of at least two"),
    ([1.0, 0.0], [1.0, 2.0], 5.0, "x values must be strictly increasing"),
]


@pytest.mark.parametrize("x, y, query, message", CHECKED_FIRST + [
    ([0.0, 1.0, 2.0], [0.0, 10.0, 20.0], 2.5, "query is outside interpolation range"),
    ([0.0, 1.0, 2.0], [0.0, 10.0, 20.0], -0.1, "query is outside interpolation range"),
])
def test_linear_interpolate_failures_in_check_order(x, y, query, message):
    with pytest.raises(ValueError) as info:
        vexari.linear_interpolate(x, y, query)
    assert str(info.value) == message


@pytest.mark.parametrize("query, expected", [(3.0, 13.0), (0.5, 1.75), (1.0, 3.0), (-1.0, 1.0)])
def test_lagrange_interpolate(query, expected):
    assert vexari.lagrange_interpolate([0.0, 1.0, 2.0], [1.0, 3.0, 7.0], query) == expected


@pytest.mark.parametrize("x, y, query, message", CHECKED_FIRST)
def test_lagrange_interpolate_failures(x, y, query, message):
    with pytest.raises(ValueError) as info:
        vexari.lagrange_interpolate(x, y, query)
    assert str(info.value) == message
