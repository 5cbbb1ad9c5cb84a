"""Thread scaling: the same total work done by one thread and by two.

    python bench/scaling.py [--rounds N] [--json]

Measures the interpreter it runs on. On a free-threaded build the module runs
without the GIL, so two threads should finish the work in about half the
time; with the GIL they take as long as one. Each round times both layouts
moments apart, and the speed-up is the median of the per-round ratios, so
drift of a shared machine moves both sides alike.

main.py runs this once per interpreter (the default one and the free-threaded
one of .venv-ft) in a child process and puts the two figures side by side.
"""

from __future__ import annotations

import argparse
import gc
import json
import math
import statistics
import subprocess
import sys
import sysconfig
import threading
import time
from dataclasses import asdict, dataclass
from pathlib import Path
from typing import Any, Callable

# Per-round work for one thread, in seconds; two threads share the same calls.
TARGET = 0.25


@dataclass
class Workload:
    name: str
    # Builds one thread's own state (its list, its callback) before the clock starts.
    prepare: Callable[[], Any]
    call: Callable[[Any], Any]


def workloads(vx: Any) -> list[Workload]:
    def own_list() -> list[float]:
        return [math.sin(i) for i in range(10_000)]

    def own_callback() -> Callable[[float, float], float]:
        return lambda t, y: -y + t

    return [
        Workload("variance of 1e4 floats (own list per thread)", own_list, lambda values: vx.variance(values)),
        Workload("rk4, Python callback, 1000 steps", own_callback, lambda f: vx.rk4(f, 1.0, 0.0, 1.0, 1e-3)),
        Workload("tanh_sinh of math.exp", lambda: math.exp, lambda f: vx.tanh_sinh(f, 0.0, 1.0)),
        # No module call at all: what the machine and interpreter allow two threads, to read the rows above against.
        Workload("pure Python loop (ceiling)", lambda: range(2000), lambda r: sum(i * i for i in r)),
    ]


def timed(workload: Workload, threads: int, calls: int) -> float:
    """Seconds for `calls` calls split evenly over `threads` threads."""
    barrier = threading.Barrier(threads + 1)
    share = calls // threads

    def body() -> None:
        state = workload.prepare()
        barrier.wait()
        for _ in range(share):
            workload.call(state)

    workers = [threading.Thread(target=body) for _ in range(threads)]
    for worker in workers:
        worker.start()
    barrier.wait()
    start = time.perf_counter()
    for worker in workers:
        worker.join()
    return time.perf_counter() - start


def measure(workload: Workload, rounds: int) -> dict[str, Any]:
    state = workload.prepare()
    workload.call(state)
    start = time.perf_counter()
    trial = 0
    while time.perf_counter() - start < 0.02:
        workload.call(state)
        trial += 1
    per_call = (time.perf_counter() - start) / trial
    calls = max(2, 2 * round(TARGET / per_call / 2))
    ones, twos, ratios = [], [], []
    was_enabled = gc.isenabled()
    gc.disable()
    try:
        for index in range(rounds):
            if index % 2:
                two, one = timed(workload, 2, calls), timed(workload, 1, calls)
            else:
                one, two = timed(workload, 1, calls), timed(workload, 2, calls)
            ones.append(one)
            twos.append(two)
            ratios.append(one / two)
    finally:
        if was_enabled:
            gc.enable()
    return {"name": workload.name, "calls": calls, "one": statistics.median(ones), "two": statistics.median(twos),
            "speedup": statistics.median(ratios), "spread": [min(ratios), max(ratios)]}


def run_here(rounds: int) -> dict[str, Any]:
    import vexari

    free_threaded = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))
    gil = sys._is_gil_enabled() if hasattr(sys, "_is_gil_enabled") else True
    return {"python": sys.version.split()[0] + ("t" if free_threaded else ""), "gil": gil,
            "rows": [measure(w, rounds) for w in workloads(vexari)]}


@dataclass
class Scaling:
    label: str
    python: str
    result: dict[str, Any] | None
    problem: str = ""


def run_in(label: str, python: Path, rounds: int) -> Scaling:
    """This file run by another interpreter, which must have vexari installed."""
    if not python.exists():
        return Scaling(label, str(python), None, "not set up")
    child = subprocess.run([str(python), __file__, "--json", "--rounds", str(rounds)],
                           capture_output=True, text=True, timeout=600)
    if child.returncode != 0:
        return Scaling(label, str(python), None, child.stderr.strip().splitlines()[-1:][0] if child.stderr else "failed")
    return Scaling(label, str(python), json.loads(child.stdout))


def free_threaded_python() -> Path:
    import os

    chosen = os.environ.get("VEXARI_FT_BENCH_PYTHON")
    return Path(chosen) if chosen else Path(__file__).resolve().parent.parent / ".venv-ft" / "bin" / "python"


def run_everywhere(rounds: int) -> list[Scaling]:
    """The free-threaded figures and, beside them, this interpreter's."""
    return [run_in("free-threaded", free_threaded_python(), rounds), run_in("default", Path(sys.executable), rounds)]


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=9)
    parser.add_argument("--json", action="store_true", help="print the figures as JSON")
    arguments = parser.parse_args(argv)
    result = run_here(arguments.rounds)
    if arguments.json:
        print(json.dumps(result))
        return 0
    print(f"Python {result['python']}, GIL {'on' if result['gil'] else 'off'}")
    for row in result["rows"]:
        print(f"{row['name']:50} 1 thread {row['one'] * 1e3:8.1f} ms   2 threads {row['two'] * 1e3:8.1f} ms"
              f"   speed-up {row['speedup']:.2f}x")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
