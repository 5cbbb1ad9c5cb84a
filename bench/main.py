"""Runs the benchmark suite and writes the results table.

    python bench/main.py [--quick] [--output PATH] [--only WORDS] [--no-memory]

bench/run sets up the environment and calls this; it can also be run by any
interpreter that has vexari, NumPy, SciPy and mpmath installed.
"""

from __future__ import annotations

import argparse
import importlib.metadata
import os
import sys
import time
from pathlib import Path

# One BLAS thread (unless the caller says otherwise), set before NumPy loads:
# on two cores the default thread pool made some interleaved NumPy calls
# (norm and dot of 1e5 floats) take a scheduler slice, about 8 ms, each.
for _variable in ("OPENBLAS_NUM_THREADS", "OMP_NUM_THREADS", "MKL_NUM_THREADS"):
    os.environ.setdefault(_variable, "1")

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

from floor import build as floor_build  # noqa: E402

sys.path.insert(0, str(floor_build.build()))

import _floor  # noqa: E402
import vexari  # noqa: E402

import cases_buffers  # noqa: E402
import compiled  # noqa: E402
import cases_callbacks  # noqa: E402
import cases_data_libraries  # noqa: E402
import cases_keywords  # noqa: E402
import cases_lists  # noqa: E402
import cases_samejob  # noqa: E402
import memory  # noqa: E402
import report  # noqa: E402
import scaling  # noqa: E402
from harness import CaseResult, Context, Settings, run_case  # noqa: E402

GROUPS = {
    "callbacks": cases_callbacks,
    "lists": cases_lists,
    "buffers": cases_buffers,
    "data libraries": cases_data_libraries,
    "same job": cases_samejob,
    "keywords": cases_keywords,
}


def parse_arguments(argv: list[str]) -> argparse.Namespace:
    parser = argparse.ArgumentParser(description="vexari benchmark suite")
    parser.add_argument("--quick", action="store_true",
                        help="fewer and shorter rounds, no 1e6-element inputs (about a minute)")
    parser.add_argument("--output", type=Path, default=HERE / "results.md", help="where the table goes")
    parser.add_argument("--only", default="",
                        help="comma-separated words; run only cases whose group or name contains one")
    parser.add_argument("--no-memory", action="store_true", help="skip the memory and allocation checks")
    parser.add_argument("--rounds", type=int, help="rounds per case (default 11, quick 3)")
    return parser.parse_args(argv)


def versions() -> dict[str, str]:
    found = {"Python": sys.version.split()[0], "vexari": getattr(vexari, "__version__", "?")}
    if os.environ.get("VEXARI_BENCH_SOURCE"):
        found["vexari"] += f" ({os.environ['VEXARI_BENCH_SOURCE']})"
    found["BLAS threads"] = os.environ.get("OPENBLAS_NUM_THREADS", "default")
    for package in ("numpy", "scipy", "mpmath", "pandas", "polars", "xarray", "pyarrow"):
        try:
            found[package] = importlib.metadata.version(package)
        except importlib.metadata.PackageNotFoundError:
            found[package] = "missing"
    return found


def main(argv: list[str]) -> int:
    arguments = parse_arguments(argv)
    settings = Settings(rounds=3, target=0.01, budget=1.0) if arguments.quick else Settings()
    if arguments.rounds:
        settings.rounds = arguments.rounds
    context = Context(vexari, _floor, arguments.quick)
    words = [w.strip() for w in arguments.only.split(",") if w.strip()]

    load_at_start = os.getloadavg()
    started = time.perf_counter()
    results: dict[str, list[CaseResult]] = {}
    for group, module in GROUPS.items():
        group_results = results.setdefault(group, [])
        selected = []
        for case in _cases(module, context, group):
            if words and not any(w in case.group or w in case.name for w in words):
                continue
            if arguments.quick and case.full_only:
                continue
            selected.append(case)
        for case in selected:
            missing = [name for name in case.needs if not hasattr(vexari, name)]
            if missing:
                group_results.append(CaseResult(case, skipped="not available (" + ", ".join(missing) + ")"))
                continue
            begun = time.perf_counter()
            result = run_case(case, settings)
            group_results.append(result)
            print(f"{time.perf_counter() - started:7.1f}s  {case.group}: {case.name} "
                  f"({time.perf_counter() - begun:.1f}s){'  ' + result.error if result.error else ''}",
                  file=sys.stderr, flush=True)

    footprints, allocation_rows, memory_skipped = [], [], []
    if not arguments.no_memory and (not words or any(w in "memory allocations" for w in words)):
        footprints, allocation_rows, memory_skipped = memory.run(context)
        print(f"{time.perf_counter() - started:7.1f}s  memory and allocations", file=sys.stderr, flush=True)

    scaling_runs = []
    if not words or any(w in "thread scaling" for w in words):
        scaling_runs = scaling.run_everywhere(rounds=3 if arguments.quick else 9)
        print(f"{time.perf_counter() - started:7.1f}s  thread scaling", file=sys.stderr, flush=True)

    everything = [r for group in results.values() for r in group]
    available = sum(1 for name in getattr(vexari, "__all__", []) if name != "__version__")
    lines = report.header(versions(), "quick" if arguments.quick else "full", settings, available,
                          time.perf_counter() - started, (load_at_start, os.getloadavg()))
    lines += report.gaps(everything, allocation_rows)
    lines += report.callback_summary(results["callbacks"])
    lines += report.detail("Callbacks: all contenders", results["callbacks"])
    lines += report.list_summary(results["lists"])
    lines += report.detail("Lists: all contenders", results["lists"])
    lines += report.detail("Buffers as Vector", results["buffers"],
                           "The same values as list, tuple, array.array('d') and NumPy float64 array.")
    lines += report.detail("Data libraries as Vector", results["data libraries"],
                           "The same 1e6 floats as a NumPy float64 array and as each library holds them.")
    lines += report.detail("Same job", results["same job"])
    lines += report.detail("Keywords", results["keywords"],
                           "Each call by position (the reference) and with keywords, paired in the same rounds; "
                           "beside it, a C function that takes the same arguments the same two ways and does "
                           "nothing, for the interpreter's own share.")
    lines += report.keyword_summary(results["keywords"])
    if not arguments.no_memory:
        lines += report.memory_tables(footprints, allocation_rows)
    if scaling_runs:
        lines += report.thread_scaling(scaling_runs)
    if not words or any(w in "compiled functions" for w in words):
        lines += compiled.run(arguments.quick)
        print(f"{time.perf_counter() - started:7.1f}s  compiled functions", file=sys.stderr, flush=True)
    lines += report.skipped(everything, memory_skipped)
    arguments.output.parent.mkdir(parents=True, exist_ok=True)
    arguments.output.write_text("\n".join(lines))
    print(f"results written to {arguments.output}", file=sys.stderr)
    return 0


def _cases(module, context: Context, group: str):
    try:
        return module.cases(context)
    except Exception as error:  # one broken group must not lose the others
        print(f"{group}: could not build cases: {type(error).__name__}: {error}", file=sys.stderr)
        return []


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
