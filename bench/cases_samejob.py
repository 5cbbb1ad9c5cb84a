"""The same job done by the toolkit and by SciPy, NumPy or mpmath, each called
the way a user would call it. Notes give each contender's callback evaluations
and its error against the exact answer, counted in a separate, untimed run.

- newton vs scipy.optimize.newton (secant without a derivative, and Newton with
  the derivative given), both asked for tol=1e-10.
- rk4 and adaptive_rk4 vs scipy.integrate.solve_ivp (RK45 and DOP853) on
  y' = -y over [0, 10] at matched accuracy: rk4 uses step 0.02; every adaptive
  contender gets the loosest tolerance (tried in decades) whose end-point error
  is no worse than rk4's.
- tanh_sinh vs scipy.integrate.quad (epsabs=epsrel=1e-10) and mpmath.quad (15
  digits) on a smooth and two endpoint-singular integrands. tanh_sinh calls the
  integrand at the end points themselves, so the singular integrands it gets
  return 0.0 there; the others get the plain function.
- polynomial_regression vs numpy.polyfit and numpy.polynomial.polynomial.polyfit
  on exact cubic data.
- solve vs numpy.linalg.solve and scipy.linalg.solve on an 8x8 system of lists.
"""

from __future__ import annotations

import math
import random

import mpmath
import numpy as np
import scipy.integrate
import scipy.linalg
import scipy.optimize

from harness import Case, Context, Contender, count_calls


def _note(evaluations: int | None, error: float | None) -> str:
    parts = []
    if evaluations is not None:
        parts.append(f"{evaluations} evals")
    if error is not None:
        parts.append(f"err {error:.1e}")
    return ", ".join(parts)


def cases(ctx: Context) -> list[Case]:
    return _newton_cases(ctx) + _ode_cases(ctx) + _quadrature_cases(ctx) + _fit_cases(ctx) + _solve_cases(ctx)


# ---- roots ---------------------------------------------------------------------


def _newton_cases(ctx: Context) -> list[Case]:
    vx, fl = ctx.vx, ctx.fl
    problems = [
        ("x*x - 2 from 1", lambda x: x * x - 2.0, lambda x: 2.0 * x, 1.0, math.sqrt(2.0)),
        ("cos(x) - x from 1", lambda x: math.cos(x) - x, lambda x: -math.sin(x) - 1.0, 1.0, 0.7390851332151607),
    ]
    out = []
    for label, f, fprime, x0, root in problems:
        def setup(f=f, fprime=fprime, x0=x0, root=root):
            runs = {
                "vexari": (lambda g: vx.newton(g, x0), lambda r: r["root"]),
                "floor": (lambda g: fl.newton(g, x0), lambda r: r["root"]),
                "scipy secant": (lambda g: scipy.optimize.newton(g, x0, tol=1e-10), float),
                "scipy newton+fprime": (lambda g: scipy.optimize.newton(g, x0, fprime=fprime, tol=1e-10), float),
            }
            contenders = []
            for name, (run, root_of) in runs.items():
                calls, result = count_calls(run, f)
                note = _note(calls, abs(root_of(result) - root))
                if name == "scipy newton+fprime":
                    note += " (+ fprime calls)"
                contenders.append(Contender(name, lambda run=run: run(f), canon=lambda r, root_of=root_of: [root_of(r)],
                                            note=note, evaluations=calls))
            return contenders

        out.append(Case("same job", f"newton {label}", ("newton",), setup))
    return out


# ---- ODEs ---------------------------------------------------------------------------


def _decay(t, y):
    return -y


def _ode_cases(ctx: Context) -> list[Case]:
    vx = ctx.vx
    exact = math.exp(-10.0)

    def end_error(y_end: float) -> float:
        return abs(y_end - exact) / exact

    def loosest(run, y_end_of) -> tuple[float, object]:
        """The loosest tolerance in decades that matches the target error."""
        for exponent in range(3, 15):
            tol = 10.0**-exponent
            result = run(tol)
            if end_error(y_end_of(result)) <= target[0]:
                return tol, result
        return tol, result

    target = [math.nan]

    def setup():
        step = 0.02
        rk4_points = vx.rk4(_decay, 1.0, 0.0, 10.0, step)
        target[0] = end_error(rk4_points[-1]["y"])
        contenders = []
        calls, _ = count_calls(lambda g: vx.rk4(g, 1.0, 0.0, 10.0, step), _decay)
        contenders.append(Contender("vexari rk4", lambda: vx.rk4(_decay, 1.0, 0.0, 10.0, step),
                                    canon=lambda r: [r[-1]["y"]], evaluations=calls,
                                    note=f"step {step}, " + _note(calls, target[0]) + " (relative)"))
        if ctx.has("adaptive_rk4"):
            tol, result = loosest(lambda tol: vx.adaptive_rk4(_decay, 1.0, 0.0, 10.0, 0.1, tol), lambda r: r[-1]["y"])
            calls, _ = count_calls(lambda g: vx.adaptive_rk4(g, 1.0, 0.0, 10.0, 0.1, tol), _decay)
            contenders.append(Contender(
                "vexari adaptive_rk4", lambda tol=tol: vx.adaptive_rk4(_decay, 1.0, 0.0, 10.0, 0.1, tol),
                canon=lambda r: [r[-1]["y"]], evaluations=calls,
                note=f"tol {tol:g}, " + _note(calls, end_error(result[-1]["y"]))))
        for method in ("RK45", "DOP853"):
            def run(tol, method=method, f=_decay):
                return scipy.integrate.solve_ivp(f, (0.0, 10.0), [1.0], method=method, rtol=tol, atol=1e-20)

            tol, result = loosest(run, lambda r: float(r.y[0, -1]))
            contenders.append(Contender(
                f"solve_ivp {method}", lambda run=run, tol=tol: run(tol), canon=lambda r: [float(r.y[0, -1])],
                evaluations=int(result.nfev),
                note=f"rtol {tol:g}, " + _note(int(result.nfev), end_error(float(result.y[0, -1])))))
        return contenders

    return [Case("same job", "rk4 / adaptive_rk4 vs solve_ivp, y' = -y on [0, 10]", ("rk4",), setup,
                 reference="vexari rk4", compare_to="vexari rk4")]


# ---- quadrature ---------------------------------------------------------------------


def _quadrature_cases(ctx: Context) -> list[Case]:
    vx, fl = ctx.vx, ctx.fl
    problems = [
        ("exp on [0, 1]", math.exp, math.exp, mpmath.exp, math.e - 1.0),
        ("1/sqrt(x) on [0, 1]", lambda x: 1.0 / math.sqrt(x) if x > 0.0 else 0.0, lambda x: 1.0 / math.sqrt(x),
         lambda x: 1 / mpmath.sqrt(x), 2.0),
        ("log(x) on [0, 1]", lambda x: math.log(x) if x > 0.0 else 0.0, math.log, mpmath.log, -1.0),
    ]
    out = []
    for label, guarded, plain, mp_function, exact in problems:
        def setup(guarded=guarded, plain=plain, mp_function=mp_function, exact=exact):
            mpmath.mp.dps = 15
            runs = {
                "vexari": (guarded, lambda g: vx.tanh_sinh(g, 0.0, 1.0), lambda r: r["value"]),
                "floor": (guarded, lambda g: fl.tanh_sinh(g, 0.0, 1.0), lambda r: r["value"]),
                "scipy quad": (plain, lambda g: scipy.integrate.quad(g, 0.0, 1.0, epsabs=1e-10, epsrel=1e-10),
                               lambda r: r[0]),
                "mpmath quad": (mp_function, lambda g: mpmath.quad(g, [0, 1]), float),
            }
            contenders = []
            for name, (function, run, value_of) in runs.items():
                calls, result = count_calls(run, function)
                contenders.append(Contender(
                    name, lambda run=run, function=function: run(function),
                    canon=lambda r, value_of=value_of: [value_of(r)], evaluations=calls,
                    note=_note(calls, abs(value_of(result) - exact))))
            return contenders

        out.append(Case("same job", f"tanh_sinh {label}", ("tanh_sinh",), setup))
    return out


# ---- fits and solves ---------------------------------------------------------------


def _fit_cases(ctx: Context) -> list[Case]:
    vx, fl = ctx.vx, ctx.fl
    truth = [1.0, 2.0, -3.0, 0.5]
    out = []
    for n in (1000, 100000):
        def setup(n=n):
            xs = [-1.0 + 2.0 * i / (n - 1) for i in range(n)]
            ys = [truth[0] + x * (truth[1] + x * (truth[2] + x * truth[3])) for x in xs]

            def error(coefficients):
                return max(abs(a - b) for a, b in zip(coefficients, truth))

            runs = {
                "vexari": lambda: vx.polynomial_regression(xs, ys, 3),
                "floor": lambda: fl.polynomial_regression(xs, ys, 3),
                "numpy polyfit": lambda: np.polyfit(np.asarray(xs), np.asarray(ys), 3)[::-1].tolist(),
                "numpy polynomial.polyfit": lambda: np.polynomial.polynomial.polyfit(
                    np.asarray(xs), np.asarray(ys), 3).tolist(),
            }
            return [Contender(name, run, note=_note(None, error(run()))) for name, run in runs.items()]

        out.append(Case("same job", f"polynomial_regression degree 3, n=1e{len(str(n)) - 1}",
                        ("polynomial_regression",), setup))
    return out


def _solve_cases(ctx: Context) -> list[Case]:
    vx, fl = ctx.vx, ctx.fl

    def setup():
        generator = random.Random(11)
        a = [[generator.random() + (8.0 if r == c else 0.0) for c in range(8)] for r in range(8)]
        b = [generator.random() for _ in range(8)]

        def residual(x):
            return max(abs(sum(a[r][c] * x[c] for c in range(8)) - b[r]) for r in range(8))

        runs = {
            "vexari": lambda: vx.solve(a, b),
            "floor": lambda: fl.solve(a, b),
            "numpy": lambda: np.linalg.solve(np.asarray(a), np.asarray(b)).tolist(),
            "scipy": lambda: scipy.linalg.solve(np.asarray(a), np.asarray(b)).tolist(),
        }
        return [Contender(name, run, note=f"residual {residual(run()):.1e}") for name, run in runs.items()]

    return [Case("same job", "solve 8x8 lists", ("solve",), setup)]
