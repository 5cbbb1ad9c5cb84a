"""Noisy samples of a cubic with a straight-line and a cubic least-squares fit: writes regression_fit.png."""

import random
import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt

import vexari


def draw(out_dir: str | Path = "out") -> Path:
    out = Path(out_dir)
    out.mkdir(parents=True, exist_ok=True)
    rng = random.Random(20261207)
    xs = [-2.0 + 4.0 * i / 39 for i in range(40)]
    ys = [0.5 * x ** 3 - x + 1.0 + rng.gauss(0.0, 0.4) for x in xs]
    line = vexari.linear_regression(xs, ys)
    cubic = vexari.polynomial_regression(xs, ys, 3)
    grid = [-2.0 + 4.0 * i / 200 for i in range(201)]
    fig, ax = plt.subplots(figsize=(5.5, 3.8), dpi=80)
    ax.plot(xs, ys, "o", color="gray", markersize=4, label="data: 0.5x^3 - x + 1 + noise")
    ax.plot(grid, [line["intercept"] + line["slope"] * x for x in grid],
            label=f"linear_regression (r2 {line['r2']:.3f})")
    ax.plot(grid, [vexari.polyval(cubic, x) for x in grid],
            label="polynomial_regression, degree 3: " + ", ".join(f"{c:.2f}" for c in cubic))
    ax.set_title("Least-squares fits")
    ax.set_xlabel("x")
    ax.set_ylabel("y")
    ax.legend(fontsize="small")
    path = out / "regression_fit.png"
    fig.savefig(path)
    plt.close(fig)
    return path


if __name__ == "__main__":
    print(draw(sys.argv[1] if len(sys.argv) > 1 else "out"))
