"""The module object: every function in registration order with its text signature, PanicException, exports."""

import ast
import inspect
import subprocess

import pytest

import vexari

# Registration order, area by area.
TABLE = """
tangent(function, x, method="central"); gradient(function, point)
newton(function, x0, tol=1e-10, max_iter=50); halley(function, x0, tol=1e-10, max_iter=50)
householder(function, x0, order=3, tol=1e-10, max_iter=50)
dot(left, right); norm(vector); add(left, right); sub(left, right); scale(vector, factor); mat_vec(matrix, vector)
solve(matrix, rhs)
gradient_descent(function, start, step_size=0.01, tol=1e-8, max_iter=1000)
tangent_minimize(function, start, step_size=0.01, tol=1e-8, max_iter=1000)
stationary_newton(function, start, tol=1e-8, max_iter=100); gauss_newton(function, start, tol=1e-8, max_iter=100)
euler(function, y0, t0, t1, step); midpoint(function, y0, t0, t1, step); rk4(function, y0, t0, t1, step)
adaptive_rk4(function, y0, t0, t1, initial_step, tol=1e-8)
tanh_sinh(function, a, b, tol=1e-10, max_levels=12); tan_sinh(function, a=0.0, tol=1e-10, max_levels=12)
quad_inf(function, tol=1e-10, max_levels=12)
tanpi(x); tanint(x); atanint(x); complex_tan(re, im); tan_deg(x); tan_grad(x)
tangent_lines(function, x_start, x_end, centers); newton_animation_data(function, x0, tol=1e-10, max_iter=50)
ode_direction_field(function, x_range, y_range, x_count, y_count)
mean(values); variance(values, sample=False); summary(values); covariance(left, right, sample=False)
correlation(left, right); linear_regression(x, y); polynomial_regression(x, y, degree)
linspace(start, end, count); sample_grid(function, start, end, count); linear_interpolate(x, y, query)
lagrange_interpolate(x, y, query); finite_difference(values, spacing)
polyval(coefficients, x); polyder(coefficients); polyint(coefficients, constant=0.0); polyadd(left, right)
polymul(left, right); polyroot(coefficients, guess, tol=1e-10, max_iter=50)
moving_average(values, window); exponential_smooth(values, alpha); convolve(signal, kernel); normalize(values)
find_peaks(values, threshold)
"""

SIGNATURES = [s.strip() for s in TABLE.replace("\n", ";").split(";") if s.strip()]


def split(signature):
    name, _, parameters = signature.partition("(")
    return name, "(" + parameters


def test_module_attributes():
    assert vexari.__all__ == ["__version__"] + [split(s)[0] for s in SIGNATURES]
    assert (vexari.__version__, vexari.__doc__) == ("1.0.0", "")
    assert issubclass(vexari.PanicException, BaseException) and not issubclass(vexari.PanicException, Exception)
    assert vexari.PanicException.__name__ == "PanicException"


@pytest.mark.parametrize("signature", SIGNATURES)
def test_text_signature(signature):
    name, parameters = split(signature)
    function = getattr(vexari, name)
    assert function.__text_signature__ == parameters
    assert (function.__doc__, function.__module__, function.__self__, function.__name__) == (None, "vexari", None, name)
    declared = ast.parse(f"def {name}{parameters}: pass").body[0].args
    defaults = [None] * (len(declared.args) - len(declared.defaults)) + [
        ast.literal_eval(d) for d in declared.defaults
    ]
    seen = inspect.signature(function).parameters.values()
    assert [p.name for p in seen] == [a.arg for a in declared.args]
    for p, default in zip(seen, defaults):
        assert p.kind is inspect.Parameter.POSITIONAL_OR_KEYWORD
        if default is None:
            assert p.default is inspect.Parameter.empty
        else:
            assert type(p.default) is type(default) and p.default == default


def test_only_pyinit_is_exported():
    nm = subprocess.run(["nm", "-D", "--defined-only", vexari.__file__], capture_output=True, text=True)
    if nm.returncode != 0:
        pytest.skip("nm is not available")
    assert [line.split()[-1] for line in nm.stdout.splitlines() if line.split()[1] in "TtWi"] == ["PyInit_vexari"]
