"""List functions on Python lists of 1e3, 1e5 and 1e6 floats.

Contenders, all given the same Python lists and returning what the toolkit
returns (a float, a list of floats or a dict of floats):

- vexari: the toolkit's function.
- floor: plain C reading the list items in place, computing and building the
  result (see floor/floor.c).
- numpy: np.asarray on each list argument, the NumPy operation, and .tolist()
  (or float()) to hand back plain Python objects: what a user holding lists pays.
- numpy arrays: the NumPy operation alone on arrays made beforehand, result
  left as an array or NumPy scalar; shown to split conversion from compute.
- python / statistics / math: the standard library as a user would call it.

NumPy sums pairwise and math.fsum/sumprod round differently, so their results
agree with the toolkit's only to rounding; the agreement column says how far.
"""

from __future__ import annotations

import bisect
import math
import random
import statistics

import numpy as np

from harness import Case, Context, Contender

SIZES = (1000, 100000, 1000000)


def _data(n: int, seed: int) -> list[float]:
    generator = random.Random(seed)
    return [generator.random() for _ in range(n)]


def _label(n: int) -> str:
    return f"n=1e{round(math.log10(n))}"


def moving_average_numpy(values, window):
    a = np.asarray(values)
    sums = np.cumsum(a)
    sums[window:] = sums[window:] - sums[:-window]
    counts = np.minimum(np.arange(1, a.size + 1), window)
    return (sums / counts).tolist()


def moving_average_py(values, window):
    out = []
    s = 0.0
    for i, v in enumerate(values):
        s += v
        if i >= window:
            s -= values[i - window]
        out.append(s / min(i + 1, window))
    return out


def normalize_numpy(values):
    a = np.asarray(values)
    low, high = np.nanmin(a), np.nanmax(a)
    span = high - low
    if abs(span) < 2.220446049250313e-16:
        return [0.0] * a.size
    return ((a - low) / span).tolist()


def normalize_py(values):
    low, high = min(values), max(values)
    span = high - low
    if abs(span) < 2.220446049250313e-16:
        return [0.0] * len(values)
    return [(v - low) / span for v in values]


def summary_numpy(values):
    a = np.asarray(values)
    var = float(a.var())
    return {"count": a.size, "mean": float(a.mean()), "variance": var, "std_dev": math.sqrt(var),
            "min": float(np.nanmin(a)), "max": float(np.nanmax(a))}


def summary_py(values):
    n = len(values)
    m = math.fsum(values) / n
    var = math.fsum((v - m) * (v - m) for v in values) / n
    return {"count": n, "mean": m, "variance": var, "std_dev": math.sqrt(var), "min": min(values),
            "max": max(values)}


def convolve_py(signal, kernel):
    out = [0.0] * (len(signal) + len(kernel) - 1)
    for i, s in enumerate(signal):
        for j, k in enumerate(kernel):
            out[i + j] += s * k
    return out


def polyval_py(coefficients, x):
    p = 0.0
    for c in reversed(coefficients):
        p = x * p + c
    return p


def interpolate_py(xs, ys, query):
    i = bisect.bisect_left(xs, query)
    if i == 0:
        return ys[0]
    t = (query - xs[i - 1]) / (xs[i] - xs[i - 1])
    return (1 - t) * ys[i - 1] + t * ys[i]


def cases(ctx: Context) -> list[Case]:
    out: list[Case] = []
    for n in SIZES:
        out.extend(_cases_of_size(ctx, n))
    return out


def _cases_of_size(ctx: Context, n: int) -> list[Case]:
    vx, fl = ctx.vx, ctx.fl
    label = _label(n)
    big = n >= 1000000
    cache: dict[str, object] = {}

    def data(key: str):
        """Inputs are made on first use and shared by the cases of this size."""
        if key not in cache:
            if key == "a":
                cache[key] = _data(n, 1)
            elif key == "b":
                cache[key] = _data(n, 2)
            elif key == "sorted":
                cache[key] = [i / n for i in range(n)]
            elif key == "matrix":
                side = round(math.sqrt(n))
                cache[key] = [_data(side, 100 + r) for r in range(side)]
            elif key == "matrix_vector":
                cache[key] = _data(round(math.sqrt(n)), 3)
            elif key.endswith("_array"):
                source = data(key[: -len("_array")])
                cache[key] = np.asarray(source)
        return cache[key]

    def case(function, setup, note=""):
        return Case("lists", f"{function} {label}", (function,), setup, note=note, full_only=big)

    def c(name, call, note=""):
        return Contender(name, call, note=note)

    cases: list[Case] = []

    def mean_setup():
        a, arr = data("a"), data("a_array")
        return [c("vexari", lambda: vx.mean(a)), c("floor", lambda: fl.mean(a)),
                c("numpy", lambda: float(np.mean(np.asarray(a)))), c("numpy arrays", lambda: arr.mean()),
                c("statistics.fmean", lambda: statistics.fmean(a)),
                c("python", lambda: sum(a) / len(a))]
    cases.append(case("mean", mean_setup))

    def variance_setup():
        a, arr = data("a"), data("a_array")
        contenders = [c("vexari", lambda: vx.variance(a)), c("floor", lambda: fl.variance(a)),
                      c("numpy", lambda: float(np.var(np.asarray(a)))), c("numpy arrays", lambda: arr.var())]
        if n <= 100000:  # exact rational arithmetic: seconds per call at 1e6
            contenders.append(c("statistics.pvariance", lambda: statistics.pvariance(a)))

        def two_pass():
            m = sum(a) / len(a)
            return sum((v - m) * (v - m) for v in a) / len(a)

        contenders.append(c("python", two_pass))
        return contenders
    cases.append(case("variance", variance_setup, note="statistics.pvariance only up to 1e5"))

    def summary_setup():
        a = data("a")
        return [c("vexari", lambda: vx.summary(a)), c("floor", lambda: fl.summary(a)),
                c("numpy", lambda: summary_numpy(a)), c("python", lambda: summary_py(a))]
    cases.append(case("summary", summary_setup))

    def dot_setup():
        a, b, aa, ba = data("a"), data("b"), data("a_array"), data("b_array")
        return [c("vexari", lambda: vx.dot(a, b)), c("floor", lambda: fl.dot(a, b)),
                c("numpy", lambda: float(np.dot(np.asarray(a), np.asarray(b)))),
                c("numpy arrays", lambda: aa @ ba), c("math.sumprod", lambda: math.sumprod(a, b)),
                c("python", lambda: sum(x * y for x, y in zip(a, b)))]
    cases.append(case("dot", dot_setup))

    def norm_setup():
        a, arr = data("a"), data("a_array")
        return [c("vexari", lambda: vx.norm(a)), c("floor", lambda: fl.norm(a)),
                c("numpy", lambda: float(np.linalg.norm(np.asarray(a)))),
                c("numpy arrays", lambda: np.linalg.norm(arr)),
                c("math.hypot", lambda: math.hypot(*a)),
                c("python", lambda: math.sqrt(sum(v * v for v in a)))]
    cases.append(case("norm", norm_setup))

    for function, op in (("add", lambda x, y: x + y), ("sub", lambda x, y: x - y)):
        def elementwise_setup(function=function, op=op):
            a, b, aa, ba = data("a"), data("b"), data("a_array"), data("b_array")
            python = (lambda: [x + y for x, y in zip(a, b)]) if function == "add" else (
                lambda: [x - y for x, y in zip(a, b)])
            return [c("vexari", lambda: getattr(vx, function)(a, b)), c("floor", lambda: getattr(fl, function)(a, b)),
                    c("numpy", lambda: op(np.asarray(a), np.asarray(b)).tolist()),
                    c("numpy arrays", lambda: op(aa, ba)), c("python", python)]
        cases.append(case(function, elementwise_setup))

    def scale_setup():
        a, arr = data("a"), data("a_array")
        return [c("vexari", lambda: vx.scale(a, 1.5)), c("floor", lambda: fl.scale(a, 1.5)),
                c("numpy", lambda: (1.5 * np.asarray(a)).tolist()), c("numpy arrays", lambda: 1.5 * arr),
                c("python", lambda: [1.5 * v for v in a])]
    cases.append(case("scale", scale_setup))

    side = round(math.sqrt(n))

    def mat_vec_setup():
        m, v = data("matrix"), data("matrix_vector")
        ma, va = np.asarray(m), np.asarray(v)
        return [c("vexari", lambda: vx.mat_vec(m, v)), c("floor", lambda: fl.mat_vec(m, v)),
                c("numpy", lambda: (np.asarray(m) @ np.asarray(v)).tolist()),
                c("numpy arrays", lambda: ma @ va),
                c("math.sumprod", lambda: [math.sumprod(row, v) for row in m]),
                c("python", lambda: [sum(x * y for x, y in zip(row, v)) for row in m])]
    cases.append(Case("lists", f"mat_vec {side}x{side} ({label})", ("mat_vec",), mat_vec_setup, full_only=big))

    kernel = [0.1, 0.2, 0.4, 0.2, 0.1]

    def convolve_setup():
        a, arr, ka = data("a"), data("a_array"), np.asarray(kernel)
        contenders = [c("vexari", lambda: vx.convolve(a, kernel)), c("floor", lambda: fl.convolve(a, kernel)),
                      c("numpy", lambda: np.convolve(np.asarray(a), np.asarray(kernel)).tolist()),
                      c("numpy arrays", lambda: np.convolve(arr, ka)), c("python", lambda: convolve_py(a, kernel))]
        return contenders
    cases.append(case("convolve", convolve_setup, note="kernel of 5"))

    def moving_average_setup():
        a = data("a")
        return [c("vexari", lambda: vx.moving_average(a, 10)), c("floor", lambda: fl.moving_average(a, 10)),
                c("numpy", lambda: moving_average_numpy(a, 10), note="cumulative sums: rounds differently"),
                c("python", lambda: moving_average_py(a, 10))]
    cases.append(case("moving_average", moving_average_setup, note="window 10"))

    def normalize_setup():
        a = data("a")
        return [c("vexari", lambda: vx.normalize(a)), c("floor", lambda: fl.normalize(a)),
                c("numpy", lambda: normalize_numpy(a)), c("python", lambda: normalize_py(a))]
    cases.append(case("normalize", normalize_setup))

    def polyval_setup():
        a, arr = data("a"), data("a_array")
        npval = np.polynomial.polynomial.polyval
        return [c("vexari", lambda: vx.polyval(a, 0.999)), c("floor", lambda: fl.polyval(a, 0.999)),
                c("numpy", lambda: float(npval(0.999, np.asarray(a)))),
                c("numpy arrays", lambda: npval(0.999, arr)), c("python", lambda: polyval_py(a, 0.999))]
    cases.append(case("polyval", polyval_setup, note=f"{n} coefficients at x=0.999"))

    def interpolate_setup():
        xs, ys, xa, ya = data("sorted"), data("a"), data("sorted_array"), data("a_array")
        q = xs[-2] + 0.25 / n  # near the end: the interval search walks the whole list
        return [c("vexari", lambda: vx.linear_interpolate(xs, ys, q)),
                c("floor", lambda: fl.linear_interpolate(xs, ys, q)),
                c("numpy", lambda: float(np.interp(q, np.asarray(xs), np.asarray(ys)))),
                c("numpy arrays", lambda: np.interp(q, xa, ya)),
                c("python bisect", lambda: interpolate_py(xs, ys, q), note="no validation")]
    cases.append(case("linear_interpolate", interpolate_setup,
                      note="one query near the end; numpy and bisect do not validate x"))

    def linspace_setup():
        d, m = 1.0, n - 1
        return [c("vexari", lambda: vx.linspace(0.0, 1.0, n)), c("floor", lambda: fl.linspace(0.0, 1.0, n)),
                c("numpy", lambda: np.linspace(0.0, 1.0, n).tolist(), note="forces the last point to end"),
                c("numpy arrays", lambda: np.linspace(0.0, 1.0, n)),
                c("python", lambda: [0.0 + (d * i) / m for i in range(n)])]
    cases.append(case("linspace", linspace_setup))
    return cases
