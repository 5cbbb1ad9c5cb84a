"""Newton, Halley and Householder root finding, checked against the iterations written out in Python."""

import math

import pytest

import vexari
from conftest import Recorder


def newton_step(f, x):
    gx, gp, gm = f(x), f(x + 1e-6), f(x - 1e-6)
    slope = (gp - gm) / 2e-6
    if abs(slope) < 1e-14:
        raise ValueError("tangent slope is too small for Newton step")
    return gx, slope, x - gx / slope


def halley_step(f, x):
    f0, fp, fm = f(x), f(x + 1e-6), f(x - 1e-6)
    fpp, f0b, fmm = f(x + 1e-4), f(x), f(x - 1e-4)
    d1 = (fp - fm) / 2e-6
    d2 = ((fpp - (f0b + f0b)) + fmm) / 1e-8
    den = d1 * (d1 + d1) - f0 * d2
    if abs(den) < 1e-14:
        raise ValueError("Halley denominator is too small")
    return f0, d1, x - ((f0 + f0) * d1) / den


def reference(step, f, x0, tol=1e-10, max_iter=50):
    history, x = [], x0
    for k in range(max_iter):
        fx, slope, nxt = step(f, x)
        history.append({"iteration": k, "x": x, "fx": fx, "slope": slope, "next_x": nxt})
        if abs(fx) <= tol or abs(nxt - x) <= tol:
            return {"root": nxt, "converged": True, "iterations": k + 1, "history": history}
        x = nxt
    return {"root": x, "converged": False, "iterations": max_iter, "history": history}


CASES = [
    (lambda x: x * x - 2.0, 1.0, {}),
    (lambda x: 2.0 * x - 4.0, 0.0, {}),
    (lambda x: x - 2.0, 0.0, {"tol": 0.0}),
    (lambda x: math.cos(x) - x, 0.3, {"tol": 0.0, "max_iter": 12}),
    (lambda x: math.copysign(abs(x) ** (1 / 3), x), 1.0, {"max_iter": 5}),  # diverges
    (lambda x: x**3 - 2 * x + 2, 0.5, {"max_iter": 7}),  # cycles
    (lambda x: math.exp(x) - 10.0, 0.0, {"tol": 1e-3}),
    (lambda x: x**3 - x - 1, 1.5, {"tol": -1.0, "max_iter": 8}),
    (lambda x: math.nan, 1.0, {"max_iter": 3}),
    (lambda x: math.inf, 1.0, {"max_iter": 2}),
]
METHODS = [(vexari.newton, newton_step, 2), (vexari.halley, halley_step, 3)]


@pytest.mark.parametrize("f, x0, options", CASES)
@pytest.mark.parametrize("method, step, order", METHODS)
def test_runs_match_the_iteration_bit_for_bit_and_householder_call_for_call(f, x0, options, method, step, order):
    written, direct, general = Recorder(f), Recorder(f), Recorder(f)
    result = method(direct, x0, **options)
    assert repr(result) == repr(reference(step, written, x0, **options))
    assert repr(vexari.householder(general, x0, order=order, **options)) == repr(result)
    assert repr(general.calls) == repr(direct.calls) == repr(written.calls)


def test_sqrt2():
    f = Recorder(lambda x: x * x - 2.0)
    result = vexari.newton(f, 1.0)
    assert (result["converged"], result["iterations"], f.count) == (True, 5, 15)
    assert result["root"] == pytest.approx(math.sqrt(2.0), abs=1e-15)
    assert vexari.halley(f.function, 1.0, max_iter=1)["history"][0]["next_x"] == pytest.approx(1.4, abs=1e-8)
    assert repr(vexari.householder(f.function, 2.0)) == repr(vexari.halley(f.function, 2.0))  # order 3 by default


@pytest.mark.parametrize("call", [lambda f: vexari.newton(f, 2.5, max_iter=0),
                                  lambda f: vexari.halley(f, 2.5, max_iter=0),
                                  lambda f: vexari.householder(f, 2.5, order=2, max_iter=0),
                                  lambda f: vexari.householder(f, 2.5, max_iter=0)])
def test_no_budget_returns_the_start_without_calls(call):
    f = Recorder(lambda x: x)
    assert call(f) == {"root": 2.5, "converged": False, "iterations": 0, "history": []} and f.count == 0


@pytest.mark.parametrize("order, method, calls, message", [
    (2, vexari.newton, 3, "tangent slope is too small for Newton step"),
    (3, vexari.halley, 6, "Halley denominator is too small"),
])
@pytest.mark.parametrize("f, x0, steps", [(lambda x: 3.0, 1.0, 1), (lambda x: x * x, 0.0, 1),
                                          (lambda x: x - 1.5 if x < 1.2 else 7.0, 1.0, 2)])
def test_flat_functions_fail_with_the_method_message(f, x0, steps, order, method, calls, message):
    direct, general = Recorder(f), Recorder(f)
    for run in (lambda: method(direct, x0), lambda: vexari.householder(general, x0, order=order)):
        with pytest.raises(ValueError) as info:
            run()
        assert type(info.value) is ValueError and str(info.value) == message
    assert general.calls == direct.calls
    assert general.count == calls * steps


@pytest.mark.parametrize("order", [0, 1, 4, 2**64 - 1])
@pytest.mark.parametrize("max_iter", [0, 50])
def test_unsupported_order_is_refused_before_any_call(order, max_iter):
    f = Recorder(lambda x: x)
    with pytest.raises(ValueError, match="^supported Householder orders are 2 and 3$"):
        vexari.householder(f, 1.0, order=order, max_iter=max_iter)
    assert f.count == 0
