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
    fig, ax = plt.subplots(figsize=(6.4, 4.0), dpi=90)
    # The curve goes underneath: near 0 the tangent y = x hugs sin x and would otherwise vanish under it.
    ax.plot(xs, [math.sin(x) for x in xs], color="0.6", linewidth=3.0, label="sin x", zorder=1)
    centers = [-2.4, -1.2, 0.0, 1.2, 2.4]
    for c in centers:
        # One call per center, so each segment sits on its own interval around its center.
        segment = vexari.tangent_lines(math.sin, c - 0.8, c + 0.8, [c])[0]
        ax.plot([segment["x_start"], segment["x_end"]], [segment["y_start"], segment["y_end"]], linewidth=1.8,
                zorder=2, label=f"tangent at {c:g}, slope {segment['slope']:.2f}")
        ax.plot([c], [math.sin(c)], "o", color="black", markersize=3, zorder=3)
    ax.set_title("vexari.tangent_lines on sin x")
    ax.set_xlabel("x")
    ax.set_ylabel("y")
    # Headroom above the curve keeps the legend off the segments.
    ax.set_ylim(-1.6, 2.6)
    ax.legend(loc="upper center", fontsize="x-small", ncol=2)
    path = out / "tangent_lines.png"
    fig.savefig(path)
    plt.close(fig)
    return path


if __name__ == "__main__":
    print(draw(sys.argv[1] if len(sys.argv) > 1 else "out"))
