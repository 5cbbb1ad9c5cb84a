"""Python callables as numeric functions: call protocol, result conversion, the error slot."""

import math
import signal
import subprocess
import sys
import time

import pytest

import vexari
from conftest import FailOn, PanicException, Recorder


def square_minus_two(x):
    return x * x - 2.0


def test_scalar_calls_with_one_fresh_float():
    seen = []

    def f(*args, **kwargs):
        assert not kwargs
        seen.append(args)
        return args[0] - 1.0

    vexari.newton(f, 3.0, max_iter=1)
    assert [len(a) for a in seen] == [1, 1, 1]
    assert all(type(a[0]) is float for a in seen)
    assert [a[0] for a in seen] == [3.0, 3.0 + 1e-6, 3.0 - 1e-6]


def test_non_callable_fails_once_after_the_run():
    with pytest.raises(TypeError, match="'int' object is not callable"):
        vexari.newton(5, 1.0)


def test_exception_is_raised_unchanged_after_the_run():
    error = ValueError("third call")
    f = FailOn(square_minus_two, 3, error)
    with pytest.raises(ValueError) as info:
        vexari.newton(f, 1.0)
    assert info.value is error
    assert f.count == 3
    # The traceback still leads into the callable.
    assert info.traceback[-1].name == "__call__"


@pytest.mark.parametrize("error", [KeyboardInterrupt(), SystemExit(3), GeneratorExit(), ArithmeticError("x")])
def test_any_base_exception_is_parked(error):
    f = FailOn(square_minus_two, 1, error)
    with pytest.raises(type(error)) as info:
        vexari.newton(f, 1.0)
    assert info.value is error
    assert f.count == 1


def test_true_and_int_results():
    # fx of the first record is the value the callable returned at x0.
    calls = iter([True, 3, 1.0])
    record = vexari.newton(lambda x: next(calls), 0.0, max_iter=1)["history"][0]
    assert record["fx"] == 1.0
    assert record["slope"] == (3.0 - 1.0) / 2e-6


def test_str_result_is_a_type_error_without_prefix():
    with pytest.raises(TypeError) as info:
        vexari.newton(lambda x: "1.0", 1.0)
    assert not str(info.value).startswith("argument")


def test_float_subclass_and_dunder_float_results():
    class F(float):
        def __float__(self):
            return 5.0

    class G:
        def __float__(self):
            return 9.0

    calls = iter([F(1.0), G(), 1.0])
    record = vexari.newton(lambda x: next(calls), 0.0, max_iter=1)["history"][0]
    assert record["fx"] == 1.0
    assert record["slope"] == (9.0 - 1.0) / 2e-6


def test_callback_result_conversion_error_is_parked():
    class Bad:
        def __float__(self):
            raise ZeroDivisionError("no float")

    counter = Recorder(lambda x: Bad())
    with pytest.raises(ZeroDivisionError, match="no float"):
        vexari.newton(counter, 1.0)
    assert counter.count == 1


def test_nested_module_calls_have_their_own_slot():
    def inner_root(x):
        # A failing inner call must not leak into the outer one.
        with pytest.raises(ZeroDivisionError):
            vexari.newton(lambda y: 1 / 0, 1.0)
        return vexari.newton(lambda y: y - x, 0.0)["root"] - 2.0

    result = vexari.newton(inner_root, 0.0)
    assert result["converged"]
    assert abs(result["root"] - 2.0) < 1e-9


def test_panic_from_a_callback_ends_the_call_at_once(capfd):
    f = FailOn(square_minus_two, 2, PanicException("boom"))
    with pytest.raises(PanicException, match="^boom$"):
        vexari.newton(f, 1.0)
    assert f.count == 2
    err = capfd.readouterr().err
    assert "PanicException" in err and "boom" in err


def test_builtin_callable():
    result = vexari.newton(math.sin, 3.0)
    assert result["converged"]
    assert abs(result["root"] - math.pi) < 1e-12


def test_refcounts_stay_flat():
    def f(x):
        return x - 1.0

    before = sys.getrefcount(f)
    for _ in range(100):
        vexari.newton(f, 0.0)
        with pytest.raises(ZeroDivisionError):
            vexari.newton(lambda x: 1 / 0, 0.0)
    assert sys.getrefcount(f) == before


LONG_RUN = """
import math, sys, vexari
function = math.sin if sys.argv[1] == "builtin" else (lambda x: x)
print("running", flush=True)
try:
    vexari.newton(function, 1.0, tol=-1.0, max_iter=2**62)
except KeyboardInterrupt:
    print("interrupted", flush=True)
"""


@pytest.mark.parametrize("kind", ["builtin", "lambda"])
def test_ctrl_c_ends_a_long_run_promptly(kind):
    # A run that would never end on its own: only SIGINT can stop it.
    child = subprocess.Popen(
        [sys.executable, "-c", LONG_RUN, kind], stdout=subprocess.PIPE, text=True
    )
    try:
        assert child.stdout.readline() == "running\n"
        time.sleep(0.2)
        child.send_signal(signal.SIGINT)
        out, _ = child.communicate(timeout=30)
    finally:
        child.kill()
    assert out == "interrupted\n"
