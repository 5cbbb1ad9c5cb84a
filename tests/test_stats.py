"""Descriptive statistics and least-squares fits: exact sums, check order, minNum/maxNum."""

import math

import pytest

from vexari import correlation, covariance, linear_regression, mean, polynomial_regression, summary, variance

NAN, INF = float("nan"), float("inf")


def test_sums_start_from_negative_zero():
    means = [mean([-0.0]), mean([-0.0, -0.0]), summary([-0.0])["mean"], mean([0.0, -0.0])]
    assert repr(means) == "[-0.0, -0.0, -0.0, 0.0]"


@pytest.mark.parametrize("call, expected", [
    (lambda: variance([1.0, 2.0, 3.0, 4.0]), 1.25),
    (lambda: variance([1.0, 2.0, 3.0, 4.0], True), 1.6666666666666667),
    (lambda: variance([5.0]), 0.0),
    # The mean comes first, then the deviations: a large offset costs nothing.
    (lambda: variance([1e8 + 1, 1e8 + 2, 1e8 + 3]), 0.6666666666666666),
    (lambda: covariance([1.0, 2.0, 3.0], [3.0, 2.0, 1.0], sample=True), -1.0),
    (lambda: correlation([1.0, 2.0, 3.0], [3.0, 2.0, 1.0]), -1.0),
    # Not clamped: a perfectly linear pair can land just below 1.
    (lambda: correlation([1.0, 2.0, 3.0, 4.0], [2.0, 4.0, 6.0, 8.0]), 0.9999999999999998),
    (lambda: math.isnan(correlation([NAN, 1.0], [1.0, 2.0])), True),  # a NaN spread is not constant
    (lambda: list(summary([3.0]).items()),
     [("count", 1), ("mean", 3.0), ("variance", 0.0), ("std_dev", 0.0), ("min", 3.0), ("max", 3.0)]),
    (lambda: summary([1.0, 2.0, 3.0, 4.0])["std_dev"], math.sqrt(1.25)),
    (lambda: list(linear_regression([1.0, 2.0, 3.0], [2.0, 4.0, 6.0]).items()),
     [("slope", 2.0), ("intercept", 0.0), ("r2", 1.0)]),
    (lambda: list(linear_regression([0.0, 1.0, 2.0, 3.0], [1.0, 3.0, 2.0, 5.0]).items()),
     [("slope", 1.1), ("intercept", 1.0999999999999999), ("r2", 0.6914285714285716)]),
    # A NaN spread passes the constancy test; NaN residuals mean no fit.
    (lambda: repr(list(linear_regression([0.0, 1.0, INF], [5.0, 5.0, 5.0]).values())[::2]), "[nan, 0.0]"),
    (lambda: polynomial_regression([1.0, 2.0, 3.0], [1.0, 5.0, 6.0], 0), [4.0]),
])
def test_values(call, expected):
    assert call() == expected


LENGTH, FEW, DEGREE = ("x and y must have the same length of at least two", "not enough values for variance",
                       "not enough data for requested polynomial degree")
CONSTANT, UNEQUAL = "correlation is undefined for constant vectors", "vectors must have equal nonzero length"


@pytest.mark.parametrize("call, message", [
    (lambda: mean([]), "values must not be empty"), (lambda: variance([]), FEW),
    (lambda: variance([5.0], sample=True), FEW), (lambda: correlation([], [1.0]), FEW),
    (lambda: covariance([1.0], [2.0], sample=True), "not enough values for sample covariance"),
    (lambda: covariance([1.0, 2.0], [1.0]), UNEQUAL),
    # Emptiness of the right side is found before constancy of the left, constancy before unequal lengths.
    (lambda: correlation([1.0], []), FEW), (lambda: correlation([1.0, 2.0, 3.0], [7.0, 7.0, 7.0]), CONSTANT),
    (lambda: correlation([1.0, 2.0, 3.0], [5.0, 5.0]), CONSTANT),
    (lambda: correlation([1.0, 2.0, 3.0], [1.0, 2.0]), UNEQUAL),
    (lambda: linear_regression([1.0], [1.0]), LENGTH), (lambda: linear_regression([1.0, 2.0], [1.0, 2.0, 3.0]), LENGTH),
    (lambda: linear_regression([2.0], [1.0, 2.0]), LENGTH),  # length before constancy
    (lambda: linear_regression([2.0, 2.0, 2.0], [1.0, 2.0, 3.0]), "linear regression requires nonconstant x values"),
    (lambda: polynomial_regression([1.0, 2.0], [1.0, 2.0], 2), DEGREE),
    (lambda: polynomial_regression([1.0, 2.0, 3.0], [1.0, 2.0], 1), DEGREE),
    (lambda: polynomial_regression([1.0], [1.0], 2**64 - 1), DEGREE),
    (lambda: polynomial_regression([1.0, 1.0, 1.0], [1.0, 2.0, 3.0], 1), "matrix is singular"),
])
def test_failures_in_check_order(call, message):
    with pytest.raises(ValueError) as info:
        call()
    assert str(info.value) == message


@pytest.mark.parametrize("values, low, high", [([NAN, 1.0], 1.0, 1.0), ([4.0, NAN, -2.0, NAN], -2.0, 4.0),
                                              ([NAN], INF, -INF), ([0.0, -0.0], -0.0, 0.0), ([-0.0, 0.0], -0.0, 0.0)])
def test_summary_extremes_by_min_num_and_max_num(values, low, high):
    result = summary(values)
    assert repr((result["min"], result["max"])) == repr((low, high))
    assert math.isnan(result["mean"]) == any(map(math.isnan, values))


def test_polynomial_regression():
    assert polynomial_regression([0.0, 1.0, 2.0], [1.0, 3.0, 7.0], 2) == pytest.approx([1.0, 1.0, 1.0], abs=1e-12)
    x = [0.0, 1.0, 2.0, 3.0, 4.0]  # 0 ** 0 is 1 in the power sums
    fit = polynomial_regression(x, [2.0 - 3.0 * v + 0.5 * v ** 3 for v in x], 3)
    assert fit == pytest.approx([2.0, -3.0, 0.0, 0.5], abs=1e-9)
