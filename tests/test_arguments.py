"""Argument matching and number conversion at the boundary, through newton."""

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


Floatable = type("Floatable", (), {"__float__": lambda self: 1.0})
F = type("F", (float,), {"__float__": lambda self: 99.0})  # a float subclass is read by its value
Key = type("Key", (str,), {})


class CausedTypeError:
    def __float__(self):
        try:
            raise ArithmeticError("root cause")
        except ArithmeticError as cause:
            raise TypeError("bad float") from cause


@pytest.mark.parametrize("args, kwargs, message", [
    ((), {}, "newton() missing 2 required positional arguments: 'function' and 'x0'"),
    ((line,), {}, "newton() missing 1 required positional argument: 'x0'"),
    ((), {"x0": 1.0}, "newton() missing 1 required positional argument: 'function'"),
    ((), {"tol": 1.0}, "newton() missing 2 required positional arguments: 'function' and 'x0'"),
    ((line, 1.0, 1e-10, 50, 7), {}, "newton() takes from 2 to 4 positional arguments but 5 were given"),
    ((line,) * 100, {}, "newton() takes from 2 to 4 positional arguments but 100 were given"),
    ((line, 1.0), {"x0": 2.0}, "newton() got multiple values for argument 'x0'"),
    ((line, 1.0), {"tolerance": 1e-3}, "newton() got an unexpected keyword argument 'tolerance'"),
    ((line,), {"tolerance": 1e-3}, "newton() got an unexpected keyword argument 'tolerance'"),
    # Conversion runs in parameter order: x0 fails first although max_iter is wrong too.
    ((line, "bad"), {"max_iter": -1}, "argument 'x0': must be real number, not str"),
    ((line, 1.0, "bad"), {"max_iter": -1}, "argument 'tol': must be real number, not str"),
    ((line, CausedTypeError()), {}, "argument 'x0': bad float"),
])
def test_type_error_messages(args, kwargs, message):
    with pytest.raises(TypeError) as info:
        newton(*args, **kwargs)
    assert str(info.value) == message


@pytest.mark.parametrize("kwargs, listed", [
    ({}, "5 required positional arguments: 'function', 'y0', 't0', 't1', and 'step'"),
    ({"y0": 1.0, "t1": 1.0}, "3 required positional arguments: 'function', 't0', and 'step'"),
])
def test_three_or_more_missing_are_listed_as_python_lists_them(kwargs, listed):
    with pytest.raises(TypeError) as info:
        vexari.euler(**kwargs)
    assert str(info.value) == f"euler() missing {listed}"


def test_prefixed_error_keeps_its_cause():
    with pytest.raises(TypeError) as info:
        newton(line, CausedTypeError())
    assert isinstance(info.value.__cause__, ArithmeticError)


def test_keywords_in_any_order_and_str_subclass_names():
    expected = newton(line, 0.0, 1e-12, 7)
    assert newton(max_iter=7, tol=1e-12, x0=0.0, function=line) == expected
    assert newton(line, max_iter=7, x0=0.0, tol=1e-12) == expected
    assert newton(line, **{Key("x0"): 0.0, Key("max_iter"): 7, "tol": 1e-12}) == expected


@pytest.mark.parametrize("x0", [1, True, Floatable(), Indexable(1), F(1.0)])
def test_float_accepts_numbers(x0):
    assert newton(lambda x: x - 3.0, x0, max_iter=1)["history"][0]["x"] == 1.0


@pytest.mark.parametrize("name, value", [("x0", "1"), ("x0", None), ("x0", [1.0]), ("x0", object()), ("tol", None),
                                         ("max_iter", None), ("max_iter", 2.0), ("max_iter", "3"), ("max_iter", [1])])
def test_conversion_failure_names_the_argument(name, value):
    with pytest.raises(TypeError, match=rf"^argument '{name}': .+"):
        newton(**{"function": line, "x0": 1.0, name: value})


def bad_float(self):
    raise KeyError("from __float__")


@pytest.mark.parametrize("kwargs, error", [
    ({"x0": type("BadFloat", (), {"__float__": bad_float})()}, KeyError), ({"x0": 10**400}, OverflowError),
    *[({"max_iter": n}, OverflowError) for n in (-1, 2**64, Indexable(-5))]])
def test_other_conversion_errors_pass_without_prefix(kwargs, error):
    with pytest.raises(error) as info:
        newton(**{"function": line, "x0": 1.0, **kwargs})
    assert not str(info.value).startswith("argument")


@pytest.mark.parametrize("max_iter, records",
                         [(True, 1), (False, 0), (Indexable(2), 2), (0, 0), (type("I", (int,), {})(1), 1)])
def test_count_accepts_integers(max_iter, records):
    result = newton(lambda x: x * x - 2.0, 1.0, max_iter=max_iter)
    assert result["iterations"] == records == len(result["history"])


def test_edges_of_the_call():
    assert newton(line, 1.0, max_iter=2**64 - 1)["converged"]
    # The callable is not checked before use: max_iter=0 never calls it.
    assert newton(None, 2.0, max_iter=0) == {"root": 2.0, "converged": False, "iterations": 0, "history": []}
    # No state survives a failed call.
    with pytest.raises(TypeError):
        newton(line, "x")
    assert newton(line, 0.0)["converged"]

    class Holder:  # plain functions: binding to a class does not pass self
        method = vexari.newton

    with pytest.raises(TypeError, match="missing 2 required"):
        Holder().method()
