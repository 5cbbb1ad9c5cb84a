"""The wheels the hosted workflow builds, as cibuildwheel itself selects them.

Usage: wheel_matrix.py WORKFLOW TOOLS_FOLDER

Each step of WORKFLOW that installs a pinned cibuildwheel runs it with the
step's environment on the platforms of the runners that take that step; the
identifiers that cibuildwheel lists for them (it lists without building,
containers or downloads, from pyproject.toml) must add up to the intended
set, each built by one step only. Each pinned cibuildwheel gets a venv of its
own under TOOLS_FOLDER, made once.
"""

import os
import re
import subprocess
import sys
import venv
from collections import Counter
from pathlib import Path

from ruamel.yaml import YAML

VERSIONS = ["cp313", "cp313t", "cp314", "cp314t", "cp315", "cp315t"]
TAGS = {
    "linux": ["manylinux_x86_64", "manylinux_aarch64"],
    "macos": ["macosx_x86_64", "macosx_arm64"],
    "windows": ["win_amd64"],
}
INTENDED = {f"{version}-{tag}" for tags in TAGS.values() for tag in tags for version in VERSIONS}
# The architectures of the hosted runners the workflow names.
RUNNERS = {
    "ubuntu-24.04": ("linux", "x86_64"),
    "ubuntu-24.04-arm": ("linux", "aarch64"),
    "macos-15-intel": ("macos", "x86_64"),
    "macos-15": ("macos", "arm64"),
    "windows-2025": ("windows", "AMD64"),
}


def cibuildwheel(pin: str, tools: Path) -> Path:
    folder = tools / pin.replace("==", "-")
    executable = folder / "bin" / "cibuildwheel"
    if not executable.exists():
        venv.create(folder, with_pip=True)
        subprocess.run([folder / "bin" / "python", "-m", "pip", "install", "--quiet",
                        "--disable-pip-version-check", pin], check=True)
    return executable


def runs(job: dict) -> list[dict]:
    """The matrix entries of a job, with its include entries as they extend it."""
    matrix = job["strategy"]["matrix"]
    axes = {key: value for key, value in matrix.items() if key != "include"}
    entries = [{}]
    for key, values in axes.items():
        entries = [dict(entry, **{key: value}) for entry in entries for value in values]
    return entries + [dict(entry) for entry in matrix.get("include", [])]


def taken(condition: str | None, entry: dict) -> bool:
    if condition is None:
        return True
    match = re.fullmatch(r"matrix\.(\w+) == '([^']*)'", condition.strip())
    if match is None:
        sys.exit(f"wheel_matrix: cannot read the step condition {condition!r}")
    return entry.get(match[1]) == match[2]


def main() -> int:
    workflow, tools = Path(sys.argv[1]), Path(sys.argv[2])
    jobs = YAML(typ="safe").load(workflow.read_text())["jobs"]
    built: Counter[str] = Counter()
    # The caller's CIBW_ settings must not count: only the workflow's.
    clean = {key: value for key, value in os.environ.items() if not key.startswith("CIBW_")}
    for job in jobs.values():
        for step in job["steps"]:
            pin = re.search(r"cibuildwheel==[\w.]+", step.get("run", ""))
            if pin is None:
                continue
            executable = cibuildwheel(pin[0], tools)
            for entry in runs(job):
                if not taken(step.get("if"), entry):
                    continue
                platform, arch = RUNNERS[entry["os"]]
                listed = subprocess.run(
                    [executable, "--print-build-identifiers", "--platform", platform, "--archs", arch],
                    env=clean | {key: str(value) for key, value in step.get("env", {}).items()},
                    capture_output=True, text=True, check=True).stdout.split()
                print(f"dev: {pin[0]} on {entry['os']}: {' '.join(listed)}", file=sys.stderr)
                built.update(listed)
    status = 0
    if set(built) != INTENDED:
        print(f"dev: the workflow builds {sorted(set(built) - INTENDED)} beyond the intended set "
              f"and misses {sorted(INTENDED - set(built))}", file=sys.stderr)
        status = 1
    twice = sorted(identifier for identifier, count in built.items() if count > 1)
    if twice:
        print(f"dev: built by more than one job: {twice}", file=sys.stderr)
        status = 1
    if status == 0:
        print(f"dev: the workflow builds the intended {len(INTENDED)} wheels, each once", file=sys.stderr)
    return status


if __name__ == "__main__":
    sys.exit(main())
