"""Straight-line and polynomial least-squares fits."""

import math

import pytest

import vexari

NAN = float("nan")
INF = float("inf")


@pytest.mark.parametrize("x, y, expected", [
    ([1.0, 2.0, 3.0], [2.0, 4.0, 6.0], (2.0, 0.0, 1.0)),
    ([1.0, 2.0, 3.0], [5.0, 5.0, 5.0], (0.0, 5.0, 1.0)),
    ([1.0, 2.0], [3.0, 5.0], (2.0, 1.0, 1.0)),
    ([0.0, 1.0, 2.0, 3.0], [1.0, 3.0, 2.0, 5.0], (1.1, 1.0999999999999999, 0.6914285714285716)),
])
def test_linear_regression(x, y, expected):
    result = vexari.linear_regression(x, y)
    assert list(result) == ["slope", "intercept", "r2"]
    assert (result["slope"], result["intercept"], result["r2"]) == expected


@pytest.mark.parametrize("x, y, message", [
    ([1.0], [1.0], "x and y must have the same length of at least two"),
    ([1.0, 2.0], [1.0, 2.0, 3.0], "x and y must have the same length of at least two"),
    # The length test comes first, even for constant x.
    ([2.0], [1.0, 2.0], "x and y must have the same length of at least two"),
    ([2.0, 2.0, 2.0], [1.0, 2.0, 3.0], "linear regression requires nonconstant x values"),
    ([1.0, 1.0 + 2**-52], [1.0, 2.0], "linear regression requires nonconstant x values"),
])
def test_linear_regression_failures(x, y, message):
    with pytest.raises(ValueError) as info:
        vexari.linear_regression(x, y)
    assert str(info.value) == message


def test_linear_regression_nan_spread_passes_and_gives_no_fit():
    # An infinite x makes var_x NaN, which passes the constancy test; with a
    # constant y the residual sum is NaN, which counts as a failed fit.
    result = vexari.linear_regression([0.0, 1.0, INF], [5.0, 5.0, 5.0])
    assert math.isnan(result["slope"]) and math.isnan(result["intercept"])
    assert result["r2"] == 0.0


def test_polynomial_regression_recovers_a_quadratic():
    coefficients = vexari.polynomial_regression([0.0, 1.0, 2.0], [1.0, 3.0, 7.0], 2)
    assert len(coefficients) == 3
    assert coefficients == pytest.approx([1.0, 1.0, 1.0], abs=1e-12)


def test_polynomial_regression_with_zero_in_x_uses_x_to_the_zero_as_one():
    x = [0.0, 1.0, 2.0, 3.0, 4.0]
    y = [2.0 - 3.0 * v + 0.5 * v ** 3 for v in x]
    assert vexari.polynomial_regression(x, y, 3) == pytest.approx([2.0, -3.0, 0.0, 0.5], abs=1e-9)


def test_polynomial_regression_of_degree_zero_is_the_mean():
    assert vexari.polynomial_regression([1.0, 2.0, 3.0], [1.0, 5.0, 6.0], 0) == [4.0]


@pytest.mark.parametrize("x, y, degree, message", [
    ([1.0, 2.0], [1.0, 2.0], 2, "not enough data for requested polynomial degree"),
    ([1.0, 2.0, 3.0], [1.0, 2.0], 1, "not enough data for requested polynomial degree"),
    ([], [], 0, "not enough data for requested polynomial degree"),
    ([1.0, 2.0], [1.0, 2.0], 2**64 - 1, "not enough data for requested polynomial degree"),
    ([1.0, 1.0, 1.0], [1.0, 2.0, 3.0], 1, "matrix is singular"),
])
def test_polynomial_regression_failures(x, y, degree, message):
    with pytest.raises(ValueError) as info:
        vexari.polynomial_regression(x, y, degree)
    assert str(info.value) == message


def test_polynomial_regression_degree_is_a_count():
    with pytest.raises(OverflowError):
        vexari.polynomial_regression([1.0, 2.0], [1.0, 2.0], -1)
    with pytest.raises(TypeError, match="^argument 'degree': "):
        vexari.polynomial_regression([1.0, 2.0], [1.0, 2.0], 1.0)
    assert len(vexari.polynomial_regression([1.0, 2.0], [1.0, 2.0], True)) == 2
