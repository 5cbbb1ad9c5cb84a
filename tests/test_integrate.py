import math
import signal
import subprocess
import sys

import pytest

import vexari
from conftest import FailOn, Recorder

NAN = math.nan
POLE = 1.633123935319537e16

# The three quadratures, each over its own range.
QUADRATURES = [
    lambda f, **kw: vexari.tanh_sinh(f, 0.0, 1.0, **kw),
    lambda f, **kw: vexari.tan_sinh(f, **kw),
    lambda f, **kw: vexari.quad_inf(f, **kw),
]


def fields(result):
    return [repr(result[key]) for key in ("value", "error", "levels")]


@pytest.mark.parametrize(
    "quad, expected",
    [(lambda f: vexari.tanh_sinh(f, a, a), [0.0, 0.0, 0]) for a in (1.0, math.inf)]
    + [(lambda f, q=q, n=n: q(f, max_levels=n), [NAN, NAN, n]) for q in QUADRATURES for n in (0, 1, 2)],
)
def test_runs_that_compute_nothing(quad, expected):
    f = Recorder(lambda x: x)
    assert fields(quad(f)) == [repr(v) for v in expected] and f.count == 0


@pytest.mark.parametrize("quad", QUADRATURES)
def test_a_single_level_has_97_nodes_and_no_test(quad):
    f = Recorder(lambda x: 1.0)
    result = quad(f, max_levels=3)
    assert f.count == 97 and math.isfinite(result["value"]) and fields(result)[1:] == ["nan", "3"]


def test_square_meets_the_defaults_at_level_4():
    f = Recorder(lambda x: x * x)
    result = vexari.tanh_sinh(f, 0.0, 1.0)
    assert list(result) == ["value", "error", "levels"]
    assert result["value"] == pytest.approx(1 / 3, abs=1e-15) and 0.0 <= result["error"] < 1e-15
    assert result["levels"] == 4 and f.count == 290
    xs = [x for (x,) in f.calls]
    assert min(xs) == 0.0 and max(xs) == 1.0  # no node is cut off
    assert set(xs[:97]) <= set(xs[97:])  # level 4 evaluates level 3's nodes again


@pytest.mark.parametrize("tol", [-1.0, NAN])
def test_unmet_tolerance_runs_every_level(tol):
    f = Recorder(math.cos)
    result = vexari.tanh_sinh(f, 0.0, 1.0, tol=tol)
    assert f.count == 98218 and fields(result)[1:] == ["nan", "12"]
    assert result["value"] == pytest.approx(math.sin(1.0), abs=1e-15)


def test_reversed_limits_negate():
    forward, backward = vexari.tanh_sinh(math.exp, -0.5, 2.0), vexari.tanh_sinh(math.exp, 2.0, -0.5)
    assert backward["value"] == pytest.approx(-forward["value"], rel=1e-15)


@pytest.mark.parametrize("value, expected", [(math.inf, "inf"), (NAN, "nan")])
def test_non_finite_values_are_summed(value, expected):
    assert fields(vexari.tanh_sinh(lambda x: value, 0.0, 1.0, max_levels=5)) == [expected, "nan", "5"]


def test_nan_limit_calls_every_node_with_nan():
    f = Recorder(lambda x: x)
    assert fields(vexari.tanh_sinh(f, 0.0, NAN, max_levels=4)) == ["nan", "nan", "4"]
    assert f.count == 290 and all(math.isnan(x) for (x,) in f.calls)


@pytest.mark.parametrize("quad", QUADRATURES)
def test_callback_exception_passes_unchanged(quad):
    error = LookupError("third")
    f = FailOn(lambda x: 0.5, 3, error)
    with pytest.raises(LookupError) as caught:
        quad(f)
    assert caught.value is error and f.count == 3


def test_endpoint_is_evaluated():
    f = Recorder(lambda x: 1.0 / x)
    with pytest.raises(ZeroDivisionError):
        vexari.tanh_sinh(f, 0.0, 1.0)
    assert f.calls == [(0.0,)]


@pytest.mark.parametrize(
    "quad, f, expected, levels, low, high",
    [
        (lambda f: vexari.tan_sinh(f), lambda x: math.exp(-x), 1.0, 5, 0.0, POLE),
        (lambda f: vexari.tan_sinh(f, a=2.0), lambda x: math.exp(-x), math.exp(-2.0), 5, 2.0, POLE + 2.0),
        (lambda f: vexari.quad_inf(f), lambda x: 1.0 / (1.0 + x * x), math.pi, 4, -POLE, POLE),
    ],
)
def test_unbounded_ranges(quad, f, expected, levels, low, high):
    f = Recorder(f)
    result = quad(f)
    assert result["value"] == pytest.approx(expected, abs=1e-14) and math.isfinite(result["error"])
    assert result["levels"] == levels
    assert min(x for (x,) in f.calls) == low and max(x for (x,) in f.calls) == high


def test_far_nodes_of_the_whole_line():
    result = vexari.quad_inf(lambda x: math.inf if abs(x) > 1e16 else 1.0, max_levels=5)
    assert fields(result) == ["inf", "nan", "5"]
    with pytest.raises(OverflowError):
        vexari.quad_inf(math.cosh)


def test_arguments():
    assert vexari.tan_sinh(function=math.atan, max_levels=3, a=-1.0)["levels"] == 3
    with pytest.raises(OverflowError):
        vexari.tanh_sinh(math.exp, 0.0, 1.0, max_levels=-1)


def run_interrupted(call):
    """Runs `call` in a child interpreter, sends it SIGINT once it is under way, returns its report."""
    script = f"import math, vexari\nprint('ready', flush=True)\ntry:\n    {call}\n    print('finished')\n" \
             "except KeyboardInterrupt:\n    print('interrupted')\n"
    child = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "ready\n"
        try:
            child.wait(timeout=0.3)
        except subprocess.TimeoutExpired:
            child.send_signal(signal.SIGINT)
        return child.communicate(timeout=60)[0]
    finally:
        child.kill()
        child.wait()


def test_ctrl_c_stops_a_long_quadrature_of_a_builtin():
    # Hours of work; math.cos never enters the interpreter's loop.
    assert run_interrupted("vexari.tanh_sinh(math.cos, 0.0, 1.0, tol=-1.0, max_levels=30)") == "interrupted\n"
