"""Planted-fault (mutation) testing of the C++ sources.

Mutants come from universalmutator's C++ rules, one source file at a time.
They are drawn in a random order fixed by the seed, each is built
incrementally in a copy of the checkout under build/mutate/, and the test
suite runs against it until the first failure. A mutant whose module is
byte-for-byte the unmutated one cannot change any observable (the compiler
saw through it) and counts as equivalent; so does one named, with its reason,
in tools/mutation-equivalents.txt. Mutants that only touch comments or
white space are never drawn.

    python tools/mutate.py [N] [--seed S] [--files GLOB ...] [--replay REPORT] [--jobs J]

N is the number of mutants that compile and are tested (default 300);
--jobs J tests J mutants at a time, each in its own copy.
The report goes to standard output and, as JSON, to build/mutate/report.json;
--replay runs the survivors of such a report again (after new tests).
"""

from __future__ import annotations

import argparse
import fnmatch
import hashlib
import json
import os
import random
import re
import shutil
import subprocess
import sys
import sysconfig
import tempfile
import threading
import time
from dataclasses import asdict, dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
WORK = ROOT / "build" / "mutate"
EQUIVALENTS = ROOT / "tools" / "mutation-equivalents.txt"

# Tests of the packaging, the site, the typing of the stubs and the Dask
# example check artefacts and tools, not the module's behaviour; the first
# one also asserts where the module is installed, which a mutant build is not.
DESELECTED = [
    "tests/test_stubs.py::test_stub_exports_and_installation",
    "tests/test_stubs.py::test_source_distribution_carries_the_stubs_and_nothing_of_the_checkout",
    "tests/test_stubs.py::test_examples_and_typing_cases_type_check_strictly",
    "tests/test_stubs.py::test_pyright_errors_exactly_on_the_marked_lines",
    "tests/test_docs.py::test_examples_type_check_strictly",
    "tests/test_packaging.py",
    "tests/test_site.py",
    "tests/test_dask_sweep.py",
]

# Slow tests that watch resources rather than values (memory, reference
# counts) and the type checkers run only for mutants that pass the rest; a
# mutant counts as surviving only when the whole suite passes.
SLOW = [
    "tests/test_leaks.py",
    "tests/test_stubs.py::test_stubtest",
    "tests/test_docs.py::test_newton_animation_frames_all_differ",
]


@dataclass
class Mutant:
    file: str  # relative to the checkout
    line: int
    original: str
    mutated: str
    text: str  # the whole mutated file
    before: str = ""  # the line above, which tells apart the same change in two places

    def key(self) -> tuple[str, int, str, str, str]:
        return (self.file, self.line, self.before.strip(), self.original.strip(), self.mutated.strip())


@dataclass
class Outcome:
    file: str
    line: int
    original: str
    mutated: str
    status: str  # killed, survived, equivalent, timeout, no-compile
    detail: str = ""
    before: str = ""


def strip_comments(line: str) -> str:
    line = re.sub(r"/\*.*?\*/", "", line)
    line = re.sub(r"//.*", "", line)
    return "".join(line.split())


def source_files(globs: list[str]) -> list[Path]:
    tracked = subprocess.run(["git", "ls-files", "src"], cwd=ROOT, capture_output=True, text=True, check=True)
    files = [Path(p) for p in tracked.stdout.split() if p.endswith((".cpp", ".hpp"))]
    if globs:
        files = [f for f in files if any(fnmatch.fnmatch(str(f), g) for g in globs)]
    return sorted(files)


def mutants_of(path: Path, mutate_command: str) -> list[Mutant]:
    """Every mutant universalmutator makes of one file, comment-only ones left out."""
    original = (ROOT / path).read_text()
    # Making them takes seconds a file, so they are kept per content.
    cache = WORK / "cache" / f"{hashlib.sha256(original.encode()).hexdigest()}.json"
    original_lines = original.splitlines()
    if cache.exists():
        return [Mutant(**m) for m in json.loads(cache.read_text())]
    out: list[Mutant] = []
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([mutate_command, str(ROOT / path), "cpp", "--noCheck", "--mutantDir", folder],
                       cwd=folder, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        names = sorted(os.listdir(folder), key=lambda n: int(n.split(".mutant.")[1].split(".")[0]))
        for name in names:
            text = (Path(folder) / name).read_text()
            lines = text.splitlines()
            index = first_difference(original_lines, lines)
            if index is None:
                continue
            before = original_lines[index] if index < len(original_lines) else ""
            after = lines[index] if index < len(lines) else ""
            if len(lines) == len(original_lines) and strip_comments(before) == strip_comments(after):
                continue
            above = original_lines[index - 1] if index > 0 else ""
            out.append(Mutant(str(path), index + 1, before, after, text, above))
    cache.parent.mkdir(parents=True, exist_ok=True)
    cache.write_text(json.dumps([asdict(m) for m in out]))
    return out


def first_difference(a: list[str], b: list[str]) -> int | None:
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return None if len(a) == len(b) else min(len(a), len(b))


def load_equivalents() -> dict[tuple[str, str, str], str]:
    known = {}
    for raw in EQUIVALENTS.read_text().splitlines():
        if not raw.strip() or raw.startswith("#"):
            continue
        where, above, original, mutated, reason = raw.split("\t")
        file, line = where.rsplit(":", 1)
        known[(file, int(line), above.strip(), original.strip(), mutated.strip())] = reason
    return known


def run(command: list[str], **kwargs) -> subprocess.CompletedProcess:
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


class Workspace:
    """A copy of the checkout with its own build tree, so the real sources are never touched."""

    def __init__(self, python: str, number: int):
        self.python = python
        self.tree = TREE = WORK / f"tree{number}"
        self.build_dir = BUILD = WORK / f"build{number}"
        # Copies get the time of copying, so that the build redoes whatever an
        # interrupted run left built from a mutant.
        if TREE.exists():
            shutil.rmtree(TREE)
        TREE.mkdir(parents=True)
        tracked = run(["git", "ls-files", "-z"], cwd=ROOT, check=True).stdout.split("\0")
        for name in filter(None, tracked):
            target = TREE / name
            target.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy(ROOT / name, target)
        # Untracked work in progress (new tests, new sources) counts as well.
        untracked = run(["git", "ls-files", "-z", "--others", "--exclude-standard"], cwd=ROOT, check=True)
        for name in filter(None, untracked.stdout.split("\0")):
            target = TREE / name
            target.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy(ROOT / name, target)
        bin_dir = Path(sysconfig.get_path("scripts"))
        self.env = dict(os.environ, PATH=f"{bin_dir}{os.pathsep}{os.environ['PATH']}", PYTHONPATH=str(BUILD),
                        PYTHONDONTWRITEBYTECODE="1")
        configure = ["cmake", "-G", "Ninja", "-S", str(TREE), "-B", str(BUILD), "-DCMAKE_BUILD_TYPE=Release",
                     "-DSKBUILD_PROJECT_VERSION=1.0.0", f"-DPython_EXECUTABLE={python}"]
        run(configure, env=self.env, check=True)

    def module(self) -> Path:
        return next(self.build_dir.glob("vexari*.so"))

    def build(self) -> bool:
        return run(["cmake", "--build", str(self.build_dir), "-j", "2"], env=self.env).returncode == 0

    def digest(self) -> str:
        return hashlib.sha256(self.module().read_bytes()).hexdigest()

    def pytest(self, arguments: list[str], timeout: float, leave_out: list[str] = []) -> tuple[str, str]:
        # A mutant that makes a loop endless is stopped at the first test that hangs.
        command = [self.python, "-m", "pytest", "-x", "-q", "-p", "no:cacheprovider", "--no-header", "-o",
                   "addopts=", "--timeout=90", "--timeout-method=thread",
                   *(f"--deselect={d}" for d in DESELECTED + leave_out), *arguments]
        try:
            done = run(command, cwd=self.tree, env=self.env, timeout=timeout)
        except subprocess.TimeoutExpired:
            return "timeout", ""
        if done.returncode == 0:
            return "passed", ""
        if "+++ Timeout +++" in done.stdout + done.stderr:
            return "timeout", ""
        failed = re.findall(r"^(?:FAILED|ERROR) (\S+)", done.stdout, re.M)
        lines = done.stdout.strip().splitlines()
        self.last_failure = done.stdout[-4000:]
        return "failed", failed[0] if failed else lines[-1] if lines else f"exit status {done.returncode}"

    def tests(self, first: list[str], timeout: float) -> tuple[str, str]:
        """'passed', 'failed' or 'timeout', with the first failing test.

        A few tests measure how soon Ctrl-C is answered, which a loaded machine
        can delay: a failure that does not repeat when its test runs again is
        not counted, and the suite runs once more."""
        order = [t for t in first if (self.tree / t).exists()] + ["tests"]
        for _ in range(2):
            status, failure = self.pytest(order, timeout, leave_out=SLOW)
            if status == "passed":
                status, failure = self.pytest(SLOW, timeout)
            if status != "failed" or "::" not in failure or self.pytest([failure], timeout)[0] == "failed":
                break
        return status, failure


def tests_first(path: str) -> list[str]:
    """The test files most likely to notice a fault in this source, tried first."""
    stem = Path(path).stem
    names = {"read_in_place": ["test_in_place", "test_in_place_rule", "test_buffers"],
             "in_place_parameters": ["test_in_place", "test_buffers"], "list_view": ["test_in_place"], "double_buffer": ["test_buffers", "test_in_place"],
             "convert": ["test_conversions"], "match": ["test_arguments"], "declaration": ["test_arguments"],
             "callback": ["test_callbacks"], "integrate": ["test_integrate"], "regression": ["test_stats"]}
    chosen = ["test_bits"] + names.get(stem, [f"test_{stem}"])
    return [f"tests/{name}.py" for name in chosen]


def diff_line(outcome: Outcome) -> str:
    return (f"{outcome.file}:{outcome.line} (below: {outcome.before.strip()})\n"
            f"    - {outcome.original.strip()}\n    + {outcome.mutated.strip()}")


def try_mutant(workspace: Workspace, mutant: Mutant, baseline: str, equivalents: dict, timeout: float) -> Outcome:
    def outcome(status: str, detail: str = "") -> Outcome:
        return Outcome(mutant.file, mutant.line, mutant.original, mutant.mutated, status, detail, mutant.before)

    target = workspace.tree / mutant.file
    original = target.read_text()
    target.write_text(mutant.text)
    try:
        if not workspace.build():
            return outcome("no-compile")
        if workspace.digest() == baseline:
            return outcome("equivalent", "same machine code")
        if mutant.key() in equivalents:
            return outcome("equivalent", equivalents[mutant.key()])
        status, failure = workspace.tests(tests_first(mutant.file), timeout)
        return outcome({"failed": "killed", "passed": "survived"}.get(status, status), failure)
    finally:
        target.write_text(original)


def report(seed: int, outcomes: list[Outcome], started: float, final: bool) -> None:
    counts = {s: sum(o.status == s for o in outcomes) for s in
              ("killed", "timeout", "survived", "equivalent", "no-compile")}
    scored = counts["killed"] + counts["timeout"] + counts["survived"]
    score = 100.0 * (counts["killed"] + counts["timeout"]) / scored if scored else 100.0
    WORK.mkdir(parents=True, exist_ok=True)
    (WORK / "report.json").write_text(json.dumps(
        {"seed": seed, "counts": counts, "score": score, "outcomes": [asdict(o) for o in outcomes]}, indent=1))
    if not final:
        return
    tested = [o for o in outcomes if o.status != "no-compile"]
    areas: dict[str, int] = {}
    for o in tested:
        area = "core" if o.file.startswith("src/core/") else "api" if o.file.startswith("src/api/") else "boundary"
        areas[area] = areas.get(area, 0) + 1
    print(f"\nmutate: seed {seed}, {len(tested)} mutants tested ({', '.join(f'{a} {n}' for a, n in sorted(areas.items()))})")
    print("  " + ", ".join(f"{n} {s}" for s, n in counts.items()))
    print(f"  score: {score:.1f} % of the {scored} non-equivalent mutants killed (timeouts count as killed)")
    survivors = [o for o in outcomes if o.status == "survived"]
    if survivors:
        print("\nsurvivors:")
        for o in survivors:
            print("  " + diff_line(o))
    print(f"\nmutate: {time.monotonic() - started:.0f} s; report in {WORK / 'report.json'}")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("count", nargs="?", type=int, default=300)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--files", nargs="+", default=[])
    parser.add_argument("--replay", type=Path)
    parser.add_argument("--jobs", type=int, default=1)
    options = parser.parse_args()
    seed = options.seed if options.seed is not None else random.SystemRandom().randrange(2**32)
    mutate_command = shutil.which("mutate", path=sysconfig.get_path("scripts")) or "mutate"

    started = time.monotonic()
    workspaces = [Workspace(sys.executable, n) for n in range(options.jobs)]
    if not all(w.build() for w in workspaces):
        print("mutate: the unmutated sources do not build", file=sys.stderr)
        return 2
    baseline = workspaces[0].digest()
    status, failure = workspaces[0].tests([], timeout=1800)
    if status != "passed":
        print(f"mutate: the suite fails without any mutant ({failure}):\n{workspaces[0].last_failure}",
              file=sys.stderr)
        return 2
    suite_seconds = time.monotonic() - started
    timeout = max(120.0, 2 * suite_seconds)

    equivalents = load_equivalents()
    pool: list[Mutant] = []
    kept: list[Outcome] = []
    if options.replay:
        # The survivors of an earlier run are tried again; its other outcomes stand.
        previous = json.loads(options.replay.read_text())
        kept = [Outcome(**o) for o in previous["outcomes"] if o["status"] != "survived"]
        wanted = {(o["file"], o["line"], o["before"].strip(), o["original"].strip(), o["mutated"].strip())
                  for o in previous["outcomes"] if o["status"] == "survived"}
        files = sorted({Path(w[0]) for w in wanted})
        pool = [m for f in files for m in mutants_of(f, mutate_command) if m.key() in wanted]
        seed = previous["seed"]
        options.count = len(pool)
    else:
        for path in source_files(options.files):
            pool.extend(mutants_of(path, mutate_command))
        random.Random(seed).shuffle(pool)

    print(f"mutate: seed {seed}; {len(pool)} mutants drawn from; suite {suite_seconds:.0f} s unmutated", flush=True)
    # Workers take mutants in the seed's order; the sample is the first N that
    # compile in that order, whichever worker finishes first.
    results: dict[int, Outcome] = {}
    lock = threading.Lock()
    following = iter(enumerate(pool))

    def settled() -> list[Outcome]:
        done, tested = [], 0
        for index in range(len(pool)):
            if index not in results or tested >= options.count:
                break
            done.append(results[index])
            tested += results[index].status != "no-compile"
        return done

    def enough() -> bool:
        return sum(o.status != "no-compile" for o in settled()) >= options.count

    def work(workspace: Workspace) -> None:
        while True:
            with lock:
                if enough():
                    return
                index, mutant = next(following, (None, None))
            if mutant is None:
                return
            outcome = try_mutant(workspace, mutant, baseline, equivalents, timeout)
            with lock:
                results[index] = outcome
                if outcome.status != "no-compile":
                    count = sum(o.status != "no-compile" for o in results.values())
                    print(f"  [{count}] {outcome.status:10} {outcome.file}:{outcome.line} {outcome.detail}", flush=True)
                report(seed, kept + settled(), started, final=False)

    threads = [threading.Thread(target=work, args=(w,)) for w in workspaces]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for workspace in workspaces:
        workspace.build()
    report(seed, kept + settled(), started, final=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
