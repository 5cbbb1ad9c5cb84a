"""Optimizers: gradient descent, tangent minimization, stationary Newton, Gauss-Newton."""

import math

import pytest
from hypothesis import given, strategies as st

import vexari
from conftest import FailOn, Recorder

H = 1e-6


def moved(point, j, delta):
    p = list(point)
    p[j] = point[j] + delta
    return p


def sum_of_squares(values):
    total = -0.0  # plain left-to-right sum; builtin sum() compensates
    for v in values:
        total = total + v * v
    return total


def norm(values):
    return math.sqrt(sum_of_squares(values))


def bowl(p):
    return (p[0] - 1.0) ** 2 + 3.0 * (p[1] + 0.5) ** 2


@pytest.mark.parametrize("max_iter", [1, 4, 200])
def test_gradient_descent_steps_calls_and_end_point(max_iter):
    f = Recorder(bowl)
    result = vexari.gradient_descent(f, [0.0, 0.0], step_size=0.1, tol=1e-6, max_iter=max_iter)
    assert list(result) == ["point", "value", "converged", "iterations", "history"]
    history = result["history"]
    assert result["iterations"] == len(history) and result["converged"] == (max_iter == 200)
    calls = []
    for k, step in enumerate(history):
        assert list(step) == ["iteration", "point", "value", "gradient"] and step["iteration"] == k
        x = step["point"]
        assert step["value"] == bowl(x)
        assert step["gradient"] == [(bowl(moved(x, j, H)) - bowl(moved(x, j, -H))) / 2e-6 for j in range(2)]
        calls += [(x,)] + [(moved(x, j, d),) for j in range(2) for d in (H, -H)]
    for before, after in zip(history, history[1:]):
        assert after["point"] == [x - 0.1 * g for x, g in zip(before["point"], before["gradient"])]
    last = history[-1]
    if result["converged"]:
        assert norm(last["gradient"]) <= 1e-6 < norm(history[-2]["gradient"])
        assert (result["point"], result["value"]) == (last["point"], last["value"])
    else:
        end = [x - 0.1 * g for x, g in zip(last["point"], last["gradient"])]
        assert (result["point"], result["value"]) == (end, bowl(end))
        calls.append((end,))
    assert f.calls == calls


@pytest.mark.parametrize("start", [[], [5.0, -3.0]])
def test_gradient_descent_flat_start_converges_at_once(start):
    f = Recorder(lambda p: 7.5)
    assert vexari.gradient_descent(f, start) == {
        "point": start, "value": 7.5, "converged": True, "iterations": 1,
        "history": [{"iteration": 0, "point": start, "value": 7.5, "gradient": [0.0] * len(start)}]}
    assert f.count == 1 + 2 * len(start)


def test_gradient_descent_negative_tol_and_independent_records():
    def f(p):
        p.append(99.0)  # the callable may keep or change its argument
        return p[0] ** 2

    result = vexari.gradient_descent(f, [1.0], tol=-1.0, max_iter=5)
    assert (result["converged"], result["iterations"]) == (False, 5)
    points = [step["point"] for step in result["history"]]
    assert all(len(p) == 1 for p in points) and points[0] == [1.0] and points[1] != points[0]


@pytest.mark.parametrize("start, max_iter", [(0.0, 3), (4.0, 1000), (-2.5, 0)])
def test_tangent_minimize_is_descent_on_one_coordinate(start, max_iter):
    def f(x):
        return (x - 1.0) ** 2 + 0.25 * x**4

    g = Recorder(f)
    result = vexari.tangent_minimize(g, start, step_size=0.05, max_iter=max_iter)
    assert result == vexari.gradient_descent(lambda p: f(p[0]), [start], step_size=0.05, max_iter=max_iter)
    assert g.calls[:3] == [(start,), (start + H,), (start - H,)][: 3 if max_iter else 1]


@pytest.mark.parametrize("f, start", [(lambda x: (x - 2.0) ** 2 + 1.0, 0.0), (lambda x: -((x + 1.0) ** 2), 3.0),
                                      (math.cos, 2.5)])
def test_stationary_newton_runs_newton_on_the_derivative(f, start):
    g = Recorder(f)
    result = vexari.stationary_newton(g, start)
    run = vexari.newton(lambda x: (f(x + H) - f(x - H)) / 2e-6, start, tol=1e-8, max_iter=100)
    assert run["converged"]
    assert result == {"point": [run["root"]], "value": f(run["root"]), "converged": True,
                      "iterations": run["iterations"], "history": []}
    assert g.count == 6 * run["iterations"] + 1 and g.calls[-1] == (run["root"],)
    up, down = start + H, start - H
    assert g.calls[:6] == [(up,), (down,), (up + H,), (up - H,), (down + H,), (down - H,)]


def line_residuals(p):
    return [p[0] * x + p[1] - y for x, y in [(0.0, 1.1), (1.0, 2.9), (2.0, 5.05)]]


def test_gauss_newton_affine_residuals_converge_in_two_steps():
    f = Recorder(line_residuals)
    result = vexari.gauss_newton(f, [0.0, 0.0])
    assert result["converged"] and result["iterations"] == 2 and f.count == 2 * 6
    first, second = result["history"]
    assert second["point"] == [d + x for d, x in zip(first["gradient"], first["point"])]
    assert (result["point"], result["value"]) == (second["point"], second["value"])
    assert all(s["value"] == 0.5 * sum_of_squares(line_residuals(s["point"])) for s in result["history"])
    assert norm(second["gradient"]) <= 1e-8 < norm(first["gradient"])
    assert math.isclose(result["point"][0], 1.975, rel_tol=1e-9)
    x = first["point"]  # the residual, then the Jacobian at the same point
    assert f.calls[:6] == [(x,), (x,)] + [(moved(x, j, d),) for j in range(2) for d in (H, -H)]


def test_gauss_newton_one_unknown_solves_the_normal_equation():
    def r(p):
        return [math.exp(0.3 * p[0]) - 2.0, p[0] - 2.5]

    result = vexari.gauss_newton(r, [0.0], tol=-1.0, max_iter=3)
    for step in result["history"]:
        x = step["point"]
        jac = [(a - b) / 2e-6 for a, b in zip(r(moved(x, 0, H)), r(moved(x, 0, -H)))]
        a, b = 0.0, 0.0
        for j, ri in zip(jac, r(x)):
            b, a = b - j * ri, a + j * j
        assert step["gradient"] == [b / a]
    end = [step["gradient"][0] + x[0]]
    assert (result["point"], result["value"]) == (end, 0.5 * sum_of_squares(r(end)))


@pytest.mark.parametrize("run", [
    lambda f: vexari.gradient_descent(lambda p: f(p[0]), [1.5], max_iter=0),
    lambda f: vexari.tangent_minimize(f, 1.5, max_iter=0),
    lambda f: vexari.stationary_newton(f, 1.5, max_iter=0),
    lambda f: vexari.gauss_newton(lambda p: [f(p[0]), 1.0], [1.5], max_iter=0),
])
def test_zero_budget_evaluates_the_start_once(run):
    log = []
    result = run(lambda x: log.append(x) or 2.0)
    assert result["point"] == [1.5] and result["value"] in (2.0, 2.5)
    assert (result["converged"], result["iterations"], result["history"]) == (False, 0, [])
    assert len(log) == 1


def test_core_messages_win():
    with pytest.raises(ValueError, match="^tangent slope is too small for Newton step$"):
        vexari.stationary_newton(lambda x: 4.0, 0.0)
    for residuals, start in [(lambda p: [p[0] - 1.0], [0.0, 0.0]), (lambda p: [], [1.0])]:
        with pytest.raises(ValueError, match="^matrix is singular$"):
            vexari.gauss_newton(residuals, start)
    # a failure at the residual that opens an iteration leaves no residuals: singular
    for failing in (1, 5):
        f = FailOn(lambda p: [p[0] ** 2 - 2.0], failing, RuntimeError("dropped"))
        with pytest.raises(ValueError, match="^matrix is singular$"):
            vexari.gauss_newton(f, [1.0])
        assert f.count == failing


@pytest.mark.parametrize("change_at", [2, 3, 6])
@pytest.mark.parametrize("lengths", [(2, 3), (2, 1)])
def test_gauss_newton_refuses_a_residual_length_change(change_at, lengths):
    calls = []

    def residuals(p):
        calls.append(p)
        return [p[0] - 1.0, p[1] + p[0], 0.5][: lengths[len(calls) == change_at]]

    with pytest.raises(ValueError, match="^residual length changed between evaluations$"):
        vexari.gauss_newton(residuals, [0.0, 0.0])


def test_vector_results_convert_like_vector_arguments():
    with pytest.raises(TypeError, match="^Can't extract `str` to `Vec`$"):
        vexari.gauss_newton(lambda p: "r", [1.0], max_iter=0)


@given(st.lists(st.integers(0, 3), min_size=1, max_size=12), st.integers(0, 3), st.integers(0, 3))
def test_gauss_newton_any_residual_lengths_are_safe(lengths, n, max_iter):
    # Whatever the lengths, the run ends in a result or one of the fixed messages.
    calls = []

    def residuals(p):
        calls.append(p)
        m = lengths[min(len(calls), len(lengths)) - 1]
        return [p[0] + i if p else float(i) for i in range(m)]

    try:
        result = vexari.gauss_newton(residuals, [0.5] * n, max_iter=max_iter)
    except ValueError as error:
        assert str(error) in ("matrix is singular", "residual length changed between evaluations")
    else:
        assert all(len(step["gradient"]) == n for step in result["history"])
