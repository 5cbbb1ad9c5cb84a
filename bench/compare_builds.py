"""Two builds of vexari on the same workloads, one against the other.

    python bench/compare_builds.py OLD_PYTHON NEW_PYTHON [--rounds N] [--sizes 1000,100000] [--cases mean,dot]

Each interpreter must import its own build of vexari (for example the .venv
of two checkouts). Rounds alternate between the two, each a fresh child
process timing every case by thread CPU time (best of 15 batches), so load
from other processes moves both alike; the figure is the median over rounds
of new time / old time. Use it before and after a change to the hot path:
the main suite compares the toolkit with its floor, not with itself.
"""

from __future__ import annotations

import argparse
import json
import statistics
import subprocess

CASES = {
    "mean": "vexari.mean(x)", "variance": "vexari.variance(x)", "summary": "vexari.summary(x)",
    "dot": "vexari.dot(x, y)", "norm": "vexari.norm(x)", "add": "vexari.add(x, y)",
    "moving_average": "vexari.moving_average(x, 5)", "normalize": "vexari.normalize(x)",
    "polyval": "vexari.polyval(x, 0.5)", "linear_interpolate": "vexari.linear_interpolate(xs, y, 0.5)",
    "find_peaks": "vexari.find_peaks(x, 0.5)", "linspace": "vexari.linspace(0.0, 1.0, n)",
    "newton": "vexari.newton(lambda v: v * v - 2.0, 1.0)",
    "tanh_sinh": "vexari.tanh_sinh(math.exp, 0.0, 1.0, tol=0.0, max_levels=6)",
    "rk4": "vexari.rk4(lambda t, v: -v, 1.0, 0.0, 1.0, 0.01)",
    "gauss_newton": "vexari.gauss_newton(lambda p: [p[0] - 1.0, p[1] * p[1] - 2.0], [0.5, 0.5])",
    "scale": "vexari.scale(x, 1.5)", "covariance": "vexari.covariance(x, y, True)",
    "finite_difference": "vexari.finite_difference(x, 0.5)", "exponential_smooth": "vexari.exponential_smooth(x, 0.3)",
    "convolve": "vexari.convolve(x, [0.25, 0.5, 0.25])", "solve": "vexari.solve(m, x[:8])",
    "tangent": "vexari.tangent(math.sin, 1.0)", "gradient": "vexari.gradient(lambda v: v[0] * v[1], [1.0, 2.0])",
    "halley": "vexari.halley(lambda v: v * v - 2.0, 1.0)", "polyroot": "vexari.polyroot([-2.0, 0.0, 1.0], 1.0)",
    "gradient_descent": "vexari.gradient_descent(lambda v: (v[0] - 1.0) ** 2, [0.0], max_iter=50)",
    "stationary_newton": "vexari.stationary_newton(lambda v: (v - 1.0) ** 2, 0.0)",
    "tan_sinh": "vexari.tan_sinh(lambda t: math.exp(-t), tol=0.0, max_levels=6)",
    "sample_grid": "vexari.sample_grid(math.sin, 0.0, 1.0, 100)",
    "tangent_lines": "vexari.tangent_lines(math.sin, 0.0, 1.0, x[:20])",
    "ode_direction_field": "vexari.ode_direction_field(lambda a, b: a - b, (0.0, 1.0), (0.0, 1.0), 10, 10)",
}

CHILD = r"""
import json, math, random, sys, time, vexari
n = int(sys.argv[1]); generator = random.Random(1)
x = [generator.random() for _ in range(n)]; y = [generator.random() for _ in range(n)]; xs = sorted(x)
m = [[generator.random() + 8.0 * (i == j) for j in range(8)] for i in range(8)]
batch = max(1, 200000 // n); out = {}
for name, statement in json.loads(sys.argv[2]).items():
    call = eval("lambda: " + statement)
    best = math.inf
    for _ in range(15):
        start = time.thread_time_ns()
        for _ in range(batch):
            call()
        best = min(best, (time.thread_time_ns() - start) / batch)
    out[name] = best
print(json.dumps(out))
"""


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--sizes", default="1000,100000,1000000")
    parser.add_argument("--cases", default=",".join(CASES))
    arguments = parser.parse_args()
    cases = {name: CASES[name] for name in arguments.cases.split(",")}
    for n in (int(size) for size in arguments.sizes.split(",")):
        ratios: dict[str, list[float]] = {name: [] for name in cases}
        old_times: dict[str, list[float]] = {name: [] for name in cases}
        for _ in range(arguments.rounds):
            old, new = (json.loads(subprocess.run([python, "-c", CHILD, str(n), json.dumps(cases)], capture_output=True,
                                                  text=True, check=True).stdout)
                        for python in (arguments.old, arguments.new))
            for name in cases:
                ratios[name].append(new[name] / old[name])
                old_times[name].append(old[name])
        for name in cases:
            print(f"n={n:<8} {name:20} old {statistics.median(old_times[name]) / 1000:10.2f} us   new/old "
                  f"{statistics.median(ratios[name]):.3f}  (rounds {min(ratios[name]):.2f} to {max(ratios[name]):.2f})",
                  flush=True)


if __name__ == "__main__":
    main()
