"""Newton's method on x^3 - 2x - 5 as an animated GIF: writes newton_animation.gif."""

import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
from matplotlib.animation import FuncAnimation, PillowWriter
from matplotlib.artist import Artist

import vexari


def cubic(x: float) -> float:
    return x ** 3 - 2.0 * x - 5.0


def draw(out_dir: str | Path = "out") -> Path:
    out = Path(out_dir)
    out.mkdir(parents=True, exist_ok=True)
    frames = vexari.newton_animation_data(cubic, 4.0)
    xs = [0.5 + 4.0 * i / 200 for i in range(201)]
    fig, ax = plt.subplots(figsize=(5.0, 3.6), dpi=60)
    ax.plot(xs, [cubic(x) for x in xs], color="black")
    ax.axhline(0.0, color="gray", linewidth=0.8)
    ax.set_xlim(0.5, 4.5)
    ax.set_ylim(-10.0, 60.0)
    title = ax.set_title("")
    (tangent,) = ax.plot([], [], color="tab:red", linewidth=1.5)
    (drop,) = ax.plot([], [], ":", color="tab:blue")
    (iterate,) = ax.plot([], [], "o", color="tab:red", markersize=4)

    def show(k: int) -> list[Artist]:
        segment = frames[k]
        tangent.set_data([segment["x_start"], segment["x_end"]], [segment["y_start"], segment["y_end"]])
        # The next iterate's height on the curve, where the next frame starts.
        drop.set_data([segment["x_end"], segment["x_end"]], [0.0, cubic(segment["x_end"])])
        iterate.set_data([segment["x_start"]], [segment["y_start"]])
        title.set_text(f"Newton step {k + 1} of {len(frames)}: x = {segment['x_end']:.10f}")
        return [tangent, drop, iterate, title]

    animation = FuncAnimation(fig, show, frames=len(frames), interval=700, blit=False)
    path = out / "newton_animation.gif"
    animation.save(str(path), writer=PillowWriter(fps=2))
    plt.close(fig)
    return path


if __name__ == "__main__":
    print(draw(sys.argv[1] if len(sys.argv) > 1 else "out"))
