import math
import signal
import subprocess
import sys
import textwrap

import pytest

import vexari
from conftest import FailOn, Recorder

POLE = 1.633123935319537e16


def is_nan(x):
    return isinstance(x, float) and math.isnan(x)


def square(x):
    return x * x


# The three quadrature functions over their own ranges, given extra keywords.
QUADRATURES = {
    "tanh_sinh": lambda f, **kw: vexari.tanh_sinh(f, 0.0, 1.0, **kw),
    "tan_sinh": lambda f, **kw: vexari.tan_sinh(f, **kw),
    "quad_inf": lambda f, **kw: vexari.quad_inf(f, **kw),
}


@pytest.mark.parametrize("a, b", [(1.0, 1.0), (-0.0, 0.0), (math.inf, math.inf)])
def test_equal_limits_call_nothing(a, b):
    f = Recorder(square)
    result = vexari.tanh_sinh(f, a, b)
    assert result == {"value": 0.0, "error": 0.0, "levels": 0} and f.count == 0


@pytest.mark.parametrize("name", QUADRATURES)
@pytest.mark.parametrize("levels", [0, 1, 2])
def test_too_few_levels(name, levels):
    f = Recorder(square)
    result = QUADRATURES[name](f, max_levels=levels)
    assert is_nan(result["value"]) and is_nan(result["error"]) and result["levels"] == levels
    assert f.count == 0


@pytest.mark.parametrize("name", QUADRATURES)
def test_one_level_is_97_nodes_without_a_test(name):
    f = Recorder(lambda x: 1.0)
    result = QUADRATURES[name](f, max_levels=3)
    assert f.count == 97
    assert math.isfinite(result["value"]) and is_nan(result["error"]) and result["levels"] == 3


def test_square_at_the_defaults():
    f = Recorder(square)
    result = vexari.tanh_sinh(f, 0.0, 1.0)
    assert list(result) == ["value", "error", "levels"]
    assert result["value"] == pytest.approx(1 / 3, abs=1e-15)
    assert 0.0 <= result["error"] < 1e-15 and result["levels"] == 4
    assert f.count == 290
    # Every node lies in the closed interval, and the outermost ones on its ends.
    xs = [call[0] for call in f.calls]
    assert min(xs) == 0.0 and max(xs) == 1.0
    # Levels share no work: level 4 evaluates the nodes of level 3 again.
    assert set(xs[:97]) <= set(xs[97:])


def test_levels_are_evaluated_afresh_up_to_the_limit():
    f = Recorder(math.cos)
    result = vexari.tanh_sinh(f, 0.0, 1.0, tol=-1.0)
    assert f.count == 98218  # levels 3 to 12, 12 * 2**k + 1 each
    assert result["value"] == pytest.approx(math.sin(1.0), abs=1e-15)
    assert is_nan(result["error"]) and result["levels"] == 12


@pytest.mark.parametrize("tol", [-1.0, math.nan])
def test_tolerance_that_cannot_be_met(tol):
    result = vexari.tanh_sinh(math.exp, 0.0, 1.0, tol=tol, max_levels=5)
    assert is_nan(result["error"]) and result["levels"] == 5


@pytest.mark.parametrize("f", [math.exp, math.atan, lambda x: 1.0 / (1.0 + x * x)])
def test_reversed_limits_negate(f):
    forward = vexari.tanh_sinh(f, -0.5, 2.0)
    backward = vexari.tanh_sinh(f, 2.0, -0.5)
    assert backward["value"] == pytest.approx(-forward["value"], rel=1e-15)
    assert backward["levels"] == forward["levels"]


def test_nan_limit_calls_every_node():
    f = Recorder(square)
    result = vexari.tanh_sinh(f, 0.0, math.nan, max_levels=4)
    assert is_nan(result["value"]) and is_nan(result["error"]) and result["levels"] == 4
    assert f.count == 290 and all(math.isnan(x) for (x,) in f.calls)


def test_non_finite_values_are_summed():
    result = vexari.tanh_sinh(lambda x: math.inf, 0.0, 1.0, max_levels=5)
    assert result["value"] == math.inf and is_nan(result["error"]) and result["levels"] == 5


def test_endpoint_failure_is_raised_after_the_run():
    f = Recorder(lambda x: 1.0 / x)
    with pytest.raises(ZeroDivisionError):
        vexari.tanh_sinh(f, 0.0, 1.0)
    assert f.count == 1  # the first node lies on the lower limit


@pytest.mark.parametrize("name", QUADRATURES)
def test_callback_exception_passes_unchanged(name):
    error = LookupError("third")
    f = FailOn(lambda x: 0.5, 3, error)
    with pytest.raises(LookupError) as caught:
        QUADRATURES[name](f)
    assert caught.value is error and f.count == 3


@pytest.mark.parametrize("name", QUADRATURES)
def test_non_callable_raises_type_error(name):
    with pytest.raises(TypeError, match="not callable"):
        QUADRATURES[name](5)


def test_half_line():
    result = vexari.tan_sinh(lambda x: math.exp(-x))
    assert result["value"] == pytest.approx(1.0, abs=1e-14)
    assert math.isfinite(result["error"]) and result["levels"] == 5
    shifted = vexari.tan_sinh(lambda x: math.exp(-x), a=2.0)
    assert shifted["value"] == pytest.approx(math.exp(-2.0), rel=1e-13)


def test_half_line_nodes():
    f = Recorder(lambda x: math.exp(-x))
    vexari.tan_sinh(f, 3.0, max_levels=3)
    xs = [x for (x,) in f.calls]
    assert min(xs) == 3.0 and max(xs) == pytest.approx(3.0 + POLE, rel=1e-15)


def test_whole_line():
    f = Recorder(lambda x: 1.0 / (1.0 + x * x))
    result = vexari.quad_inf(f)
    assert result["value"] == pytest.approx(math.pi, abs=1e-15) and result["levels"] == 4
    xs = [x for (x,) in f.calls]
    assert min(xs) == -POLE and max(xs) == POLE


def test_whole_line_far_nodes_overflow():
    result = vexari.quad_inf(lambda x: math.inf if abs(x) > 1e16 else 1.0 / (1.0 + x * x), max_levels=5)
    assert result["value"] == math.inf and is_nan(result["error"]) and result["levels"] == 5
    with pytest.raises(OverflowError):
        vexari.quad_inf(math.cosh)


def test_arguments():
    f = Recorder(square)
    assert vexari.tan_sinh(function=f, max_levels=8, a=1.0)["levels"] <= 8
    with pytest.raises(OverflowError):
        vexari.tanh_sinh(f, 0.0, 1.0, max_levels=-1)
    with pytest.raises(TypeError, match="^argument 'b': "):
        vexari.tanh_sinh(f, 0.0, "1")
    assert f.count > 0


INTERRUPTED = textwrap.dedent(
    """
    import math, sys, vexari
    print("ready", flush=True)
    try:
        {call}
    except KeyboardInterrupt:
        print("interrupted")
    else:
        print("finished")
    """
)


def run_interrupted(call):
    """Runs `call` in a child interpreter and sends it SIGINT once it has started."""
    child = subprocess.Popen(
        [sys.executable, "-c", INTERRUPTED.format(call=call)], stdout=subprocess.PIPE, text=True
    )
    try:
        assert child.stdout.readline() == "ready\n"
        try:
            child.communicate(timeout=0.3)
        except subprocess.TimeoutExpired:
            pass
        child.send_signal(signal.SIGINT)
        out, _ = child.communicate(timeout=60)
    finally:
        child.kill()
        child.wait()
    return out


def test_ctrl_c_stops_a_long_quadrature_of_a_builtin():
    # Hours of work at 30 levels; math.cos never enters the interpreter's loop.
    assert run_interrupted("vexari.tanh_sinh(math.cos, 0.0, 1.0, tol=-1.0, max_levels=30)") == "interrupted\n"
