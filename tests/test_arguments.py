"""Argument matching and conversion at the boundary, through newton."""

import pytest

import vexari
from vexari import newton


def line(x):
    return x - 1.0


class Indexable:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class Floatable:
    def __float__(self):
        return 1.0


class BadFloat:
    def __float__(self):
        raise KeyError("from __float__")


class CausedTypeError:
    def __float__(self):
        try:
            raise ArithmeticError("root cause")
        except ArithmeticError as cause:
            raise TypeError("bad float") from cause


@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((), {}, "newton() missing 2 required positional arguments: 'function' and 'x0'"),
        ((line,), {}, "newton() missing 1 required positional argument: 'x0'"),
        ((), {"x0": 1.0}, "newton() missing 1 required positional argument: 'function'"),
        ((), {"tol": 1.0}, "newton() missing 2 required positional arguments: 'function' and 'x0'"),
        ((line, 1.0, 1e-10, 50, 7), {}, "newton() takes from 2 to 4 positional arguments but 5 were given"),
        ((line, 1.0), {"x0": 2.0}, "newton() got multiple values for argument 'x0'"),
        ((line, 1.0), {"tolerance": 1e-3}, "newton() got an unexpected keyword argument 'tolerance'"),
        ((line,), {"tolerance": 1e-3}, "newton() got an unexpected keyword argument 'tolerance'"),
    ],
)
def test_matcher_messages(args, kwargs, message):
    with pytest.raises(TypeError) as info:
        newton(*args, **kwargs)
    assert str(info.value) == message


def test_keywords_in_any_order():
    expected = newton(line, 0.0, 1e-12, 7)
    assert newton(max_iter=7, tol=1e-12, x0=0.0, function=line) == expected
    assert newton(line, max_iter=7, x0=0.0, tol=1e-12) == expected


@pytest.mark.parametrize("x0", [1, True, Floatable(), Indexable(1)])
def test_float_accepts_numbers(x0):
    result = newton(lambda x: x - 3.0, x0, max_iter=1)
    assert result["history"][0]["x"] == 1.0


@pytest.mark.parametrize("value", ["1", None, [1.0], object()])
def test_float_failure_is_prefixed(value):
    with pytest.raises(TypeError) as info:
        newton(line, value)
    assert str(info.value).startswith("argument 'x0': ")
    assert len(str(info.value)) > len("argument 'x0': ")


def test_prefix_keeps_the_cause():
    with pytest.raises(TypeError) as info:
        newton(line, CausedTypeError())
    assert str(info.value) == "argument 'x0': bad float"
    assert isinstance(info.value.__cause__, ArithmeticError)


def test_other_conversion_errors_pass_unchanged():
    with pytest.raises(KeyError, match="from __float__"):
        newton(line, BadFloat())
    with pytest.raises(OverflowError) as info:
        newton(line, 10**400)
    assert not str(info.value).startswith("argument")


def test_explicit_none_is_not_the_default():
    with pytest.raises(TypeError, match=r"^argument 'tol': "):
        newton(line, 1.0, tol=None)
    with pytest.raises(TypeError, match=r"^argument 'max_iter': "):
        newton(line, 1.0, max_iter=None)


@pytest.mark.parametrize("max_iter, records", [(True, 1), (False, 0), (Indexable(2), 2), (0, 0)])
def test_count_accepts_integers(max_iter, records):
    result = newton(lambda x: x * x - 2.0, 1.0, max_iter=max_iter)
    assert result["iterations"] == records == len(result["history"])


@pytest.mark.parametrize("max_iter", [-1, 2**64, Indexable(-5)])
def test_count_out_of_range_is_overflow_without_prefix(max_iter):
    with pytest.raises(OverflowError) as info:
        newton(line, 1.0, max_iter=max_iter)
    assert not str(info.value).startswith("argument")


@pytest.mark.parametrize("max_iter", [2.0, "3", [1]])
def test_count_refuses_non_integers(max_iter):
    with pytest.raises(TypeError, match=r"^argument 'max_iter': "):
        newton(line, 1.0, max_iter=max_iter)


def test_largest_count_is_accepted():
    result = newton(line, 1.0, max_iter=2**64 - 1)
    assert result["converged"]


def test_conversion_runs_in_parameter_order():
    # x0 fails first even though max_iter is wrong too.
    with pytest.raises(TypeError, match=r"^argument 'x0': "):
        newton(line, "bad", max_iter=-1)
    with pytest.raises(TypeError, match=r"^argument 'tol': "):
        newton(line, 1.0, tol="bad", max_iter=-1)


def test_callable_is_not_checked_before_use():
    # max_iter=0 never calls the function, so anything is accepted.
    assert newton(None, 2.0, max_iter=0) == {"root": 2.0, "converged": False, "iterations": 0, "history": []}
    assert newton("not callable", 2.0, max_iter=0)["root"] == 2.0


def test_float_subclass_and_int_subclass():
    class F(float):
        def __float__(self):
            return 99.0

    class I(int):
        pass

    # A float subclass is read by its value; its __float__ is not consulted.
    assert newton(line, F(2.0), max_iter=1)["history"][0]["x"] == 2.0
    assert newton(line, 1.0, max_iter=I(1))["iterations"] == 1


def test_keyword_names_may_be_str_subclasses():
    class Key(str):
        pass

    kwargs = {Key("x0"): 0.0}
    assert newton(line, **kwargs)["converged"]


def test_huge_argument_lists_are_refused():
    with pytest.raises(TypeError, match="takes from 2 to 4 positional arguments but 100 were given"):
        newton(*([line] * 100))


def test_calls_are_independent():
    # No state survives a failed call.
    with pytest.raises(TypeError):
        newton(line, "x")
    assert newton(line, 0.0)["converged"]


def test_module_functions_reject_self_binding():
    # The functions are plain functions; binding them to a class does not pass self.
    class Holder:
        method = vexari.newton

    with pytest.raises(TypeError, match="missing 2 required"):
        Holder().method()
