import math

import pytest

import vexari
from conftest import FailOn, Recorder


def halley_reference(f, x0, tol=1e-10, max_iter=50):
    """The Halley iteration written out step by step in Python floats."""
    history, x = [], x0
    for k in range(max_iter):
        f0, fp, fm = f(x), f(x + 1e-6), f(x - 1e-6)
        fpp, f0b, fmm = f(x + 1e-4), f(x), f(x - 1e-4)
        d1 = (fp - fm) / 2e-6
        d2 = ((fpp - (f0b + f0b)) + fmm) / 1e-8
        den = d1 * (d1 + d1) - f0 * d2
        if abs(den) < 1e-14:
            raise ValueError("Halley denominator is too small")
        nxt = x - ((f0 + f0) * d1) / den
        history.append({"iteration": k, "x": x, "fx": f0, "slope": d1, "next_x": nxt})
        if abs(f0) <= tol or abs(nxt - x) <= tol:
            return {"root": nxt, "converged": True, "iterations": k + 1, "history": history}
        x = nxt
    return {"root": x, "converged": False, "iterations": max_iter, "history": history}


CASES = [
    pytest.param(lambda x: x * x - 2.0, 1.0, {}, id="sqrt2"),
    pytest.param(lambda x: math.cos(x) - x, 0.3, {"tol": 0.0, "max_iter": 12}, id="cos-tol0"),
    pytest.param(lambda x: math.copysign(abs(x) ** (1 / 3), x), 1.0, {"max_iter": 5}, id="cbrt-diverges"),
    pytest.param(lambda x: x**3 - 2 * x + 2, 0.5, {"max_iter": 7}, id="cycle"),
    pytest.param(lambda x: math.nan, 1.0, {"max_iter": 3}, id="nan"),
    pytest.param(lambda x: math.exp(x) - 5.0, 3.0, {"tol": -1.0, "max_iter": 6}, id="negative-tol"),
]


@pytest.mark.parametrize("f, x0, options", CASES)
def test_halley_matches_the_iteration_bit_for_bit(f, x0, options):
    assert repr(vexari.halley(f, x0, **options)) == repr(halley_reference(f, x0, **options))


@pytest.mark.parametrize("f, x0, options", CASES)
@pytest.mark.parametrize("order, method", [(2, vexari.newton), (3, vexari.halley)])
def test_householder_is_newton_and_halley_value_for_value_and_call_for_call(f, x0, options, order, method):
    direct, general = Recorder(f), Recorder(f)
    expected = method(direct, x0, **options)
    assert repr(vexari.householder(general, x0, order=order, **options)) == repr(expected)
    assert repr(general.calls) == repr(direct.calls)


def test_householder_default_order_is_halley():
    f = lambda x: x * x - 3.0
    assert repr(vexari.householder(f, 2.0)) == repr(vexari.halley(f, 2.0))


@pytest.mark.parametrize("order, method, calls, message", [
    (2, vexari.newton, 3, "tangent slope is too small for Newton step"),
    (3, vexari.halley, 6, "Halley denominator is too small"),
])
@pytest.mark.parametrize("f, x0", [(lambda x: 3.0, 1.0), (lambda x: x * x, 0.0)], ids=["constant", "double-root"])
def test_flat_functions_fail_with_the_method_message(f, x0, order, method, calls, message):
    direct, general = Recorder(f), Recorder(f)
    with pytest.raises(ValueError, match=f"^{message}$"):
        method(direct, x0)
    with pytest.raises(ValueError, match=f"^{message}$"):
        vexari.householder(general, x0, order=order)
    assert general.calls == direct.calls
    assert general.count == calls


def test_halley_first_iteration_evaluates_six_points_twice_at_x():
    f = Recorder(lambda x: x * x - 2.0)
    result = vexari.halley(f, 1.0, max_iter=1)
    assert f.calls == [(1.0,), (1.0 + 1e-6,), (1.0 - 1e-6,), (1.0 + 1e-4,), (1.0,), (1.0 - 1e-4,)]
    step = result["history"][0]
    assert step["fx"] == -1.0 and step["slope"] == pytest.approx(2.0, abs=1e-8)
    assert step["next_x"] == pytest.approx(1.4, abs=1e-8)


def test_halley_converges_cubically_on_sqrt2():
    result = vexari.halley(lambda x: x * x - 2.0, 1.0)
    assert result["converged"] is True and result["iterations"] == 4
    assert result["root"] == pytest.approx(math.sqrt(2.0), abs=1e-15)
    assert list(result) == ["root", "converged", "iterations", "history"]


@pytest.mark.parametrize("order", [0, 1, 4, 2**64 - 1])
@pytest.mark.parametrize("max_iter", [0, 50])
def test_unsupported_order_is_refused_before_any_call(order, max_iter):
    f = Recorder(lambda x: x)
    with pytest.raises(ValueError, match="^supported Householder orders are 2 and 3$"):
        vexari.householder(f, 1.0, order=order, max_iter=max_iter)
    assert f.count == 0


@pytest.mark.parametrize("call", [
    lambda f: vexari.halley(f, 2.5, max_iter=0),
    lambda f: vexari.householder(f, 2.5, order=2, max_iter=0),
    lambda f: vexari.householder(f, 2.5, max_iter=0),
])
def test_no_budget_returns_the_start_without_calls(call):
    f = Recorder(lambda x: x)
    assert call(f) == {"root": 2.5, "converged": False, "iterations": 0, "history": []}
    assert f.count == 0


@pytest.mark.parametrize("call", [
    lambda f: vexari.halley(f, 1.0),
    lambda f: vexari.householder(f, 1.0),
    lambda f: vexari.householder(f, 1.0, order=2),
])
@pytest.mark.parametrize("failing", [1, 3, 5, 8])
def test_a_failing_callable_raises_its_exception_after_one_failed_call(call, failing):
    error = LookupError("boom")
    f = FailOn(lambda x: x * x - 2.0, failing, error)
    with pytest.raises(LookupError) as caught:
        call(f)
    assert caught.value is error
    assert f.count == failing


@pytest.mark.parametrize("name, text", [
    ("halley", "(function, x0, tol=1e-10, max_iter=50)"),
    ("householder", "(function, x0, order=3, tol=1e-10, max_iter=50)"),
])
def test_signatures(name, text):
    assert getattr(vexari, name).__text_signature__ == text


def test_householder_keyword_arguments_and_order_conversion():
    f = lambda x: x * x - 2.0
    assert vexari.householder(function=f, x0=1.0, order=2, tol=1e-10, max_iter=50) == vexari.newton(f, 1.0)
    with pytest.raises(TypeError, match="^argument 'order': "):
        vexari.householder(f, 1.0, order=3.0)
    with pytest.raises(OverflowError):
        vexari.householder(f, 1.0, order=-1)
