import cmath
import math

import pytest

import vexari

POLE = 1.633123935319537e16


@pytest.mark.parametrize("function, x, expected", [
    *[(vexari.tanpi, x, POLE) for x in (0.5, -0.5, 1.5)], (vexari.tanpi, 1.0, 0.0), (vexari.tanpi, -1.0, -0.0),
    (vexari.tanpi, 0.25, 0.9999999999999999), (vexari.tanpi, -0.25, -1.0000000000000002),  # folded to 0.75
    (vexari.tanpi, 2.0**52, 0.0), (vexari.tanpi, -(2.0**53), -0.0),
    *[(vexari.tanpi, x, math.nan) for x in (math.inf, -math.inf, math.nan)],
    (vexari.tan_deg, 45.0, 0.9999999999999999), (vexari.tan_deg, 90.0, POLE),
    (vexari.tan_grad, 50.0, 0.9999999999999999), (vexari.tan_grad, 100.0, POLE),
    *[(f, zero, 0.0) for f in (vexari.tanint, vexari.atanint) for zero in (0.0, -0.0)],
    (vexari.atanint, math.nan, math.nan),
])
def test_exact_values(function, x, expected):
    assert repr(function(x)) == repr(expected)  # signed zeros told apart, NaN equal to NaN


@pytest.mark.parametrize("function, x, expected", [(vexari.atanint, 1.0, 0.915965594177219),
                                                   (vexari.tanint, 1.0, 1.1491512305235),
                                                   (vexari.tanint, 1e-3, 1e-3 + 1e-9 / 9)])  # t + t^3/9 + ...
def test_integrals_are_odd_and_accurate(function, x, expected):
    assert function(x) == pytest.approx(expected, rel=0.0, abs=1e-12) and function(-x) == -function(x)


def test_tanint_diverges_past_the_pole_and_atanint_goes_on():
    below = 1.5707963267948966  # the last double below pi/2
    assert math.isfinite(vexari.tanint(below)) and vexari.tanint(-below) == -vexari.tanint(below)
    for x in (math.nextafter(below, 2.0), 2.0, 2.0000001, -2.0, math.inf):
        assert math.isnan(vexari.tanint(x))
    assert vexari.atanint(2.0) == pytest.approx(1.5760154034463, abs=1e-12)


@pytest.mark.parametrize("re, im", [(0.3, 0.0), (-1.2, 0.0), (0.0, 0.7), (0.0, -3.0), (0.4, -0.9)])
def test_complex_tan(re, im):
    result, expected = vexari.complex_tan(re, im), cmath.tan(complex(re, im))
    assert type(result) is tuple and result == pytest.approx((expected.real, expected.imag), rel=1e-14, abs=0.0)



@pytest.mark.parametrize("re, im, expected", [
    (0.0, 400.0, (0.0, 1.0)), (0.0, -400.0, (0.0, -1.0)), (0.5, 1e300, (0.0, 1.0)),  # sinh and cosh overflow
    (-2.0, -math.inf, (0.0, -1.0)), (math.inf, 400.0, (math.nan, math.nan)),
    (math.pi / 2, 0.0, (POLE, 0.0)), (-math.pi / 2, 0.0, (-POLE, 0.0)),  # c + ch cancels to zero
])
def test_complex_tan_far_from_the_axis_and_at_the_pole(re, im, expected):
    assert repr(vexari.complex_tan(re, im)) == repr(expected)
    if math.isfinite(re) and abs(im) < 1e300:
        reference = cmath.tan(complex(re, im))
        assert vexari.complex_tan(re, im) == pytest.approx((reference.real, reference.imag), rel=1e-15)
