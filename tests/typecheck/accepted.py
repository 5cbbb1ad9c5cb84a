"""Calls that the module accepts at run time; a strict type checker must accept them too."""

from __future__ import annotations

import math
from typing import TYPE_CHECKING

import vexari

if TYPE_CHECKING:
    from types import CapsuleType

    from vexari import LowLevelCallable, OptimizeResult, QuadResult, RootResult, Segment


def parabola(x: float) -> float:
    return x * x - 2.0


def residuals(p: list[float]) -> tuple[float, float]:
    return (p[0] - 1.0, p[1] - 2.0)


# Numbers: ints and bools stand in for floats and counts; tuples and ranges for lists.
vexari.newton(parabola, 1)
vexari.newton(parabola, True, max_iter=True)
vexari.newton(function=parabola, x0=1.0, tol=0, max_iter=0)
vexari.mean((1, 2, 3))
vexari.mean(range(4))
vexari.mat_vec(((1, 2), [3.0, 4.0]), (1, 1))
vexari.tangent(lambda x: 1, 0.0, method="")
vexari.gradient(sum, [1.0, 2.0])
vexari.gauss_newton(residuals, [0.0, 0.0])
vexari.gauss_newton(lambda p: (p[0] - 1.0,), [0.0])
vexari.euler(lambda t, y: -y, 1.0, 0.0, 1.0, 0.1)
vexari.ode_direction_field(lambda x, y: x - y, (0, 1), (0.0, 2.0), 3, 3)
vexari.tan_sinh(lambda x: math.exp(-x), max_levels=8)
vexari.variance([1.0, 2.0], sample=True)


# Results are precisely typed.
def summarize(result: RootResult) -> str:
    last = result["history"][-1] if result["history"] else None
    step = "" if last is None else f", last step from {last['x']} to {last['next_x']}"
    return f"root {result['root']:.12g} after {result['iterations']} iterations{step}"


def best(result: OptimizeResult) -> float:
    return min(step["value"] for step in result["history"]) if result["history"] else result["value"]


def accuracy(result: QuadResult) -> float:
    return math.inf if math.isnan(result["error"]) else result["error"]


def frame_ends(segments: list[Segment]) -> list[tuple[float, float]]:
    return [(s["x_end"], s["y_end"]) for s in segments]


summarize(vexari.newton(parabola, 1.0))
best(vexari.gradient_descent(lambda v: v[0] ** 2, [1.0]))
accuracy(vexari.tanh_sinh(math.sin, 0.0, math.pi))
frame_ends(vexari.newton_animation_data(parabola, 1.0))
re, im = vexari.complex_tan(1.0, 0.5)
peaks: list[int] = [peak["index"] for peak in vexari.find_peaks([0.0, 1.0, 0.0], 0.5)]
count: int = vexari.summary([1.0])["count"]
coefficients: list[float] = vexari.polyint(vexari.polyder([1.0, 2.0, 3.0]), constant=1.0)


def compiled(low_level: LowLevelCallable, capsule: CapsuleType) -> None:
    # Not callable from Python, yet taken wherever a function is.
    vexari.newton(low_level, 1.0)
    vexari.rk4(capsule, 1.0, 0.0, 1.0, 0.1)
    vexari.gradient(low_level, [1.0])
    vexari.gauss_newton(capsule, [1.0])
