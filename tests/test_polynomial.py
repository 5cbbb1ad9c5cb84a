
import pytest
from hypothesis import given, strategies as st

import vexari
from conftest import alarm_after

number = st.floats(allow_nan=False, allow_infinity=False, min_value=-1e100, max_value=1e100)
polys = st.lists(number, max_size=6)


def horner(c, x):
    p = 0.0
    for coefficient in reversed(c):
        p = x * p + coefficient
    return p


@pytest.mark.parametrize("call, expected", [
    (lambda: vexari.polyadd([1.0, 2.0], [1.0, -2.0]), [2.0, 0.0]),
    (lambda: vexari.polyadd([1.0], [0.0, 0.0, 3.0]), [1.0, 0.0, 3.0]),
    (lambda: vexari.polyadd([], []), []),
    (lambda: vexari.polymul([], [1.0]), []),
    (lambda: vexari.polymul([1.0], []), []),
    (lambda: vexari.polymul([1.0, 1.0], [1.0, 1.0]), [1.0, 2.0, 1.0]),
    (lambda: vexari.polymul([1.0, -1.0], [1.0, 1.0]), [1.0, 0.0, -1.0]),
    (lambda: vexari.polyder([3.0]), []),
    (lambda: vexari.polyder([]), []),
    (lambda: vexari.polyder([1.0, 2.0, 3.0]), [2.0, 6.0]),
    (lambda: vexari.polyint([]), [0.0]),
    (lambda: vexari.polyint([], 4.0), [4.0]),
    (lambda: vexari.polyint([2.0, 6.0], 1.0), [1.0, 2.0, 3.0]),
    (lambda: vexari.polyint([1.0, 1.0, 1.0]), [0.0, 1.0, 0.5, 1.0 / 3.0]),
    (lambda: vexari.polyval([1.0, 2.0, 3.0], 2.0), 17.0),
    (lambda: vexari.polyval([], 5.0), 0.0),
])
def test_examples(call, expected):
    assert call() == expected


@given(polys, polys)
def test_products_accumulate_in_ascending_order(left, right):
    expected = [0.0] * (len(left) + len(right) - 1) if left and right else []
    for i, a in enumerate(left):
        for j, b in enumerate(right):
            expected[i + j] = expected[i + j] + a * b
    assert repr(vexari.polymul(left, right)) == repr(expected)


@given(polys, polys)
def test_sums_keep_every_coefficient(left, right):
    n = max(len(left), len(right))
    pad = lambda c: c + [0.0] * (n - len(c))
    assert repr(vexari.polyadd(left, right)) == repr([a + b for a, b in zip(pad(left), pad(right))])


@given(polys, number)
def test_derivative_integral_and_value(c, x):
    assert repr(vexari.polyder(c)) == repr([c[i] * float(i) for i in range(1, len(c))])
    assert repr(vexari.polyint(c, x)) == repr([x] + [c[i] / float(i + 1) for i in range(len(c))])
    assert repr(vexari.polyval(c, x)) == repr(horner(c, x))


# polyroot runs the Newton engine on the polynomial: it must agree bit for bit
# with newton on the same Horner evaluation.

@pytest.mark.parametrize("c, guess, options", [
    ([-2.0, 0.0, 1.0], 1.0, {}),
    ([1.0, 0.0, 1.0], 1.0, {}),  # no real root: all 50 iterations run
    ([-6.0, 11.0, -6.0, 1.0], 10.0, {"tol": 0.0, "max_iter": 40}),
    ([1.0, -3.0, 0.0, 2.0], -5.0, {"max_iter": 7}),
    ([-1.0, 1.0], 100.0, {"tol": -1.0, "max_iter": 4}),
])
def test_polyroot_is_the_newton_engine_on_the_polynomial(c, guess, options):
    expected = vexari.newton(lambda x: horner(c, x), guess, **options)["root"]
    assert repr(vexari.polyroot(c, guess, **options)) == repr(expected)


def test_polyroot_of_sqrt2():
    assert vexari.polyroot([-2.0, 0.0, 1.0], 1.0) == 1.4142135623730951


@pytest.mark.parametrize("c, guess", [([1.0], 0.0), ([], 3.0), ([1.0, 0.0, 1.0], 0.0), ([5.0, 0.0], 1e300)])
def test_polyroot_flat_slope(c, guess):
    with pytest.raises(ValueError, match="^tangent slope is too small for Newton step$"):
        vexari.polyroot(c, guess)


@pytest.mark.parametrize("c", [[], [1.0], [-2.0, 0.0, 1.0]])
def test_polyroot_without_budget_returns_the_guess(c):
    assert vexari.polyroot(c, 0.25, max_iter=0) == 0.25


def test_polyroot_arguments():
    assert vexari.polyroot.__text_signature__ == "(coefficients, guess, tol=1e-10, max_iter=50)"
    assert vexari.polyint.__text_signature__ == "(coefficients, constant=0.0)"
    with pytest.raises(OverflowError):
        vexari.polyroot([1.0, 1.0], 0.0, max_iter=-1)
    with pytest.raises(TypeError, match="^argument 'coefficients': "):
        vexari.polyroot("12", 0.0)


def test_a_long_polyroot_run_stays_interruptible():
    with alarm_after(0.05):
        vexari.polyroot([1.0, 0.0, 1.0], 1.0, max_iter=2**64 - 1)


def test_registration_order():
    names = ["polyval", "polyder", "polyint", "polyadd", "polymul", "polyroot"]
    start = vexari.__all__.index("polyval")
    assert vexari.__all__[start:start + len(names)] == names
