"""The sdist holds what building and testing need, with its licence, and its metadata agrees with CMake."""

import re
import shlex
import subprocess
import sys
import tarfile
import tomllib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def test_sdist_contents_and_metadata(tmp_path):
    build = subprocess.run(
        [sys.executable, "-c", "import sys; from scikit_build_core.build import build_sdist; print(build_sdist(sys.argv[1]))",
         str(tmp_path)], cwd=ROOT, capture_output=True, text=True)
    assert build.returncode == 0, build.stderr
    with tarfile.open(tmp_path / build.stdout.split()[-1]) as archive:
        top = archive.getnames()[0].split("/")[0]
        names = {name.split("/", 1)[1] for name in archive.getnames() if "/" in name}
        metadata = archive.extractfile(f"{top}/PKG-INFO").read().decode()
    assert {"LICENSE", "CMakeLists.txt", "pyproject.toml", "tests/conftest.py", "src/module.cpp"} <= names
    assert not [name for name in names if name.startswith(("bench/", ".ci/", "tools/", "build/", ".venv", "dist/"))]
    assert "License-Expression: MIT" in metadata.splitlines()
    # The oldest Python the build accepts is the one CMake looks for.
    [requires] = re.findall(r"^Requires-Python: >=(\d+\.\d+)$", metadata, re.MULTILINE)
    [cmake] = re.findall(r"find_package\(Python (\d+\.\d+) COMPONENTS", (ROOT / "CMakeLists.txt").read_text())
    assert requires == cmake


def test_wheel_test_commands_name_tests_that_exist():
    """The cibuildwheel section leaves tests out by path and by name; a renamed test must not slip back in."""
    config = tomllib.loads((ROOT / "pyproject.toml").read_text())["tool"]["cibuildwheel"]
    names = set(re.findall(r"^def (test_\w+)", "".join(p.read_text() for p in (ROOT / "tests").glob("test_*.py")),
                           re.MULTILINE))
    assert all((ROOT / path).exists() for path in config["test-sources"])
    commands = [config["test-command"], *(config[platform]["test-command"] for platform in ("macos", "windows"))]
    for words in [shlex.split(config["test-environment"]["PYTEST_ADDOPTS"]), *map(shlex.split, commands)]:
        ignored = [word.removeprefix("--ignore=") for word in words if word.startswith("--ignore=")]
        assert all((ROOT / path).exists() for path in ignored), ignored
        for expression in (words[i + 1] for i, word in enumerate(words) if word == "-k"):
            for term in re.findall(r"not (\w+)", expression):
                assert any(term in name for name in names), f"-k leaves out {term!r}, which names no test"
