"""Draws every picture of the examples into one folder: python examples/pictures.py [out_dir]."""

import sys
from pathlib import Path

import newton_animation
import quadrature_error
import regression_fit
import slope_field
import tangent_lines


def draw_all(out_dir: str | Path = "out") -> list[Path]:
    return [module.draw(out_dir) for module in (tangent_lines, slope_field, newton_animation,
                                                quadrature_error, regression_fit)]


if __name__ == "__main__":
    for path in draw_all(sys.argv[1] if len(sys.argv) > 1 else "out"):
        print(path)
