"""Descriptive statistics: exact sums, check order, minNum/maxNum, argument conversion."""

import math

import pytest

from vexari import correlation, covariance, mean, summary, variance

NAN, INF = float("nan"), float("inf")


def sign(value):
    return math.copysign(1.0, value)


def test_sums_start_from_negative_zero():
    assert sign(mean([-0.0])) == sign(mean([-0.0, -0.0])) == sign(summary([-0.0])["mean"]) == -1.0
    assert sign(mean([0.0, -0.0])) == 1.0


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
])
def test_values(call, expected):
    assert call() == expected


@pytest.mark.parametrize("call, message", [
    (lambda: mean([]), "values must not be empty"),
    (lambda: variance([]), "not enough values for variance"),
    (lambda: variance([5.0], sample=True), "not enough values for variance"),
    (lambda: covariance([1.0], [2.0], sample=True), "not enough values for sample covariance"),
    (lambda: covariance([1.0, 2.0], [1.0]), "vectors must have equal nonzero length"),
    (lambda: correlation([], [1.0]), "not enough values for variance"),
    # Emptiness of the right side is found before constancy of the left ...
    (lambda: correlation([1.0], []), "not enough values for variance"),
    (lambda: correlation([1.0, 2.0, 3.0], [7.0, 7.0, 7.0]), "correlation is undefined for constant vectors"),
    # ... and constancy before unequal lengths.
    (lambda: correlation([1.0, 2.0, 3.0], [5.0, 5.0]), "correlation is undefined for constant vectors"),
    (lambda: correlation([1.0, 2.0, 3.0], [1.0, 2.0]), "vectors must have equal nonzero length"),
])
def test_failures_in_check_order(call, message):
    with pytest.raises(ValueError) as info:
        call()
    assert str(info.value) == message


@pytest.mark.parametrize("call, message", [
    (lambda: mean("123"), "argument 'values': Can't extract `str` to `Vec`"),
    (lambda: mean(5), "argument 'values': 'int' object is not an instance of 'Sequence'"),
    (lambda: covariance([1.0], None), "argument 'right': 'None' is not an instance of 'Sequence'"),
    (lambda: variance([1.0, 2.0], sample=1), "argument 'sample': 'int' object is not an instance of 'bool'"),
    (lambda: variance([1.0], None), "argument 'sample': 'None' is not an instance of 'bool'"),
])
def test_conversion_failures_name_the_argument(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_flag_reads_foreign_boolean_scalars():
    # An array library's boolean scalar is recognised by its type's module and name.
    scalar = type("bool_", (), {"__module__": "numpy", "__bool__": lambda self: True})
    assert variance([1.0, 2.0], scalar()) == 0.5


def test_summary_record():
    result = summary([3.0])
    assert list(result.items()) == [
        ("count", 1), ("mean", 3.0), ("variance", 0.0), ("std_dev", 0.0), ("min", 3.0), ("max", 3.0)]
    assert type(result["count"]) is int
    assert summary([1.0, 2.0, 3.0, 4.0])["std_dev"] == math.sqrt(1.25)


@pytest.mark.parametrize("values, low, high", [
    ([NAN, 1.0], 1.0, 1.0),
    ([4.0, NAN, -2.0, NAN], -2.0, 4.0),
    ([NAN], INF, -INF),
    ([0.0, -0.0], -0.0, 0.0),
    ([-0.0, 0.0], -0.0, 0.0),
])
def test_summary_extremes_by_min_num_and_max_num(values, low, high):
    result = summary(values)
    assert (result["min"], sign(result["min"]), result["max"], sign(result["max"])) == (low, sign(low), high, sign(high))
    assert math.isnan(result["mean"]) == any(map(math.isnan, values))
