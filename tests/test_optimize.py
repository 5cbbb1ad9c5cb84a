"""Optimizers: gradient descent, tangent minimization, stationary Newton, Gauss-Newton."""

import math

import pytest
from hypothesis import given, strategies as st

import vexari
from conftest import FailOn, Recorder, run_interrupted

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


def test_gradient_descent_flat_start_negative_tol_and_independent_records():
    for start in ([], [5.0, -3.0]):
        f = Recorder(lambda p: 7.5)
        step = {"iteration": 0, "point": start, "value": 7.5, "gradient": [0.0] * len(start)}
        result = vexari.gradient_descent(f, start, tol=0.0)  # a zero gradient meets a zero tolerance
        assert result == {"point": start, "value": 7.5, "converged": True, "iterations": 1, "history": [step]}
        assert f.count == 1 + 2 * len(start)

    def g(p):
        p.append(99.0)  # the callable may keep or change its argument
        return p[0] ** 2

    result = vexari.gradient_descent(g, [1.0], tol=-1.0, max_iter=5)
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


def test_ctrl_c_stops_forming_the_normal_equations():
    """800 unknowns, 6000 residuals: the evaluations are over within a tenth of a second, then forming
    the normal equations runs for more than a second without calling into Python (uninterrupted, the
    zero Jacobian ends the run with a singular system)."""
    call = "vexari.gauss_newton(lambda p: residuals, [0.0] * 800)"
    assert run_interrupted(call, "residuals = [1.0] * 6000") == "interrupted\n"


@pytest.mark.parametrize("run, value", [
    (lambda f: vexari.gradient_descent(lambda p: f(p[0]), [1.5], max_iter=0), 2.0),
    (lambda f: vexari.tangent_minimize(f, 1.5, max_iter=0), 2.0),
    (lambda f: vexari.stationary_newton(f, 1.5, max_iter=0), 2.0),
    (lambda f: vexari.gauss_newton(lambda p: [f(p[0]), 1.0], [1.5], max_iter=0), 2.5)])
def test_zero_budget_evaluates_the_start_once(run, value):
    f = Recorder(lambda x: 2.0)
    assert run(f) == {"point": [1.5], "value": value, "converged": False, "iterations": 0, "history": []}
    assert f.calls == [(1.5,)]


SINGULAR = "matrix is singular"
CHANGED = "residual length changed between evaluations"


def scripted(lengths):
    """Residuals whose length at call k is lengths[k - 1] (the last repeats)."""
    calls = []

    def residuals(p):
        calls.append(p)
        return [sum(p) - 1.0, p[-1] * 2.0 if p else 2.0, 0.5][: lengths[min(len(calls), len(lengths)) - 1]]

    return residuals


@pytest.mark.parametrize("run, message", [
    (lambda: vexari.stationary_newton(lambda x: 4.0, 0.0), "tangent slope is too small for Newton step"),
    (lambda: vexari.gauss_newton(lambda p: [p[0] - 1.0], [0.0, 0.0]), SINGULAR),
    (lambda: vexari.gauss_newton(lambda p: [], [1.0]), SINGULAR),
    # the change at the base evaluation of the Jacobian, a perturbed one, its last
    *[(lambda k=k, m=m: vexari.gauss_newton(scripted([2] * (k - 1) + [m]), [0.0, 0.0]), CHANGED)
      for k in (2, 3, 6) for m in (1, 3)],
])
def test_core_messages(run, message):
    with pytest.raises(ValueError) as info:
        run()
    assert str(info.value) == message


@pytest.mark.parametrize("failing", [1, 5])
@pytest.mark.parametrize("error", [RuntimeError("kept"), KeyError("x"), KeyboardInterrupt(), SystemExit(3)])
def test_core_message_carries_the_callables_exception(failing, error):
    """A failure at the residual that opens an iteration leaves no residuals: singular. The user's
    exception is the ValueError's cause; one that is no Exception (Ctrl-C, exit) ends the call itself."""
    f = FailOn(lambda p: [p[0] ** 2 - 2.0], failing, error)
    with pytest.raises(BaseException) as info:
        vexari.gauss_newton(f, [1.0])
    if isinstance(error, Exception):
        assert type(info.value) is ValueError and str(info.value) == SINGULAR
        assert info.value.__cause__ is error and info.value.__suppress_context__
    else:
        assert info.value is error
    assert f.count == failing


def test_a_core_message_with_no_callable_exception_has_no_cause():
    with pytest.raises(ValueError) as info:
        vexari.gauss_newton(lambda p: [p[0] + p[1] - 1.0, 2.0 * (p[0] + p[1])], [1.0, 1.0])
    assert str(info.value) == SINGULAR
    assert info.value.__cause__ is None and not info.value.__suppress_context__


def test_a_core_failure_inside_an_except_block_keeps_its_context():
    try:
        raise LookupError("handled")
    except LookupError as error:
        handled = error
        with pytest.raises(ValueError) as info:
            vexari.gauss_newton(FailOn(lambda p: [p[0]], 1, OSError("mine")), [0.0])
    assert str(info.value) == SINGULAR
    assert type(info.value.__cause__) is OSError and info.value.__context__ is handled


def test_vector_results_convert_like_vector_arguments():
    with pytest.raises(TypeError, match="^Can't extract `str` to `Vec`$"):
        vexari.gauss_newton(lambda p: "r", [1.0], max_iter=0)


@given(st.lists(st.integers(0, 3), min_size=1, max_size=12), st.integers(0, 3), st.integers(0, 3))
def test_gauss_newton_any_residual_lengths_are_safe(lengths, n, max_iter):
    try:
        result = vexari.gauss_newton(scripted(lengths), [0.5] * n, max_iter=max_iter)
    except ValueError as error:
        assert str(error) in (SINGULAR, CHANGED)
    else:
        assert all(len(step["gradient"]) == n for step in result["history"])
