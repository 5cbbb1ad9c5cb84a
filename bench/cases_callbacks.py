"""Callback-driven functions: cost per evaluation of a cheap callable, and the
cost of building the result, each against the floor.

Every case runs one call that makes at least 1e5 evaluations. The contenders:

- vexari: the toolkit's function.
- floor: the same algorithm in plain C (same evaluations, same arithmetic, same
  result objects), the least such a call can cost.
- floor evals: only the evaluations (create the float(s), vectorcall, convert,
  release), as many as the call makes, with the same callable.
- floor result: only the result objects (the same number and kind of records),
  with no callback.
- python: the same algorithm written in plain Python, where it is short.

The per-evaluation figure in the summary is vexari's time less the floor's
result-building time, divided by the evaluations; the floor's is its
evaluations-only time divided by the same count.
"""

from __future__ import annotations

import math

from harness import Case, Context, Contender, count_calls


def ident(x):
    return x


def ident2(t, y):
    return y


def first(v):
    return v[0]


def square(x):
    return x * x


def cos_t(t, y):
    return math.cos(t)


SCALARS = {"lambda x: x": lambda x: x, "math.sin": math.sin}


# ---- plain Python versions of a few algorithms --------------------------------


def newton_py(f, x0, tol=1e-10, max_iter=50):
    history = []
    x = x0
    for k in range(max_iter):
        gx = f(x)
        gp = f(x + 1e-6)
        gm = f(x - 1e-6)
        slope = (gp - gm) / 2e-6
        if abs(slope) < 1e-14:
            raise ValueError("tangent slope is too small for Newton step")
        nxt = x - gx / slope
        history.append({"iteration": k, "x": x, "fx": gx, "slope": slope, "next_x": nxt})
        if abs(gx) <= tol or abs(nxt - x) <= tol:
            return {"root": nxt, "converged": True, "iterations": k + 1, "history": history}
        x = nxt
    return {"root": x, "converged": False, "iterations": max_iter, "history": history}


def tanh_sinh_py(f, a, b, tol=1e-10, max_levels=12):
    if a == b:
        return {"value": 0.0, "error": 0.0, "levels": 0}
    if max_levels < 3:
        return {"value": math.nan, "error": math.nan, "levels": max_levels}
    c = (a + b) * 0.5
    half = (b - a) * 0.5
    pi_2 = 1.5707963267948966
    sinh, cosh, tanh = math.sinh, math.cosh, math.tanh
    prev = math.nan
    for k in range(3, max_levels + 1):
        h = 0.5**k
        n = math.ceil(6 / h)
        s = 0.0
        for j in range(-n, n + 1):
            t = h * j
            u = sinh(t) * pi_2
            cu = cosh(u)
            s = s + f(c + half * tanh(u)) * ((cosh(t) * pi_2) / (cu * cu))
        estimate = (half * h) * s
        if math.isfinite(prev) and abs(estimate - prev) <= tol:
            return {"value": estimate, "error": abs(estimate - prev), "levels": k}
        if k == max_levels:
            return {"value": estimate, "error": math.nan, "levels": max_levels}
        prev = estimate


def rk4_py(f, y0, t0, t1, step):
    span = t1 - t0
    h = max(abs(step), 1e-12) * math.copysign(1.0, span)
    direction = math.copysign(1.0, h)
    t, y = t0, y0
    points = [{"t": t, "y": y}]
    while (t1 - t) * direction > 1e-14:
        H = t1 - t if ((t + h) - t1) * direction > 0.0 else h
        h2 = H * 0.5
        k1 = f(t, y)
        k2 = f(t + h2, y + (H * k1) * 0.5)
        k3 = f(t + h2, y + (H * k2) * 0.5)
        k4 = f(t + H, y + H * k3)
        y = y + (H * (((k1 + (k2 + k2)) + (k3 + k3)) + k4)) / 6.0
        t = t + H
        points.append({"t": t, "y": y})
    return points


def sample_grid_py(f, start, end, count):
    d = end - start
    m = count - 1
    return [{"x": x, "y": f(x)} for x in (start + (d * i) / m for i in range(count))]


# ---- case builder --------------------------------------------------------------


def _case(ctx: Context, function: str, label: str, run_vx, run_fl, evals_only, record_kind, records_of,
          python=None, needs=None, note=""):
    """run_vx / run_fl / python: zero-argument calls; evals_only(n): the floor's
    evaluation loop for n calls; records_of(floor result): record count."""
    # Count the evaluations with a counting callable through the floor, which
    # makes exactly the toolkit's calls; the toolkit may be missing.
    evaluations, floor_result = run_fl(counting=True)
    records = records_of(floor_result)

    def setup():
        contenders = []
        if ctx.has(function):
            contenders.append(Contender("vexari", run_vx, evaluations=evaluations))
        contenders.append(Contender("floor", run_fl, evaluations=evaluations))
        contenders.append(Contender("floor evals", lambda: evals_only(evaluations), canon=lambda r: None,
                                    note="evaluations only", evaluations=evaluations))
        if record_kind and records:
            contenders.append(Contender("floor result", lambda: ctx.fl.build_records(record_kind, records),
                                        canon=lambda r: None, note=f"{records} {record_kind} records only"))
        if python is not None:
            contenders.append(Contender("python", python, evaluations=evaluations))
        return contenders

    return Case("callbacks", f"{function} {label}", needs or (function,), setup, evaluations=evaluations,
                note=note, compare_to="vexari" if ctx.has(function) else "floor")


def cases(ctx: Context) -> list[Case]:
    vx, fl = ctx.vx, ctx.fl
    out: list[Case] = []

    def with_counter(call, f):
        """call(f) as a zero-argument contender, plus counting=True: (calls, result)."""

        def run(counting=False):
            if counting:
                return count_calls(call, f)
            return call(f)

        return run

    # Every constant below is bound where it is used (defaults or its own
    # name): the contenders run long after this function has returned.
    K3 = 33334  # Newton-type iterations with 3 evaluations each
    for label, f in SCALARS.items():
        out.append(_case(
            ctx, "newton", f"{label}, {K3} iterations (tol=-1)",
            lambda f=f: vx.newton(f, 1.0, -1.0, K3), with_counter(lambda g: fl.newton(g, 1.0, -1.0, K3), f),
            lambda n, f=f: fl.evals_scalar(f, 1.0, n), "root_step", lambda r: len(r["history"]),
            python=lambda f=f: newton_py(f, 1.0, -1.0, K3)))

    K6 = 16667  # iterations with 6 evaluations each
    for label, f in SCALARS.items():
        out.append(_case(
            ctx, "halley", f"{label}, {K6} iterations (tol=-1)",
            lambda f=f: vx.halley(f, 1.0, -1.0, K6), with_counter(lambda g: fl.halley(g, 1.0, -1.0, K6), f),
            lambda n, f=f: fl.evals_scalar(f, 1.0, n), "root_step", lambda r: len(r["history"])))
    out.append(_case(
        ctx, "householder", f"order 3, lambda x: x, {K6} iterations (tol=-1)",
        lambda: vx.householder(ident, 1.0, 3, -1.0, K6), with_counter(lambda g: fl.halley(g, 1.0, -1.0, K6), ident),
        lambda n: fl.evals_scalar(ident, 1.0, n), "root_step", lambda r: len(r["history"])))

    out.append(_case(
        ctx, "newton_animation_data", f"lambda x: x, {K3} iterations (tol=-1)",
        lambda: vx.newton_animation_data(ident, 1.0, -1.0, K3),
        with_counter(lambda g: fl.newton_animation_data(g, 1.0, -1.0, K3), ident),
        lambda n: fl.evals_scalar(ident, 1.0, n), "segment", len))

    # Single-shot functions: a loop of calls from Python, as a user would make them.
    TANGENT_CALLS = 50000

    def loop_tangent(g, tangent):
        for _ in range(TANGENT_CALLS):
            tangent(g, 1.0)
        return tangent(g, 1.0)

    for label, f in SCALARS.items():
        out.append(_case(
            ctx, "tangent", f"{label}, {TANGENT_CALLS} calls from a Python loop",
            lambda f=f: loop_tangent(f, vx.tangent),
            with_counter(lambda g: loop_tangent(g, fl.tangent), f),
            lambda n, f=f: fl.evals_scalar(f, 1.0, n), None, lambda r: 0,
            note="includes the per-call cost of argument matching"))

    GRADIENT_CALLS = 12500
    point = [1.0, 2.0, 3.0, 4.0]

    def loop_gradient(g, gradient):
        for _ in range(GRADIENT_CALLS):
            gradient(g, point)
        return gradient(g, point)

    for label, f in {"lambda v: v[0]": first, "sum": sum}.items():
        out.append(_case(
            ctx, "gradient", f"{label}, 4 coordinates, {GRADIENT_CALLS} calls from a Python loop",
            lambda f=f: loop_gradient(f, vx.gradient),
            with_counter(lambda g: loop_gradient(g, fl.gradient), f),
            lambda n, f=f: fl.evals_vector(f, point, n), None, lambda r: 0))

    # Quadrature with a tolerance that is never met: all ten levels, 98,218 evaluations.
    for label, f in SCALARS.items():
        out.append(_case(
            ctx, "tanh_sinh", f"{label} on [0, 1], levels 3-12 (tol=-1)",
            lambda f=f: vx.tanh_sinh(f, 0.0, 1.0, -1.0, 12),
            with_counter(lambda g: fl.tanh_sinh(g, 0.0, 1.0, -1.0, 12), f),
            lambda n, f=f: fl.evals_scalar(f, 0.5, n), None, lambda r: 0,
            python=(lambda f=f: tanh_sinh_py(f, 0.0, 1.0, -1.0, 12)) if label == "math.sin" else None))
    for label, f in SCALARS.items():
        out.append(_case(
            ctx, "tan_sinh", f"{label} on [0, inf), levels 3-12 (tol=-1)",
            lambda f=f: vx.tan_sinh(f, 0.0, -1.0, 12), with_counter(lambda g: fl.tan_sinh(g, 0.0, -1.0, 12), f),
            lambda n, f=f: fl.evals_scalar(f, 0.5, n), None, lambda r: 0))
        out.append(_case(
            ctx, "quad_inf", f"{label} on the real line, levels 3-12 (tol=-1)",
            lambda f=f: vx.quad_inf(f, -1.0, 12), with_counter(lambda g: fl.quad_inf(g, -1.0, 12), f),
            lambda n, f=f: fl.evals_scalar(f, 0.5, n), None, lambda r: 0))

    # Fixed-step ODEs on [0, 1]: 1e5 evaluations and one point dict per step.
    for function, step in (("euler", 1e-5), ("midpoint", 2e-5), ("rk4", 4e-5)):
        for label, f in {"lambda t, y: y": ident2, "math.atan2": math.atan2}.items():
            floor_function = getattr(fl, function)
            out.append(_case(
                ctx, function, f"{label}, [0, 1] step {step:g}",
                lambda f=f, function=function, step=step: getattr(vx, function)(f, 1.0, 0.0, 1.0, step),
                with_counter(lambda g, floor_function=floor_function, step=step: floor_function(g, 1.0, 0.0, 1.0, step), f),
                lambda n, f=f: fl.evals_scalar2(f, 0.5, 1.0, n), "point", len,
                python=(lambda f=f, step=step: rk4_py(f, 1.0, 0.0, 1.0, step)) if function == "rk4" else None))
    out.append(_case(
        ctx, "adaptive_rk4", "lambda t, y: math.cos(t), [0, 110], tol=1e-13",
        lambda: vx.adaptive_rk4(cos_t, 0.0, 0.0, 110.0, 0.1, 1e-13),
        with_counter(lambda g: fl.adaptive_rk4(g, 0.0, 0.0, 110.0, 0.1, 1e-13), cos_t),
        lambda n: fl.evals_scalar2(cos_t, 0.5, 1.0, n), "point", len))

    # Optimizers that never meet their test, so every iteration runs.
    K9 = 11112
    start = [1.0, 2.0, 3.0, 4.0]
    for label, f in {"lambda v: v[0]": first, "sum": sum}.items():
        out.append(_case(
            ctx, "gradient_descent", f"{label}, 4 coordinates, {K9} iterations",
            lambda f=f: vx.gradient_descent(f, start, 0.01, -1.0, K9),
            with_counter(lambda g: fl.gradient_descent(g, start, 0.01, -1.0, K9), f),
            lambda n, f=f: fl.evals_vector(f, start, n), None, lambda r: 0,
            note="result: one history dict with two 4-float lists per iteration"))
    out.append(_case(
        ctx, "tangent_minimize", f"lambda x: x, {K3} iterations",
        lambda: vx.tangent_minimize(ident, 1.0, 0.01, -1.0, K3),
        with_counter(lambda g: fl.tangent_minimize(g, 1.0, 0.01, -1.0, K3), ident),
        lambda n: fl.evals_scalar(ident, 1.0, n), None, lambda r: 0))
    for label, f in {"lambda x: x * x": square, "math.cos": math.cos}.items():
        out.append(_case(
            ctx, "stationary_newton", f"{label}, {K6} iterations (tol=-1)",
            lambda f=f: vx.stationary_newton(f, 1.0, -1.0, K6),
            with_counter(lambda g: fl.stationary_newton(g, 1.0, -1.0, K6), f),
            lambda n, f=f: fl.evals_scalar(f, 1.0, n), None, lambda r: 0))
    def identity(v):
        return v

    out.append(_case(
        ctx, "gauss_newton", f"lambda v: v, 2 unknowns, {K6} iterations (tol=-1)",
        lambda: vx.gauss_newton(identity, [1.0, 2.0], -1.0, K6),
        with_counter(lambda g: fl.gauss_newton(g, [1.0, 2.0], -1.0, K6), identity),
        lambda n: fl.evals_vector_vector(identity, [1.0, 2.0], n), None, lambda r: 0,
        note="evals: list -> list; result: one history dict with two 2-float lists per iteration"))

    # Plotting data and sampling.
    GRID = 100000
    out.append(_case(
        ctx, "sample_grid", f"lambda x: x, {GRID} points",
        lambda: vx.sample_grid(ident, 0.0, 1.0, GRID), with_counter(lambda g: fl.sample_grid(g, 0.0, 1.0, GRID), ident),
        lambda m: fl.evals_scalar(ident, 0.5, m), "sample", len,
        python=lambda: sample_grid_py(ident, 0.0, 1.0, GRID)))
    centers = [i / 33334 for i in range(33334)]
    out.append(_case(
        ctx, "tangent_lines", f"lambda x: x, {len(centers)} centers",
        lambda: vx.tangent_lines(ident, -1.0, 1.0, centers),
        with_counter(lambda g: fl.tangent_lines(g, -1.0, 1.0, centers), ident),
        lambda m: fl.evals_scalar(ident, 0.5, m), "segment", len))
    out.append(_case(
        ctx, "ode_direction_field", "lambda t, y: y, 317 x 317 grid",
        lambda: vx.ode_direction_field(ident2, (0.0, 1.0), (0.0, 1.0), 317, 317),
        with_counter(lambda g: fl.ode_direction_field(g, (0.0, 1.0), (0.0, 1.0), 317, 317), ident2),
        lambda m: fl.evals_scalar2(ident2, 0.5, 1.0, m), "field", len))
    return out
