"""Plotting data: tangent segments, Newton frames and slope fields."""

import math
from collections import namedtuple

import pytest

import vexari
from conftest import FailOn, Recorder

SEGMENT_KEYS = ["x_start", "y_start", "x_end", "y_end", "center", "slope"]


def central(f, x):
    return (f(x + 1e-6) - f(x - 1e-6)) / 2e-6


@pytest.mark.parametrize("x_start, x_end", [(-1.0, 1.0), (2.0, -3.0)])
def test_tangent_segments_values_and_call_order(x_start, x_end):
    def f(x):
        return x * x * x - 2.0 * x

    g = Recorder(f)
    centers = [0.5, -1.25, 3.0]
    lines = vexari.tangent_lines(g, x_start, x_end, centers)
    expected = []
    for c in centers:
        y, slope = f(c), central(f, c)
        expected.append({"x_start": x_start, "y_start": y + slope * (x_start - c), "x_end": x_end,
                         "y_end": y + slope * (x_end - c), "center": c, "slope": slope})
    assert lines == expected and [list(line) for line in lines] == [SEGMENT_KEYS] * 3
    assert g.calls == [(x,) for c in centers for x in (c, c + 1e-6, c - 1e-6)]
    [line] = vexari.tangent_lines(lambda x: x * x, -1.0, 1.0, (0.5,))
    assert math.isclose(line["y_start"], -1.25, rel_tol=1e-9) and math.isclose(line["y_end"], 0.75, rel_tol=1e-9)


@pytest.mark.parametrize(
    "f, x0, max_iter", [(lambda x: x * x - 2.0, 1.0, 50), (math.cbrt, 1.0, 5), (lambda x: x, 0.0, 50)]
)
def test_newton_frames_follow_the_newton_history(f, x0, max_iter):
    g = Recorder(f)
    frames = vexari.newton_animation_data(g, x0, max_iter=max_iter)
    history = vexari.newton(f, x0, max_iter=max_iter)["history"]
    assert frames == [
        {"x_start": s["x"], "y_start": s["fx"], "x_end": s["next_x"], "y_end": 0.0, "center": s["x"],
         "slope": s["slope"]}
        for s in history
    ]
    assert [list(frame) for frame in frames] == [SEGMENT_KEYS] * len(history)
    assert g.calls == [(x,) for s in history for x in (s["x"], s["x"] + 1e-6, s["x"] - 1e-6)]


def test_empty_runs_and_flat_tangents():
    f = Recorder(lambda x: 3.0)
    assert vexari.tangent_lines(f, 0.0, 1.0, []) == [] and f.count == 0
    assert vexari.newton_animation_data(f, 1.0, max_iter=0) == [] and f.count == 0
    with pytest.raises(ValueError, match="^tangent slope is too small for Newton step$"):
        vexari.newton_animation_data(f, 1.0)
    assert f.count == 3
    [frame] = vexari.newton_animation_data(lambda x: x, 0.0)
    assert (frame["x_start"], frame["y_start"], frame["x_end"]) == (0.0, 0.0, 0.0)


@pytest.mark.parametrize(
    "x_range, y_range, nx, ny",
    [((0.0, 1.0), (0.0, 2.0), 2, 3), ((0.1, 0.7), (-0.3, 0.9), 7, 5), ((1.0, 0.0), (2.0, -1.0), 3, 4),
     ((0.25, 9.0), (0.5, 0.0), 1, 1)],
)
def test_direction_field_grid_order_and_unit_vectors(x_range, y_range, nx, ny):
    def coordinate(start, end, i, n):
        return start if n == 1 else start + ((end - start) * i) / (n - 1)

    f = Recorder(lambda x, y: x - 2.0 * y)
    field = vexari.ode_direction_field(f, x_range, y_range, nx, ny)
    grid = [(coordinate(*x_range, i, nx), coordinate(*y_range, j, ny)) for i in range(nx) for j in range(ny)]
    assert f.calls == grid
    expected = []
    for x, y in grid:
        s = x - 2.0 * y
        norm = math.sqrt(s * s + 1.0)
        expected.append({"x": x, "y": y, "dx": 1.0 / norm, "dy": s / norm})
    assert field == expected and all(list(sample) == ["x", "y", "dx", "dy"] for sample in field)


@pytest.mark.parametrize("slope, dx, dy", [(0.0, 1.0, 0.0), (math.inf, 0.0, math.nan), (math.nan, math.nan, math.nan)])
def test_direction_field_passes_odd_slopes_through(slope, dx, dy):
    [sample] = vexari.ode_direction_field(lambda x, y: slope, (0.0, 1.0), (0.0, 1.0), 1, 1)
    assert repr((sample["dx"], sample["dy"])) == repr((dx, dy))


@pytest.mark.parametrize(
    "nx, ny, error", [(0, 3, None), (3, 0, None), (2**32, 2**32, MemoryError), (2**63, 3, MemoryError),
                      (2**50, 1, MemoryError), (2**16, 2**16, MemoryError), (1, 2**62, MemoryError)]
)
def test_empty_or_unstorable_fields_never_call(nx, ny, error):
    f = Recorder(lambda x, y: 0.0)
    if error is None:
        assert vexari.ode_direction_field(f, (0.0, 1.0), (0.0, 1.0), nx, ny) == []
    else:
        with pytest.raises(error):
            vexari.ode_direction_field(f, (0.0, 1.0), (0.0, 1.0), nx, ny)
    assert f.count == 0


@pytest.mark.parametrize(
    "run",
    [lambda f: vexari.tangent_lines(f, 0.0, 1.0, [1.0, 2.0, 3.0]),
     lambda f: vexari.newton_animation_data(lambda x: f(x, 0.0), 1.0, max_iter=10**18),
     lambda f: vexari.ode_direction_field(f, (0.0, 1.0), (0.0, 1.0), 3, 10**6)],
)
def test_first_callable_exception_is_raised_after_the_run(run):
    error = RuntimeError("first")
    f = FailOn(lambda x, y=0.0: x * x - 2.0, 2, error)
    with pytest.raises(RuntimeError) as caught:
        run(f)
    assert caught.value is error and f.count == 2


Range = namedtuple("Range", "start end")


@pytest.mark.parametrize(
    "x_range, y_range, outcome",
    [
        ([0.0, 1.0], (0.0, 1.0), "argument 'x_range': 'list' object is not an instance of 'tuple'"),
        ((0.0, 1.0), [0.0, 1.0], "argument 'y_range': 'list' object is not an instance of 'tuple'"),
        ((0.0, 1.0, 2.0), (0.0, 1.0), "expected tuple of length 2, but got tuple of length 3"),
        ((0.0, 1.0), (0.0,), "expected tuple of length 2, but got tuple of length 1"),
        ((0.0, "a"), (0.0, 1.0), "argument 'x_range': must be real number, not str"),
        (Range(0, 1), (True, 3), [(0.0, 1.0), (0.0, 3.0), (1.0, 1.0), (1.0, 3.0)]),
    ],
)
def test_direction_field_ranges_are_pairs(x_range, y_range, outcome):
    f = Recorder(lambda x, y: 0.0)
    if isinstance(outcome, list):
        assert [(s["x"], s["y"]) for s in vexari.ode_direction_field(f, x_range, y_range, 2, 2)] == outcome
        return
    with pytest.raises(ValueError if outcome.startswith("expected") else TypeError) as caught:
        vexari.ode_direction_field(f, x_range, y_range, 2, 2)
    assert str(caught.value) == outcome and f.count == 0


def test_visualize_functions_in_order_with_signatures():
    signatures = {
        "tangent_lines": "(function, x_start, x_end, centers)",
        "newton_animation_data": "(function, x0, tol=1e-10, max_iter=50)",
        "ode_direction_field": "(function, x_range, y_range, x_count, y_count)",
    }
    assert [name for name in vexari.__all__ if name in signatures] == list(signatures)
    assert {name: getattr(vexari, name).__text_signature__ for name in signatures} == signatures
    with pytest.raises(TypeError, match="^argument 'centers': Can't extract `str` to `Vec`$"):
        vexari.tangent_lines(lambda x: x, 0.0, 1.0, "12")
