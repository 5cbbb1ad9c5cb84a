"""The Newton engine through vexari.newton."""

import math

import pytest

from conftest import Recorder
from vexari import newton

KEYS = ["root", "converged", "iterations", "history"]
STEP_KEYS = ["iteration", "x", "fx", "slope", "next_x"]


def reference_newton(f, x0, tol=1e-10, max_iter=50):
    """The iteration written out in Python, for bit-for-bit comparison."""
    history, x = [], x0
    for k in range(max_iter):
        gx, gp, gm = f(x), f(x + 1e-6), f(x - 1e-6)
        slope = (gp - gm) / 2e-6
        if abs(slope) < 1e-14:
            raise ValueError("tangent slope is too small for Newton step")
        nxt = x - gx / slope
        history.append({"iteration": k, "x": x, "fx": gx, "slope": slope, "next_x": nxt})
        if abs(gx) <= tol or abs(nxt - x) <= tol:
            return {"root": nxt, "converged": True, "iterations": k + 1, "history": history}
        x = nxt
    return {"root": x, "converged": False, "iterations": max_iter, "history": history}


def test_square_root_of_two():
    f = Recorder(lambda x: x * x - 2.0)
    result = newton(f, 1.0)
    assert list(result) == KEYS
    assert result["converged"] is True
    assert result["iterations"] == 5 == len(result["history"])
    assert result["root"] == pytest.approx(math.sqrt(2.0), abs=1e-15)
    first = result["history"][0]
    assert list(first) == STEP_KEYS
    assert (first["iteration"], first["x"], first["fx"]) == (0, 1.0, -1.0)
    assert first["slope"] == pytest.approx(2.0, abs=1e-8)
    assert first["next_x"] == pytest.approx(1.5, abs=1e-8)
    assert f.count == 15
    assert result["root"] == result["history"][-1]["next_x"]


@pytest.mark.parametrize(
    "f, x0, kwargs",
    [
        (lambda x: x * x - 2.0, 1.0, {}),
        (lambda x: 2.0 * x - 4.0, 0.0, {}),
        (math.cos, 1.0, {"tol": 0.0, "max_iter": 12}),
        (lambda x: math.copysign(abs(x) ** (1 / 3), x), 1.0, {"max_iter": 5}),
        (lambda x: math.exp(x) - 10.0, 0.0, {"tol": 1e-3}),
        (lambda x: x**3 - x - 1, 1.5, {"tol": -1.0, "max_iter": 8}),
    ],
)
def test_matches_the_iteration_bit_for_bit(f, x0, kwargs):
    assert newton(f, x0, **kwargs) == reference_newton(f, x0, **kwargs)


def test_linear_function_converges_in_two():
    result = newton(lambda x: 2.0 * x - 4.0, 0.0)
    assert result["iterations"] == 2
    assert result["history"][0]["next_x"] == pytest.approx(2.0, abs=1e-9)
    assert result["root"] == result["history"][1]["next_x"]
    assert result["root"] == pytest.approx(2.0, abs=1e-12)


def test_zero_budget_calls_nothing():
    f = Recorder(lambda x: x)
    assert newton(f, 3.5, max_iter=0) == {"root": 3.5, "converged": False, "iterations": 0, "history": []}
    assert f.count == 0


@pytest.mark.parametrize("f, x0", [(lambda x: 3.0, 1.0), (lambda x: x * x, 0.0)])
def test_flat_slope_is_an_error_after_three_calls(f, x0):
    recorder = Recorder(f)
    with pytest.raises(ValueError) as info:
        newton(recorder, x0)
    assert str(info.value) == "tangent slope is too small for Newton step"
    assert info.type is ValueError
    assert recorder.count == 3


def test_flat_slope_in_a_later_iteration_discards_the_history():
    # Steep at 1.0, flat everywhere the first step lands.
    f = lambda x: x - 1.5 if x < 1.2 else 7.0  # noqa: E731
    with pytest.raises(ValueError, match="tangent slope is too small"):
        newton(f, 1.0)


def test_divergence_is_reported_not_raised():
    cube_root = lambda x: math.copysign(abs(x) ** (1 / 3), x)  # noqa: E731
    result = newton(cube_root, 1.0, max_iter=5)
    assert result["converged"] is False
    assert result["iterations"] == 5 == len(result["history"])
    assert result["root"] == result["history"][-1]["next_x"]


def test_nan_everywhere_runs_the_budget():
    f = Recorder(lambda x: math.nan)
    result = newton(f, 1.0, max_iter=7)
    assert result["converged"] is False and result["iterations"] == 7
    assert all(math.isnan(r["fx"]) and math.isnan(r["slope"]) for r in result["history"])
    assert f.count == 21


def test_tolerance_zero_needs_an_exact_zero():
    # Two exact steps land on 2.0 where the residual is exactly 0.0.
    result = newton(lambda x: x - 2.0, 0.0, tol=0.0)
    assert result["converged"]
    assert result["history"][-1]["fx"] == 0.0 or result["history"][-1]["next_x"] == result["history"][-1]["x"]


def test_negative_tolerance_never_converges():
    result = newton(lambda x: x - 2.0, 0.0, tol=-1.0, max_iter=4)
    assert result["converged"] is False and result["iterations"] == 4


def test_infinite_values_are_carried_through():
    result = newton(lambda x: math.inf, 1.0, max_iter=2)
    assert result["converged"] is False
    assert math.isnan(result["history"][0]["slope"])


def test_single_iteration_by_keyword():
    result = newton(lambda x: x * x - 2.0, x0=1.0, max_iter=1)
    assert len(result["history"]) == 1 and result["iterations"] == 1
    assert result["root"] == result["history"][0]["next_x"]


def test_results_are_fresh_objects():
    f = lambda x: x - 1.0  # noqa: E731
    first, second = newton(f, 0.0), newton(f, 0.0)
    assert first == second
    assert first is not second and first["history"] is not second["history"]
    assert type(first["iterations"]) is int and type(first["converged"]) is bool
