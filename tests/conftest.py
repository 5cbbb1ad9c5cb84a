"""Shared helpers: call recorders, failing callables, interruptions."""

import contextlib
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import time

import pytest

import vexari
from stub_facts import READS_LISTS, parameters


class Recorder:
    """Logs each call's arguments (lists copied) and answers with `function`."""

    def __init__(self, function):
        self.function, self.calls = function, []

    def __call__(self, *args):
        self.calls.append(tuple(list(a) if isinstance(a, list) else a for a in args))
        return self.function(*args)

    @property
    def count(self):
        return len(self.calls)


class FailOn:
    """Raises `error` on its `failing`-th call (1-based), else answers with `function`."""

    def __init__(self, function, failing, error):
        self.function, self.failing, self.error, self.count = function, failing, error, 0

    def __call__(self, *args):
        self.count += 1
        if self.count == self.failing:
            raise self.error
        return self.function(*args)

    def __repr__(self):
        return f"FailOn(failing={self.failing}, error={self.error!r})"


def assert_parked(run, function, failing):
    """`run(f)` with f failing at call `failing` raises that very exception, after no further call."""
    error = LookupError("parked")
    f = FailOn(function, failing, error)
    with pytest.raises(LookupError) as caught:
        run(f)
    assert caught.value is error and f.count == failing


class Alarm(Exception):
    pass


@contextlib.contextmanager
def alarm_after(seconds):
    """A stand-in for Ctrl-C: a signal handler raises Alarm while a long call runs, which must end it."""
    def ring(signum, frame):
        raise Alarm

    previous = signal.signal(signal.SIGALRM, ring)
    try:
        signal.setitimer(signal.ITIMER_REAL, seconds)
        with pytest.raises(Alarm):
            yield
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)


# Under ./dev sanitize the interpreter runs with AddressSanitizer's runtime preloaded.
SANITIZED = "libasan" in os.environ.get("LD_PRELOAD", "")
# Under ./dev sanitize or ./dev coverage the module is instrumented (coverage builds it at -O0): its
# speed says nothing of a release build's.
INSTRUMENTED = SANITIZED or "VEXARI_COVERAGE_DRIVER_BUILD" in os.environ
# How much slower than natively code runs here: instrumented code a few times, and code under
# qemu-user (./dev test-cross says how much); limits on promptness scale alike.
SLOWDOWN = 4.0 if SANITIZED else float(os.environ.get("VEXARI_SLOWDOWN", "1"))


def run_interrupted(call, setup="", latency=0.25):
    """Runs `call` in a child interpreter (after `setup`), sends SIGINT once it is under way, returns
    its report. KeyboardInterrupt must reach the child's code within `latency` seconds of the signal
    (both processes read the same monotonic clock), plus `allowance` seconds if `setup` sets it: time
    the child measured for work the signal has to wait for that is the interpreter's, not ours."""
    # A process started in the background of a shell inherits SIGINT ignored; Python then raises
    # no KeyboardInterrupt unless the handler is set again.
    script = f"import math, signal, time, vexari\nsignal.signal(signal.SIGINT, signal.default_int_handler)\n" \
             f"allowance = 0.0\n{setup}\nprint('ready', allowance, flush=True)\ntry:\n    {call}\n    print('finished')\n" \
             "except KeyboardInterrupt:\n    print('interrupted', time.monotonic())\n"
    child = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, text=True)
    try:
        ready = child.stdout.readline()
        assert ready.startswith("ready "), ready
        allowance = float(ready.split()[1])
        try:
            child.wait(timeout=0.3)
        except subprocess.TimeoutExpired:
            sent = time.monotonic()
            child.send_signal(signal.SIGINT)
        report = child.communicate(timeout=60 * SLOWDOWN)[0]
        if report.startswith("interrupted "):
            waited = float(report.split()[1]) - sent
            bound = latency * SLOWDOWN + allowance
            assert waited <= bound, f"KeyboardInterrupt came {waited:.3f} s after the signal (allowed: {bound:.3f} s)"
            return "interrupted\n"
        return report
    finally:
        child.kill()
        child.wait()


def refused_allocation(call, room, prepare="pass"):
    """Runs `prepare` in a child interpreter, then `call` with only `room` more bytes of address
    space allowed; returns what the child printed: the repr of the MemoryError, or "returned"."""
    if SANITIZED:
        pytest.skip("AddressSanitizer's runtime maps more than such a limit allows")
    script = f"""if True:
        import array, os, resource, vexari
        {prepare}
        limits = resource.getrlimit(resource.RLIMIT_AS)
        mapped = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
        resource.setrlimit(resource.RLIMIT_AS, (mapped + {room}, limits[1]))
        try:
            {call}
            outcome = "returned"
        except MemoryError as error:
            outcome = repr(error)
        resource.setrlimit(resource.RLIMIT_AS, limits)
        print(outcome)
    """
    child = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=60 * SLOWDOWN)
    assert child.returncode == 0, child.stderr
    return child.stdout


# ./dev sanitize preloads the sanitizer runtimes into every process the suite starts, for the
# interpreter that runs vexari. Other programs (a browser, CMake and the compilers, a core driver, a
# type checker) are not built for them: Chromium, for one, spins at full CPU under that preload.
SANITIZER_VARIABLES = ("LD_PRELOAD", "ASAN_OPTIONS", "UBSAN_OPTIONS")


def foreign_environment(**extra):
    """The environment for a program that is not a Python running vexari: this process's, without
    the sanitizer runtimes and their options, with `extra` added."""
    return {**{k: v for k, v in os.environ.items() if k not in SANITIZER_VARIABLES}, **extra}


# The other arguments of the functions that only read lists (stub_facts.READS_LISTS): every
# parameter that is not a Vector and has no default needs a value here, and a default may be
# overridden. They convert without running Python code.
OTHER_ARGUMENTS = {
    "variance": {"sample": True},
    "linear_interpolate": {"query": 0.5},
    "lagrange_interpolate": {"query": 0.5},
    "polynomial_regression": {"degree": 2},
    "scale": {"factor": -1.5},
    "polyval": {"x": 0.75},
    "polyint": {"constant": 1.5},
    "polyroot": {"guess": 0.5},
    "finite_difference": {"spacing": 0.25},
    "moving_average": {"window": 2},
    "exponential_smooth": {"alpha": 0.5},
    "find_peaks": {"threshold": 0.0},
}


def list_reader(name):
    """The function as f(a, b): its Vector parameters take a and then b (b goes unused where it takes
    one), the others come from OTHER_ARGUMENTS. None when a value it needs is missing there."""
    given = OTHER_ARGUMENTS.get(name, {})
    declared = parameters(name)
    vectors = [p for p, kind, _ in declared if kind == "Vector"]
    required = [p for p, _, default in declared if default is None]
    if len(vectors) > 2 or not set(required) - set(vectors) <= set(given):
        return None
    function = getattr(vexari, name)
    options = {p: value for p, value in given.items() if p not in required}

    def read(a, b):
        vector = dict(zip(vectors, (a, b)))
        return function(*[vector[p] if p in vector else given[p] for p in required], **options)

    return read


LIST_READERS = {name: reader for name in READS_LISTS if (reader := list_reader(name)) is not None}


@pytest.fixture(scope="session")
def core_driver(tmp_path_factory):
    """Runs a driver of tests/core/ with arguments: its output lines as (first word, rest) pairs."""
    # The venv that runs the suite has CMake and Ninja; they build the driver against the core library.
    tools = str(pathlib.Path(sys.executable).parent)
    cmake = shutil.which("cmake", path=tools) or shutil.which("cmake")
    ninja = shutil.which("ninja", path=tools) or shutil.which("ninja")
    if cmake is None or not (shutil.which("c++") or shutil.which("g++")):
        pytest.skip("no CMake or C++ compiler")
    # ./dev coverage counts the core lines the drivers run: it names a lasting, instrumented build.
    coverage = os.environ.get("VEXARI_COVERAGE_DRIVER_BUILD")
    build = pathlib.Path(coverage) if coverage else tmp_path_factory.mktemp("driver")
    source = pathlib.Path(__file__).parent / "core"
    configure = [cmake, "-S", str(source), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                 f"-DVEXARI_COVERAGE={'ON' if coverage else 'OFF'}"]
    if ninja:
        configure += ["-G", "Ninja", f"-DCMAKE_MAKE_PROGRAM={ninja}"]
    subprocess.run(configure, check=True, capture_output=True, env=foreign_environment())
    subprocess.run([cmake, "--build", str(build)], check=True, capture_output=True, env=foreign_environment())

    def run(name, *arguments):
        out = subprocess.run([str(build / name), *arguments], capture_output=True, text=True, check=True,
                             env=foreign_environment()).stdout
        lines = [(line.split(" ", 1) + [""])[:2] for line in out.splitlines()]
        return [tuple(pair) for pair in lines]

    return run
