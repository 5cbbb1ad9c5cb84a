"""Timing core: cases, contenders, round-robin sampling, medians and ratios.

A case is one job (a function on one input) done by several contenders. All
contenders of a case are timed in the same process, interleaved: every round
takes one sample of each contender, in an order that rotates from round to
round, so drift of the machine (frequency, caches, other load) spreads over all
of them alike. A sample runs the contender `number` times back to back, with
`number` calibrated once so that a sample lasts about the target time; the
reported figure is the median over the rounds, per call. The garbage collector
is collected before a case and disabled while a sample runs (as timeit does),
so its pauses do not land on whichever contender happens to cross a threshold.
"""

from __future__ import annotations

import gc
import itertools
import math
import statistics
import time
from dataclasses import dataclass, field
from typing import Any, Callable


@dataclass
class Contender:
    name: str
    call: Callable[[], Any]
    # Maps the contender's result to a flat comparable form (default: flatten);
    # a canon that answers None marks a contender whose result is not comparable.
    canon: Callable[[Any], Any] | None = None
    note: str = ""
    # Callback evaluations of one call, where they are counted.
    evaluations: int | None = None


@dataclass
class Case:
    group: str
    name: str
    # Names of vexari functions the case needs; missing ones skip the case.
    needs: tuple[str, ...]
    # Builds the contenders (lazily, so skipped cases allocate nothing).
    setup: Callable[[], list[Contender]]
    # Callback evaluations one call makes, when the case counts them.
    evaluations: int | None = None
    note: str = ""
    # Cases only in the full run.
    full_only: bool = False
    # Ratios divide by this contender's median; agreement is checked against compare_to.
    reference: str = "floor"
    compare_to: str = "vexari"


@dataclass
class Measured:
    name: str
    median: float  # seconds per call
    samples: list[float]
    number: int
    agreement: str = ""
    note: str = ""
    evaluations: int | None = None


@dataclass
class CaseResult:
    case: Case
    measured: list[Measured] = field(default_factory=list)
    skipped: str = ""
    error: str = ""
    extra: dict[str, Any] = field(default_factory=dict)


@dataclass
class Settings:
    rounds: int = 11
    target: float = 0.04  # seconds per sample
    budget: float = 4.0  # seconds per contender per case; past it, rounds stop (at least 3 samples)
    min_rounds: int = 3


def _sample(call: Callable[[], Any], number: int) -> float:
    was_enabled = gc.isenabled()
    gc.disable()
    try:
        start = time.perf_counter()
        for _ in itertools.repeat(None, number):
            call()
        return (time.perf_counter() - start) / number
    finally:
        if was_enabled:
            gc.enable()


def _calibrate(call: Callable[[], Any], target: float) -> tuple[int, Any]:
    """Runs the call once for its result and picks the calls per sample."""
    start = time.perf_counter()
    result = call()
    once = time.perf_counter() - start
    if once >= target:
        return 1, result
    # A second, warm estimate on a few calls before trusting the first.
    trial = max(1, min(1000, int(target / max(once, 1e-9) / 10)))
    per_call = _sample(call, trial)
    return max(1, int(target / max(per_call, 1e-9))), result


def flatten(value: Any) -> list[float]:
    """Numbers of a nested result in order: dict values, list items, bools as 0/1."""
    out: list[float] = []

    def walk(v: Any) -> None:
        if isinstance(v, dict):
            for item in v.values():
                walk(item)
        elif isinstance(v, (list, tuple)):
            for item in v:
                walk(item)
        elif hasattr(v, "tolist"):
            walk(v.tolist())
        else:
            out.append(float(v))

    walk(value)
    return out


def agreement(reference: list[float], other: list[float]) -> str:
    """'exact' when bit for bit (NaN equal NaN), else the largest relative difference."""
    if len(reference) != len(other):
        return f"shape {len(other)} vs {len(reference)}"
    worst = 0.0
    exact = True
    for a, b in zip(reference, other):
        if a == b or (math.isnan(a) and math.isnan(b)):
            if a == 0.0 and b == 0.0 and math.copysign(1, a) != math.copysign(1, b):
                exact = False
            continue
        exact = False
        if math.isnan(a) or math.isnan(b) or math.isinf(a) or math.isinf(b):
            return "differs (nan/inf)"
        scale = max(abs(a), abs(b), 1e-300)
        worst = max(worst, abs(a - b) / scale)
    if exact:
        return "exact"
    if worst == 0.0:
        return "exact but signed zeros"
    return f"rel {worst:.1e}"


def run_case(case: Case, settings: Settings) -> CaseResult:
    result = CaseResult(case)
    try:
        contenders = case.setup()
    except Exception as error:  # a contender that cannot even be set up is reported, not fatal
        result.error = f"setup failed: {type(error).__name__}: {error}"
        return result
    gc.collect()

    numbers: dict[str, int] = {}
    outputs: dict[str, Any] = {}
    failed: dict[str, str] = {}
    for contender in contenders:
        try:
            numbers[contender.name], output = _calibrate(contender.call, settings.target)
            outputs[contender.name] = contender.canon(output) if contender.canon else flatten(output)
        except Exception as error:
            failed[contender.name] = f"{type(error).__name__}: {error}"
    live = [c for c in contenders if c.name not in failed]

    samples: dict[str, list[float]] = {c.name: [] for c in live}
    spent: dict[str, float] = {c.name: 0.0 for c in live}
    for round_index in range(settings.rounds):
        shift = round_index % max(1, len(live))
        order = live[shift:] + live[:shift]
        for contender in order:
            name = contender.name
            if len(samples[name]) >= settings.min_rounds and spent[name] > settings.budget:
                continue
            seconds = _sample(contender.call, numbers[name])
            samples[name].append(seconds)
            spent[name] += seconds * numbers[name]

    reference_name = case.compare_to
    reference = outputs.get(reference_name)
    for contender in contenders:
        name = contender.name
        if name in failed:
            result.measured.append(Measured(name, math.nan, [], 0, "failed", failed[name], contender.evaluations))
            continue
        if reference is not None and outputs[name] is not None and name != reference_name:
            agree = agreement(reference, outputs[name])
        else:
            agree = ""
        result.measured.append(
            Measured(name, statistics.median(samples[name]), samples[name], numbers[name], agree, contender.note,
                     contender.evaluations)
        )
    return result


@dataclass
class Context:
    """What the workloads see: the module under test, the floor, the mode."""

    vx: Any
    fl: Any
    quick: bool

    def has(self, *names: str) -> bool:
        return all(hasattr(self.vx, name) for name in names)


def count_calls(run: Callable[[Callable[..., Any]], Any], function: Callable[..., Any]) -> tuple[int, Any]:
    """Runs run(counting wrapper of function); returns (calls, run's result)."""
    calls = 0

    def counting(*args: Any) -> Any:
        nonlocal calls
        calls += 1
        return function(*args)

    result = run(counting)
    return calls, result
