"""Shared helpers: call recorders, failing callables, interruptions."""

import contextlib
import pathlib
import shutil
import signal
import subprocess
import sys

import pytest

import vexari


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


def run_interrupted(call, within=60):
    """Runs `call` in a child interpreter, sends SIGINT once it is under way, returns its report.
    The child must have ended `within` seconds after the signal."""
    script = f"import math, vexari\nprint('ready', flush=True)\ntry:\n    {call}\n    print('finished')\n" \
             "except KeyboardInterrupt:\n    print('interrupted')\n"
    child = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "ready\n"
        try:
            child.wait(timeout=0.3)
        except subprocess.TimeoutExpired:
            child.send_signal(signal.SIGINT)
        return child.communicate(timeout=within)[0]
    finally:
        child.kill()
        child.wait()


# The functions that read list arguments without keeping them, each as f(a, b) of two vectors (the
# second ignored where the function takes one); the other arguments convert without Python code.
LIST_READERS = {
    "mean": lambda a, b: vexari.mean(a),
    "variance": lambda a, b: vexari.variance(a, sample=True),
    "summary": lambda a, b: vexari.summary(a),
    "covariance": lambda a, b: vexari.covariance(a, b, False),
    "correlation": lambda a, b: vexari.correlation(a, b),
    "linear_regression": lambda a, b: vexari.linear_regression(a, b),
    "dot": lambda a, b: vexari.dot(a, b),
    "norm": lambda a, b: vexari.norm(a),
    "add": lambda a, b: vexari.add(a, b),
    "sub": lambda a, b: vexari.sub(a, b),
    "scale": lambda a, b: vexari.scale(a, -1.5),
    "polyval": lambda a, b: vexari.polyval(a, 0.75),
    "linear_interpolate": lambda a, b: vexari.linear_interpolate(a, b, 0.5),
    "finite_difference": lambda a, b: vexari.finite_difference(a, 0.25),
    "moving_average": lambda a, b: vexari.moving_average(a, 2),
    "exponential_smooth": lambda a, b: vexari.exponential_smooth(a, 0.5),
    "normalize": lambda a, b: vexari.normalize(a),
    "find_peaks": lambda a, b: vexari.find_peaks(a, 0.0),
}


@pytest.fixture(scope="session")
def core_driver(tmp_path_factory):
    """Runs a driver of tests/core/ with arguments: its output lines as (first word, rest) pairs."""
    # The venv that runs the suite has CMake and Ninja; they build the driver against the core library.
    tools = str(pathlib.Path(sys.executable).parent)
    cmake = shutil.which("cmake", path=tools) or shutil.which("cmake")
    ninja = shutil.which("ninja", path=tools) or shutil.which("ninja")
    if cmake is None or not (shutil.which("c++") or shutil.which("g++")):
        pytest.skip("no CMake or C++ compiler")
    build = tmp_path_factory.mktemp("driver")
    source = pathlib.Path(__file__).parent / "core"
    configure = [cmake, "-S", str(source), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release"]
    if ninja:
        configure += ["-G", "Ninja", f"-DCMAKE_MAKE_PROGRAM={ninja}"]
    subprocess.run(configure, check=True, capture_output=True)
    subprocess.run([cmake, "--build", str(build)], check=True, capture_output=True)

    def run(name, *arguments):
        out = subprocess.run([str(build / name), *arguments], capture_output=True, text=True, check=True).stdout
        lines = [(line.split(" ", 1) + [""])[:2] for line in out.splitlines()]
        return [tuple(pair) for pair in lines]

    return run
