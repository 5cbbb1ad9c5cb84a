"""Plotting data: tangent segments, Newton frames and slope fields."""

import math
from collections import namedtuple

import pytest

import vexari
from conftest import Recorder

KEYS = ["x_start", "y_start", "x_end", "y_end", "center", "slope"]


def cubic(x):
    return x * x * x - 2.0 * x


@pytest.mark.parametrize("x_start, x_end", [(-1.0, 1.0), (2.0, -3.0)])
def test_tangent_segments_values_and_call_order(x_start, x_end):
    g, centers, expected = Recorder(cubic), [0.5, -1.25, 3.0], []
    for c in centers:
        y, slope = cubic(c), (cubic(c + 1e-6) - cubic(c - 1e-6)) / 2e-6
        expected.append(dict(zip(KEYS, [x_start, y + slope * (x_start - c), x_end, y + slope * (x_end - c), c, slope])))
    lines = vexari.tangent_lines(g, x_start, x_end, centers)
    assert lines == expected and [list(line) for line in lines] == [KEYS] * 3
    assert g.calls == [(x,) for c in centers for x in (c, c + 1e-6, c - 1e-6)]


@pytest.mark.parametrize("f, x0, max_iter", [(lambda x: x * x - 2.0, 1.0, 50), (math.cbrt, 1.0, 5),
                                             (lambda x: x, 0.0, 50), (lambda x: 3.0, 1.0, 0)])
def test_newton_frames_follow_the_newton_history(f, x0, max_iter):
    g = Recorder(f)
    frames = vexari.newton_animation_data(g, x0, max_iter=max_iter)
    history = vexari.newton(f, x0, max_iter=max_iter)["history"]
    assert [list(frame.items()) for frame in frames] == [
        list(zip(KEYS, [s["x"], s["fx"], s["next_x"], 0.0, s["x"], s["slope"]])) for s in history]
    assert g.calls == [(x,) for s in history for x in (s["x"], s["x"] + 1e-6, s["x"] - 1e-6)]


def test_empty_runs_and_flat_tangents():
    f = Recorder(lambda x: 3.0)
    assert vexari.tangent_lines(f, 0.0, 1.0, []) == [] and f.count == 0
    with pytest.raises(ValueError, match="^tangent slope is too small for Newton step$"):
        vexari.newton_animation_data(f, 1.0)
    assert f.count == 3


Range = namedtuple("Range", "start end")


@pytest.mark.parametrize("x_range, y_range, nx, ny", [
    ((0.0, 1.0), (0.0, 2.0), 2, 3), ((0.1, 0.7), (-0.3, 0.9), 7, 5), ((1.0, 0.0), (2.0, -1.0), 3, 4),
    ((0.25, 9.0), (0.5, 0.0), 1, 1), (Range(0, 1), (True, 3), 2, 2)])
def test_direction_field_grid_order_and_unit_vectors(x_range, y_range, nx, ny):
    def coordinate(start, end, i, n):
        return float(start) if n == 1 else start + ((end - start) * i) / (n - 1)

    f = Recorder(lambda x, y: x - 2.0 * y)
    field = vexari.ode_direction_field(f, x_range, y_range, nx, ny)
    grid = [(coordinate(*x_range, i, nx), coordinate(*y_range, j, ny)) for i in range(nx) for j in range(ny)]
    assert f.calls == grid
    expected = []
    for x, y in grid:
        s = x - 2.0 * y
        norm = math.sqrt(s * s + 1.0)
        expected.append([("x", x), ("y", y), ("dx", 1.0 / norm), ("dy", s / norm)])
    assert [list(sample.items()) for sample in field] == expected


@pytest.mark.parametrize("slope, dx, dy", [
    (0.0, 1.0, 0.0), (math.nan, math.nan, math.nan), (1e154, 1e-154, 1.0),
    # Slopes whose square overflows still point (almost) straight up or down.
    (math.inf, 0.0, 1.0), (-math.inf, 0.0, -1.0), (2e154, 5e-155, 1.0), (-1e300, 1e-300, -1.0)])
def test_direction_field_passes_odd_slopes_through(slope, dx, dy):
    [sample] = vexari.ode_direction_field(lambda x, y: slope, (0.0, 1.0), (0.0, 1.0), 1, 1)
    assert repr((sample["dx"], sample["dy"])) == repr((dx, dy))


@pytest.mark.parametrize("nx, ny", [(0, 3), (3, 0), (2**32, 2**32), (2**63, 3), (2**50, 1), (2**16, 2**16), (1, 2**62)])
def test_empty_or_unstorable_fields_never_call(nx, ny):
    f = Recorder(lambda x, y: 0.0)
    if nx and ny:
        # Past 64 bits the message gives the two counts, in the order asked.
        counted = nx * ny < 2**64
        with pytest.raises(MemoryError, match=f"^{nx * ny if counted else f'{nx} x {ny}'} points were asked for"):
            vexari.ode_direction_field(f, (0.0, 1.0), (0.0, 1.0), nx, ny)
    else:
        assert vexari.ode_direction_field(f, (0.0, 1.0), (0.0, 1.0), nx, ny) == []
    assert f.count == 0
