import math

import pytest

import vexari
from conftest import Recorder, run_interrupted

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


@pytest.mark.parametrize("quad, expected", [
    *[(lambda f, a=a: vexari.tanh_sinh(f, a, a), [0.0, 0.0, 0]) for a in (1.0, math.inf)],
    *[(lambda f, q=q, n=n: q(f, max_levels=n), [NAN, NAN, n]) for q in QUADRATURES for n in (0, 1, 2)]])
def test_runs_that_compute_nothing(quad, expected):
    f = Recorder(lambda x: x)
    assert fields(quad(f)) == [repr(v) for v in expected] and f.count == 0


@pytest.mark.parametrize("quad", QUADRATURES)
def test_a_single_level_has_97_nodes_and_no_test(quad):
    f = Recorder(lambda x: 1.0)
    result = quad(f, max_levels=3)
    assert f.count == 97 and math.isfinite(result["value"]) and fields(result)[1:] == ["nan", "3"]


def test_exact_agreement_meets_a_zero_tolerance_at_level_4():
    assert vexari.tanh_sinh(lambda x: 0.0, 0.0, 1.0, tol=0.0) == {"value": 0.0, "error": 0.0, "levels": 4}


def test_an_infinite_estimate_is_never_compared_with_the_next():
    # Only the first evaluation is infinite, so level 3 estimates inf and level 4 a finite value:
    # their infinite difference would meet an infinite tolerance, but an infinite estimate is no
    # estimate to agree with, and levels 4 and 5 are the first pair compared.
    calls = []

    def f(x):
        calls.append(x)
        return math.inf if len(calls) == 1 else 1.0

    result = vexari.tanh_sinh(f, 0.0, 1.0, tol=math.inf, max_levels=5)
    assert result["levels"] == 5 and math.isfinite(result["error"]) and len(calls) == 97 + 193 + 385


def test_square_meets_the_defaults_at_level_4():
    f = Recorder(lambda x: x * x)
    result = vexari.tanh_sinh(f, 0.0, 1.0)
    assert list(result) == ["value", "error", "levels"]
    assert result["value"] == pytest.approx(1 / 3, abs=1e-15) and 0.0 <= result["error"] < 1e-15
    assert result["levels"] == 4 and f.count == 290
    xs = [x for (x,) in f.calls]
    assert min(xs) == 0.0 and max(xs) == 1.0  # no node is cut off
    assert set(xs[:97]) <= set(xs[97:])  # level 4 evaluates level 3's nodes again


@pytest.mark.parametrize("b, tol, value", [(1.0, -1.0, math.sin(1.0)), (1.0, NAN, math.sin(1.0)), (NAN, 1e-10, NAN)])
def test_unmet_tolerance_runs_every_level(b, tol, value):
    f = Recorder(math.cos)
    result = vexari.tanh_sinh(f, 0.0, b, tol=tol)
    assert f.count == 98218 and fields(result)[1:] == ["nan", "12"]  # 12 * 2**k + 1 nodes at level k
    assert result["value"] == pytest.approx(value, abs=1e-15, nan_ok=True)


@pytest.mark.parametrize("a, b", [(0.1, 0.7), (0.7, 0.1), (1.3, 2.9), (-0.3, 0.05), (1e-300, 3.0)])
def test_nodes_stay_inside_the_interval(a, b):
    """c + half * tanh(u) rounds; a node that lands outside is moved onto the end."""
    low, high = min(a, b), max(a, b)
    f = Recorder(lambda x: math.sqrt(x - low) * math.sqrt(high - x))
    result = vexari.tanh_sinh(f, a, b, max_levels=5)
    xs = [x for (x,) in f.calls]
    assert low <= min(xs) and max(xs) <= high  # sqrt would have raised otherwise
    assert abs(result["value"]) == pytest.approx(math.pi / 8 * (high - low) ** 2, rel=1e-6)


def test_reversed_limits_negate():
    forward, backward = vexari.tanh_sinh(math.exp, -0.5, 2.0), vexari.tanh_sinh(math.exp, 2.0, -0.5)
    assert backward["value"] == pytest.approx(-forward["value"], rel=1e-15)


@pytest.mark.parametrize("quad, f, expected, levels, low, high", [
    (lambda f: vexari.tan_sinh(f), lambda x: math.exp(-x), 1.0, 5, 0.0, POLE),
    (lambda f: vexari.tan_sinh(f, a=2.0), lambda x: math.exp(-x), math.exp(-2.0), 5, 2.0, POLE + 2.0),
    (lambda f: vexari.quad_inf(f), lambda x: 1.0 / (1.0 + x * x), math.pi, 4, -POLE, POLE)])
def test_unbounded_ranges(quad, f, expected, levels, low, high):
    f = Recorder(f)
    result = quad(f)
    assert result["value"] == pytest.approx(expected, abs=1e-14) and math.isfinite(result["error"])
    assert result["levels"] == levels
    assert min(x for (x,) in f.calls) == low and max(x for (x,) in f.calls) == high


def test_ctrl_c_stops_a_long_quadrature_of_a_builtin():
    # Hours of work; math.cos never enters the interpreter's loop.
    assert run_interrupted("vexari.tanh_sinh(math.cos, 0.0, 1.0, tol=-1.0, max_levels=30)") == "interrupted\n"
