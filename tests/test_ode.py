import itertools
import math

import pytest
from hypothesis import given, settings, strategies as st

import vexari
from conftest import FailOn, Recorder, run_interrupted

FIXED = [vexari.euler, vexari.midpoint, vexari.rk4]
ALL = FIXED + [vexari.adaptive_rk4]
CALLS_PER_STEP = {vexari.euler: 1, vexari.midpoint: 2, vexari.rk4: 4}


def grow(t, y):
    return y


def times(points):
    return [point["t"] for point in points]


@pytest.mark.parametrize("solver", ALL)
@pytest.mark.parametrize("t0, t1", [(2.0, 2.0), (0.0, 1e-14), (1.0, 1.0 - 5e-15), (math.nan, 1.0),
                                    (math.inf, math.inf)])
def test_no_step_without_a_span(solver, t0, t1):
    f = Recorder(grow)
    assert repr(solver(f, 3.0, t0, t1, 0.1)) == repr([{"t": t0, "y": 3.0}]) and f.count == 0


@pytest.mark.parametrize("solver", FIXED)
@pytest.mark.parametrize("t0, t1, step, expected", [
    (0.0, 1.0, 0.3, [0.0, 0.3, 0.6, 0.8999999999999999, 1.0]),  # the last step clipped
    # Time accumulates by addition; the remainder below 1e-14 is left.
    (0.0, 1.0, 0.1, list(itertools.accumulate([0.1] * 10, initial=0.0))),
    (1.0, 0.0, 0.25, [1.0, 0.75, 0.5, 0.25, 0.0]),
    (0.0, 1.0, -0.5, [0.0, 0.5, 1.0]),  # the step's sign is ignored
])
def test_march_times(solver, t0, t1, step, expected):
    f = Recorder(grow)
    assert times(solver(f, 1.0, t0, t1, step)) == expected
    assert f.count == CALLS_PER_STEP[solver] * (len(expected) - 1)


@pytest.mark.parametrize("step", [0.0, math.nan, 1e-13])
def test_step_floor(step):
    assert len(vexari.euler(grow, 1.0, 0.0, 1e-9, step)) == 1001


@pytest.mark.parametrize("solver, calls, y", [
    (vexari.euler, [(0.0, 1.0)], 1.5),
    (vexari.midpoint, [(0.0, 1.0), (0.25, 1.25)], 1.625),
    (vexari.rk4, [(0.0, 1.0), (0.25, 1.25), (0.25, 1.3125), (0.5, 1.65625)], 1.0 + (0.5 * 7.78125) / 6.0),
])
def test_single_step_formulas(solver, calls, y):
    f = Recorder(grow)
    assert solver(f, 1.0, 0.0, 0.5, 0.5) == [{"t": 0.0, "y": 1.0}, {"t": 0.5, "y": y}] and f.calls == calls


@pytest.mark.parametrize("solver, t1, step, rel", [
    (vexari.euler, 1.0, 1e-3, 2e-3), (vexari.midpoint, 1.0, 1e-2, 1e-4), (vexari.rk4, 1.0, 1e-2, 1e-9),
    (vexari.adaptive_rk4, 1.0, 0.1, 1e-7), (vexari.adaptive_rk4, -1.0, -0.1, 1e-7)])
def test_accuracy(solver, t1, step, rel):
    points = solver(grow, 1.0, 0.0, t1, step)
    assert points[-1] == {"t": t1, "y": pytest.approx(math.exp(t1), rel=rel)}
    assert times(points) == sorted(times(points), reverse=t1 < 0)


MEMORY = r"^the step is too small for the span: the points would not fit in memory$"


@pytest.mark.parametrize("solvers, t0, t1, step, error, message", [
    *[(ALL, t0, t1, 0.5, ValueError, r"^an infinite t0 or t1 would never be reached$")
      for t0, t1 in [(0.0, math.inf), (-math.inf, 0.0), (math.inf, -math.inf), (math.inf, 1.0)]],
    (FIXED, 0.0, 1.0, 0.0, MemoryError, MEMORY), (FIXED, -1e300, 1e300, 1.0, MemoryError, MEMORY),
    # Near 1e6 a step of 1e-12 no longer changes t: the march would never end.
    (FIXED, 1e6, 1e6 + 1e-9, 1e-12, ValueError, r"^the step is too small to advance t$")])
def test_endless_runs_are_refused_before_any_call(solvers, t0, t1, step, error, message):
    for solver in solvers:
        f = Recorder(grow)
        with pytest.raises(error, match=message):
            solver(f, 1.0, t0, t1, step)
        assert f.count == 0


def test_adaptive_attempts():
    f = Recorder(lambda t, y: 0.0)
    points = vexari.adaptive_rk4(f, 1.0, 0.0, 1.0, 0.1, tol=0.0)  # estimates that agree exactly meet tol = 0
    assert times(points) == [0.0, 0.1, 0.28, 0.6040000000000001, 1.0] and f.count == 4 * 12
    # The full step, then two half steps; the second adds H/4 to t + H/2.
    three_quarters = 0.05 + 0.025
    expected = [0.0, 0.05, 0.05, 0.1] + [0.0, 0.025, 0.025, 0.05] + [0.05, three_quarters, three_quarters, 0.1]
    assert [t for t, _ in f.calls[:12]] == expected


def test_adaptive_jump_is_crossed_at_the_step_floor_and_nan_keeps_the_points_before_it():
    points = vexari.adaptive_rk4(lambda t, y: 0.0 if t < 0.5 else 1e9, 0.0, 0.0, 1.0, 0.1)
    assert points[-1]["t"] == 1.0 and min(b - a for a, b in zip(times(points), times(points)[1:])) <= 1e-12
    points = vexari.adaptive_rk4(lambda t, y: math.nan if t > 0.5 else y, 1.0, 0.0, 1.0, 0.1)
    assert len(points) > 1 and points[-1]["t"] <= 0.5 and all(math.isfinite(p["y"]) for p in points)


@pytest.mark.parametrize("f, t0, t1, step, tol, calls", [
    (grow, 0.0, 1.0, 0.1, -1.0, 12),  # the first disagreement gives a NaN step factor
    # The estimates agree but the tolerance is never met: the steps 0.1, 0.18, 0.324, 0.5832,
    # then 1.0 (clipped), which would repeat unchanged.
    (lambda t, y: 0.0, 0.0, 1.0, 0.1, -1.0, 60), (lambda t, y: 0.0, 0.0, 1.0, 0.1, math.nan, 60),
    (grow, 1e6, 1e6 + 1e-9, 1e-12, 1e-8, 0),  # the step would not change t
    (lambda t, y: math.nan, 0.0, 1.0, 0.1, 1e-8, 12)])
def test_adaptive_run_without_progress_returns_its_start(f, t0, t1, step, tol, calls):
    f = Recorder(f)
    assert vexari.adaptive_rk4(f, 1.0, t0, t1, step, tol) == [{"t": t0, "y": 1.0}] and f.count == calls


def test_adaptive_last_step_just_below_a_power_of_two_is_taken():
    # Below 8192 the doubles are 2**-40 apart, above it 2**-39: the step -2**-40 moves t, though
    # 8192 + 2**-40 rounds back to 8192. The run lands on t1 in one step (12 evaluations).
    f = Recorder(lambda t, y: 1.0)
    points = vexari.adaptive_rk4(f, 0.0, 8192.0, 8192.0 - 2**-40, 1.5e-12)
    assert [p["t"] for p in points] == [8192.0, 8192.0 - 2**-40] and f.count == 12


def test_adaptive_run_with_a_negative_tol_ends_at_an_infinite_disagreement():
    # The halves agree exactly while the step grows from 1.0 by 1.8, until
    # 6e300 * H overflows at the 31st attempt; that disagreement must end the
    # run as a finite one does, not shrink the step to grow it again for ever.
    f = FailOn(lambda t, y: 1e300, 10**5, RuntimeError("the run did not end"))
    assert vexari.adaptive_rk4(f, 1.0, 0.0, 1e10, 1.0, -1.0) == [{"t": 0.0, "y": 1.0}] and f.count == 31 * 12


TOO_LONG = "the step is too small for the span: the points would not fit in memory"


# The module's point limit is half the machine's memory, beyond a test's reach;
# a driver runs the march with a small one.
@pytest.mark.parametrize("t0, t1, step, max_points, outcome", [
    (0.0, 1.0, 0.25, 6, [("calls", "4"), ("points", "5")]),
    (0.0, 1.0, 0.25, 5, [("calls", "0"), ("error", TOO_LONG)]),  # the estimate keeps one point to spare
    # The step, clipped to t1 - t0, rounds to 1e17 and lands on 0.0; a second
    # step follows, which the estimate of two points cannot foresee.
    (-1e17, 1.0, 1e300, 3, [("calls", "2"), ("points", "3")]),
    (-1e17, 1.0, 1e300, 2, [("calls", "1"), ("error", TOO_LONG)]),
])
def test_march_keeps_no_more_points_than_its_limit(core_driver, t0, t1, step, max_points, outcome):
    assert core_driver("ode_driver", repr(t0), repr(t1), repr(step), str(max_points)) == outcome


@pytest.mark.parametrize("call", [
    "vexari.rk4(math.atan2, 0.0, 0.0, 5e6, 1.0)",  # 2e7 calls
    # With tol = 0 the accepted steps stay near 1e-16: a practically endless run.
    "vexari.adaptive_rk4(math.atan2, 1.0, 0.0, 1.0, 0.1, 0.0)"])
def test_ctrl_c_stops_a_long_run_of_a_builtin(call):
    assert run_interrupted(call) == "interrupted\n"


def adaptive_reference(f, y0, t0, t1, initial_step, tol):
    """Step doubling written out stage by stage, each product and sum rounded on its own."""
    def signum(x):
        return x if x != x else math.copysign(1.0, x)

    h = (abs(initial_step) if abs(initial_step) > 1e-12 else 1e-12) * signum(t1 - t0)
    points, t, y, rejected = [(t0, y0)], t0, y0, math.nan
    if not ((t1 - t0) * signum(h) > 1e-14):
        return points
    while True:
        H = t1 - t if ((t + h) - t1) * signum(h) > 0.0 else h
        if t + H == t or H == rejected:
            return points
        k1 = f(t, y)
        tm = t + H * 0.5
        k2 = f(tm, y + (k1 * H) * 0.5)
        k3 = f(tm, y + (H * k2) * 0.5)
        k4 = f(t + H, y + H * k3)
        y_full = y + (H * (((k1 + (k2 + k2)) + (k3 + k3)) + k4)) / 6.0
        H2 = H * 0.5
        q = H2 * 0.5
        m1 = f(t, y)
        m2 = f(t + q, y + (H2 * m1) * 0.5)
        m3 = f(t + q, y + (H2 * m2) * 0.5)
        m4 = f(tm, y + H2 * m3)
        y_mid = y + (H2 * (((m1 + (m2 + m2)) + (m3 + m3)) + m4)) / 6.0
        p1 = f(tm, y_mid)
        p2 = f(tm + q, y_mid + (H2 * p1) * 0.5)
        p3 = f(tm + q, y_mid + (H2 * p2) * 0.5)
        p4 = f(H2 + tm, y_mid + H2 * p3)
        y_two = y_mid + (H2 * (((p1 + (p2 + p2)) + (p3 + p3)) + p4)) / 6.0
        difference = y_two - y_full
        err = abs(difference)
        if abs(H) <= 1e-12 or err <= tol:
            points.append((t + H, y_two))
            t, y, rejected = t + H, y_two, math.nan
        else:
            rejected = H
        factor = 1.8
        if difference != 0.0:
            scale = math.pow(tol / err, 0.2)
            scale = 0.2 if scale < 0.2 else scale
            scale = 2.0 if scale > 2.0 else scale
            factor = 0.9 * scale
        h = H * factor
        if not ((t1 - t) * signum(h) > 1e-14):
            return points


@settings(max_examples=60, deadline=None)
@given(st.floats(-3.0, 3.0), st.floats(-2.0, 2.0), st.floats(-1.0, 1.0), st.floats(-2.0, 2.0),
       st.floats(-1.0, 1.0), st.floats(-3.0, 3.0), st.floats(1e-4, 0.5), st.floats(1e-9, 1e-3))
def test_adaptive_steps_agree_with_the_written_out_formula_bit_for_bit(a, b, c, y0, t0, span, step, tol):
    def f(t, y):
        return a * y + b * math.sin(t * 3.0) + c * t

    points = vexari.adaptive_rk4(f, y0, t0, t0 + span, step, tol)
    assert repr([(p["t"], p["y"]) for p in points]) == repr(adaptive_reference(f, y0, t0, t0 + span, step, tol))
