"""Tangent segments of sin drawn over the curve: writes tangent_lines.png."""

import math
import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt

import vexari


def draw(out_dir: str | Path = "out") -> Path:
    out = Path(out_dir)
    out.mkdir(parents=True, exist_ok=True)
    xs = [-math.pi + 2.0 * math.pi * i / 200 for i in range(201)]
    fig, ax = plt.subplots(figsize=(6.0, 3.6), dpi=80)
    ax.plot(xs, [math.sin(x) for x in xs], color="black", label="sin x")
    centers = [-2.4, -1.2, 0.0, 1.2, 2.4]
    for c in centers:
        # One call per center, so each segment sits on its own interval around its center.
        segment = vexari.tangent_lines(math.sin, c - 0.8, c + 0.8, [c])[0]
        ax.plot([segment["x_start"], segment["x_end"]], [segment["y_start"], segment["y_end"]], linewidth=1.5)
        ax.plot([c], [math.sin(c)], "o", color="black", markersize=3)
    ax.set_title("vexari.tangent_lines on sin x")
    ax.set_xlabel("x")
    ax.set_ylim(-1.6, 1.6)
    ax.legend(loc="upper left")
    path = out / "tangent_lines.png"
    fig.savefig(path)
    plt.close(fig)
    return path


if __name__ == "__main__":
    print(draw(sys.argv[1] if len(sys.argv) > 1 else "out"))
