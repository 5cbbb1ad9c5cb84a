import cmath
import math

import pytest

import vexari

POLE = 1.633123935319537e16


def same(result, expected):
    """Equal bit for bit: signed zeros told apart, NaN equal to NaN."""
    return repr(result) == repr(expected)


@pytest.mark.parametrize(
    "function, x, expected",
    [
        *[(vexari.tanpi, x, POLE) for x in (0.5, -0.5, 1.5)],
        (vexari.tanpi, 1.0, 0.0),
        (vexari.tanpi, -1.0, -0.0),
        (vexari.tanpi, 0.25, 0.9999999999999999),
        (vexari.tanpi, -0.25, -1.0000000000000002),  # folded to 0.75
        (vexari.tanpi, 2.0**52, 0.0),
        (vexari.tanpi, -(2.0**53), -0.0),
        *[(vexari.tanpi, x, math.nan) for x in (math.inf, -math.inf, math.nan)],
        (vexari.tan_deg, 45.0, 0.9999999999999999),
        (vexari.tan_deg, 90.0, POLE),
        (vexari.tan_grad, 50.0, 0.9999999999999999),
        (vexari.tan_grad, 100.0, POLE),
        *[(f, zero, 0.0) for f in (vexari.tanint, vexari.atanint) for zero in (0.0, -0.0)],
        (vexari.tanint, math.nan, math.nan),
    ],
)
def test_exact_values(function, x, expected):
    assert same(function(x), expected)


@pytest.mark.parametrize("function", [vexari.tanint, vexari.atanint])
@pytest.mark.parametrize("x", [1e-300, 0.3, 1.0, 2.5])
def test_integrals_are_odd(function, x):
    assert function(-x) == -function(x) and function(x) != 0.0


def test_integral_values():
    assert vexari.atanint(1.0) == pytest.approx(0.915965594177219, abs=1e-12)  # Catalan's constant
    assert vexari.tanint(1.0) == pytest.approx(1.1491512305235, abs=1e-12)
    assert vexari.tanint(1e-3) == pytest.approx(1e-3, rel=1e-6)
    assert math.isfinite(vexari.tanint(2.0))  # across the pole of tan


@pytest.mark.parametrize("re, im", [(0.3, 0.0), (-1.2, 0.0), (0.0, 0.7), (0.0, -3.0), (0.4, -0.9)])
def test_complex_tan(re, im):
    result = vexari.complex_tan(re, im)
    expected = cmath.tan(complex(re, im))
    assert type(result) is tuple and result == pytest.approx((expected.real, expected.imag), rel=1e-14, abs=0.0)


def test_complex_tan_overflow():
    assert same(vexari.complex_tan(0.0, 400.0), (0.0, math.nan))


def test_argument_conversion():
    with pytest.raises(TypeError, match="^argument 'im': "):
        vexari.complex_tan(1.0, None)
    assert vexari.complex_tan(im=0.0, re=True) == vexari.complex_tan(1.0, 0.0)
