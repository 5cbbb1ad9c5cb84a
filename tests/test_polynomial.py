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


# polyroot is the Newton engine on the Horner evaluation.

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


@pytest.mark.parametrize("c, guess", [([1.0], 0.0), ([], 3.0), ([1.0, 0.0, 1.0], 0.0), ([5.0, 0.0], 1e300)])
def test_polyroot_flat_slope_and_no_budget(c, guess):
    with pytest.raises(ValueError, match="^tangent slope is too small for Newton step$"):
        vexari.polyroot(c, guess)
    assert vexari.polyroot(c, 0.25, max_iter=0) == 0.25
    assert vexari.polyroot([-2.0, 0.0, 1.0], 1.0) == 1.4142135623730951


def test_a_long_polyroot_run_stays_interruptible():
    with alarm_after(0.05):
        vexari.polyroot([1.0, 0.0, 1.0], 1.0, max_iter=2**64 - 1)
