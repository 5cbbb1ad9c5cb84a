"""Compiles the floor extension for the running interpreter, when it is missing
or older than its source. Prints the directory that holds the module.

The compiler is the one the interpreter was built with (sysconfig's CC), with
the same rule as the toolkit: optimised, no contraction into fused
multiply-adds, no relaxed IEEE semantics.
"""

import os
import shlex
import subprocess
import sys
import sysconfig
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE = HERE / "floor.c"
MALLOC_COUNT = HERE / "malloc_count.c"


def _fresh(target: Path, source: Path) -> bool:
    return target.exists() and target.stat().st_mtime >= source.stat().st_mtime


def malloc_counter() -> Path:
    """The preloadable allocation counter (plain C, no Python)."""
    out_dir = HERE / "build"
    target = out_dir / "malloc_count.so"
    if not _fresh(target, MALLOC_COUNT):
        out_dir.mkdir(parents=True, exist_ok=True)
        compiler = shlex.split(os.environ.get("CC") or sysconfig.get_config_var("CC") or "cc")
        subprocess.run(compiler + ["-O2", "-fPIC", "-shared", "-Wall", "-Wextra", str(MALLOC_COUNT), "-o", str(target)],
                       check=True)
    return target


def build() -> Path:
    tag = sysconfig.get_config_var("SOABI") or sys.implementation.cache_tag
    out_dir = HERE / "build" / tag
    target = out_dir / ("_floor" + sysconfig.get_config_var("EXT_SUFFIX"))
    if _fresh(target, SOURCE):
        return out_dir
    out_dir.mkdir(parents=True, exist_ok=True)
    compiler = shlex.split(os.environ.get("CC") or sysconfig.get_config_var("CC") or "cc")
    include = sysconfig.get_paths()["include"]
    command = compiler + [
        "-O2", "-fPIC", "-shared", "-ffp-contract=off", "-fno-fast-math",
        "-Wall", "-Wextra", "-Wno-unused-parameter", "-Wno-missing-field-initializers",
        f"-I{include}", str(SOURCE), "-o", str(target), "-lm",
    ]
    subprocess.run(command, check=True)
    return out_dir


if __name__ == "__main__":
    print(build())
