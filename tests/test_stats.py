"""Descriptive statistics: exact sums, check order, minNum/maxNum, flag conversion."""

import math

import pytest

import vexari

NAN = float("nan")
INF = float("inf")


def is_negative_zero(value):
    return value == 0.0 and math.copysign(1.0, value) < 0


def fake_numpy_bool(truth):
    # The boundary recognises NumPy's boolean scalar by its type's module and name.
    cls = type("bool_", (), {"__module__": "numpy", "__bool__": lambda self: truth})
    return cls()


def test_registration_order_and_signatures():
    names = vexari.__all__
    start = names.index("mean")
    assert names[start:start + 7] == [
        "mean", "variance", "summary", "covariance", "correlation",
        "linear_regression", "polynomial_regression",
    ]
    assert vexari.variance.__text_signature__ == "(values, sample=False)"
    assert vexari.covariance.__text_signature__ == "(left, right, sample=False)"


def test_sums_start_from_negative_zero():
    assert is_negative_zero(vexari.mean([-0.0]))
    assert is_negative_zero(vexari.mean([-0.0, -0.0, -0.0]))
    assert not is_negative_zero(vexari.mean([0.0, -0.0]))
    assert is_negative_zero(vexari.summary([-0.0])["mean"])


@pytest.mark.parametrize("values", [(1, 2, 3), range(1, 4), [1.0, 2.0, 3.0], [True, 2, 3.0]])
def test_mean_accepts_any_sequence_of_numbers(values):
    assert vexari.mean(values) == 2.0


@pytest.mark.parametrize("values, message", [
    ("123", "argument 'values': Can't extract `str` to `Vec`"),
    (5, "argument 'values': 'int' object is not an instance of 'Sequence'"),
    (None, "argument 'values': 'None' is not an instance of 'Sequence'"),
    ({1.0, 2.0}, "argument 'values': 'set' object is not an instance of 'Sequence'"),
])
def test_vector_conversion_failures_name_the_argument(values, message):
    with pytest.raises(TypeError) as info:
        vexari.mean(values)
    assert str(info.value) == message


@pytest.mark.parametrize("values, sample, expected", [
    ([1.0, 2.0, 3.0, 4.0], False, 1.25),
    ([1.0, 2.0, 3.0, 4.0], True, 1.6666666666666667),
    ([5.0], False, 0.0),
    # Two passes: the mean first, then the deviations, so a large offset costs nothing.
    ([1e8 + 1, 1e8 + 2, 1e8 + 3], False, 0.6666666666666666),
])
def test_variance(values, sample, expected):
    assert vexari.variance(values, sample) == expected


@pytest.mark.parametrize("values, sample", [([], False), ([], True), ([5.0], True)])
def test_variance_needs_enough_values(values, sample):
    with pytest.raises(ValueError, match="^not enough values for variance$"):
        vexari.variance(values, sample=sample)


@pytest.mark.parametrize("sample, kind", [(1, "int"), (0, "int"), (None, None), ("yes", "str"), (1.0, "float")])
def test_variance_flag_takes_only_booleans(sample, kind):
    with pytest.raises(TypeError) as info:
        vexari.variance([1.0, 2.0], sample=sample)
    subject = "'None' is" if kind is None else f"'{kind}' object is"
    assert str(info.value) == f"argument 'sample': {subject} not an instance of 'bool'"


def test_variance_flag_reads_numpy_booleans():
    assert vexari.variance([1.0, 2.0], fake_numpy_bool(True)) == 0.5
    assert vexari.variance([1.0, 2.0], fake_numpy_bool(False)) == 0.25


@pytest.mark.parametrize("left, right, sample, expected", [
    ([1.0, 2.0, 3.0], [1.0, 2.0, 3.0], False, 0.6666666666666666),
    ([1.0, 2.0, 3.0], [1.0, 2.0, 3.0], True, 1.0),
    ([1.0, 2.0, 3.0], [3.0, 2.0, 1.0], True, -1.0),
    ([7.0], [9.0], False, 0.0),
])
def test_covariance(left, right, sample, expected):
    assert vexari.covariance(left, right, sample) == expected


@pytest.mark.parametrize("left, right, sample, message", [
    ([1.0], [2.0], True, "not enough values for sample covariance"),
    ([], [], True, "vectors must have equal nonzero length"),
    ([], [], False, "vectors must have equal nonzero length"),
    ([1.0, 2.0], [1.0], False, "vectors must have equal nonzero length"),
])
def test_covariance_failures(left, right, sample, message):
    with pytest.raises(ValueError) as info:
        vexari.covariance(left, right, sample=sample)
    assert str(info.value) == message


@pytest.mark.parametrize("left, right, expected", [
    ([1.0, 2.0, 3.0], [3.0, 2.0, 1.0], -1.0),
    # Not clamped or rounded: a perfectly linear pair can land just below 1.
    ([1.0, 2.0, 3.0, 4.0], [2.0, 4.0, 6.0, 8.0], 0.9999999999999998),
])
def test_correlation(left, right, expected):
    assert vexari.correlation(left, right) == expected


@pytest.mark.parametrize("left, right, message", [
    ([], [1.0], "not enough values for variance"),
    # The right side's emptiness is found before the left side's constancy.
    ([1.0], [], "not enough values for variance"),
    ([1.0, 2.0, 3.0], [7.0, 7.0, 7.0], "correlation is undefined for constant vectors"),
    # The constancy test comes before the length test.
    ([1.0, 2.0, 3.0], [5.0, 5.0], "correlation is undefined for constant vectors"),
    ([1.0, 2.0, 3.0], [1.0, 2.0], "vectors must have equal nonzero length"),
])
def test_correlation_failures_in_check_order(left, right, message):
    with pytest.raises(ValueError) as info:
        vexari.correlation(left, right)
    assert str(info.value) == message


def test_correlation_nan_spread_is_not_constant():
    assert math.isnan(vexari.correlation([NAN, 1.0], [1.0, 2.0]))


def test_summary_keys_and_values():
    result = vexari.summary([3.0])
    assert list(result) == ["count", "mean", "variance", "std_dev", "min", "max"]
    assert result == {"count": 1, "mean": 3.0, "variance": 0.0, "std_dev": 0.0, "min": 3.0, "max": 3.0}
    assert type(result["count"]) is int
    assert vexari.summary([1.0, 2.0, 3.0, 4.0])["std_dev"] == math.sqrt(1.25)


@pytest.mark.parametrize("values, low, high", [
    ([NAN, 1.0], 1.0, 1.0),
    ([1.0, NAN], 1.0, 1.0),
    ([NAN, 4.0, NAN, -2.0, NAN], -2.0, 4.0),
    ([NAN], INF, -INF),
])
def test_summary_extremes_skip_nan_but_moments_do_not(values, low, high):
    result = vexari.summary(values)
    assert (result["min"], result["max"]) == (low, high)
    assert result["count"] == len(values)
    assert all(math.isnan(result[key]) for key in ("mean", "variance", "std_dev"))


@pytest.mark.parametrize("values", [[0.0, -0.0], [-0.0, 0.0], [0.0, -0.0, 0.0]])
def test_summary_orders_signed_zeros(values):
    result = vexari.summary(values)
    assert is_negative_zero(result["min"])
    assert result["max"] == 0.0 and not is_negative_zero(result["max"])


def test_summary_of_empty_values():
    with pytest.raises(ValueError, match="^values must not be empty$"):
        vexari.summary([])
    with pytest.raises(ValueError, match="^values must not be empty$"):
        vexari.mean([])
