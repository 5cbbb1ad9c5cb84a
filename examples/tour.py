"""A short tour of vexari: one call from each area, with what it returns."""

import math
from typing import TYPE_CHECKING

import vexari

if TYPE_CHECKING:
    from vexari import RootResult


def heading(title: str) -> None:
    print()
    print(title)
    print("-" * len(title))


def history_table(result: "RootResult") -> None:
    print(f"{'k':>3}  {'x':>22}  {'f(x)':>12}  {'slope':>20}  {'next x':>22}")
    for step in result["history"]:
        print(
            f"{step['iteration']:>3}  {step['x']:>22.17g}  {step['fx']:>12.4e}"
            f"  {step['slope']:>20.15g}  {step['next_x']:>22.17g}"
        )
    print(f"root {result['root']!r}, converged {result['converged']}, "
          f"{result['iterations']} iterations")


def roots() -> None:
    heading("Roots: Newton on x² − 2 from x0 = 1")
    result = vexari.newton(lambda x: x * x - 2.0, 1.0)
    history_table(result)
    print(f"error against √2: {result['root'] - math.sqrt(2.0):.3e}")
    halley = vexari.halley(lambda x: x * x - 2.0, 1.0)
    print(f"Halley reaches {halley['root']!r} in {halley['iterations']} iterations")


def derivatives() -> None:
    heading("Derivatives: central differences")
    print(f"d/dx sin at 0:        {vexari.tangent(math.sin, 0.0)!r}")
    print(f"∇(x² + 3y) at (1, 2): {vexari.gradient(lambda v: v[0] ** 2 + 3 * v[1], [1.0, 2.0])}")


def linear_algebra() -> None:
    heading("Linear algebra: a 3 × 3 system")
    a = [[4.0, -2.0, 1.0], [-2.0, 4.0, -2.0], [1.0, -2.0, 4.0]]
    b = [11.0, -16.0, 17.0]
    x = vexari.solve(a, b)
    print(f"x = {x}, residual {vexari.norm(vexari.sub(vexari.mat_vec(a, x), b)):.1e}")


def optimization() -> None:
    heading("Optimization: Gauss-Newton fit of y = a·exp(b·t)")
    ts = [0.0, 0.5, 1.0, 1.5, 2.0]
    ys = [2.0 * math.exp(0.7 * t) for t in ts]

    def residuals(p: list[float]) -> list[float]:
        return [p[0] * math.exp(p[1] * t) - y for t, y in zip(ts, ys)]

    fit = vexari.gauss_newton(residuals, [1.0, 0.0])
    a, b = fit["point"]
    print(f"a = {a:.12f}, b = {b:.12f} after {fit['iterations']} iterations")
    low = vexari.stationary_newton(lambda x: (x - 3.0) ** 2 + 1.0, 0.0)
    print(f"minimum of (x − 3)² + 1 at x = {low['point'][0]:.9f}")


def odes() -> None:
    heading("ODEs: y' = −2ty, y(0) = 1, to t = 1")
    exact = math.exp(-1.0)
    for name, solve in [("euler", vexari.euler), ("midpoint", vexari.midpoint), ("rk4", vexari.rk4)]:
        end = solve(lambda t, y: -2.0 * t * y, 1.0, 0.0, 1.0, 0.1)[-1]
        print(f"{name:>12}: y(1) = {end['y']:.12f}, error {end['y'] - exact:+.2e}")
    points = vexari.adaptive_rk4(lambda t, y: -2.0 * t * y, 1.0, 0.0, 1.0, 0.1)
    print(f"adaptive_rk4: y(1) = {points[-1]['y']:.12f}, error {points[-1]['y'] - exact:+.2e}, "
          f"{len(points)} points")


def quadrature() -> None:
    heading("Quadrature: tanh-sinh")
    # "error" is the change between the last two levels, not a bound: beside it, the true error.
    print("(\"error\" = change between the last two levels; true error = against the exact value)")
    q = vexari.tanh_sinh(math.sin, 0.0, math.pi)
    print(f"∫₀^π sin x dx = {q['value']!r} (level {q['levels']}, "
          f"change {q['error']:.1e}, true error {abs(q['value'] - 2.0):.1e})")
    # The rule samples the ends themselves, with weights far below any rounding. The singularity at 0
    # slows the levels' approach, so their change understates the true error here.
    s = vexari.tanh_sinh(lambda x: 1.0 / math.sqrt(x) if x > 0.0 else 0.0, 0.0, 1.0)
    print(f"∫₀¹ 1/√x dx   = {s['value']!r} (level {s['levels']}, "
          f"change {s['error']:.1e}, true error {abs(s['value'] - 2.0):.1e})")
    g = vexari.quad_inf(lambda x: math.exp(-x * x))
    print(f"∫ exp(−x²) dx = {g['value']!r}, √π = {math.sqrt(math.pi)!r}")


def special_functions() -> None:
    heading("Tangent-family special functions")
    print(f"tanpi(0.25) = {vexari.tanpi(0.25)!r}, tan_deg(45) = {vexari.tan_deg(45.0)!r}")
    print(f"tanint(1) = {vexari.tanint(1.0)!r}, complex_tan(1, 1) = {vexari.complex_tan(1.0, 1.0)}")


def plotting_data() -> None:
    heading("Plotting data: tangent segments of sin and a slope field")
    for segment in vexari.tangent_lines(math.sin, -0.5, 0.5, [0.0, 1.0]):
        print(f"center {segment['center']}: slope {segment['slope']:.9f}, "
              f"from ({segment['x_start']:.3f}, {segment['y_start']:.6f}) "
              f"to ({segment['x_end']:.3f}, {segment['y_end']:.6f})")
    field = vexari.ode_direction_field(lambda x, y: x - y, (-1.0, 1.0), (-1.0, 1.0), 3, 3)
    print("slope field of y' = x − y: " + ", ".join(
        f"({s['x']:+.0f},{s['y']:+.0f})→({s['dx']:.3f},{s['dy']:+.3f})" for s in field[:3]) + ", …")
    frames = vexari.newton_animation_data(lambda x: x * x - 2.0, 1.0)
    print(f"Newton animation: {len(frames)} tangent segments")


def statistics() -> None:
    heading("Statistics and regression")
    data = [2.0, 4.0, 4.0, 4.0, 5.0, 5.0, 7.0, 9.0]
    print(f"summary: {vexari.summary(data)}")
    xs = [0.0, 1.0, 2.0, 3.0, 4.0]
    print(f"linear fit: {vexari.linear_regression(xs, [1.0, 3.1, 4.9, 7.2, 8.8])}")
    print(f"quadratic fit of 1 + 2x + 3x²: {vexari.polynomial_regression(xs, [1 + 2 * x + 3 * x * x for x in xs], 2)}")


def interpolation() -> None:
    heading("Grids and interpolation")
    xs = vexari.linspace(0.0, 1.0, 5)
    ys = [x ** 3 for x in xs]
    print(f"grid {xs}")
    print(f"x³ at 0.6: linear {vexari.linear_interpolate(xs, ys, 0.6):.6f}, "
          f"Lagrange {vexari.lagrange_interpolate(xs, ys, 0.6):.6f}, exact {0.6 ** 3:.6f}")
    print(f"finite differences: {vexari.finite_difference(ys, 0.25)}")


def polynomials() -> None:
    heading("Polynomials: coefficients in ascending powers")
    p = vexari.polymul([-1.0, 1.0], [1.0, 1.0])
    print(f"(x − 1)(x + 1) = {p}, derivative {vexari.polyder(p)}, value at 3: {vexari.polyval(p, 3.0)}")
    print(f"real root of x² − 2 near 1: {vexari.polyroot([-2.0, 0.0, 1.0], 1.0)!r}")


def signals() -> None:
    heading("Signals")
    values = [0.0, 1.0, 0.0, 3.0, 1.0, 4.0, 0.0]
    print(f"moving average (3): {vexari.moving_average(values, 3)}")
    print(f"peaks above 0.5: {vexari.find_peaks(values, 0.5)}")
    print(f"convolved with [0.5, 0.5]: {vexari.convolve(values, [0.5, 0.5])}")


def main() -> None:
    print(f"vexari {vexari.__version__}: {len(vexari.__all__) - 1} functions")
    roots()
    derivatives()
    linear_algebra()
    optimization()
    odes()
    quadrature()
    special_functions()
    plotting_data()
    statistics()
    interpolation()
    polynomials()
    signals()
    pictures()


def pictures() -> None:
    heading("Pictures")
    try:
        import matplotlib  # noqa: F401
    except ImportError:
        print("matplotlib is not installed: `pip install matplotlib` (or .venv/bin/pip install -r "
              "requirements-dev.txt), then run examples/tour.py again for the pictures")
        return
    from pictures import draw_all

    for path in draw_all("out"):
        print(f"wrote {path}")


if __name__ == "__main__":
    main()
