"""Newton's method on x^3 - 2x - 5 as an animated GIF: writes newton_animation.gif."""

import sys
from pathlib import Path
from typing import TYPE_CHECKING

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
from matplotlib.animation import FuncAnimation, PillowWriter
from matplotlib.artist import Artist

import vexari

if TYPE_CHECKING:
    from vexari import Segment


def cubic(x: float) -> float:
    return x ** 3 - 2.0 * x - 5.0


# The widest view, and the narrowest: below about 1e-9 around the root the curve's own rounding shows.
FULL = (0.5, 4.5)
FINEST = 1e-9


def view(segment: "Segment", root: float) -> tuple[float, float]:
    """The x interval of a frame: the whole curve while the step is large, then a window around the
    root a few steps wide, so that each step stays visible as the iteration closes in."""
    half = 3.0 * abs(segment["x_end"] - segment["x_start"])
    if half >= 1.0:
        return FULL
    half = max(half, FINEST)
    return (root - half, root + half)


def draw(out_dir: str | Path = "out") -> Path:
    out = Path(out_dir)
    out.mkdir(parents=True, exist_ok=True)
    frames = vexari.newton_animation_data(cubic, 4.0)
    root = vexari.newton(cubic, 4.0)["root"]
    fig, ax = plt.subplots(figsize=(6.0, 4.2), dpi=80)
    fig.subplots_adjust(left=0.16, bottom=0.14)
    (curve,) = ax.plot([], [], color="black", label="f(x) = x³ − 2x − 5")
    ax.axhline(0.0, color="gray", linewidth=0.8)
    ax.set_xlabel("x")
    ax.set_ylabel("f(x)")
    title = ax.set_title("")
    (tangent,) = ax.plot([], [], color="tab:red", linewidth=1.5, label="tangent at x_k")
    (drop,) = ax.plot([], [], ":", color="tab:blue", label="x_(k+1) back to the curve")
    (iterate,) = ax.plot([], [], "o", color="tab:red", markersize=4)
    note = ax.text(0.02, 0.96, "", transform=ax.transAxes, va="top", fontsize="small")
    ax.legend(loc="center left", fontsize="small")

    def show(k: int) -> list[Artist]:
        segment = frames[k]
        low, high = view(segment, root)
        xs = [low + (high - low) * i / 200 for i in range(201)]
        ys = [cubic(x) for x in xs]
        curve.set_data(xs, ys)
        ax.set_xlim(low, high)
        bottom, top = min(min(ys), 0.0), max(max(ys), 0.0)
        ax.set_ylim(bottom - 0.1 * (top - bottom), top + 0.1 * (top - bottom))
        tangent.set_data([segment["x_start"], segment["x_end"]], [segment["y_start"], segment["y_end"]])
        # The next iterate's height on the curve, where the next frame starts.
        drop.set_data([segment["x_end"], segment["x_end"]], [0.0, cubic(segment["x_end"])])
        iterate.set_data([segment["x_start"]], [segment["y_start"]])
        step = abs(segment["x_end"] - segment["x_start"])
        title.set_text(f"Newton step {k + 1} of {len(frames)}: x = {segment['x_end']:.12f}")
        zoom = "whole curve" if (low, high) == FULL else f"zoomed to a width of {high - low:.1g} around the root"
        hidden = " (below what this view can show)" if 2.0 * step < 0.01 * (high - low) else ""
        note.set_text(f"step {step:.2e}{hidden}\nview: {zoom}")
        return [curve, tangent, drop, iterate, title, note]

    animation = FuncAnimation(fig, show, frames=len(frames), interval=1200, blit=False)
    path = out / "newton_animation.gif"
    animation.save(str(path), writer=PillowWriter(fps=1))
    plt.close(fig)
    return path


if __name__ == "__main__":
    print(draw(sys.argv[1] if len(sys.argv) > 1 else "out"))
