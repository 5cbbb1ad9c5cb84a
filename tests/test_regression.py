"""Straight-line and polynomial least-squares fits."""

import math

import pytest

from vexari import linear_regression, polynomial_regression


@pytest.mark.parametrize("x, y, expected", [
    ([1.0, 2.0, 3.0], [2.0, 4.0, 6.0], [("slope", 2.0), ("intercept", 0.0), ("r2", 1.0)]),
    ([0.0, 1.0, 2.0, 3.0], [1.0, 3.0, 2.0, 5.0],
     [("slope", 1.1), ("intercept", 1.0999999999999999), ("r2", 0.6914285714285716)]),
])
def test_linear_regression(x, y, expected):
    assert list(linear_regression(x, y).items()) == expected


def test_nan_spread_passes_and_nan_residuals_mean_no_fit():
    result = linear_regression([0.0, 1.0, float("inf")], [5.0, 5.0, 5.0])
    assert math.isnan(result["slope"]) and result["r2"] == 0.0


def test_polynomial_regression():
    assert polynomial_regression([0.0, 1.0, 2.0], [1.0, 3.0, 7.0], 2) == pytest.approx([1.0, 1.0, 1.0], abs=1e-12)
    x = [0.0, 1.0, 2.0, 3.0, 4.0]  # 0 ** 0 is 1 in the power sums
    fit = polynomial_regression(x, [2.0 - 3.0 * v + 0.5 * v ** 3 for v in x], 3)
    assert fit == pytest.approx([2.0, -3.0, 0.0, 0.5], abs=1e-9)
    assert polynomial_regression([1.0, 2.0, 3.0], [1.0, 5.0, 6.0], 0) == [4.0]


@pytest.mark.parametrize("call, message", [
    (lambda: linear_regression([1.0], [1.0]), "x and y must have the same length of at least two"),
    (lambda: linear_regression([1.0, 2.0], [1.0, 2.0, 3.0]), "x and y must have the same length of at least two"),
    # Length before constancy.
    (lambda: linear_regression([2.0], [1.0, 2.0]), "x and y must have the same length of at least two"),
    (lambda: linear_regression([2.0, 2.0, 2.0], [1.0, 2.0, 3.0]), "linear regression requires nonconstant x values"),
    (lambda: polynomial_regression([1.0, 2.0], [1.0, 2.0], 2), "not enough data for requested polynomial degree"),
    (lambda: polynomial_regression([1.0, 2.0, 3.0], [1.0, 2.0], 1), "not enough data for requested polynomial degree"),
    (lambda: polynomial_regression([1.0], [1.0], 2**64 - 1), "not enough data for requested polynomial degree"),
    (lambda: polynomial_regression([1.0, 1.0, 1.0], [1.0, 2.0, 3.0], 1), "matrix is singular"),
])
def test_failures(call, message):
    with pytest.raises(ValueError) as info:
        call()
    assert str(info.value) == message
