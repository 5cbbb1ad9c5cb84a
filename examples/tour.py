"""A short tour of vexari: one call from each area, with what it returns."""

import math
from typing import TYPE_CHECKING

import vexari

if TYPE_CHECKING:
    from vexari import RootResult


def heading(title: str) -> None:
    print()
    print(title)
    print("-" * len(title))


def history_table(result: "RootResult") -> None:
    print(f"{'k':>3}  {'x':>22}  {'f(x)':>12}  {'slope':>20}  {'next x':>22}")
    for step in result["history"]:
        print(
            f"{step['iteration']:>3}  {step['x']:>22.17g}  {step['fx']:>12.4e}"
            f"  {step['slope']:>20.15g}  {step['next_x']:>22.17g}"
        )
    print(f"root {result['root']!r}, converged {result['converged']}, "
          f"{result['iterations']} iterations")


def roots() -> None:
    heading("Newton on x² − 2 from x0 = 1")
    result = vexari.newton(lambda x: x * x - 2.0, 1.0)
    history_table(result)
    print(f"error against √2: {result['root'] - math.sqrt(2.0):.3e}")


def main() -> None:
    print(f"vexari {vexari.__version__}: {len(vexari.__all__) - 1} functions")
    roots()


if __name__ == "__main__":
    main()
