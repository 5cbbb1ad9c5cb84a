"""Compiled functions: what an evaluation costs when the function is compiled, against a Python
lambda and against the floor (a C loop calling the same pointer); the speed-up per function; two
threads running compiled calls at once; and SciPy's own entry points for the same objects.

    python bench/compiled.py [--quick]

main.py runs this in the same process as the other cases and adds its tables to the results.
"""

from __future__ import annotations

import ctypes
import gc
import math
import os
import shlex
import statistics
import subprocess
import sys
import sysconfig
import threading
import time
from pathlib import Path
from typing import Any, Callable

import vexari

sys.path.insert(0, str(Path(__file__).resolve().parent))
from floor import build as floor_build  # noqa: E402

sys.path.insert(0, str(floor_build.build()))
import _floor  # noqa: E402

HERE = Path(__file__).resolve().parent
SOURCE = HERE / "floor" / "compiled.c"

# Goals (as in report.py): a compiled evaluation within 1.10x of the C loop's call, and two threads
# of compiled calls at 1.8x one thread on the default build.
PER_EVALUATION_GOAL = 1.10
TWO_THREAD_GOAL = 1.8


def build() -> Path:
    """The library, compiled with the floor's rules (optimised, no contraction, no fast math)."""
    target = HERE / "floor" / "build" / "compiled.so"
    if not (target.exists() and target.stat().st_mtime >= SOURCE.stat().st_mtime):
        target.parent.mkdir(parents=True, exist_ok=True)
        compiler = shlex.split(os.environ.get("CC") or sysconfig.get_config_var("CC") or "cc")
        subprocess.run(compiler + ["-O2", "-fPIC", "-shared", "-ffp-contract=off", "-fno-fast-math",
                                   "-Wall", "-Wextra", "-Wno-unused-parameter", str(SOURCE), "-o", str(target)],
                       check=True)
    return target


c_double, c_int, c_long = ctypes.c_double, ctypes.c_int, ctypes.c_long
double_p = ctypes.POINTER(c_double)
SCALAR = ctypes.CFUNCTYPE(c_double, c_double)
SCALAR2 = ctypes.CFUNCTYPE(c_double, c_double, c_double)
VECTOR = ctypes.CFUNCTYPE(c_double, c_int, double_p)
RESIDUALS = ctypes.CFUNCTYPE(c_int, c_int, double_p, c_int, double_p)


def median_per_call(calls: dict[str, Callable[[], Any]], rounds: int, target: float) -> dict[str, float]:
    """Seconds per call of each, sampled round-robin so that the machine's drift falls on all alike."""
    numbers = {}
    for name, call in calls.items():
        start = time.perf_counter()
        call()
        once = max(time.perf_counter() - start, 1e-7)
        numbers[name] = max(1, int(target / once))
    samples: dict[str, list[float]] = {name: [] for name in calls}
    names = list(calls)
    # As for the other cases, the collector waits while a sample runs: a run that builds 1e5
    # result dicts would otherwise set off collections that land on one contender or another.
    was_enabled = gc.isenabled()
    try:
        for index in range(rounds):
            for name in names[index % len(names):] + names[:index % len(names)]:
                call, number = calls[name], numbers[name]
                gc.collect()
                gc.disable()
                start = time.perf_counter()
                for _ in range(number):
                    call()
                samples[name].append((time.perf_counter() - start) / number)
                if was_enabled:
                    gc.enable()
    finally:
        if was_enabled:
            gc.enable()
    return {name: statistics.median(values) for name, values in samples.items()}


def per_evaluation(lines: list[str], library: ctypes.CDLL, rounds: int, target: float) -> None:
    ident = SCALAR(("ident", library))
    square = SCALAR(("square", library))
    ident2 = SCALAR2(("ident2", library))
    first = VECTOR(("first", library))
    identity = RESIDUALS(("identity", library))
    point = [1.0, 2.0, 3.0, 4.0]
    array = (c_double * 4)(*point)
    loops = 200_000

    library.loop_scalar.restype = library.loop_scalar2.restype = library.loop_vector.restype = c_double
    library.loop_scalar.argtypes = [SCALAR, c_double, c_long]
    library.loop_scalar2.argtypes = [SCALAR2, c_double, c_double, c_long]
    library.loop_vector.argtypes = [VECTOR, c_int, double_p, c_long]
    loop_times = median_per_call({
        "f(x)": lambda: library.loop_scalar(ident, 0.5, loops),
        "f(t, y)": lambda: library.loop_scalar2(ident2, 0.5, 1.0, loops),
        "f(vector)": lambda: library.loop_vector(first, 4, array, loops),
    }, rounds, target)

    # One job per function that calls back, each by its kind: (kind, compiled, Python, call), where
    # call(module, f) runs the job with vexari's function or the floor's of the same name.
    K3 = 33334
    jobs: dict[str, tuple[str, Any, Callable[..., Any], Callable[[Any, Any], Any]]] = {
        "newton": ("f(x)", ident, lambda x: x, lambda m, f: m.newton(f, 1.0, -1.0, K3)),
        "halley": ("f(x)", ident, lambda x: x, lambda m, f: m.halley(f, 1.0, -1.0, K3 // 2)),
        "tanh_sinh": ("f(x)", ident, lambda x: x, lambda m, f: m.tanh_sinh(f, 0.0, 1.0, -1.0, 12)),
        "quad_inf": ("f(x)", ident, lambda x: x, lambda m, f: m.quad_inf(f, -1.0, 12)),
        "stationary_newton": ("f(x)", square, lambda x: x * x,
                              lambda m, f: m.stationary_newton(f, 1.0, -1.0, K3 // 2)),
        "tangent_minimize": ("f(x)", ident, lambda x: x, lambda m, f: m.tangent_minimize(f, 1.0, 0.01, -1.0, K3)),
        "sample_grid": ("f(x)", ident, lambda x: x, lambda m, f: m.sample_grid(f, 0.0, 1.0, 100_000)),
        "tangent": ("f(x)", ident, lambda x: x, lambda m, f: [m.tangent(f, 1.0) for _ in range(20_000)]),
        "rk4": ("f(t, y)", ident2, lambda t, y: y, lambda m, f: m.rk4(f, 1.0, 0.0, 1.0, 4e-5)),
        "ode_direction_field": ("f(t, y)", ident2, lambda t, y: y,
                                lambda m, f: m.ode_direction_field(f, (0.0, 1.0), (0.0, 1.0), 317, 317)),
        "gradient_descent": ("f(vector)", first, lambda v: v[0],
                             lambda m, f: m.gradient_descent(f, point, 0.01, -1.0, 11112)),
        "gauss_newton": ("f(vector) -> vector", identity, lambda v: v,
                         lambda m, f: m.gauss_newton(f, [1.0, 2.0], -1.0, 16667)),
    }
    try:
        from scipy import LowLevelCallable
    except ImportError:
        carriers = {}
    else:  # recognising a ctypes pointer reads four of its attributes; a LowLevelCallable's capsule names its type
        carriers = {"tangent": LowLevelCallable(ident)}
        jobs["tangent, as a LowLevelCallable"] = jobs["tangent"]
    lines += ["## Compiled functions", "",
              "Each function with a compiled `x -> x` (`(t, y) -> y`, `v -> v[0]`, `v -> v`) and with the same "
              "Python lambda, interleaved, against the floor's same job calling the same pointer (plain C "
              "holding the interpreter: the same arithmetic and result objects, nothing checked, no look for "
              "Ctrl-C). Per evaluation: the whole call's time over its evaluations, engine arithmetic and "
              "result objects included.", "",
              "| function | kind | evaluations | Python per eval | compiled per eval | floor, compiled, per eval | "
              "compiled / floor | speed-up over Python |", "|---|---|---:|---:|---:|---:|---:|---:|"]
    misses = []
    for name, (kind, compiled, python, call) in jobs.items():
        calls = [0]

        def counted(*args: Any, python: Callable[..., Any] = python) -> Any:
            calls[0] += 1
            return python(*args)

        call(vexari, counted)
        evaluations = calls[0]
        pointer = _floor.compiled(ctypes.cast(compiled, ctypes.c_void_p).value)
        if name.endswith("LowLevelCallable"):
            compiled = carriers[name.split(",")[0]]
        if bits(call(_floor, pointer)) != bits(call(vexari, compiled)):
            misses.append(f"{name}: the floor's answer differs")
        times = median_per_call({"python": lambda: call(vexari, python), "compiled": lambda: call(vexari, compiled),
                                 "floor": lambda: call(_floor, pointer)}, rounds, target)
        over = times["compiled"] / times["floor"]
        if over > PER_EVALUATION_GOAL:
            misses.append(f"{name}: {over:.2f}x")
        lines.append(f"| {name} | {kind} | {evaluations} | {times['python'] / evaluations * 1e9:.1f} ns | "
                     f"{times['compiled'] / evaluations * 1e9:.1f} ns | {times['floor'] / evaluations * 1e9:.1f} ns | "
                     f"{over:.2f}x | {times['python'] / times['compiled']:.1f}x |")
    lines += ["", "A C loop calling the same pointer and summing its answers, per call: " +
              ", ".join(f"{kind} {seconds / loops * 1e9:.2f} ns" for kind, seconds in loop_times.items()) + ".", "",
              f"Goal: a compiled evaluation within {PER_EVALUATION_GOAL:.2f}x of the floor's: " +
              ("met by every function." if not misses else "missed by " + "; ".join(misses) + "."), ""]


def bits(value: Any) -> Any:
    """The answer with every float as its bytes, so that the floor's and the toolkit's compare exactly."""
    if isinstance(value, float):
        return value.hex() if value == value else "nan"
    if isinstance(value, dict):
        return {key: bits(item) for key, item in value.items()}
    if isinstance(value, (list, tuple)):
        return [bits(item) for item in value]
    return value


def two_threads(lines: list[str], library: ctypes.CDLL, rounds: int) -> None:
    ident = SCALAR(("ident", library))
    library.loop_scalar.restype = c_double
    library.loop_scalar.argtypes = [SCALAR, c_double, c_long]

    def compiled_calls(count: int) -> None:
        for _ in range(count * 6):
            vexari.tanh_sinh(ident, 0.0, 1.0, -1.0, 12)

    def c_loops(count: int) -> None:  # ctypes lets the lock go around its own call: the machine's check
        for _ in range(count * 3):
            library.loop_scalar(ident, 0.5, 3_000_000)

    build = "free-threaded" if sysconfig.get_config_var("Py_GIL_DISABLED") else "default"
    lines += ["### Two threads of compiled calls", "",
              f"The same work by one thread, then shared by two at once ({build} build, {os.cpu_count()} cores, "
              f"load average {os.getloadavg()[0]:.1f} at the start); median of {rounds} rounds. The C loop through "
              "ctypes shows what the machine allows.", "", "| work | two threads / one |", "|---|---:|"]
    for name, work in (("vexari.tanh_sinh, compiled x -> x", compiled_calls), ("C loop through ctypes", c_loops)):
        ratios = []
        for _ in range(rounds):
            start = time.perf_counter()
            work(2)
            one = time.perf_counter() - start
            threads = [threading.Thread(target=work, args=(1,)) for _ in range(2)]
            start = time.perf_counter()
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()
            ratios.append(one / (time.perf_counter() - start))
        lines.append(f"| {name} | {statistics.median(ratios):.2f}x |")
    lines += ["", f"Goal: {TWO_THREAD_GOAL}x for the compiled calls on the default build.", ""]


def peers(lines: list[str], library: ctypes.CDLL, rounds: int, target: float) -> None:
    try:
        import scipy.integrate
        import scipy.optimize
        from scipy import LowLevelCallable
    except ImportError:
        lines += ["(SciPy missing: no peer rows.)", ""]
        return
    lines += ["### Peers", "", "| job | contender | per call |", "|---|---|---:|"]
    cosine = SCALAR(("ident", library))
    llc = LowLevelCallable(cosine)
    times = median_per_call({
        "vexari.tanh_sinh(LowLevelCallable)": lambda: vexari.tanh_sinh(llc, 0.0, 1.0),
        "scipy.integrate.quad(LowLevelCallable)": lambda: scipy.integrate.quad(llc, 0.0, 1.0),
        "vexari.tanh_sinh(lambda)": lambda: vexari.tanh_sinh(lambda x: x, 0.0, 1.0),
        "scipy.integrate.quad(lambda)": lambda: scipy.integrate.quad(lambda x: x, 0.0, 1.0),
    }, rounds, target)
    for name, seconds in times.items():
        lines.append(f"| integral of x on [0, 1] | {name} | {seconds * 1e6:.1f} us |")
    try:
        import numba
    except ImportError:
        lines += ["", "(numba missing: no newton peer row.)", ""]
        return

    def parabola(x: float) -> float:
        return x * x - 2.0

    compiled = numba.cfunc("float64(float64)")(parabola)
    times = median_per_call({
        "vexari.newton(numba cfunc)": lambda: vexari.newton(compiled, 1.0),
        "scipy.optimize.newton(numba cfunc)": lambda: scipy.optimize.newton(compiled, 1.0),
        "scipy.optimize.newton(Python function)": lambda: scipy.optimize.newton(parabola, 1.0),
    }, rounds, target)
    for name, seconds in times.items():
        lines.append(f"| root of x*x - 2 from 1 | {name} | {seconds * 1e6:.1f} us |")
    lines.append("")


def run(quick: bool) -> list[str]:
    library = ctypes.CDLL(str(build()))
    rounds, target = (3, 0.01) if quick else (9, 0.04)
    lines: list[str] = []
    per_evaluation(lines, library, rounds, target)
    two_threads(lines, library, rounds)
    peers(lines, library, rounds, target)
    return lines


if __name__ == "__main__":
    print("\n".join(run("--quick" in sys.argv)))
