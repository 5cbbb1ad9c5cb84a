import math

import pytest
from hypothesis import given, strategies as st

import vexari
from conftest import Recorder

finite = st.floats(min_value=-1e3, max_value=1e3, allow_nan=False)


@given(finite, st.sampled_from(["central", "forward", "", "é"]))
def test_tangent_is_the_central_difference_upper_point_first_whatever_the_method(x, method):
    f = Recorder(lambda t: math.sin(t) * t)
    expected = (f.function(x + 1e-6) - f.function(x - 1e-6)) / 2e-6
    assert repr(vexari.tangent(f, x, method=method)) == repr(expected)
    assert f.calls == [(x + 1e-6,), (x - 1e-6,)]


@given(st.lists(finite, max_size=5))
def test_gradient_is_bit_exact_central_differences_plus_then_minus(point):
    def f(v):
        return sum(c * c * (i + 1) for i, c in enumerate(v)) + math.prod(v)

    expected, calls = [], []
    for j in range(len(point)):
        up, down = list(point), list(point)
        up[j], down[j] = point[j] + 1e-6, point[j] + -1e-6
        expected.append((f(up) - f(down)) / 2e-6)
        calls += [(up,), (down,)]
    recorder = Recorder(f)
    assert repr(vexari.gradient(recorder, point)) == repr(expected) and recorder.calls == calls


def test_gradient_hands_out_fresh_lists_and_leaves_the_point_alone():
    seen = []

    def vandal(v):
        seen.append(list(v))
        v[:] = [1e9] * len(v)  # the engine must not see this
        return v[0]

    vexari.gradient(vandal, (4.0, 5.0, 6.0))
    assert [s[:2] for s in seen[:4]] == [[4.0 + 1e-6, 5.0], [4.0 - 1e-6, 5.0], [4.0, 5.0 + 1e-6], [4.0, 5.0 - 1e-6]]


# The Jacobian's own checks and the copying solve are out of reach from Python; a driver runs them
# on C++ functions with bounds-checked containers.

@pytest.fixture
def driver(core_driver):
    return lambda case: core_driver("derivative_driver", case)


def values(out, key):
    return [[float(v) for v in text.split()] for k, text in out if k == key]


def test_jacobian_columns_and_calls(driver):
    out = driver("two_by_two")
    calls = values(out, "call")
    assert calls == [[2.0, 3.0], [2.0 + 1e-6, 3.0], [2.0 - 1e-6, 3.0], [2.0, 3.0 + 1e-6], [2.0, 3.0 - 1e-6]]
    r = lambda v: [v[0] * v[1], v[0] + v[1]]  # noqa: E731
    assert values(out, "row") == [[(r(calls[1 + 2 * j])[i] - r(calls[2 + 2 * j])[i]) / 2e-6 for j in range(2)]
                                  for i in range(2)]


@pytest.mark.parametrize("case, calls, rows", [("empty_point", 1, [[], [], []]), ("no_components", 5, []),
                                               ("shrinks_at_4", 4, None), ("empties_at_2", 2, None),
                                               ("grows_at_5", 5, None)])
def test_jacobian_shapes_and_length_changes(driver, case, calls, rows):
    out = driver(case)
    assert ("calls", str(calls)) in out
    if rows is None:
        assert ("error", "residual length changed between evaluations") in out and not values(out, "row")
    else:
        assert values(out, "row") == rows and ("rows", str(len(rows))) in out


def test_copying_solve_leaves_its_inputs_and_agrees(driver):
    out = driver("solve_copies")
    assert [v for k, v in out if k in ("matrix_after", "rhs_after")] == ["2 1 -1", "-3 -1 2", "-2 1 2", "8 -11 -3"]
    assert dict(out)["copying"] == dict(out)["consuming"] and values(out, "copying") == [pytest.approx([2, 3, -1])]
