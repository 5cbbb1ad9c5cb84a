"""Optimizers: gradient descent, tangent minimization, stationary Newton, Gauss-Newton."""

import math

import pytest

import vexari
from conftest import FailOn, Recorder

RESULT_KEYS = ["point", "value", "converged", "iterations", "history"]
STEP_KEYS = ["iteration", "point", "value", "gradient"]
H = 1e-6


def moved(point, j, delta):
    p = list(point)
    p[j] = point[j] + delta
    return p


def central_gradient(f, point):
    return [(f(moved(point, j, H)) - f(moved(point, j, -H))) / 2e-6 for j in range(len(point))]


def norm(values):
    total = -0.0
    for v in values:
        total = total + v * v
    return math.sqrt(total)


def half_sum_of_squares(values):
    total = -0.0
    for v in values:
        total = total + v * v
    return 0.5 * total


def assert_shape(result):
    assert list(result) == RESULT_KEYS
    assert result["iterations"] == len(result["history"]) or result["history"] == []
    for k, step in enumerate(result["history"]):
        assert list(step) == STEP_KEYS
        assert step["iteration"] == k


def bowl(p):
    return (p[0] - 1.0) ** 2 + 3.0 * (p[1] + 0.5) ** 2


# --- gradient_descent ----------------------------------------------------------


@pytest.mark.parametrize("max_iter", [1, 4, 200])
def test_gradient_descent_steps_calls_and_end_point(max_iter):
    f = Recorder(bowl)
    result = vexari.gradient_descent(f, [0.0, 0.0], step_size=0.1, tol=1e-6, max_iter=max_iter)
    assert_shape(result)
    history = result["history"]
    expected_calls = []
    for step in history:
        x = step["point"]
        assert step["value"] == bowl(x)
        assert step["gradient"] == central_gradient(bowl, x)
        expected_calls += [tuple([x])] + [(moved(x, j, d),) for j in range(2) for d in (H, -H)]
    for before, after in zip(history, history[1:]):
        assert after["point"] == [x - 0.1 * g for x, g in zip(before["point"], before["gradient"])]
    last = history[-1]
    if result["converged"]:
        assert norm(last["gradient"]) <= 1e-6 < norm(history[-2]["gradient"])
        assert (result["point"], result["value"]) == (last["point"], last["value"])
    else:
        assert result["iterations"] == max_iter
        end = [x - 0.1 * g for x, g in zip(last["point"], last["gradient"])]
        assert (result["point"], result["value"]) == (end, bowl(end))
        expected_calls.append((end,))
    assert f.calls == expected_calls
    assert result["converged"] == (max_iter == 200)


def test_gradient_descent_zero_budget_calls_once():
    f = Recorder(bowl)
    result = vexari.gradient_descent(f, (2.0, 1.0), max_iter=0)
    assert result == {"point": [2.0, 1.0], "value": bowl([2.0, 1.0]), "converged": False, "iterations": 0,
                      "history": []}
    assert f.calls == [([2.0, 1.0],)]


@pytest.mark.parametrize("start", [[], [5.0, -3.0]])
def test_gradient_descent_flat_start_converges_at_once(start):
    f = Recorder(lambda p: 7.5)
    result = vexari.gradient_descent(f, start)
    assert result == {"point": start, "value": 7.5, "converged": True, "iterations": 1,
                      "history": [{"iteration": 0, "point": start, "value": 7.5, "gradient": [0.0] * len(start)}]}
    assert f.count == 1 + 2 * len(start)


def test_gradient_descent_negative_tol_runs_the_budget():
    result = vexari.gradient_descent(lambda p: 0.0, [1.0], tol=-1.0, max_iter=5)
    assert (result["converged"], result["iterations"], len(result["history"])) == (False, 5, 5)


def test_gradient_descent_records_are_independent_copies():
    seen = []

    def f(p):
        seen.append(p)
        p.append(99.0)  # the callable may modify its argument freely
        return p[0] ** 2

    result = vexari.gradient_descent(f, [1.0], max_iter=3)
    points = [step["point"] for step in result["history"]]
    assert points[0] == [1.0] and len({id(p) for p in points}) == 3
    assert all(len(p) == 1 for p in points) and len({id(p) for p in seen}) == len(seen)


@pytest.mark.parametrize("failing", [1, 2, 5])
def test_gradient_descent_raises_the_callable_exception(failing):
    error = ArithmeticError("objective failed")
    f = FailOn(bowl, failing, error)
    with pytest.raises(ArithmeticError) as caught:
        vexari.gradient_descent(f, [0.0, 0.0], max_iter=10**18)
    assert caught.value is error
    assert f.count == failing


def test_gradient_descent_result_that_is_not_a_number():
    with pytest.raises(TypeError):
        vexari.gradient_descent(lambda p: "low", [0.0])


# --- tangent_minimize ----------------------------------------------------------


@pytest.mark.parametrize("start, max_iter", [(0.0, 3), (4.0, 1000), (-2.5, 0)])
def test_tangent_minimize_is_descent_on_one_coordinate(start, max_iter):
    def f(x):
        return (x - 1.0) ** 2 + 0.25 * x**4

    g = Recorder(f)
    result = vexari.tangent_minimize(g, start, step_size=0.05, max_iter=max_iter)
    assert result == vexari.gradient_descent(lambda p: f(p[0]), [start], step_size=0.05, max_iter=max_iter)
    assert len(result["point"]) == 1 and all(type(c) is tuple and type(c[0]) is float for c in g.calls)
    if result["history"]:
        x = result["history"][0]["point"][0]
        assert g.calls[:3] == [(x,), (x + H,), (x - H,)]


def test_tangent_minimize_converges_and_reports_one_element_lists():
    result = vexari.tangent_minimize(lambda x: (x - 3.0) ** 2, 0.0, step_size=0.25)
    assert result["converged"] and math.isclose(result["point"][0], 3.0, abs_tol=1e-8)
    assert all(len(s["point"]) == len(s["gradient"]) == 1 for s in result["history"])


def test_tangent_minimize_raises_the_callable_exception():
    error = KeyError("x")
    f = FailOn(lambda x: x * x, 3, error)
    with pytest.raises(KeyError) as caught:
        vexari.tangent_minimize(f, 1.0, max_iter=10**9)
    assert caught.value is error and f.count == 3


# --- stationary_newton ---------------------------------------------------------


def derivative(f):
    return lambda x: (f(x + H) - f(x - H)) / 2e-6


@pytest.mark.parametrize(
    "f, start",
    [(lambda x: (x - 2.0) ** 2 + 1.0, 0.0), (lambda x: -((x + 1.0) ** 2), 3.0), (lambda x: math.cos(x), 2.5)],
)
def test_stationary_newton_runs_newton_on_the_derivative(f, start):
    g = Recorder(f)
    result = vexari.stationary_newton(g, start)
    run = vexari.newton(derivative(f), start, tol=1e-8, max_iter=100)
    assert result == {"point": [run["root"]], "value": f(run["root"]), "converged": run["converged"],
                      "iterations": run["iterations"], "history": []}
    assert result["converged"]
    assert g.count == 6 * run["iterations"] + 1 and g.calls[-1] == (run["root"],)
    x = start
    up, down = x + H, x - H
    assert g.calls[:6] == [(up,), (down,), (up + H,), (up - H,), (down + H,), (down - H,)]


def test_stationary_newton_zero_budget():
    f = Recorder(lambda x: x * x)
    assert vexari.stationary_newton(f, 1.5, max_iter=0) == {
        "point": [1.5], "value": 2.25, "converged": False, "iterations": 0, "history": []}
    assert f.calls == [(1.5,)]


def test_stationary_newton_flat_second_derivative():
    f = Recorder(lambda x: 4.0)
    with pytest.raises(ValueError, match="^tangent slope is too small for Newton step$"):
        vexari.stationary_newton(f, 0.0)
    assert f.count == 6


@pytest.mark.parametrize("failing", [1, 6, 7, 13])
def test_stationary_newton_raises_the_callable_exception(failing):
    error = OSError("gone")
    f = FailOn(lambda x: x**3 - x, failing, error)
    with pytest.raises(OSError) as caught:
        vexari.stationary_newton(f, 3.0, tol=-1.0, max_iter=10**18)
    assert caught.value is error and f.count == failing


# --- gauss_newton --------------------------------------------------------------


def line_residuals(p):
    # points on y = 2x + 1, fitted by (slope, intercept)
    return [p[0] * x + p[1] - (2.0 * x + 1.0 + e) for x, e in [(0.0, 0.1), (1.0, -0.1), (2.0, 0.05)]]


def test_gauss_newton_affine_residuals_converge_in_two_steps():
    f = Recorder(line_residuals)
    result = vexari.gauss_newton(f, [0.0, 0.0])
    assert_shape(result)
    assert result["converged"] and result["iterations"] == 2
    first, second = result["history"]
    assert second["point"] == [d + x for d, x in zip(first["gradient"], first["point"])]
    assert result["point"] == second["point"] and result["value"] == second["value"]
    for step in result["history"]:
        assert step["value"] == half_sum_of_squares(line_residuals(step["point"]))
        assert len(step["gradient"]) == 2
    assert norm(second["gradient"]) <= 1e-8 < norm(first["gradient"])
    assert math.isclose(result["point"][0], 1.975, rel_tol=1e-9)
    # residual, then the Jacobian at the same point (1 + 2n calls), per iteration
    x = first["point"]
    assert f.calls[:6] == [(x,), (x,), (moved(x, 0, H),), (moved(x, 0, -H),), (moved(x, 1, H),),
                           (moved(x, 1, -H),)]
    assert f.count == 2 * 6


def test_gauss_newton_one_unknown_matches_the_normal_equation():
    def r(p):
        return [math.exp(0.3 * p[0]) - 2.0, p[0] - 2.5]

    result = vexari.gauss_newton(r, [0.0], max_iter=4)
    for step in result["history"]:
        x = step["point"]
        res = r(x)
        jac = [(a - b) / 2e-6 for a, b in zip(r(moved(x, 0, H)), r(moved(x, 0, -H)))]
        a, b = 0.0, 0.0
        for j, ri in zip(jac, res):
            b = b - j * ri
            a = a + j * j
        assert step["gradient"] == [b / a]


def test_gauss_newton_unconverged_run_evaluates_the_end_point():
    f = Recorder(lambda p: [p[0] ** 2 - 2.0])
    result = vexari.gauss_newton(f, [1.0], tol=-1.0, max_iter=3)
    last = result["history"][-1]
    end = [last["gradient"][0] + last["point"][0]]
    assert (result["converged"], result["iterations"], result["point"]) == (False, 3, end)
    assert result["value"] == half_sum_of_squares([end[0] ** 2 - 2.0])
    assert f.count == 3 * 4 + 1 and f.calls[-1] == (end,)


def test_gauss_newton_zero_budget_and_empty_cases():
    f = Recorder(lambda p: [3.0, 4.0])
    assert vexari.gauss_newton(f, [1.0], max_iter=0) == {
        "point": [1.0], "value": 12.5, "converged": False, "iterations": 0, "history": []}
    assert f.count == 1
    result = vexari.gauss_newton(lambda p: [1.0], [])
    assert result == {"point": [], "value": 0.5, "converged": True, "iterations": 1,
                      "history": [{"iteration": 0, "point": [], "value": 0.5, "gradient": []}]}


@pytest.mark.parametrize(
    "residuals, start",
    [(lambda p: [p[0] - 1.0], [0.0, 0.0]), (lambda p: [], [1.0]), (lambda p: [p[0] * p[1] - 1.0], [0.0, 0.0])],
)
def test_gauss_newton_singular_normal_equations(residuals, start):
    with pytest.raises(ValueError, match="^matrix is singular$"):
        vexari.gauss_newton(residuals, start)


def test_gauss_newton_failed_opening_residual_reports_a_singular_matrix():
    f = FailOn(lambda p: [p[0] - 1.0], 1, RuntimeError("dropped"))
    with pytest.raises(ValueError, match="^matrix is singular$"):
        vexari.gauss_newton(f, [0.0])
    assert f.count == 1
    # the same at the residual that opens a later iteration
    f = FailOn(lambda p: [p[0] ** 2 - 2.0], 5, RuntimeError("dropped"))
    with pytest.raises(ValueError, match="^matrix is singular$"):
        vexari.gauss_newton(f, [1.0])


@pytest.mark.parametrize("failing", [2, 3, 4, 9])
def test_gauss_newton_failure_inside_the_jacobian_is_the_callable_exception(failing):
    error = ZeroDivisionError("in the jacobian")
    f = FailOn(lambda p: [p[0] ** 2 - 2.0, p[1] - 1.0], failing, error)
    with pytest.raises(ZeroDivisionError) as caught:
        vexari.gauss_newton(f, [1.0, 0.0])
    assert caught.value is error and f.count == failing


def test_gauss_newton_failure_at_the_end_point_is_the_callable_exception():
    error = LookupError("last")
    f = FailOn(lambda p: [p[0] - 1.0], 9, error)
    with pytest.raises(LookupError) as caught:
        vexari.gauss_newton(f, [0.0], tol=-1.0, max_iter=2)
    assert caught.value is error and f.count == 9


def length_changing(change_at):
    calls = [0]

    def residuals(p):
        calls[0] += 1
        extra = [0.5] if calls[0] == change_at else []
        return [p[0] - 1.0, p[1] + p[0]] + extra

    return residuals


def shortening(change_at):
    calls = [0]

    def residuals(p):
        calls[0] += 1
        return [p[0] - 1.0, p[1] + p[0]][: 1 if calls[0] == change_at else 2]

    return residuals


@pytest.mark.parametrize("make", [length_changing, shortening])
@pytest.mark.parametrize("change_at", [2, 3, 6])
def test_gauss_newton_residual_length_change_is_refused(make, change_at):
    with pytest.raises(ValueError, match="^residual length changed between evaluations$"):
        vexari.gauss_newton(make(change_at), [0.0, 0.0])


def test_gauss_newton_residuals_that_are_not_a_sequence():
    calls = []

    def residuals(p):
        calls.append(p)
        return "r" if len(calls) == 3 else (p[0] - 1.0,)

    with pytest.raises(TypeError, match="^Can't extract `str` to `Vec`$"):
        vexari.gauss_newton(residuals, [1.0])
    assert len(calls) == 3


# --- boundary --------------------------------------------------------------------


@pytest.mark.parametrize(
    "call, error, message",
    [
        (lambda: vexari.gradient_descent(bowl, "12"), TypeError, "argument 'start': Can't extract `str` to `Vec`"),
        (lambda: vexari.gradient_descent(bowl, [0.0], step_size=None), TypeError, "argument 'step_size': "),
        (lambda: vexari.tangent_minimize(bowl, [0.0]), TypeError, "argument 'start': "),
        (lambda: vexari.stationary_newton(bowl, 0.0, tol="x"), TypeError, "argument 'tol': "),
        (lambda: vexari.gauss_newton(bowl, [0.0], max_iter=1.0), TypeError, "argument 'max_iter': "),
        (lambda: vexari.gauss_newton(bowl, [0.0], max_iter=-1), OverflowError, ""),
        (lambda: vexari.gradient_descent(bowl), TypeError,
         "gradient_descent() missing 1 required positional argument: 'start'"),
    ],
)
def test_argument_errors(call, error, message):
    with pytest.raises(error) as caught:
        call()
    assert str(caught.value).startswith(message)
    if error is OverflowError:
        assert "argument" not in str(caught.value)


def test_optimize_functions_in_order_with_signatures():
    signatures = {
        "gradient_descent": "(function, start, step_size=0.01, tol=1e-8, max_iter=1000)",
        "tangent_minimize": "(function, start, step_size=0.01, tol=1e-8, max_iter=1000)",
        "stationary_newton": "(function, start, tol=1e-8, max_iter=100)",
        "gauss_newton": "(function, start, tol=1e-8, max_iter=100)",
    }
    assert [name for name in vexari.__all__ if name in signatures] == list(signatures)
    for name, signature in signatures.items():
        assert getattr(vexari, name).__text_signature__ == signature


def test_keyword_calls_and_defaults():
    f = Recorder(lambda p: (p[0] - 0.5) ** 2)
    by_keyword = vexari.gradient_descent(function=f, start=[0.0], step_size=0.01, tol=1e-8, max_iter=1000)
    assert vexari.gradient_descent(lambda p: (p[0] - 0.5) ** 2, [0.0]) == by_keyword
