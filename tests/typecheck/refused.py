"""Calls that the module refuses at run time; a strict type checker must refuse them too: each carries
the ignore comment of its error, and under --strict an unneeded ignore is an error of its own."""

import numpy as np

import vexari


def parabola(x: float) -> float:
    return x * x - 2.0


# Argument matching.
vexari.newton(parabola)  # type: ignore[call-arg]
vexari.newton(parabola, 1.0, 1e-10, 50, 7)  # type: ignore[call-arg]
vexari.newton(parabola, 1.0, tolerance=1e-3)  # type: ignore[call-arg]
vexari.mean([1.0], [2.0])  # type: ignore[call-arg]

# Conversions.
vexari.newton(parabola, "1")  # type: ignore[arg-type]
vexari.newton(parabola, 1.0, tol=None)  # type: ignore[arg-type]
vexari.newton(parabola, 1.0, max_iter=2.0)  # type: ignore[arg-type]
vexari.mean("123")  # type: ignore[arg-type]
vexari.mean(5)  # type: ignore[arg-type]
vexari.mean({1.0, 2.0})  # type: ignore[arg-type]
vexari.mean([1.0, "a"])  # type: ignore[list-item]
vexari.variance([1.0, 2.0], sample=1)  # type: ignore[arg-type]
vexari.variance([1.0], None)  # type: ignore[arg-type]
vexari.ode_direction_field(lambda x, y: x, [0.0, 1.0], (0.0, 1.0), 3, 3)  # type: ignore[arg-type]
vexari.ode_direction_field(lambda x, y: x, (0.0, 1.0, 2.0), (0.0, 1.0), 3, 3)  # type: ignore[arg-type]
vexari.tangent(parabola, 1.0, method=3)  # type: ignore[arg-type]
vexari.tangent(parabola, 1.0, method=None)  # type: ignore[arg-type]
vexari.solve([1.0, 2.0], [1.0])  # type: ignore[list-item]
vexari.mean(value for value in (1.0, 2.0))  # type: ignore[arg-type]
vexari.mean({0: 1.0, 1: 2.0})  # type: ignore[arg-type]
vexari.linspace(0.0, 1.0, np.float64(5.0))  # type: ignore[arg-type]
vexari.polynomial_regression(np.arange(4.0), np.arange(4.0), 2.5)  # type: ignore[arg-type]
vexari.ode_direction_field(lambda x, y: x, np.array([0.0, 1.0]), (0.0, 1.0), 3, 3)  # type: ignore[arg-type]

# Callables of the wrong shape.
vexari.gradient(parabola, [1.0])  # type: ignore[arg-type]
vexari.euler(parabola, 1.0, 0.0, 1.0, 0.1)  # type: ignore[arg-type]
vexari.tanh_sinh(lambda x, y: x, 0.0, 1.0)  # type: ignore[arg-type, misc]
vexari.gauss_newton(lambda p: "residuals", [0.0])  # type: ignore[arg-type, return-value]
vexari.sample_grid(lambda: 1.0, 0.0, 1.0, 3)  # type: ignore[arg-type, misc]

# Result shapes.
vexari.newton(parabola, 1.0)["roots"]  # type: ignore[typeddict-item]
vexari.summary([1.0])["median"]  # type: ignore[typeddict-item]
vexari.polyroot([1.0], 0.0)["root"]  # type: ignore[index]
whole: int = vexari.mean([1.0])  # type: ignore[assignment]
single: float = vexari.complex_tan(1.0, 0.0)  # type: ignore[assignment]

# A two-dimensional array where a vector goes, where the checker knows its shape.
vexari.dot(np.eye(2), [1.0, 2.0])  # type: ignore[arg-type]
