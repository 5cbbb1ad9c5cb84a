"""A day's analysis as a user would write it: NumPy arrays of several dtypes, array.array, tuples and
ranges go in; result dicts come out and are used by key. It must pass mypy --strict and pyright's
strict mode, and it runs."""

from __future__ import annotations

import array
import math
from typing import TYPE_CHECKING

import numpy as np
import numpy.typing as npt

import vexari

if TYPE_CHECKING:
    from vexari import LinearFit, QuadResult, Real, RootResult, Vector


def calibration_fit(volts: Vector, readings: Vector) -> LinearFit:
    return vexari.linear_regression(volts, readings)


def describe(name: str, values: Vector) -> str:
    stats = vexari.summary(values)
    return f"{name}: n={stats['count']} mean={stats['mean']:.4g} sd={stats['std_dev']:.3g} range=[{stats['min']:g}, {stats['max']:g}]"


def first_crossing(result: RootResult) -> float:
    if not result["converged"]:
        raise RuntimeError(f"no root after {result['iterations']} iterations")
    return result["root"]


def trusted(result: QuadResult, tol: float) -> bool:
    return not math.isnan(result["error"]) and result["error"] <= tol


def damped(t: float) -> float:
    return math.exp(-0.3 * t) * math.cos(2.0 * t)


def main() -> None:
    rng = np.random.default_rng(7)
    t: npt.NDArray[np.float64] = np.linspace(0.0, 10.0, 201)
    signal = np.sin(t) + 0.05 * rng.standard_normal(t.size)
    counts = np.arange(1, 21, dtype=np.int64)
    small = np.linspace(0.0, 1.0, 9, dtype=np.float32)
    flags = np.array([True, False, True])
    raw = array.array("d", [2.0, 4.0, 4.0, 4.0, 5.0, 5.0, 7.0, 9.0])

    print(describe("signal", signal))
    print(describe("counts", counts))
    print(describe("raw", raw))
    print(describe("ramp", range(10)))
    print(f"share of true flags: {vexari.mean(flags):.3f}")

    fit = calibration_fit(small, 3.0 * small + 0.5)
    print(f"slope {fit['slope']:.4f}, intercept {fit['intercept']:.4f}, r2 {fit['r2']:.6f}")
    cubic = vexari.polynomial_regression(t, signal, 3)
    print("cubic trend:", [round(c, 4) for c in cubic])

    smooth = vexari.moving_average(signal, 5)
    scaled = vexari.normalize(np.asarray(smooth))
    peaks = vexari.find_peaks(scaled, 0.9)
    print("peaks at t =", [round(float(t[p["index"]]), 2) for p in peaks])
    level: Real = np.float64(0.25)
    print(f"interpolated at 0.25: {vexari.linear_interpolate(small, small * 2.0, level):.3f}")

    zero = first_crossing(vexari.newton(damped, 0.5))
    area = vexari.tanh_sinh(damped, 0.0, zero, tol=1e-12)
    print(f"first zero {zero:.12f}; area before it {area['value']:.12f} (trusted: {trusted(area, 1e-10)})")

    best = vexari.gradient_descent(lambda v: (v[0] - 1.0) ** 2 + (v[1] + 2.0) ** 2, np.zeros(2), step_size=0.2)
    print("minimum near", [round(c, 6) for c in best["point"]], "after", best["iterations"], "steps")
    solution = vexari.solve(np.array([[4.0, 1.0], [2.0, 3.0]]), (1.0, 2.0))
    print("solution", solution)
    ls = vexari.gauss_newton(lambda p: np.asarray(p) - np.array([1.0, 2.0]), (0.0, 0.0))
    print("least squares", [round(c, 9) for c in ls["point"]])
    trajectory = vexari.rk4(lambda s, y: -0.5 * y, 1.0, 0.0, 2.0, 0.5)
    print("decay at t = 2:", trajectory[-1]["y"])
    re, im = vexari.complex_tan(0.5, np.float32(0.25))
    print(f"tan(0.5 + 0.25i) = {re:.6f} + {im:.6f}i")


if __name__ == "__main__":
    main()
