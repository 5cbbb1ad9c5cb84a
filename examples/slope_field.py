"""Slope field of y' = x - y with an RK4 and an adaptive RK4 solution: writes slope_field.png."""

import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt

import vexari


def slope(x: float, y: float) -> float:
    return x - y


def draw(out_dir: str | Path = "out") -> Path:
    out = Path(out_dir)
    out.mkdir(parents=True, exist_ok=True)
    field = vexari.ode_direction_field(slope, (-2.0, 2.0), (-2.0, 2.0), 17, 17)
    fig, ax = plt.subplots(figsize=(5.0, 5.0), dpi=80)
    ax.quiver([s["x"] for s in field], [s["y"] for s in field], [s["dx"] for s in field],
              [s["dy"] for s in field], angles="xy", color="gray", width=0.003)
    fixed = vexari.rk4(slope, 1.5, -2.0, 2.0, 0.25)
    ax.plot([p["t"] for p in fixed], [p["y"] for p in fixed], "o-", markersize=3,
            label=f"rk4, step 0.25 ({len(fixed)} points)")
    adaptive = vexari.adaptive_rk4(slope, -1.5, -2.0, 2.0, 0.5, 1e-6)
    ax.plot([p["t"] for p in adaptive], [p["y"] for p in adaptive], "s-", markersize=3,
            label=f"adaptive_rk4, tol 1e-6 ({len(adaptive)} points)")
    ax.set_title("y' = x - y: vexari.ode_direction_field")
    ax.set_xlabel("x")
    ax.set_ylabel("y")
    ax.set_xlim(-2.2, 2.2)
    ax.set_ylim(-2.2, 2.2)
    ax.legend(loc="lower right", fontsize="small")
    path = out / "slope_field.png"
    fig.savefig(path)
    plt.close(fig)
    return path


if __name__ == "__main__":
    print(draw(sys.argv[1] if len(sys.argv) > 1 else "out"))
