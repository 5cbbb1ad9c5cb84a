"""Plotting data: tangent segments, Newton frames and slope fields."""

import math

import pytest

import vexari
from conftest import FailOn, Recorder

SEGMENT_KEYS = ["x_start", "y_start", "x_end", "y_end", "center", "slope"]


def central(f, x):
    return (f(x + 1e-6) - f(x - 1e-6)) / 2e-6


# --- newton_animation_data ---------------------------------------------------


@pytest.mark.parametrize(
    "f, x0, max_iter",
    [(lambda x: x * x - 2.0, 1.0, 50), (lambda x: math.cbrt(x), 1.0, 5), (lambda x: x, 0.0, 50)],
)
def test_newton_frames_follow_the_newton_history(f, x0, max_iter):
    frames = vexari.newton_animation_data(f, x0, max_iter=max_iter)
    history = vexari.newton(f, x0, max_iter=max_iter)["history"]
    assert [list(frame) for frame in frames] == [SEGMENT_KEYS] * len(history)
    assert frames == [
        {"x_start": s["x"], "y_start": s["fx"], "x_end": s["next_x"], "y_end": 0.0, "center": s["x"],
         "slope": s["slope"]}
        for s in history
    ]


def test_newton_frames_first_step_and_calls():
    f = Recorder(lambda x: x * x - 2.0)
    frames = vexari.newton_animation_data(f, 1.0)
    slope = (f.function(1.0 + 1e-6) - f.function(1.0 - 1e-6)) / 2e-6
    assert frames[0] == {"x_start": 1.0, "y_start": -1.0, "x_end": 1.0 - (-1.0) / slope, "y_end": 0.0,
                         "center": 1.0, "slope": slope}
    assert f.calls[:3] == [(1.0,), (1.0 + 1e-6,), (1.0 - 1e-6,)]
    assert f.count == 3 * len(frames)
    assert math.isclose(frames[-1]["x_end"], math.sqrt(2.0), rel_tol=1e-12)


def test_newton_frames_zero_budget_and_root_at_start():
    f = Recorder(lambda x: x)
    assert vexari.newton_animation_data(f, 1.0, max_iter=0) == []
    assert f.count == 0
    [frame] = vexari.newton_animation_data(lambda x: x, 0.0)
    assert (frame["x_start"], frame["y_start"], frame["x_end"]) == (0.0, 0.0, 0.0)


def test_newton_frames_flat_tangent():
    f = Recorder(lambda x: 3.0)
    with pytest.raises(ValueError, match="^tangent slope is too small for Newton step$"):
        vexari.newton_animation_data(f, 1.0)
    assert f.count == 3


def test_newton_frames_raise_the_callable_exception_after_the_run():
    error = ZeroDivisionError("boom")
    f = FailOn(lambda x: x * x - 2.0, 4, error)
    with pytest.raises(ZeroDivisionError) as caught:
        vexari.newton_animation_data(f, 1.0, max_iter=10)
    assert caught.value is error
    assert f.count == 4


# --- ode_direction_field -----------------------------------------------------


def test_direction_field_order_and_values():
    f = Recorder(lambda x, y: x - 2.0 * y)
    field = vexari.ode_direction_field(f, (0.0, 1.0), (0.0, 2.0), 2, 3)
    points = [(0.0, 0.0), (0.0, 1.0), (0.0, 2.0), (1.0, 0.0), (1.0, 1.0), (1.0, 2.0)]
    assert f.calls == points
    expected = []
    for x, y in points:
        s = x - 2.0 * y
        norm = math.sqrt(s * s + 1.0)
        expected.append({"x": x, "y": y, "dx": 1.0 / norm, "dy": s / norm})
    assert field == expected
    assert [list(sample) for sample in field] == [["x", "y", "dx", "dy"]] * 6


@pytest.mark.parametrize(
    "x_range, y_range, nx, ny",
    [((0.1, 0.7), (-0.3, 0.9), 7, 5), ((1.0, 0.0), (2.0, -1.0), 3, 4), ((0.25, 9.0), (0.5, 0.0), 1, 1)],
)
def test_direction_field_grid_is_computed_from_the_index(x_range, y_range, nx, ny):
    def coordinate(start, end, i, n):
        return start if n == 1 else start + ((end - start) * i) / (n - 1)

    f = Recorder(lambda x, y: 0.0)
    field = vexari.ode_direction_field(f, x_range, y_range, nx, ny)
    grid = [(coordinate(*x_range, i, nx), coordinate(*y_range, j, ny)) for i in range(nx) for j in range(ny)]
    assert f.calls == grid
    assert [(s["x"], s["y"]) for s in field] == grid
    assert all(s["dx"] == 1.0 and s["dy"] == 0.0 for s in field)


@pytest.mark.parametrize(
    "slope, dx, dy",
    [(1.0, 1 / math.sqrt(2.0), 1 / math.sqrt(2.0)), (math.inf, 0.0, math.nan), (math.nan, math.nan, math.nan)],
)
def test_direction_field_passes_odd_slopes_through(slope, dx, dy):
    [sample] = vexari.ode_direction_field(lambda x, y: slope, (0.0, 1.0), (0.0, 1.0), 1, 1)
    assert math.isclose(sample["dx"], dx, rel_tol=1e-15) or (math.isnan(dx) and math.isnan(sample["dx"]))
    assert math.isclose(sample["dy"], dy, rel_tol=1e-15) or (math.isnan(dy) and math.isnan(sample["dy"]))


@pytest.mark.parametrize("nx, ny", [(0, 3), (3, 0), (0, 0)])
def test_empty_direction_field_never_calls(nx, ny):
    f = Recorder(lambda x, y: 0.0)
    assert vexari.ode_direction_field(f, (0.0, 1.0), (0.0, 1.0), nx, ny) == []
    assert f.count == 0


@pytest.mark.parametrize("nx, ny", [(2**32, 2**32), (2**63, 3), (2**40, 1), (1, 2**62)])
def test_direction_field_too_large_to_store(nx, ny):
    f = Recorder(lambda x, y: 0.0)
    with pytest.raises(MemoryError):
        vexari.ode_direction_field(f, (0.0, 1.0), (0.0, 1.0), nx, ny)
    assert f.count == 0


def test_direction_field_raises_the_first_exception_once():
    error = RuntimeError("first")
    f = FailOn(lambda x, y: 0.0, 2, error)
    with pytest.raises(RuntimeError) as caught:
        vexari.ode_direction_field(f, (0.0, 1.0), (0.0, 1.0), 3, 3)
    assert caught.value is error
    assert f.count == 2


@pytest.mark.parametrize(
    "x_range, y_range, error, message",
    [
        ([0.0, 1.0], (0.0, 1.0), TypeError, "argument 'x_range': 'list' object is not an instance of 'tuple'"),
        ((0.0, 1.0), [0.0, 1.0], TypeError, "argument 'y_range': 'list' object is not an instance of 'tuple'"),
        ((0.0, 1.0, 2.0), (0.0, 1.0), ValueError, "expected tuple of length 2, but got tuple of length 3"),
        ((0.0, 1.0), (0.0,), ValueError, "expected tuple of length 2, but got tuple of length 1"),
        ((0.0, "a"), (0.0, 1.0), TypeError, "argument 'x_range': "),
    ],
)
def test_direction_field_ranges_are_pairs(x_range, y_range, error, message):
    f = Recorder(lambda x, y: 0.0)
    with pytest.raises(error) as caught:
        vexari.ode_direction_field(f, x_range, y_range, 2, 2)
    assert str(caught.value).startswith(message)
    assert f.count == 0


def test_direction_field_accepts_tuple_subclasses_and_int_items():
    from collections import namedtuple

    Range = namedtuple("Range", "start end")
    field = vexari.ode_direction_field(lambda x, y: 0.0, Range(0, 1), (True, 3), 2, 2)
    assert [(s["x"], s["y"]) for s in field] == [(0.0, 1.0), (0.0, 3.0), (1.0, 1.0), (1.0, 3.0)]


# --- tangent_lines -------------------------------------------------------------


@pytest.mark.parametrize("x_start, x_end", [(-1.0, 1.0), (2.0, -3.0), (0.5, 0.5)])
def test_tangent_segments_values_and_call_order(x_start, x_end):
    def f(x):
        return x * x * x - 2.0 * x

    g = Recorder(f)
    centers = [0.5, -1.25, 3.0]
    lines = vexari.tangent_lines(g, x_start, x_end, centers)
    expected, calls = [], []
    for c in centers:
        y, slope = f(c), central(f, c)
        expected.append({"x_start": x_start, "y_start": y + slope * (x_start - c), "x_end": x_end,
                         "y_end": y + slope * (x_end - c), "center": c, "slope": slope})
        calls += [(c,), (c + 1e-6,), (c - 1e-6,)]
    assert lines == expected
    assert [list(line) for line in lines] == [SEGMENT_KEYS] * 3
    assert g.calls == calls


def test_tangent_of_a_parabola():
    [line] = vexari.tangent_lines(lambda x: x * x, -1.0, 1.0, (0.5,))
    assert line["center"] == 0.5
    assert math.isclose(line["slope"], 1.0, rel_tol=1e-9)
    assert math.isclose(line["y_start"], -1.25, rel_tol=1e-9)
    assert math.isclose(line["y_end"], 0.75, rel_tol=1e-9)


def test_tangent_segments_without_centers_never_call():
    f = Recorder(lambda x: x)
    assert vexari.tangent_lines(f, 0.0, 1.0, []) == []
    assert f.count == 0


def test_tangent_segments_raise_the_first_exception_after_all_centers():
    error = ValueError("not here")
    f = FailOn(lambda x: x, 2, error)
    with pytest.raises(ValueError) as caught:
        vexari.tangent_lines(f, 0.0, 1.0, [1.0, 2.0, 3.0])
    assert caught.value is error and f.count == 2


def test_tangent_segments_argument_errors():
    with pytest.raises(TypeError, match="^argument 'centers': Can't extract `str` to `Vec`$"):
        vexari.tangent_lines(lambda x: x, 0.0, 1.0, "12")
    with pytest.raises(TypeError, match="^argument 'x_end': "):
        vexari.tangent_lines(lambda x: x, 0.0, None, [1.0])


# --- registration --------------------------------------------------------------


def test_visualize_functions_in_order_with_signatures():
    signatures = {
        "tangent_lines": "(function, x_start, x_end, centers)",
        "newton_animation_data": "(function, x0, tol=1e-10, max_iter=50)",
        "ode_direction_field": "(function, x_range, y_range, x_count, y_count)",
    }
    assert [name for name in vexari.__all__ if name in signatures] == list(signatures)
    for name, signature in signatures.items():
        assert getattr(vexari, name).__text_signature__ == signature
