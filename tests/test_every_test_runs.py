"""The plugin of the emulated runs, where a skip is a failure: it fails skipped tests and modules that skip
as they are collected, and leaves passes and expected failures alone."""

import subprocess
import sys
from pathlib import Path

TOOLS = Path(__file__).resolve().parent.parent / "tools"

SUITE = {
    "test_runs.py": "import pytest\n"
                    "def test_passes(): pass\n"
                    "def test_skips(): pytest.skip('no tool')\n"
                    "@pytest.mark.skipif(True, reason='marked')\n"
                    "def test_marked(): pass\n"
                    "@pytest.mark.xfail(reason='known')\n"
                    "def test_expected_failure(): assert False\n",
    "test_collected.py": "import pytest\n"
                         "pytest.importorskip('a_module_nobody_has')\n"
                         "def test_never_reached(): pass\n",
}


def run_with_plugin(folder, name):
    (folder / name).write_text(SUITE[name])
    return subprocess.run([sys.executable, "-m", "pytest", "-p", "no:cacheprovider", "-p", "pytest_every_test_runs",
                           "-rA", name], capture_output=True, text=True, cwd=folder,
                          env={"PYTHONPATH": str(TOOLS), "PATH": "/usr/bin:/bin"})


def test_a_skipped_test_fails(tmp_path):
    run = run_with_plugin(tmp_path, "test_runs.py")
    assert run.returncode == 1, run.stdout
    # A skip marker acts as the test is set up, so that one shows as an error.
    assert run.stdout.splitlines()[-1].strip("= ").split(" in ")[0] == "1 failed, 1 passed, 1 xfailed, 1 error"
    # (The short summary gives the reason only where the terminal width leaves room.)
    assert "FAILED test_runs.py::test_skips" in run.stdout and "ERROR test_runs.py::test_marked" in run.stdout
    for reason in ("no tool", "marked"):
        assert f"skipped where every test must run: Skipped: {reason}" in run.stdout


def test_a_module_skipped_as_it_is_collected_stops_the_run(tmp_path):
    run = run_with_plugin(tmp_path, "test_collected.py")
    assert run.returncode == 2, run.stdout
    assert "ERROR test_collected.py" in run.stdout
    assert "skipped where every test must run: Skipped: could not import 'a_module_nobody_has'" in run.stdout
    assert "Interrupted: 1 error during collection" in run.stdout
