"""A parameter sweep across processes: Newton cube roots of a for many a.

Every vexari result is a plain dict of floats, ints, bools and lists, so it
pickles and travels back from a worker process unchanged.
"""

import pickle
from concurrent.futures import ProcessPoolExecutor
from typing import TYPE_CHECKING

import vexari

if TYPE_CHECKING:
    from vexari import RootResult


class CubeMinus:
    """x^3 - a as a picklable callable (a lambda would not reach the worker)."""

    def __init__(self, a: float) -> None:
        self.a = a

    def __call__(self, x: float) -> float:
        return x ** 3 - self.a


def cube_root(a: float) -> "RootResult":
    return vexari.newton(CubeMinus(a), max(a, 1.0))


def sweep(values: list[float], workers: int = 2) -> list["RootResult"]:
    with ProcessPoolExecutor(max_workers=workers) as pool:
        return list(pool.map(cube_root, values))


def main() -> None:
    values = [0.5 * k for k in range(1, 13)]
    results = sweep(values)
    assert all(pickle.loads(pickle.dumps(r)) == r for r in results)
    print(f"{'a':>5}  {'root':>20}  {'root^3 - a':>11}  {'iterations':>10}  converged")
    for a, result in zip(values, results):
        root = result["root"]
        print(f"{a:>5.1f}  {root:>20.16f}  {root ** 3 - a:>11.2e}  {result['iterations']:>10}  {result['converged']}")


if __name__ == "__main__":
    main()
