"""Error of tanh_sinh against its level count on a few integrals: writes quadrature_error.png.

The error falls fast until the rule is exact to rounding; past that, more levels only add rounding
of longer sums, which is why the default tolerance stops early (the circled points)."""

import math
import sys
from collections.abc import Callable
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt

import vexari

# (label, integrand, a, b, exact value)
CASES: list[tuple[str, Callable[[float], float], float, float, float]] = [
    ("exp(x) on [0, 1]", math.exp, 0.0, 1.0, math.e - 1.0),
    ("1/(x + 0.001) on [0, 1]", lambda x: 1.0 / (x + 1e-3), 0.0, 1.0, math.log(1001.0)),
    ("cos(40x) on [0, 1]", lambda x: math.cos(40.0 * x), 0.0, 1.0, math.sin(40.0) / 40.0),
    ("cos(100x) on [0, 1]", lambda x: math.cos(100.0 * x), 0.0, 1.0, math.sin(100.0) / 100.0),
]
LEVELS = list(range(3, 13))
# Plotted in place of an error of exactly zero, which has no logarithm.
FLOOR = 1e-17
# About a hundred units in the last place of these integrals' values: the reach of rounding in long sums.
ROUNDING = 1e-13


def errors(function: Callable[[float], float], a: float, b: float, exact: float) -> list[float]:
    # tol=0 keeps every run going to its max_levels.
    return [max(abs(vexari.tanh_sinh(function, a, b, 0.0, levels)["value"] - exact), FLOOR) for levels in LEVELS]


def draw(out_dir: str | Path = "out") -> Path:
    out = Path(out_dir)
    out.mkdir(parents=True, exist_ok=True)
    fig, ax = plt.subplots(figsize=(6.4, 4.4), dpi=80)
    # Where a double's rounding lives: every level sums twice as many terms, in index order, so once the
    # rule itself is exact the error only wanders, and drifts up, with the rounding of that sum.
    ax.axhspan(FLOOR, ROUNDING, color="0.9", zorder=0)
    ax.text(LEVELS[-1], ROUNDING * 1.6, "rounding: more nodes cannot help here", ha="right", va="bottom",
            fontsize="small", color="0.35")
    for label, function, a, b, exact in CASES:
        (line,) = ax.semilogy(LEVELS, errors(function, a, b, exact), "o-", markersize=4, label=label)
        # With the default tolerance the run stops at this level, before the rounding takes over.
        stop = vexari.tanh_sinh(function, a, b)
        ax.plot([stop["levels"]], [max(abs(stop["value"] - exact), FLOOR)], "o", markersize=11,
                markerfacecolor="none", color=line.get_color())
    ax.plot([], [], "o", markersize=11, markerfacecolor="none", color="black", label="where tol=1e-10 stops")
    ax.set_title("vexari.tanh_sinh: |estimate - exact| by max_levels (tol=0)")
    ax.set_xlabel("max_levels")
    ax.set_ylabel("absolute error")
    ax.set_xticks(LEVELS)
    ax.grid(True, which="both", alpha=0.3)
    ax.legend(fontsize="small", loc="upper right")
    path = out / "quadrature_error.png"
    fig.savefig(path)
    plt.close(fig)
    return path


if __name__ == "__main__":
    print(draw(sys.argv[1] if len(sys.argv) > 1 else "out"))
