"""Memory of one call, and allocations per callback evaluation.

Peak memory: each workload and contender runs in a fresh interpreter (so
memory freed earlier cannot be reused unseen), which reports two figures
beside the input and result sizes (deep sizes of the Python objects):

- python peak: the peak of the interpreter's own heap during the call, above
  what was live before it (tracemalloc). Native buffers (malloc, operator new)
  are not seen by it.
- rss peak: growth of the process's resident high-water mark during the call
  (the mark is reset through /proc/self/clear_refs after trimming the malloc
  heap), which sees everything the call touches, native buffers included, to
  page granularity.

Both are compared with the result's size: memory beyond it is what the call
holds transiently (copies of the input, intermediate records).

Allocations per evaluation: the interpreter's three allocator domains are
hooked (floor.count_allocations) while one call runs, and the calls into them
are divided by the call's callback evaluations. Floats come from the
interpreter's free list, so the steady-state cost of a scalar evaluation is
zero allocations; what remains is the result and anything the call adds per
evaluation. A leak check runs each call five more times, dropping the result,
and reports how much the traced heap grew per call.
"""

from __future__ import annotations

import ctypes
import gc
import json
import math
import os
import random
import subprocess
import sys
import tracemalloc
from pathlib import Path
from dataclasses import dataclass
from typing import Any, Callable

import numpy as np

from cases_callbacks import first, ident, ident2
from harness import Context, count_calls


def deep_size(value: Any, seen: set[int] | None = None) -> int:
    """Bytes of a result made of lists, tuples, dicts, floats and ints; dict keys
    (interned strings shared by every result) are not counted."""
    if seen is None:
        seen = set()
    if id(value) in seen:
        return 0
    seen.add(id(value))
    if isinstance(value, np.ndarray):
        return value.nbytes + sys.getsizeof(value)
    size = sys.getsizeof(value)
    if isinstance(value, dict):
        for item in value.values():
            size += deep_size(item, seen)
    elif isinstance(value, (list, tuple)):
        for item in value:
            size += deep_size(item, seen)
    return size


def _status_kib(field: str) -> int:
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return -1


_libc = None


def _trim() -> None:
    global _libc
    try:
        if _libc is None:
            _libc = ctypes.CDLL("libc.so.6")
        _libc.malloc_trim(0)
    except OSError:
        pass


def _reset_high_water() -> bool:
    try:
        with open("/proc/self/clear_refs", "w") as refs:
            refs.write("5")
        return True
    except OSError:
        return False


@dataclass
class Footprint:
    workload: str
    contender: str
    input_bytes: int
    result_bytes: int
    python_peak: int
    rss_peak: int | None  # bytes, None where the mark cannot be reset


def _measure(inputs: tuple, call: Callable[[], Any]) -> dict[str, int | None]:
    """In a fresh interpreter, so that the resident mark is not blurred by
    memory freed earlier and reused: first the resident peak, then the traced one."""
    input_bytes = sum(deep_size(item) for item in inputs)
    gc.collect()
    _trim()
    rss_peak = None
    if _reset_high_water():
        rss_before = _status_kib("VmRSS")
        result = call()
        rss_peak = max(0, _status_kib("VmHWM") - rss_before) * 1024
        del result
        gc.collect()
    tracemalloc.start()
    tracemalloc.reset_peak()
    before, _ = tracemalloc.get_traced_memory()
    result = call()
    _, peak = tracemalloc.get_traced_memory()
    tracemalloc.stop()
    return {"input_bytes": input_bytes, "result_bytes": deep_size(result), "python_peak": peak - before,
            "rss_peak": rss_peak}


def footprint(workload: str, contender: str, n: int) -> Footprint:
    command = [sys.executable, str(Path(__file__).resolve()), "--child", workload, contender, str(n)]
    done = subprocess.run(command, capture_output=True, text=True, check=False)
    if done.returncode != 0:
        raise RuntimeError(f"memory child failed: {done.stderr.strip().splitlines()[-1:]}")
    return Footprint(workload, contender, **json.loads(done.stdout))


@dataclass
class Allocations:
    workload: str
    contender: str
    evaluations: int
    raw: int
    mem: int
    obj: int
    native: int | None  # malloc-family calls, None where the counter could not be preloaded
    leak_per_call: float

    @property
    def per_evaluation(self) -> float:
        return (self.raw + self.mem + self.obj) / self.evaluations

    @property
    def native_per_evaluation(self) -> float | None:
        return None if self.native is None else self.native / self.evaluations


def _count(fl, call: Callable[[], Any]) -> dict[str, Any]:
    """In the preloaded child: allocator calls of one warm call, and the leak check."""
    call()  # warm: free lists and caches filled as in steady use
    gc.collect()
    _, raw, _, mem, _, obj, _ = fl.count_allocations(call)
    native = None
    try:
        library = ctypes.CDLL(None)
        library.malloc_count_stop.restype = ctypes.c_ulonglong
        gc.collect()
        library.malloc_count_start()
        result = call()
        native = int(library.malloc_count_stop())
        del result
    except AttributeError:  # the counter is not preloaded
        pass
    gc.collect()
    tracemalloc.start()
    call()
    gc.collect()
    start, _ = tracemalloc.get_traced_memory()
    for _ in range(5):
        call()
    gc.collect()
    end, _ = tracemalloc.get_traced_memory()
    tracemalloc.stop()
    return {"raw": raw, "mem": mem, "obj": obj, "native": native, "leak_per_call": (end - start) / 5}


def allocations(workload: str) -> list[Allocations]:
    from floor import build as floor_build

    environment = dict(os.environ)
    try:
        environment["LD_PRELOAD"] = str(floor_build.malloc_counter())
    except (OSError, subprocess.CalledProcessError):
        pass
    command = [sys.executable, str(Path(__file__).resolve()), "--allocations", workload]
    done = subprocess.run(command, capture_output=True, text=True, check=False, env=environment)
    if done.returncode != 0:
        raise RuntimeError(f"allocation child failed: {done.stderr.strip().splitlines()[-1:]}")
    return [Allocations(**row) for row in json.loads(done.stdout)]


def allocation_workloads(vx, fl):
    """(label, needed function, {contender: call}, counted run, callable) for the allocation table."""

    def identity(v):
        return v

    start = [1.0, 2.0, 3.0, 4.0]
    return [
        ("tanh_sinh lambda x: x, levels 3-12", "tanh_sinh",
         {"vexari": lambda: vx.tanh_sinh(ident, 0.0, 1.0, -1.0, 12),
          "floor": lambda: fl.tanh_sinh(ident, 0.0, 1.0, -1.0, 12)},
         lambda g: fl.tanh_sinh(g, 0.0, 1.0, -1.0, 12), ident),
        ("newton lambda x: x, 33334 iterations", "newton",
         {"vexari": lambda: vx.newton(ident, 1.0, -1.0, 33334), "floor": lambda: fl.newton(ident, 1.0, -1.0, 33334)},
         lambda g: fl.newton(g, 1.0, -1.0, 33334), ident),
        ("rk4 lambda t, y: y, 25000 steps", "rk4",
         {"vexari": lambda: vx.rk4(ident2, 1.0, 0.0, 1.0, 4e-5), "floor": lambda: fl.rk4(ident2, 1.0, 0.0, 1.0, 4e-5)},
         lambda g: fl.rk4(g, 1.0, 0.0, 1.0, 4e-5), ident2),
        ("tangent_minimize lambda x: x, 33334 iterations", "tangent_minimize",
         {"vexari": lambda: vx.tangent_minimize(ident, 1.0, 0.01, -1.0, 33334),
          "floor": lambda: fl.tangent_minimize(ident, 1.0, 0.01, -1.0, 33334)},
         lambda g: fl.tangent_minimize(g, 1.0, 0.01, -1.0, 33334), ident),
        ("gradient_descent lambda v: v[0], 4 coordinates, 11112 iterations", "gradient_descent",
         {"vexari": lambda: vx.gradient_descent(first, start, 0.01, -1.0, 11112),
          "floor": lambda: fl.gradient_descent(first, start, 0.01, -1.0, 11112)},
         lambda g: fl.gradient_descent(g, start, 0.01, -1.0, 11112), first),
        ("gauss_newton lambda v: v, 2 unknowns, 16667 iterations", "gauss_newton",
         {"vexari": lambda: vx.gauss_newton(identity, [1.0, 2.0], -1.0, 16667),
          "floor": lambda: fl.gauss_newton(identity, [1.0, 2.0], -1.0, 16667)},
         lambda g: fl.gauss_newton(g, [1.0, 2.0], -1.0, 16667), identity),
    ]


def _values(n: int, seed: int) -> list[float]:
    generator = random.Random(seed)
    return [generator.random() for _ in range(n)]


def footprint_workloads(vx, fl, n: int):
    """(label, needed function, inputs, {contender: call}) for the peak-memory table."""
    a, b = _values(n, 1), _values(n, 2)
    kernel = [0.1, 0.2, 0.4, 0.2, 0.1]
    size = f"1e{len(str(n)) - 1}"

    def ident(x):
        return x

    def ident2(t, y):
        return y

    return [
        (f"mean n={size}", "mean", (a,), {
            "vexari": lambda: vx.mean(a), "floor": lambda: fl.mean(a),
            "numpy": lambda: float(np.mean(np.asarray(a)))}),
        (f"summary n={size}", "summary", (a,), {
            "vexari": lambda: vx.summary(a), "floor": lambda: fl.summary(a)}),
        (f"add n={size}", "add", (a, b), {
            "vexari": lambda: vx.add(a, b), "floor": lambda: fl.add(a, b),
            "numpy": lambda: (np.asarray(a) + np.asarray(b)).tolist()}),
        (f"convolve n={size}, kernel 5", "convolve", (a, kernel), {
            "vexari": lambda: vx.convolve(a, kernel), "floor": lambda: fl.convolve(a, kernel),
            "numpy": lambda: np.convolve(np.asarray(a), np.asarray(kernel)).tolist()}),
        ("newton lambda x: x, 33334 iterations", "newton", (), {
            "vexari": lambda: vx.newton(ident, 1.0, -1.0, 33334), "floor": lambda: fl.newton(ident, 1.0, -1.0, 33334)}),
        ("tanh_sinh lambda x: x, levels 3-12", "tanh_sinh", (), {
            "vexari": lambda: vx.tanh_sinh(ident, 0.0, 1.0, -1.0, 12),
            "floor": lambda: fl.tanh_sinh(ident, 0.0, 1.0, -1.0, 12)}),
        ("rk4 lambda t, y: y, 25000 steps", "rk4", (), {
            "vexari": lambda: vx.rk4(ident2, 1.0, 0.0, 1.0, 4e-5), "floor": lambda: fl.rk4(ident2, 1.0, 0.0, 1.0, 4e-5)}),
        ("sample_grid lambda x: x, 1e5 points", "sample_grid", (), {
            "vexari": lambda: vx.sample_grid(ident, 0.0, 1.0, 100000),
            "floor": lambda: fl.sample_grid(ident, 0.0, 1.0, 100000)}),
        ("ode_direction_field 317 x 317", "ode_direction_field", (), {
            "vexari": lambda: vx.ode_direction_field(ident2, (0.0, 1.0), (0.0, 1.0), 317, 317),
            "floor": lambda: fl.ode_direction_field(ident2, (0.0, 1.0), (0.0, 1.0), 317, 317)}),
    ]


def run(ctx: Context) -> tuple[list[Footprint], list[Allocations], list[str]]:
    vx, fl = ctx.vx, ctx.fl
    footprints: list[Footprint] = []
    skipped: list[str] = []
    n = 100000 if ctx.quick else 1000000
    for label, function, _, contenders in footprint_workloads(vx, fl, n):
        if not ctx.has(function):
            skipped.append(f"{label}: not available")
            continue
        for name in contenders:
            footprints.append(footprint(label, name, n))

    allocation_rows: list[Allocations] = []
    for label, function, _, _, _ in allocation_workloads(vx, fl):
        if not ctx.has(function):
            skipped.append(f"allocations {label}: not available")
            continue
        allocation_rows.extend(allocations(label))
    return footprints, allocation_rows, skipped


def _format_bytes(value: float | None) -> str:
    if value is None or (isinstance(value, float) and math.isnan(value)):
        return "n/a"
    value = float(value)
    for unit in ("B", "KiB", "MiB", "GiB"):
        if abs(value) < 1024 or unit == "GiB":
            return f"{value:.0f} {unit}" if unit == "B" else f"{value:.1f} {unit}"
        value /= 1024
    return f"{value:.1f} GiB"


format_bytes = _format_bytes


def _child(workload: str, contender: str, n: int) -> None:
    sys.path.insert(0, str(Path(__file__).resolve().parent))
    from floor import build as floor_build

    sys.path.insert(0, str(floor_build.build()))
    import _floor
    import vexari

    for label, _, inputs, contenders in footprint_workloads(vexari, _floor, n):
        if label == workload:
            print(json.dumps(_measure(inputs, contenders[contender])))
            return
    raise SystemExit(f"unknown workload {workload}")


def _allocation_child(workload: str) -> None:
    sys.path.insert(0, str(Path(__file__).resolve().parent))
    from floor import build as floor_build

    sys.path.insert(0, str(floor_build.build()))
    import _floor
    import vexari

    for label, _, contenders, counted, function in allocation_workloads(vexari, _floor):
        if label == workload:
            evaluations, _ = count_calls(counted, function)
            rows = [dict(workload=label, contender=name, evaluations=evaluations, **_count(_floor, call))
                    for name, call in contenders.items()]
            print(json.dumps(rows))
            return
    raise SystemExit(f"unknown workload {workload}")


if __name__ == "__main__" and len(sys.argv) == 5 and sys.argv[1] == "--child":
    _child(sys.argv[2], sys.argv[3], int(sys.argv[4]))
elif __name__ == "__main__" and len(sys.argv) == 3 and sys.argv[1] == "--allocations":
    _allocation_child(sys.argv[2])
