"""Python callables as numeric functions: call protocol, result conversion, the error slot."""

import math
import sys

import pytest

import vexari
from conftest import FailOn, Recorder, assert_parked, run_interrupted
from stub_facts import CALLS_BACK


def square_minus_two(x):
    return x * x - 2.0


def test_scalar_calls_with_one_fresh_float():
    seen = []

    def f(*args, **kwargs):
        assert not kwargs
        seen.append(args)
        return args[0] - 1.0

    vexari.newton(f, 3.0, max_iter=1)
    assert seen == [(3.0,), (3.0 + 1e-6,), (3.0 - 1e-6,)] and all(type(a[0]) is float for a in seen)


@pytest.mark.parametrize("error", [ValueError("x"), KeyboardInterrupt(), SystemExit(3), GeneratorExit()])
@pytest.mark.parametrize("failing", [1, 3])
def test_any_exception_is_parked_and_raised_unchanged_after_the_run(error, failing):
    f = FailOn(square_minus_two, failing, error)
    with pytest.raises(type(error)) as info:
        vexari.newton(f, 1.0)
    assert info.value is error and f.count == failing
    assert info.traceback[-1].name == "__call__"  # the traceback still leads into the callable


def in_two(f):
    return vexari.gauss_newton(lambda p: [f(p[0]), p[1] - 1.0], [1.0, 0.0])


# Runs of every function that calls back (the stub types a parameter as a callable), with the call
# at which the callable fails: the first exception ends the run at once and reaches the caller unchanged.
CALLBACK_RUNS = {
    **{name: [(lambda f, m=getattr(vexari, name): m(f, 1.0), k) for k in (1, 3, 5, 8)]
       for name in ("newton", "halley")},
    "householder": [(lambda f, order=order: vexari.householder(f, 1.0, order=order), k)
                    for order in (3, 2) for k in (1, 3, 5, 8)],
    "tangent": [(lambda f: vexari.tangent(f, 1.0), 1), (lambda f: vexari.tangent(f, 1.0), 2)],
    "gradient": [(lambda f: vexari.gradient(f, [1.0, 2.0, 3.0]), 1)],
    "gradient_descent": [(lambda f: vexari.gradient_descent(lambda p: f(p[0]), [0.0, 0.0], max_iter=10**18), 2)],
    "tangent_minimize": [(lambda f: vexari.tangent_minimize(f, 1.0, max_iter=10**18), 3)],
    "stationary_newton": [(lambda f: vexari.stationary_newton(f, 3.0, tol=-1.0, max_iter=10**18), 7)],
    # inside the Jacobian: the base evaluation, a perturbed one, one of the next iteration; then at
    # the end point of an unconverged run
    "gauss_newton": [(in_two, 2), (in_two, 4), (in_two, 9),
                     (lambda f: vexari.gauss_newton(lambda p: [f(p[0])], [1.0], tol=-1.0, max_iter=2), 9)],
    **{name: [(lambda f, s=getattr(vexari, name): s(f, 1.0, 0.0, 1.0, 0.1), 3)]
       for name in ("euler", "midpoint", "rk4", "adaptive_rk4")},
    "tanh_sinh": [(lambda f: vexari.tanh_sinh(f, 0.0, 1.0), 3)],
    "tan_sinh": [(vexari.tan_sinh, 3)],
    "quad_inf": [(vexari.quad_inf, 3)],
    "tangent_lines": [(lambda f: vexari.tangent_lines(f, 0.0, 1.0, [1.0, 2.0, 3.0]), 2)],
    "newton_animation_data": [(lambda f: vexari.newton_animation_data(f, 1.0, max_iter=10**18), 2)],
    "ode_direction_field": [(lambda f: vexari.ode_direction_field(f, (0.0, 1.0), (0.0, 1.0), 3, 10**6), 2)],
    "sample_grid": [(lambda f: vexari.sample_grid(f, 0.0, 1.0, 5), 2)],
}


def test_every_function_that_calls_back_has_runs():
    assert sorted(CALLBACK_RUNS) == sorted(CALLS_BACK)


@pytest.mark.parametrize("name, run, failing", [(name, *run) for name, runs in CALLBACK_RUNS.items()
                                                 for run in runs])
def test_every_callback_routine_raises_the_first_exception_unchanged(name, run, failing):
    assert_parked(run, lambda x, *rest: x**3 - 2.0, failing)


F = type("F", (float,), {"__float__": lambda self: 5.0})  # read by its value
G = type("G", (), {"__float__": lambda self: 9.0})


@pytest.mark.parametrize("answers, fx, slope", [
    ([True, 3, 1.0], 1.0, (3.0 - 1.0) / 2e-6), ([F(1.0), G(), 1.0], 1.0, 8.0 / 2e-6),
    ([-1, F(-1.0), 2], -1.0, (-1.0 - 2.0) / 2e-6),  # -1 is the conversion's failure value, and a value too
])
def test_results_convert_like_float_arguments(answers, fx, slope):
    calls = iter(answers)
    record = vexari.newton(lambda x: next(calls), 0.0, max_iter=1)["history"][0]
    assert (record["fx"], record["slope"]) == (fx, slope)


def no_float(self):
    raise ZeroDivisionError("no float")


@pytest.mark.parametrize("function, error, message", [
    (5, TypeError, "'int' object is not callable"),
    (lambda x: "1.0", TypeError, "must be real number, not str"),
    (lambda x: type("Bad", (), {"__float__": no_float})(), ZeroDivisionError, "no float"),
])
def test_call_and_conversion_failures_are_parked_after_one_call(function, error, message):
    counted = Recorder(function) if callable(function) else function
    with pytest.raises(error) as info:
        vexari.newton(counted, 1.0)
    assert str(info.value) == message
    assert counted is function or counted.count == 1


def test_nested_module_calls_have_their_own_slot():
    def inner_root(x):
        with pytest.raises(ZeroDivisionError):  # must not leak into the outer call
            vexari.newton(lambda y: 1 / 0, 1.0)
        return vexari.newton(lambda y: y - x, 0.0)["root"] - 2.0

    result = vexari.newton(inner_root, 0.0)
    assert result["converged"] and abs(result["root"] - 2.0) < 1e-9


# A panic unwinds through the routine at once, whatever the routine was building when it came.
@pytest.mark.parametrize("run, failing", [
    (lambda f: vexari.newton(f, 1.0), 2),
    (lambda f: vexari.gauss_newton(lambda p: [f(p[0])], [1.0], tol=-1.0, max_iter=2), 9),  # the end point
    (lambda f: vexari.sample_grid(f, 0.0, 1.0, 5), 2),
    (lambda f: vexari.tangent_lines(f, 0.0, 1.0, [1.0, 2.0]), 2),
    (lambda f: vexari.ode_direction_field(f, (0.0, 1.0), (0.0, 1.0), 2, 2), 2),
])
def test_panic_from_a_callback_ends_the_call_at_once(capfd, run, failing):
    error = vexari.PanicException("boom")
    f = FailOn(lambda x, *rest: x**3 - 2.0, failing, error)
    with pytest.raises(vexari.PanicException) as caught:
        run(f)
    assert caught.value is error and f.count == failing
    err = capfd.readouterr().err
    assert err.startswith("vexari: a callback raised PanicException; the call ends here\n") and "boom" in err


def test_builtin_callable_and_flat_refcounts():
    assert vexari.newton(math.sin, 3.0)["root"] == pytest.approx(math.pi, abs=1e-12)

    def f(x):
        return x - 1.0

    before = sys.getrefcount(f)
    for _ in range(100):
        vexari.newton(f, 0.0)
        with pytest.raises(ZeroDivisionError):
            vexari.newton(lambda x: 1 / 0, 0.0)
    assert sys.getrefcount(f) == before


@pytest.mark.parametrize("function", ["math.sin", "lambda x: x"])
def test_ctrl_c_ends_a_long_run_promptly(function):
    # A run that would never end on its own: only SIGINT can stop it.
    assert run_interrupted(f"vexari.newton({function}, 1.0, tol=-1.0, max_iter=2**62)") == "interrupted\n"
