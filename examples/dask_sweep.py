"""Parameter sweeps on Dask's distributed scheduler, from a laptop to a cluster.

Two grids, one task per row:

- Kepler's equation E - e sin E = M, solved by Newton for every eccentricity
  e and mean anomaly M of the grid (the eccentric anomaly E of an orbit);
- the forced decay y' = -k y + sin(w t), y(0) = 1, integrated by adaptive RK4
  to t = 10 for every rate k and frequency w.

Without a scheduler address the script starts a LocalCluster of worker
processes on this machine; with one (``--scheduler tcp://host:8786``) it
sends the same tasks to that cluster. It writes kepler.csv and forced_decay.csv
into the folder given.

Nothing here is special to Dask: vexari's functions pickle by reference (by
module and name, like any built-in function) and every result is a plain dict
or list of floats, ints and bools, so tasks and results travel as they are.
The callables below are small classes because a lambda does not pickle; they
are sent by value, so remote workers need only vexari installed, not this file.

    python examples/dask_sweep.py OUT [--scheduler ADDRESS] [--workers N] [--small]
"""

from __future__ import annotations

import argparse
import contextlib
import csv
import math
import sys
from pathlib import Path
from typing import Any, Callable, Iterator

import vexari

KEPLER_FIELDS = ["eccentricity", "mean_anomaly", "eccentric_anomaly", "iterations", "converged"]
DECAY_FIELDS = ["rate", "frequency", "y_end", "steps"]


class Kepler:
    """E - e sin E - M, whose root in E is the eccentric anomaly."""

    def __init__(self, eccentricity: float, mean_anomaly: float) -> None:
        self.e, self.m = eccentricity, mean_anomaly

    def __call__(self, anomaly: float) -> float:
        return anomaly - self.e * math.sin(anomaly) - self.m


class ForcedDecay:
    """y' = -k y + sin(w t)."""

    def __init__(self, rate: float, frequency: float) -> None:
        self.k, self.w = rate, frequency

    def __call__(self, t: float, y: float) -> float:
        return -self.k * y + math.sin(self.w * t)


def kepler_row(eccentricity: float, anomalies: list[float]) -> list[list[Any]]:
    rows = []
    for m in anomalies:
        # Starting at pi for eccentric orbits keeps Newton off the flat part near E = 0.
        start = math.pi if eccentricity > 0.8 else m
        result = vexari.newton(Kepler(eccentricity, m), start, tol=1e-14, max_iter=60)
        rows.append([eccentricity, m, result["root"], result["iterations"], result["converged"]])
    return rows


def decay_row(rate: float, frequencies: list[float]) -> list[list[Any]]:
    rows = []
    for w in frequencies:
        points = vexari.adaptive_rk4(ForcedDecay(rate, w), 1.0, 0.0, 10.0, 0.1, tol=1e-9)
        rows.append([rate, w, points[-1]["y"], len(points) - 1])
    return rows


def grids(small: bool) -> dict[str, list[float]]:
    n = 4 if small else 40
    return {
        "eccentricities": [0.95 * i / (n - 1) for i in range(n)],
        "anomalies": [2.0 * math.pi * j / (2 * n) for j in range(2 * n)],
        "rates": [0.1 + 2.0 * i / (n - 1) for i in range(n)],
        "frequencies": [0.5 + 4.0 * j / (n - 1) for j in range(n)],
    }


def sweep(grid: dict[str, list[float]], run_row: Callable[..., Any]) -> dict[str, list[list[Any]]]:
    """Both tables, with run_row(function, first, rest) deciding where each row runs."""
    kepler = run_row(kepler_row, grid["eccentricities"], grid["anomalies"])
    decay = run_row(decay_row, grid["rates"], grid["frequencies"])
    return {"kepler": [r for rows in kepler for r in rows], "forced_decay": [r for rows in decay for r in rows]}


def serial(grid: dict[str, list[float]]) -> dict[str, list[list[Any]]]:
    return sweep(grid, lambda function, firsts, rest: [function(f, rest) for f in firsts])


def distributed(grid: dict[str, list[float]], client: Any) -> dict[str, list[list[Any]]]:
    def run_row(function: Callable[..., Any], firsts: list[float], rest: list[float]) -> Any:
        shared = client.scatter(rest, broadcast=True)
        return client.gather(client.map(function, firsts, [shared] * len(firsts)))

    return sweep(grid, run_row)


@contextlib.contextmanager
def connect(scheduler: str | None, workers: int) -> Iterator[Any]:
    """A client of the scheduler at the address given, or of a new LocalCluster."""
    import cloudpickle  # type: ignore[import-untyped]
    from dask.distributed import Client, LocalCluster

    # The row functions and callables go to the workers by value, so a remote
    # worker needs only vexari, not this script.
    cloudpickle.register_pickle_by_value(sys.modules[__name__])
    if scheduler:
        with Client(scheduler) as client:  # type: ignore[no-untyped-call]
            yield client
        return
    local = LocalCluster(  # type: ignore[no-untyped-call]
        n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=None)
    with local as cluster, Client(cluster) as client:  # type: ignore[no-untyped-call]
        yield client


def write_tables(tables: dict[str, list[list[Any]]], folder: Path) -> list[Path]:
    folder.mkdir(parents=True, exist_ok=True)
    paths = []
    for name, fields in (("kepler", KEPLER_FIELDS), ("forced_decay", DECAY_FIELDS)):
        path = folder / f"{name}.csv"
        with path.open("w", newline="") as file:
            writer = csv.writer(file)
            writer.writerow(fields)
            # repr keeps every bit of each float, so tables from two runs compare exactly.
            writer.writerows([repr(v) if isinstance(v, float) else v for v in row] for row in tables[name])
        paths.append(path)
    return paths


def main(argv: list[str] | None = None) -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("out", type=Path, help="folder for kepler.csv and forced_decay.csv")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler (default: a LocalCluster here)")
    parser.add_argument("--workers", type=int, default=2, help="worker processes of the LocalCluster")
    parser.add_argument("--small", action="store_true", help="a 4 x 8 grid instead of 40 x 80")
    arguments = parser.parse_args(argv)
    grid = grids(arguments.small)
    with connect(arguments.scheduler, arguments.workers) as client:
        workers = len(client.scheduler_info()["workers"])
        tables = distributed(grid, client)
    for path in write_tables(tables, arguments.out):
        print(f"wrote {path}")
    unconverged = sum(1 for row in tables["kepler"] if not row[-1])
    print(f"{len(tables['kepler'])} Kepler solutions ({unconverged} unconverged), "
          f"{len(tables['forced_decay'])} ODE runs, on {workers} workers")


if __name__ == "__main__":
    main()
