import cmath
import math

import pytest

import vexari

POLE = 1.633123935319537e16


@pytest.mark.parametrize(
    "x, expected",
    [
        (0.5, POLE),
        (-0.5, POLE),
        (1.5, POLE),
        (1.0, 0.0),
        (0.25, 0.9999999999999999),
        (-0.25, -1.0000000000000002),  # folded to 0.75
        (2.0**52, 0.0),
    ],
)
def test_tanpi_values(x, expected):
    assert vexari.tanpi(x) == expected


@pytest.mark.parametrize("x", [-1.0, -(2.0**53)])
def test_tanpi_keeps_negative_zero(x):
    result = vexari.tanpi(x)
    assert result == 0.0 and math.copysign(1.0, result) == -1.0


@pytest.mark.parametrize("x", [math.inf, -math.inf, math.nan])
def test_tanpi_non_finite_is_nan(x):
    assert math.isnan(vexari.tanpi(x))


@pytest.mark.parametrize(
    "function, x, expected",
    [
        (vexari.tan_deg, 45.0, 0.9999999999999999),
        (vexari.tan_deg, 90.0, POLE),
        (vexari.tan_grad, 50.0, 0.9999999999999999),
        (vexari.tan_grad, 100.0, POLE),
    ],
)
def test_angle_units(function, x, expected):
    assert function(x) == expected


@pytest.mark.parametrize("function", [vexari.tanint, vexari.atanint])
@pytest.mark.parametrize("zero", [0.0, -0.0])
def test_integrals_at_zero_are_positive_zero(function, zero):
    result = function(zero)
    assert result == 0.0 and math.copysign(1.0, result) == 1.0


@pytest.mark.parametrize("function", [vexari.tanint, vexari.atanint])
@pytest.mark.parametrize("x", [1e-300, 0.3, 1.0, 2.5])
def test_integrals_are_odd(function, x):
    assert function(-x) == -function(x)


def test_integral_values():
    assert vexari.atanint(1.0) == pytest.approx(0.915965594177219, abs=1e-12)  # Catalan's constant
    assert vexari.tanint(1.0) == pytest.approx(1.1491512305235, abs=1e-12)
    # Small arguments: the integrand is close to 1.
    assert vexari.tanint(1e-3) == pytest.approx(1e-3, rel=1e-6)


def test_tanint_across_the_pole_is_finite():
    assert math.isfinite(vexari.tanint(2.0))


@pytest.mark.parametrize("function", [vexari.tanint, vexari.atanint])
def test_integrals_of_nan(function):
    assert math.isnan(function(math.nan))


@pytest.mark.parametrize("x", [0.3, -1.2, 2.0])
def test_complex_tan_real_axis(x):
    re, im = vexari.complex_tan(x, 0.0)
    assert re == pytest.approx(math.tan(x), rel=1e-15) and im == 0.0


@pytest.mark.parametrize("y", [0.7, -3.0])
def test_complex_tan_imaginary_axis(y):
    assert vexari.complex_tan(0.0, y) == pytest.approx((0.0, math.tanh(y)), rel=1e-15)


def test_complex_tan_general_point():
    expected = cmath.tan(complex(0.4, -0.9))
    result = vexari.complex_tan(0.4, -0.9)
    assert type(result) is tuple and result == pytest.approx((expected.real, expected.imag), rel=1e-14)


def test_complex_tan_overflow():
    re, im = vexari.complex_tan(0.0, 400.0)
    assert re == 0.0 and math.isnan(im)


def test_argument_conversion():
    assert vexari.tanpi(True) == vexari.tanpi(1.0)
    with pytest.raises(TypeError, match="^argument 'x': "):
        vexari.tanint("1")
    with pytest.raises(TypeError, match="^argument 'im': "):
        vexari.complex_tan(1.0, None)
    assert vexari.complex_tan(im=0.0, re=0.3) == vexari.complex_tan(0.3, 0.0)
