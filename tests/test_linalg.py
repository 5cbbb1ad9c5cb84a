import math

import pytest
from hypothesis import given, strategies as st

import vexari
from conftest import alarm_after

number = st.floats(allow_nan=False, allow_infinity=False, min_value=-1e150, max_value=1e150)
small = st.integers(-3, 3).map(float)  # ties between pivot candidates are common


def vectors(n):
    return st.lists(number, min_size=n, max_size=n)


def running_sum(terms):
    total = -0.0
    for t in terms:
        total = total + t
    return total


def reference_solve(a, b):
    a, b, n = [list(r) for r in a], list(b), len(b)
    for k in range(n):
        p = k
        for i in range(k + 1, n):
            if abs(a[i][k]) > abs(a[p][k]):
                p = i
        if abs(a[p][k]) < 1e-14:
            raise ValueError("matrix is singular")
        a[k], a[p], b[k], b[p] = a[p], a[k], b[p], b[k]
        for i in range(k + 1, n):
            f = a[i][k] / a[k][k]
            for j in range(k, n):
                a[i][j] = a[i][j] - f * a[k][j]
            b[i] = b[i] - f * b[k]
    x = [0.0] * n
    for i in reversed(range(n)):
        s = b[i]
        for j in range(i + 1, n):
            s = s - a[i][j] * x[j]
        x[i] = s / a[i][i]
    return x


def test_empty_sums_are_negative_zero():
    assert repr([vexari.dot([], []), vexari.norm([]), vexari.mat_vec([[]], [])[0], vexari.dot([-0.0], [1.0])]) \
        == "[-0.0, -0.0, -0.0, -0.0]"


@given(st.integers(0, 5).flatmap(lambda n: st.tuples(vectors(n), vectors(n), st.lists(vectors(n), max_size=4))),
       number)
def test_vector_operations_follow_index_order(case, factor):
    left, right, matrix = case
    assert repr(vexari.add(left, right)) == repr([a + b for a, b in zip(left, right)])
    assert repr(vexari.sub(left, right)) == repr([a - b for a, b in zip(left, right)])
    assert repr(vexari.dot(left, right)) == repr(running_sum(a * b for a, b in zip(left, right)))
    assert repr(vexari.norm(left)) == repr(math.sqrt(running_sum(v * v for v in left)))
    assert repr(vexari.scale(left, factor)) == repr([factor * v for v in left])
    rows = [running_sum(a * b for a, b in zip(row, right)) for row in matrix]
    assert repr(vexari.mat_vec(matrix, right)) == repr(rows)
    assert vexari.mat_vec([], right + [1.0]) == []


@pytest.mark.parametrize("call", [lambda: vexari.add([1.0], [1.0, 2.0]), lambda: vexari.sub([], [1.0]),
                                  lambda: vexari.dot([1.0, 2.0], [1.0]), lambda: vexari.mat_vec([[1.0]], []),
                                  lambda: vexari.mat_vec([[1.0, 2.0], [3.0]], [1.0, 1.0])])
def test_length_mismatch(call):
    with pytest.raises(ValueError, match="^vector lengths must match$"):
        call()


SINGULAR, SHAPE = "matrix is singular", "matrix must be square and match rhs length"


@pytest.mark.parametrize("matrix, rhs, expected", [
    ([], [], []), ([[2.0]], [4.0], [2.0]), ([[0.0, 1.0], [1.0, 0.0]], [2.0, 3.0], [3.0, 2.0]),
    ([[1e-14]], [1.0], [1e14]), ([[math.nan]], [1.0], [math.nan]), ([[1.0], [2.0]], [3.0], SHAPE),
    # Both rows tie on the first column; eliminating with row 1 would give x[0] = -0.0.
    ([[3.0, 1.0], [-3.0, 7.0]], [0.1, 0.7], [4.625929269271485e-18, 0.09999999999999999]),
    ([[0.0]], [1.0], SINGULAR), ([[1e-15]], [1.0], SINGULAR), ([[1.0, 2.0], [2.0, 4.0]], [1.0, 2.0], SINGULAR),
    ([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0], [7.0, 8.0, 9.0]], [1.0, 1.0, 1.0], SINGULAR),
    ([[1.0, 2.0]], [3.0], SHAPE), ([[1.0, 0.0], [0.0]], [1.0, 1.0], SHAPE),
    ([[0.0, 0.0]], [1.0], SHAPE),  # the shape is checked before any pivot
    ([[1.0]], [], SHAPE), ([], [1.0], SHAPE),
])
def test_solve_examples(matrix, rhs, expected):
    copies = repr((matrix, rhs))
    if isinstance(expected, str):
        with pytest.raises(ValueError) as info:
            vexari.solve(matrix, rhs)
        assert str(info.value) == expected
    else:
        assert repr(vexari.solve(matrix, rhs)) == repr(expected)
    assert repr((matrix, rhs)) == copies


@given(st.integers(1, 5).flatmap(lambda n: st.tuples(
    st.lists(st.lists(small | number, min_size=n, max_size=n), min_size=n, max_size=n), vectors(n))))
def test_solve_is_bit_exact_elimination(case):
    matrix, rhs = case
    try:
        expected = reference_solve(matrix, rhs)
    except ValueError as error:
        with pytest.raises(ValueError, match=f"^{error}$"):
            vexari.solve(matrix, rhs)
    else:
        assert repr(vexari.solve(matrix, rhs)) == repr(expected)


def test_a_large_solve_stays_interruptible():
    # Only the last pivot shows that the system is singular: an uninterrupted run raises ValueError.
    n = 1500
    matrix = [[1.0] * n for _ in range(n)]
    for i in range(n):
        matrix[i][i] = float(n)
    matrix[-1] = list(matrix[0])
    with alarm_after(0.01):
        vexari.solve(matrix, [1.0] * n)


# The core solver checks the shape itself, also where no Python function can reach it with a
# system that is not square: more rows than the right-hand side, rows of another length.
@pytest.mark.parametrize("rows, columns, n", [(3, 2, 2), (1, 2, 2), (2, 3, 2), (3, 3, 2)])
def test_core_solver_refuses_systems_that_are_not_square(core_driver, rows, columns, n):
    assert core_driver("linalg_driver", str(rows), str(columns), str(n)) == [("error", SHAPE)]
    # The square one of the same size solves as the module's solve does.
    x = vexari.solve([[2.0 if i == j else 1.0 for j in range(n)] for i in range(n)], [1.0] * n)
    assert core_driver("linalg_driver", str(n), str(n), str(n)) == [("x", " ".join(f"{v:.17g}" for v in x))]
