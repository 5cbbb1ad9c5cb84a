"""The results as a Markdown document."""

from __future__ import annotations

import math
import os
import platform
import statistics
from typing import Iterable

from harness import CaseResult, Measured
from memory import Allocations, Footprint, format_bytes

# The most a toolkit call may take over its floor, by group: callback-driven
# functions and list functions (the same-job cases are list functions or
# short callback runs, and buffers are read as lists are).
TARGETS = {"callbacks": 1.10, "lists": 1.30, "buffers": 1.30, "same job": 1.30}
# How much faster than iterating it a buffer must be read, and than SciPy's
# newton the toolkit's must be.
BUFFER_OVER_ITERATION = 10.0
NEWTON_OVER_SCIPY = 10.0
# The most a data library's object may take over the same values as a float64 ndarray, and how much
# faster than the same object item by item it must be read.
DATA_LIBRARY_OVER_NDARRAY = 1.5
# The most a call with keywords may take over the same call by position.
KEYWORD_OVER_POSITIONAL = 1.10
DATA_LIBRARY_OVER_ITEMS = 10.0
ITEM_BY_ITEM = " item by item"


def seconds(value: float) -> str:
    if value is None or math.isnan(value):
        return "n/a"
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("µs", 1e-6)):
        if value >= scale:
            return f"{value / scale:.3g} {unit}"
    return f"{value / 1e-9:.3g} ns"


def paired(measured: Measured, reference: Measured) -> float:
    """The median over rounds of the two contenders' ratio within each round.

    Both were sampled in the same round, moments apart, so a machine that
    slows down or speeds up between rounds moves both alike; the ratio of the
    two medians would carry that drift.
    """
    pairs = [a / b for a, b in zip(measured.samples, reference.samples) if b > 0]
    return statistics.median(pairs) if pairs else math.nan


def keyword_share(m: dict[str, Measured]) -> float:
    """A call with keywords over the same call by position, without what the interpreter adds to
    any C function called with keywords (measured on one that does nothing, in the same rounds)."""
    interpreter = m["interpreter keyword"].median - m["interpreter positional"].median
    return (m["vexari keyword"].median - interpreter) / m["vexari positional"].median


def times(value: float) -> str:
    return "" if math.isnan(value) else f"{value:.2f}x"


def ratio(value: float, reference: float) -> str:
    if reference is None or value is None or math.isnan(value) or math.isnan(reference) or reference == 0:
        return ""
    return f"{value / reference:.2f}x"


def spread(measured: Measured) -> str:
    """Slowest over fastest sample: how much the rounds disagreed."""
    if len(measured.samples) < 2 or min(measured.samples) <= 0:
        return ""
    return f"{max(measured.samples) / min(measured.samples):.2f}"


def per_eval(measured: Measured) -> str:
    if not measured.evaluations:
        return ""
    return seconds(measured.median / measured.evaluations)


def _cpu() -> str:
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def _by_name(result: CaseResult) -> dict[str, Measured]:
    return {m.name: m for m in result.measured}


def header(versions: dict[str, str], mode: str, settings, available: int, total_seconds: float,
           load: tuple[tuple[float, ...], tuple[float, ...]] | None = None) -> list[str]:
    lines = [
        "# vexari benchmarks",
        "",
        f"- machine: {_cpu()}, {os.cpu_count()} cores, {platform.system()} {platform.release()}",
        "- " + ", ".join(f"{name} {version}" for name, version in versions.items()),
        f"- vexari functions present: {available} of 55",
        f"- mode: {mode}; {settings.rounds} rounds, samples of about {settings.target * 1e3:.0f} ms, "
        f"at most {settings.budget:g} s per contender and case; whole run {total_seconds:.0f} s",
    ]
    if load:
        lines.append(f"- load average (1, 5, 15 min) at start {', '.join(f'{v:.2f}' for v in load[0])}, at end "
                     f"{', '.join(f'{v:.2f}' for v in load[1])}: other work on the machine shows up as noise "
                     "(the spread column is the slowest over the fastest sample)")
    lines += [
        "",
        "Every figure is the median over interleaved rounds (one sample of each contender per round, in "
        "rotating order) of the time per call, garbage collector paused during samples. `x floor` (and every "
        "other `x` ratio) is the median over rounds of the contender's time over the reference's time in "
        "the same round, so drift of the machine between rounds cancels; the reference is the floor unless "
        "the table says otherwise. "
        "`agreement` compares "
        "the contender's numbers with the toolkit's (`exact` = bit for bit). See bench/README.md for what "
        "each contender does.",
        "",
    ]
    return lines


def callback_summary(results: Iterable[CaseResult]) -> list[str]:
    lines = [
        "## Callbacks: cost per evaluation",
        "",
        "Per eval = (call - floor result) / evaluations, the call's time being x floor times the floor's: "
        "the call's time less what its result objects cost the floor, spread over the evaluations; it holds "
        "the callback and the algorithm's own arithmetic. "
        "Callback alone = floor evals / evaluations: create the argument float(s), vectorcall, convert, "
        "release. Result bound: the toolkit's evaluations cost at least the floor's (the same calls), so its "
        "result building costs at most floor result + (vexari call - floor call); the column gives that over "
        "floor result, an upper bound on the result-building ratio.",
        "",
        "| case | evals | vexari call | floor call | x floor | vexari per eval | floor per eval | per-eval ratio "
        "| callback alone | result bound |",
        "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for result in results:
        if result.skipped or result.error or not result.case.evaluations:
            continue
        m = _by_name(result)
        if "vexari" not in m:
            continue
        evals = result.case.evaluations
        vx = m["vexari"].median
        floor = m["floor"].median if "floor" in m else math.nan
        over = paired(m["vexari"], m["floor"]) if "floor" in m else math.nan
        build = m["floor result"].median if "floor result" in m else 0.0
        alone = m["floor evals"].median / evals if "floor evals" in m else math.nan
        # The derived columns take the toolkit's time as the paired ratio times the floor's.
        vx_per = (over * floor - build) / evals
        floor_per = (floor - build) / evals
        bound = ratio(build + max(over - 1.0, 0.0) * floor, build) if build > 0 else ""
        lines.append(
            f"| {result.case.name} | {evals} | {seconds(vx)} | {seconds(floor)} | {times(over)} | "
            f"{seconds(vx_per)} | {seconds(floor_per)} | {ratio(vx_per, floor_per)} | {seconds(alone)} | "
            f"{bound} |")
    lines.append("")
    return lines


def detail(title: str, results: Iterable[CaseResult], intro: str = "") -> list[str]:
    lines = [f"## {title}", ""]
    if intro:
        lines += [intro, ""]
    lines += ["| case | contender | median | per eval | x ref | spread | agreement | note |",
              "|---|---|---:|---:|---:|---:|---|---|"]
    for result in results:
        if result.skipped:
            continue
        if result.error:
            lines.append(f"| {result.case.name} | | | | | | | {result.error} |")
            continue
        m = _by_name(result)
        reference = m.get(result.case.reference)
        first = True
        for measured in result.measured:
            name_cell = result.case.name if first else ""
            note = measured.note
            if first and result.case.note:
                note = f"{result.case.note}; {note}" if note else result.case.note
            if measured.name == result.case.reference:
                note = f"reference; {note}" if note else "reference"
            lines.append(
                f"| {name_cell} | {measured.name} | {seconds(measured.median)} | {per_eval(measured)} | "
                f"{times(paired(measured, reference)) if reference else ''} | {spread(measured)} | "
                f"{measured.agreement} | {note} |")
            first = False
    lines.append("")
    return lines


def list_summary(results: Iterable[CaseResult]) -> list[str]:
    lines = [
        "## Lists: summary",
        "",
        "numpy = np.asarray on the list arguments + operation + tolist()/float(); `numpy / vexari` above 1 "
        "means the toolkit is faster for a caller holding lists.",
        "",
        "| case | vexari | floor | vexari x floor | numpy | numpy / vexari | numpy arrays only |",
        "|---|---:|---:|---:|---:|---:|---:|",
    ]
    for result in results:
        if result.skipped or result.error:
            continue
        m = _by_name(result)
        if "vexari" not in m:
            continue
        vx = m["vexari"].median
        floor = m["floor"].median if "floor" in m else math.nan
        numpy = m["numpy"].median if "numpy" in m else math.nan
        arrays = m["numpy arrays"].median if "numpy arrays" in m else math.nan
        vx_over_floor = times(paired(m["vexari"], m["floor"])) if "floor" in m else ""
        numpy_over_vx = times(paired(m["numpy"], m["vexari"])) if "numpy" in m else ""
        lines.append(f"| {result.case.name} | {seconds(vx)} | {seconds(floor)} | {vx_over_floor} | "
                     f"{seconds(numpy)} | {numpy_over_vx} | {seconds(arrays)} |")
    lines.append("")
    return lines


def memory_tables(footprints: list[Footprint], allocation_rows: list[Allocations]) -> list[str]:
    lines = ["## Memory of one call", ""]
    if footprints:
        lines += [
            "Each row in a fresh interpreter. python peak: tracemalloc peak above the heap before the call "
            "(interpreter allocations only); rss peak: growth of the resident high-water mark (everything, "
            "native buffers included, page granular). Input sizes count the lists and their floats.",
            "",
            "| workload | contender | input | result | python peak | python peak - result | rss peak | "
            "rss peak - result |",
            "|---|---|---:|---:|---:|---:|---:|---:|",
        ]
        for f in footprints:
            rss_extra = None if f.rss_peak is None else f.rss_peak - f.result_bytes
            lines.append(
                f"| {f.workload} | {f.contender} | {format_bytes(f.input_bytes)} | {format_bytes(f.result_bytes)} | "
                f"{format_bytes(f.python_peak)} | {format_bytes(f.python_peak - f.result_bytes)} | "
                f"{format_bytes(f.rss_peak)} | {format_bytes(rss_extra)} |")
        lines.append("")
    else:
        lines += ["No workload available.", ""]
    lines += ["## Allocations per evaluation", ""]
    if allocation_rows:
        lines += [
            "One warm call each, in a child interpreter: calls into the interpreter's allocators (raw, mem, "
            "object domains; floats and small lists come from free lists and cost none), and native "
            "malloc-family calls (counted by a preloaded shim: operator new, and the interpreter's own large "
            "blocks); both also per callback evaluation. leak = growth of the traced heap per further call, "
            "result dropped.",
            "",
            "| workload | contender | evaluations | raw | mem | object | python per eval | malloc | "
            "malloc per eval | leak per call |",
            "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|",
        ]
        for a in allocation_rows:
            native = "n/a" if a.native is None else str(a.native)
            native_per = "n/a" if a.native is None else f"{a.native_per_evaluation:.3f}"
            lines.append(f"| {a.workload} | {a.contender} | {a.evaluations} | {a.raw} | {a.mem} | {a.obj} | "
                         f"{a.per_evaluation:.3f} | {native} | {native_per} | {format_bytes(a.leak_per_call)} |")
        lines.append("")
    else:
        lines += ["No workload available.", ""]
    return lines


def thread_scaling(runs) -> list[str]:
    """The same total work by one thread and by two, per interpreter (runs from scaling.run_everywhere)."""
    lines = ["## Thread scaling", "",
             "The same total work done by 1 thread and split over 2, timed moments apart in each round; "
             "speed-up = median over rounds of (1-thread time / 2-thread time), with the rounds' range. "
             "Only a free-threaded interpreter can run two calls at once; with the GIL the figure stays near 1.", ""]
    measured = [run for run in runs if run.result]
    for run in runs:
        if not run.result:
            lines += [f"{run.label} interpreter ({run.python}): {run.problem}"
                      + (" (./dev test-ft sets up .venv-ft)" if run.label == "free-threaded" else ""), ""]
    if not measured:
        return lines
    heads = " | ".join(f"{r.label} ({r.result['python']}, GIL {'on' if r.result['gil'] else 'off'}): "
                       f"1 thread | 2 threads | speed-up" for r in measured)
    lines += [f"| workload | {heads} |", "|---|" + "---:|---:|---:|" * len(measured)]
    for index, row in enumerate(measured[0].result["rows"]):
        cells = []
        for run in measured:
            r = run.result["rows"][index]
            low, high = r["spread"]
            cells.append(f"{seconds(r['one'])} | {seconds(r['two'])} | **{r['speedup']:.2f}x** ({low:.2f}-{high:.2f})")
        lines.append(f"| {row['name']} | " + " | ".join(cells) + " |")
    lines.append("")
    return lines


def gaps(results: Iterable[CaseResult], allocation_rows: list[Allocations]) -> list[str]:
    found = []
    for result in results:
        if result.skipped or result.error:
            continue
        m = _by_name(result)
        if result.case.group == "data libraries":
            found += [f"- {result.case.group}: {result.case.name}: {name} {times(paired(measured, m['vexari ndarray']))} "
                      f"the ndarray (target {DATA_LIBRARY_OVER_NDARRAY:.2f}x)"
                      for name, measured in m.items() if not name.endswith(ITEM_BY_ITEM)
                      if paired(measured, m["vexari ndarray"]) > DATA_LIBRARY_OVER_NDARRAY]
            found += [f"- {result.case.group}: {result.case.name}: {name} only "
                      f"{1 / paired(measured, m[name + ITEM_BY_ITEM]):.1f}x faster than item by item "
                      f"(target {DATA_LIBRARY_OVER_ITEMS:.0f}x)"
                      for name, measured in m.items() if name + ITEM_BY_ITEM in m
                      if paired(measured, m[name + ITEM_BY_ITEM]) * DATA_LIBRARY_OVER_ITEMS > 1]
        if result.case.group == "keywords" and "vexari keyword" in m:
            over = paired(m["vexari keyword"], m["vexari positional"])
            own = keyword_share(m)
            if own > KEYWORD_OVER_POSITIONAL:
                found.append(f"- keywords: {result.case.name}: {times(over)} the positional call, "
                             f"{times(own)} without the interpreter's own share (target {KEYWORD_OVER_POSITIONAL:.2f}x)")
        vx = m.get("vexari") or m.get("vexari list")
        floor = m.get(result.case.reference)
        if vx is None or floor is None or vx is floor or not floor.name.startswith("floor"):
            continue
        if floor.name == "floor evals":  # not the whole job: no gap can be read off it
            floor = None
        target = TARGETS.get(result.case.group)
        if floor is not None and target is not None and paired(vx, floor) > target:
            found.append(f"- {result.case.group}: {result.case.name}: vexari {times(paired(vx, floor))} "
                         f"the {floor.name} (target {target:.2f}x)")
        for name in ("vexari array.array", "vexari ndarray"):
            if target is not None and name in m and floor is not None and paired(m[name], floor) > target:
                found.append(f"- {result.case.group}: {result.case.name}: {name} {times(paired(m[name], floor))} "
                             f"the {floor.name} (target {target:.2f}x)")
        iterating = m.get("iterating array.array")
        for name in ("vexari array.array", "vexari ndarray"):
            if iterating is not None and name in m and \
                    m[name].median * BUFFER_OVER_ITERATION > iterating.median:
                found.append(f"- {result.case.group}: {result.case.name}: {name} only "
                             f"{iterating.median / m[name].median:.1f}x faster than iterating the array "
                             f"(target {BUFFER_OVER_ITERATION:.0f}x)")
        if result.case.name.startswith("newton"):
            for measured in result.measured:
                if measured.name.startswith("scipy") and measured.median < NEWTON_OVER_SCIPY * vx.median:
                    found.append(f"- {result.case.name}: {measured.name} only "
                                 f"{measured.median / vx.median:.1f}x slower (target {NEWTON_OVER_SCIPY:.0f}x)")
        numpy = m.get("numpy")
        if numpy is not None and paired(numpy, vx) < 1.0:
            found.append(f"- {result.case.group}: {result.case.name}: numpy with list conversion is faster "
                         f"({times(paired(vx, numpy))} of numpy's time)")
        for measured in result.measured:
            if measured.name.startswith("vexari") and measured.agreement.startswith("differs"):
                found.append(f"- {result.case.name}: {measured.name} result {measured.agreement}")
        if result.case.compare_to == "vexari" and "floor" in m and m["floor"].agreement not in ("exact", ""):
            found.append(f"- {result.case.name}: floor and vexari results differ ({m['floor'].agreement})")
    by_workload: dict[str, dict[str, Allocations]] = {}
    for a in allocation_rows:
        by_workload.setdefault(a.workload, {})[a.contender] = a
    for workload, rows in by_workload.items():
        vx, floor = rows.get("vexari"), rows.get("floor")
        if vx and floor and vx.per_evaluation > floor.per_evaluation + 0.01:
            found.append(f"- allocations: {workload}: vexari {vx.per_evaluation:.3f} interpreter allocations per "
                         f"evaluation, floor {floor.per_evaluation:.3f}")
        if vx and floor and vx.native is not None and floor.native is not None and \
                vx.native_per_evaluation > floor.native_per_evaluation + 0.01:
            found.append(f"- allocations: {workload}: vexari {vx.native_per_evaluation:.3f} malloc calls per "
                         f"evaluation, floor {floor.native_per_evaluation:.3f}")
        if vx and vx.leak_per_call > 1024:
            found.append(f"- allocations: {workload}: traced heap grows {format_bytes(vx.leak_per_call)} per call")
    lines = ["## Gaps", "",
             "Cases that miss a target: the toolkit over its floor above "
             + ", ".join(f"{target:.2f}x for {group}" for group, target in TARGETS.items())
             + f"; a buffer read less than {BUFFER_OVER_ITERATION:.0f}x faster than iterating it; newton less "
             f"than {NEWTON_OVER_SCIPY:.0f}x faster than SciPy's; a call with keywords above "
             f"{KEYWORD_OVER_POSITIONAL:.2f}x the same call by position, leaving out what the interpreter adds to "
             "any C function called with keywords; slower than NumPy with list conversion; "
             "results that disagree with the floor; allocation counts above the floor's.", ""]
    lines += found or ["None."]
    lines.append("")
    return lines


def keyword_summary(results: Iterable[CaseResult]) -> list[str]:
    lines = ["| call | keyword / positional | the interpreter adds | without the interpreter's share |",
             "|---|---:|---:|---:|"]
    for result in results:
        m = _by_name(result)
        if result.skipped or result.error or "interpreter keyword" not in m:
            continue
        added = m["interpreter keyword"].median - m["interpreter positional"].median
        lines.append(f"| {result.case.name} | {times(paired(m['vexari keyword'], m['vexari positional']))} | "
                     f"{seconds(added)} | {times(keyword_share(m))} |")
    return lines + [""]


def skipped(results: Iterable[CaseResult], extra: list[str]) -> list[str]:
    entries = [f"- {r.case.group}: {r.case.name}: {r.skipped}" for r in results if r.skipped]
    entries += [f"- memory: {entry}" for entry in extra]
    if not entries:
        return []
    return ["## Skipped", ""] + entries + [""]
