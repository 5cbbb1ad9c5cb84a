import math
import os
import pathlib
import shutil
import subprocess

import pytest
from hypothesis import given, strategies as st

import vexari
from conftest import FailOn, Recorder

finite = st.floats(min_value=-1e3, max_value=1e3, allow_nan=False)


def central(f, x):
    return (f(x + 1e-6) - f(x - 1e-6)) / 2e-6


# tangent

@given(finite)
def test_tangent_is_the_central_difference_upper_point_first(x):
    f = Recorder(lambda t: math.sin(t) * t)
    assert repr(vexari.tangent(f, x)) == repr(central(lambda t: math.sin(t) * t, x))
    assert f.calls == [(x + 1e-6,), (x - 1e-6,)]


@pytest.mark.parametrize("method", ["forward", "", "backward", "central", "é"])
def test_tangent_ignores_the_method_name(method):
    f = lambda x: x * x
    assert vexari.tangent(f, 3.0, method=method) == vexari.tangent(f, 3.0)
    assert vexari.tangent(f, 3.0) == pytest.approx(6.0, abs=1e-9)


def test_tangent_method_must_be_text():
    with pytest.raises(TypeError, match="^argument 'method': 'None' is not an instance of 'str'$"):
        vexari.tangent(lambda x: x, 1.0, method=None)


@pytest.mark.parametrize("failing, calls", [(1, 1), (2, 2)])
def test_tangent_raises_the_callable_exception(failing, calls):
    error = ArithmeticError("nope")
    f = FailOn(lambda x: x, failing, error)
    with pytest.raises(ArithmeticError) as caught:
        vexari.tangent(f, 1.0)
    assert caught.value is error and f.count == calls


# gradient

def test_gradient_calls_plus_then_minus_per_coordinate():
    f = Recorder(lambda v: v[0] ** 2 + 3 * v[1])
    g = vexari.gradient(f, [1.0, 2.0])
    assert f.calls == [([1.0 + 1e-6, 2.0],), ([1.0 - 1e-6, 2.0],), ([1.0, 2.0 + 1e-6],), ([1.0, 2.0 - 1e-6],)]
    assert g == pytest.approx([2.0, 3.0], abs=1e-8)


@given(st.lists(finite, max_size=5))
def test_gradient_entries_are_bit_exact_central_differences(point):
    f = lambda v: sum(c * c * (i + 1) for i, c in enumerate(v)) + math.prod(v)
    expected = []
    for j in range(len(point)):
        up, down = list(point), list(point)
        up[j] = point[j] + 1e-6
        down[j] = point[j] + -1e-6
        expected.append((f(up) - f(down)) / 2e-6)
    assert repr(vexari.gradient(f, point)) == repr(expected)


def test_gradient_hands_out_fresh_lists_and_leaves_the_point_alone():
    seen = []

    def vandal(v):
        seen.append(list(v))
        v[:] = [1e9] * len(v)  # the engine must not see this
        return v[0]

    point = (4.0, 5.0, 6.0)
    vexari.gradient(vandal, point)
    assert [s[1] for s in seen] == [5.0, 5.0, 5.0 + 1e-6, 5.0 - 1e-6, 5.0, 5.0]
    assert [s[0] for s in seen[2:]] == [4.0] * 4


def test_gradient_of_an_empty_point_calls_nothing():
    f = Recorder(lambda v: 1.0)
    assert vexari.gradient(f, []) == [] and f.count == 0


def test_gradient_raises_the_first_exception_after_one_call():
    error = KeyError("first")
    f = FailOn(lambda v: 0.0, 1, error)
    with pytest.raises(KeyError) as caught:
        vexari.gradient(f, [1.0, 2.0, 3.0])
    assert caught.value is error and f.count == 1


def test_registration_order_and_signatures():
    assert vexari.__all__[1:3] == ["tangent", "gradient"]
    assert vexari.tangent.__text_signature__ == '(function, x, method="central")'
    assert vexari.gradient.__text_signature__ == "(function, point)"


# The Jacobian and the one-variable gradient are reached only by the optimizers;
# a small driver runs them on C++ functions, with bounds-checked containers.

DRIVER = pathlib.Path(__file__).parent / "core" / "derivative_driver.cpp"
SOURCES = pathlib.Path(__file__).parent.parent / "src"


@pytest.fixture(scope="module")
def driver(tmp_path_factory):
    compiler = os.environ.get("CXX") or shutil.which("c++") or shutil.which("g++")
    if compiler is None:
        pytest.skip("no C++ compiler")
    binary = tmp_path_factory.mktemp("driver") / "derivative_driver"
    subprocess.run([compiler, "-std=c++23", "-O1", "-ffp-contract=off", "-D_GLIBCXX_ASSERTIONS",
                    "-Wall", "-Wextra", "-Werror", f"-I{SOURCES}", str(DRIVER),
                    str(SOURCES / "core" / "linalg.cpp"), "-o", str(binary)], check=True)

    def run(case):
        out = subprocess.run([str(binary), case], capture_output=True, text=True, check=True).stdout
        lines = [line.split(" ", 1) + [""] for line in out.splitlines()]
        return [(name, rest[0]) for name, *rest in lines]

    return run


def values(text):
    return [float(v) for v in text.split()]


def test_jacobian_columns_and_calls(driver):
    out = driver("two_by_two")
    calls = [values(v) for k, v in out if k == "call"]
    assert calls == [[2.0, 3.0], [2.0 + 1e-6, 3.0], [2.0 - 1e-6, 3.0], [2.0, 3.0 + 1e-6], [2.0, 3.0 - 1e-6]]
    r = lambda v: [v[0] * v[1], v[0] + v[1]]
    expected = [[(r(calls[1 + 2 * j])[i] - r(calls[2 + 2 * j])[i]) / 2e-6 for j in range(2)] for i in range(2)]
    assert [values(v) for k, v in out if k == "row"] == expected
    assert expected[0] + expected[1] == pytest.approx([3.0, 2.0, 1.0, 1.0], abs=1e-8)


@pytest.mark.parametrize("case, calls, rows", [
    ("empty_point", 1, [[], [], []]),
    ("no_components", 5, []),
])
def test_jacobian_degenerate_shapes(driver, case, calls, rows):
    out = driver(case)
    assert ("calls", str(calls)) in out
    assert [values(v) for k, v in out if k == "row"] == rows
    assert ("rows", str(len(rows))) in out


@pytest.mark.parametrize("case, calls", [("shrinks_at_4", 4), ("empties_at_2", 2), ("grows_at_5", 5)])
def test_jacobian_stops_when_the_residual_length_changes(driver, case, calls):
    out = driver(case)
    assert ("calls", str(calls)) in out
    assert ("error", "residual length changed between evaluations") in out
    assert not any(k == "rows" for k, _ in out)


def test_one_variable_gradient_is_the_tangent(driver):
    out = driver("one_variable_gradient")
    gradients = [v for k, v in out if k == "gradient"]
    assert len(gradients) == 3 and gradients == [v for k, v in out if k == "tangent"]


def test_copying_solve_leaves_its_inputs_and_agrees(driver):
    out = driver("solve_copies")
    assert [v for k, v in out if k in ("matrix_after", "rhs_after")] == ["2 1 -1", "-3 -1 2", "-2 1 2", "8 -11 -3"]
    assert dict(out)["copying"] == dict(out)["consuming"]
    assert values(dict(out)["copying"]) == pytest.approx([2.0, 3.0, -1.0])
